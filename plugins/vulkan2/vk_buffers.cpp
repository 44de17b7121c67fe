// GPU buffers: uniform and storage buffers in host-visible memory, one
// dedicated allocation each.
#include <algorithm>
#include <cstring>

#include "vk_generation.h"
#include "vk_resources.h"

namespace {
// A transfer of size bytes at offset must end before the allocation's end;
// computed in 64 bits so that no sum wraps.
bool transfer_fits(const VkGpuBufferRecord* record, unsigned offset, unsigned size) {
  return static_cast<uint64_t>(offset) + size < record->allocation_size;
}
}  // namespace

bool VulkanPLugin::gpu_buffer_create(tvc::RendererGpu* gpu, tvc::GpuBuffer* buffer, int kind, int value,
                                     unsigned size, int) {
  VkDeviceRecord* device = device_of(gpu);
  if (!device || !buffer) return false;
  if (buffer_record(buffer)) return false;  // already made: kill it first
  if (!object_owner(buffer->owner_id)) register_object(buffer->owner_id, device);
  if (kind != tvc::GpuBuffer::kUniform && kind != tvc::GpuBuffer::kStorage) return false;
  VkFunctionTable& fn = device->functions;
  VkBufferCreateInfo info{};
  info.sType = VK_STRUCTURE_TYPE_BUFFER_CREATE_INFO;
  info.size = size;
  info.usage = kind == tvc::GpuBuffer::kUniform ? VK_BUFFER_USAGE_UNIFORM_BUFFER_BIT : VK_BUFFER_USAGE_STORAGE_BUFFER_BIT;
  info.sharingMode = VK_SHARING_MODE_EXCLUSIVE;
  VkBuffer handle = VK_NULL_HANDLE;
  VkResult result = fn.vkCreateBuffer(device->device, &info, nullptr, &handle);
  if (result != VK_SUCCESS) {
    tracef_error("GPU buffer - unable to create a buffer objet (required size: %u bytes) - err: %s.", size,
                 vk_result_to_string(result));
    return false;
  }
  VkMemoryRequirements needs{};
  fn.vkGetBufferMemoryRequirements(device->device, handle, &needs);
  const int type = find_memory_type(device_gpu(device), needs.memoryTypeBits, VK_MEMORY_PROPERTY_HOST_VISIBLE_BIT,
                                    kNoMemoryFallback);
  if (type < 0) {
    fn.vkDestroyBuffer(device->device, handle, nullptr);
    tracef_error("GPU buffer - unable to find a memory type (required size: %u bytes)",
                 static_cast<unsigned>(needs.size));
    return false;
  }
  VkMemoryAllocateInfo alloc{};
  alloc.sType = VK_STRUCTURE_TYPE_MEMORY_ALLOCATE_INFO;
  alloc.allocationSize = needs.size;
  alloc.memoryTypeIndex = static_cast<uint32_t>(type);
  VkDeviceMemory memory = VK_NULL_HANDLE;
  result = fn.vkAllocateMemory(device->device, &alloc, nullptr, &memory);
  if (result == VK_SUCCESS) result = fn.vkBindBufferMemory(device->device, handle, memory, 0);
  if (result != VK_SUCCESS) {
    if (memory != VK_NULL_HANDLE) fn.vkFreeMemory(device->device, memory, nullptr);
    fn.vkDestroyBuffer(device->device, handle, nullptr);
    tracef_error("GPU buffer - unable to allocate memory (alloc size: %u bytes) - err: %s.",
                 static_cast<unsigned>(needs.size), vk_result_to_string(result));
    return false;
  }
  buffer->size = size;
  buffer->kind = kind;
  buffer->value = value;
  buffer->memory_bound = true;
  buffer->mapped = nullptr;
  VkGpuBufferRecord* record = new VkGpuBufferRecord;
  record->id = tvc::utils::gen_id();
  record->buffer = handle;
  record->memory = memory;
  record->allocation_size = needs.size;
  const VkGpuRecord* gpu_rec = device_gpu(device);
  record->coherent = gpu_rec && (gpu_rec->memory_properties.memoryTypes[type].propertyFlags &
                                 VK_MEMORY_PROPERTY_HOST_COHERENT_BIT) != 0;
  buffer->renderer_data = record;
  device->gpu_buffers.push_back(buffer);
  return true;
}

bool VulkanPLugin::gpu_buffer_release(VkDeviceRecord* device, tvc::GpuBuffer* buffer) {
  VkGpuBufferRecord* record = buffer_record(buffer);
  erase_from(device->gpu_buffers, buffer);
  if (!record) return false;
  VkFunctionTable& fn = device->functions;
  if (record->memory != VK_NULL_HANDLE) {
    if (buffer->mapped) fn.vkUnmapMemory(device->device, record->memory);
    fn.vkFreeMemory(device->device, record->memory, nullptr);
  }
  buffer->mapped = nullptr;
  if (record->buffer != VK_NULL_HANDLE) fn.vkDestroyBuffer(device->device, record->buffer, nullptr);
  delete record;
  buffer->renderer_data = nullptr;
  buffer->memory_bound = false;
  unregister_object(buffer->owner_id);
  return true;
}

bool VulkanPLugin::gpu_buffer_kill(tvc::GpuBuffer* buffer) {
  if (!buffer) return false;
  VkDeviceRecord* device = object_owner(buffer->owner_id);
  // A buffer whose device was cleaned up has no record left to free.
  if (!device || !buffer_record(buffer)) return false;
  return gpu_buffer_release(device, buffer);
}

// Maps the whole allocation, copies, unmaps: read and write share it. Memory
// is mapped once at a time, so a buffer the host holds mapped is refused, as
// a second map of it is.
static bool buffer_transfer(VkDeviceRecord* device, tvc::GpuBuffer* buffer, VkGpuBufferRecord* record, unsigned offset,
                            unsigned size, void* host, bool to_buffer) {
  if (buffer->mapped) return false;
  void* mapped = nullptr;
  if (device->functions.vkMapMemory(device->device, record->memory, 0, record->allocation_size, 0, &mapped) !=
          VK_SUCCESS ||
      !mapped)
    return false;
  uint8_t* at = static_cast<uint8_t*>(mapped) + offset;
  if (to_buffer)
    memcpy(at, host, size);
  else
    memcpy(host, at, size);
  device->functions.vkUnmapMemory(device->device, record->memory);
  return true;
}

bool VulkanPLugin::gpu_buffer_write(tvc::GpuBuffer* buffer, unsigned offset, unsigned size, const void* source) {
  VkGpuBufferRecord* record = buffer_record(buffer);
  VkDeviceRecord* device = buffer ? object_owner(buffer->owner_id) : nullptr;
  if (!record || !device || !source || !transfer_fits(record, offset, size)) return false;
  return buffer_transfer(device, buffer, record, offset, size, const_cast<void*>(source), true);
}

bool VulkanPLugin::gpu_buffer_read(tvc::GpuBuffer* buffer, unsigned offset, unsigned size, void* destination) {
  VkGpuBufferRecord* record = buffer_record(buffer);
  VkDeviceRecord* device = buffer ? object_owner(buffer->owner_id) : nullptr;
  if (!record || !device || !destination || !transfer_fits(record, offset, size)) return false;
  return buffer_transfer(device, buffer, record, offset, size, destination, false);
}

bool VulkanPLugin::gpu_buffer_copy(tvc::GpuBuffer* source, tvc::GpuBuffer* destination, unsigned, unsigned,
                                   unsigned) {
  if (!source || !destination) return false;
  // Not built: nothing is copied, so the answer is a failure.
  tracef("gpu_buffer_copy() : TODO...");
  return false;
}

void VulkanPLugin::gpu_buffer_bind_memory(tvc::GpuBuffer* buffer) {
  VkGpuBufferRecord* record = buffer_record(buffer);
  VkDeviceRecord* device = buffer ? object_owner(buffer->owner_id) : nullptr;
  if (!record || !device || buffer->memory_bound) return;
  if (device->functions.vkBindBufferMemory(device->device, record->buffer, record->memory, 0) == VK_SUCCESS)
    buffer->memory_bound = true;
}

tvc::GpuBuffer* VulkanPLugin::gpu_buffer_reset_state(tvc::GpuBuffer* buffer) {
  if (buffer) buffer->memory_bound = false;
  return buffer;
}

void* VulkanPLugin::gpu_buffer_map(tvc::GpuBuffer* buffer, int access) {
  return gpu_buffer_map_range(buffer, 0, 0xFFFFFFFFu, access);
}

void* VulkanPLugin::gpu_buffer_map_range(tvc::GpuBuffer* buffer, unsigned offset, unsigned size, int) {
  VkGpuBufferRecord* record = buffer_record(buffer);
  VkDeviceRecord* device = buffer ? object_owner(buffer->owner_id) : nullptr;
  if (!record || !device || offset >= record->allocation_size || buffer->mapped) return nullptr;
  VkDeviceSize length = std::min<VkDeviceSize>(size, record->allocation_size - offset);
  void* mapped = nullptr;
  if (device->functions.vkMapMemory(device->device, record->memory, offset, length, 0, &mapped) != VK_SUCCESS)
    return nullptr;
  buffer->mapped = mapped;
  return mapped;
}

void VulkanPLugin::gpu_buffer_unmap(tvc::GpuBuffer* buffer) {
  VkGpuBufferRecord* record = buffer_record(buffer);
  VkDeviceRecord* device = buffer ? object_owner(buffer->owner_id) : nullptr;
  if (!record || !device || !buffer->mapped) return;
  if (generation::unmap_flushes_coherent_memory() || !record->coherent) {
    VkMappedMemoryRange range{};
    range.sType = VK_STRUCTURE_TYPE_MAPPED_MEMORY_RANGE;
    range.memory = record->memory;
    range.size = VK_WHOLE_SIZE;
    device->functions.vkFlushMappedMemoryRanges(device->device, 1, &range);
  }
  device->functions.vkUnmapMemory(device->device, record->memory);
  buffer->mapped = nullptr;
}
