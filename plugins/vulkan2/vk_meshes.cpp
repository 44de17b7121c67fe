// Meshes: a host-visible staging buffer and a device-local buffer for the
// vertices and the same pair for the indices of a geometry; uploads, binds,
// draws, plain draws, viewport and scissor.
#include <cstring>

#include "vk_generation.h"
#include "vk_resources.h"

namespace {
// Ray-tracing inputs (device addresses, acceleration-structure builds) exist
// only where the device was made with them.
bool has_device_addresses(const VkGpuRecord* gpu) {
  if (!gpu) return false;
  for (const std::string& name : gpu->device_extension_names)
    if (name == "VK_KHR_ray_tracing_pipeline") return true;
  return false;
}

struct BufferMade {
  VkBuffer buffer = VK_NULL_HANDLE;
  VkDeviceMemory memory = VK_NULL_HANDLE;
  VkDeviceSize allocation_size = 0;
};

// One buffer with its own memory; on failure nothing is left but the size of
// the memory requirements (once known), and step says what failed.
VkResult make_buffer(VkDeviceRecord* device, const VkGpuRecord* gpu, VkDeviceSize size, VkBufferUsageFlags usage,
                     bool host_visible, bool index, BufferMade* out, int* step) {
  // Staging memory is mapped, so it must be host-visible (coherent when
  // there is such a type). Device vertices fall back to any type the buffer
  // allows; device indices have no fallback.
  const MemoryTypeChoice memory_type = [&](uint32_t bits) {
    return host_visible ? find_memory_type(gpu, bits,
                                           VK_MEMORY_PROPERTY_HOST_VISIBLE_BIT | VK_MEMORY_PROPERTY_HOST_COHERENT_BIT,
                                           MemoryFallback{VK_MEMORY_PROPERTY_HOST_VISIBLE_BIT, false})
                        : find_memory_type(gpu, bits, VK_MEMORY_PROPERTY_DEVICE_LOCAL_BIT,
                                           index ? kNoMemoryFallback : kAnyAllowedMemory);
  };
  VkMemoryAllocateFlagsInfo flags{};
  flags.sType = VK_STRUCTURE_TYPE_MEMORY_ALLOCATE_FLAGS_INFO;
  flags.flags = VK_MEMORY_ALLOCATE_DEVICE_ADDRESS_BIT;
  const void* next = (usage & VK_BUFFER_USAGE_SHADER_DEVICE_ADDRESS_BIT) ? &flags : nullptr;
  BufferObjects made;
  BufferStep at = kBufferCreate;
  const VkResult result =
      make_buffer_objects(device_buffer_calls(device), size, usage, memory_type, next, &made, &at);
  *step = at;
  *out = BufferMade{};
  out->allocation_size = made.needs.size;
  if (result != VK_SUCCESS) {
    VkFunctionTable& fn = device->functions;
    if (made.memory != VK_NULL_HANDLE) fn.vkFreeMemory(device->device, made.memory, nullptr);
    if (made.buffer != VK_NULL_HANDLE) fn.vkDestroyBuffer(device->device, made.buffer, nullptr);
    return result;
  }
  out->buffer = made.buffer;
  out->memory = made.memory;
  return result;
}

const char* const kVertexMessages[2][4] = {
    {"mesh %d - unable to create a mappable vertex buffer object (required size: %u bytes) - err: %s.",
     "mesh %d - unable to find a memory type for vertex buffer object (required size: %u bytes)",
     "mesh %d - unable to allocate mappable memory for vertex buffer object (alloc size: %u bytes) - err: %s.",
     "mesh %d - unable to bind the mappable buffer memory for the vertex buffer object (alloc size: %u bytes) - err: "
     "%s."},
    {"mesh %d - unable to create a device vertex buffer object (required size: %u bytes) - err: %s.",
     "mesh %d - unable to find a memory type for vertex buffer object (required size: %u bytes)",
     "mesh %d - unable to allocate device memory for vertex buffer object (alloc size: %u bytes) - err: %s.",
     "mesh %d - unable to bind the device buffer memory for the vertex buffer object (alloc size: %u bytes) - err: "
     "%s."}};
const char* const kIndexMessages[2][4] = {
    {"mesh %d - unable to create a mappable index buffer object (required size: %u bytes) - err: %s",
     "mesh %d - unable to find a memory type for index buffer object (required size: %u bytes)",
     "mesh %d - unable to allocate mappable memory for index buffer object (alloc size: %u bytes) - err: %s.",
     "mesh %d - unable to bind the mappable buffer memory for index buffer object (alloc size: %u bytes) - err: %s."},
    {"mesh %d - unable to create a device index buffer object (required size: %u bytes) - err: %s",
     "mesh %d - unable to find a memory type for index buffer object (required size: %u bytes)",
     "mesh %d - unable to allocate device memory for index buffer object (alloc size: %u bytes) - err: %s.",
     "mesh %d - unable to bind the device buffer memory for index buffer object (alloc size: %u bytes) - err: %s."}};
}  // namespace

// The staging and device pair of one kind (vertices or indices).
static bool make_buffer_pair(VulkanPLugin* plugin, VkDeviceRecord* device, tvc::GeometryCore* geometry, bool index,
                             VkDeviceSize size, BufferMade* staging, BufferMade* target) {
  const VkGpuRecord* gpu = plugin->device_gpu(device);
  const char* const(*messages)[4] = index ? kIndexMessages : kVertexMessages;
  const VkBufferUsageFlags kind = index ? VkBufferUsageFlags{VK_BUFFER_USAGE_INDEX_BUFFER_BIT}
                                       : VkBufferUsageFlags{VK_BUFFER_USAGE_VERTEX_BUFFER_BIT};
  const bool shaders_read = generation::mesh_buffers_shader_readable();
  VkBufferUsageFlags device_usage =
      VK_BUFFER_USAGE_TRANSFER_DST_BIT | (shaders_read ? VK_BUFFER_USAGE_STORAGE_BUFFER_BIT : 0) | kind;
  if (shaders_read && has_device_addresses(gpu))
    device_usage |= VK_BUFFER_USAGE_SHADER_DEVICE_ADDRESS_BIT |
                    VK_BUFFER_USAGE_ACCELERATION_STRUCTURE_BUILD_INPUT_READ_ONLY_BIT_KHR;
  int step = 0;
  VkResult result =
      make_buffer(device, gpu, size, geometry->dynamic ? kind : VkBufferUsageFlags{VK_BUFFER_USAGE_TRANSFER_SRC_BIT},
                  true, index, staging, &step);
  int which = 0;
  BufferMade* failed = staging;
  if (result == VK_SUCCESS) {
    which = 1;
    failed = target;
    result = make_buffer(device, gpu, size, device_usage, false, index, target, &step);
    if (result != VK_SUCCESS) {
      device->functions.vkFreeMemory(device->device, staging->memory, nullptr);
      device->functions.vkDestroyBuffer(device->device, staging->buffer, nullptr);
      *staging = BufferMade{};
    }
  }
  if (result == VK_SUCCESS) return true;
  // A creation names the size asked for; the memory steps that of the
  // buffer's memory requirements.
  const unsigned shown = static_cast<unsigned>(step == kBufferCreate ? size : failed->allocation_size);
  // The formats are the constant tables above, checked by eye.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
  if (step == kBufferMemoryType)
    plugin->tracef_error(messages[which][step], geometry->mesh_id, shown);
  else
    plugin->tracef_error(messages[which][step], geometry->mesh_id, shown, vk_result_to_string(result));
#pragma GCC diagnostic pop
  return false;
}

static VkMeshRecord* mesh_record_for(VulkanPLugin* plugin, VkDeviceRecord* device, tvc::GeometryCore* geometry) {
  VkMeshRecord* record = mesh_record(geometry);
  if (record) return record;
  record = new VkMeshRecord;
  record->id = tvc::utils::gen_id();
  geometry->renderer_data = record;
  if (!plugin->object_owner(record->id)) plugin->register_object(record->id, device);
  device->meshes.push_back(geometry);
  return record;
}

bool VulkanPLugin::mesh_create_vertex_buffer(tvc::RendererGpu* gpu, tvc::GeometryCore* geometry) {
  VkDeviceRecord* device = device_of(gpu);
  if (!geometry || !device) return false;
  const VkDeviceSize size = geometry->get_total_vertex_buffer_size();
  VkMeshRecord* record = mesh_record_for(this, device, geometry);
  if (record->device_vertex_buffer != VK_NULL_HANDLE) return true;
  if (size == 0) return false;
  BufferMade staging, target;
  if (!make_buffer_pair(this, device, geometry, false, size, &staging, &target)) return false;
  record->vertex_data_size = size;
  record->staging_vertex_buffer = staging.buffer;
  record->staging_vertex_memory = staging.memory;
  record->staging_vertex_allocation_size = staging.allocation_size;
  record->device_vertex_buffer = target.buffer;
  record->device_vertex_memory = target.memory;
  return true;
}

bool VulkanPLugin::mesh_create_index_buffer(tvc::RendererGpu* gpu, tvc::GeometryCore* geometry) {
  VkDeviceRecord* device = device_of(gpu);
  if (!geometry || !device) return false;
  VkMeshRecord* record = mesh_record_for(this, device, geometry);
  if (record->device_index_buffer != VK_NULL_HANDLE) return true;
  const VkDeviceSize size = geometry->get_total_index_buffer_size();
  if (size == 0) return false;
  BufferMade staging, target;
  if (!make_buffer_pair(this, device, geometry, true, size, &staging, &target)) return false;
  record->index_data_size = size;
  record->staging_index_buffer = staging.buffer;
  record->staging_index_memory = staging.memory;
  record->staging_index_allocation_size = staging.allocation_size;
  record->device_index_buffer = target.buffer;
  record->device_index_memory = target.memory;
  geometry->ib_update_faces_list_set_state(true);
  return true;
}

bool VulkanPLugin::mesh_create_buffers(tvc::RendererGpu* gpu, tvc::GeometryCore* geometry) {
  const bool vertices = mesh_create_vertex_buffer(gpu, geometry);
  const bool indices = mesh_create_index_buffer(gpu, geometry);
  return vertices && indices;
}

// Copies staging -> device on the mesh's own command buffer and fence, both
// made on first use. Nothing is begun or submitted without a buffer.
bool VulkanPLugin::mesh_upload(VkDeviceRecord* device, VkBuffer source, VkBuffer destination, VkDeviceSize size,
                               VkCommandBuffer* command_buffer, VkFence* fence) {
  VkFunctionTable& fn = device->functions;
  if (*command_buffer) {
    fn.vkResetCommandBuffer(*command_buffer, 0);
  } else {
    VkCommandBufferAllocateInfo alloc{};
    alloc.sType = VK_STRUCTURE_TYPE_COMMAND_BUFFER_ALLOCATE_INFO;
    alloc.commandPool = device->command_pool;
    alloc.level = VK_COMMAND_BUFFER_LEVEL_PRIMARY;
    alloc.commandBufferCount = 1;
    if (fn.vkAllocateCommandBuffers(device->device, &alloc, command_buffer) != VK_SUCCESS) *command_buffer = nullptr;
    if (!*command_buffer) {
      tracef_error("mesh upload - unable to allocate a command buffer.");
      return false;
    }
  }
  if (*fence == VK_NULL_HANDLE) {
    VkFenceCreateInfo info{};
    info.sType = VK_STRUCTURE_TYPE_FENCE_CREATE_INFO;
    if (fn.vkCreateFence(device->device, &info, nullptr, fence) != VK_SUCCESS) {
      *fence = VK_NULL_HANDLE;
      tracef_error("mesh upload - unable to create a fence.");
      return false;
    }
  }
  VkCommandBufferBeginInfo begin{};
  begin.sType = VK_STRUCTURE_TYPE_COMMAND_BUFFER_BEGIN_INFO;
  if (fn.vkBeginCommandBuffer(*command_buffer, &begin) != VK_SUCCESS) return false;
  VkBufferCopy region{0, 0, size};
  fn.vkCmdCopyBuffer(*command_buffer, source, destination, 1, &region);
  if (submit_with_fence(device, *command_buffer, *fence, false)) return true;
  tracef_error("mesh upload - the copy failed.");
  return false;
}

namespace {
bool map_staging(VulkanPLugin* plugin, VkDeviceRecord* device, VkDeviceMemory memory, VkDeviceSize size,
                 void** mapping) {
  if (*mapping) return true;
  const VkResult result = device->functions.vkMapMemory(device->device, memory, 0, size, 0, mapping);
  if (result == VK_SUCCESS && *mapping) return true;
  *mapping = nullptr;
  plugin->tracef_error("mesh upload - unable to map the staging memory (err: %s).", vk_result_to_string(result));
  return false;
}

void pack_attributes(tvc::GeometryCore* geometry, float* out) {
  for (unsigned i = 0; i < geometry->vertex_count; ++i)
    for (unsigned a = 0; a < 4; ++a) {
      const tvc::vec4 v = geometry->get_vertex_attrib_array(a)->get_element_vec4(i);
      float* at = out + (i * 4 + a) * 4;
      at[0] = v.x;
      at[1] = v.y;
      at[2] = v.z;
      at[3] = v.w;
    }
  for (unsigned a = 0; a < 4; ++a) geometry->get_vertex_attrib_array(a)->update_needed(false);
}
}  // namespace

bool VulkanPLugin::mesh_update_vertex_buffer(tvc::GeometryCore* geometry) {
  VkMeshRecord* record = mesh_record(geometry);
  VkDeviceRecord* device = record ? object_owner(record->id) : nullptr;
  if (!device) return false;
  VkFunctionTable& fn = device->functions;
  const VkDeviceSize bytes = std::min<VkDeviceSize>(geometry->get_interleaved_vertex_array_size(),
                                                    record->vertex_data_size);
  if (geometry->dynamic && geometry->interleaved) {
    if (record->device_vertex_buffer == VK_NULL_HANDLE || !geometry->is_update_interleaved_vertex_array_needed())
      return true;
    if (!map_staging(this, device, record->staging_vertex_memory, record->staging_vertex_allocation_size,
                     &record->staging_vertex_mapping))
      return false;
    memcpy(record->staging_vertex_mapping, geometry->interleaved, bytes);
    geometry->update_interleaved_vertex_array_set_state(false);
    VkMappedMemoryRange range{};
    range.sType = VK_STRUCTURE_TYPE_MAPPED_MEMORY_RANGE;
    range.memory = record->staging_vertex_memory;
    range.size = VK_WHOLE_SIZE;
    fn.vkFlushMappedMemoryRanges(device->device, 1, &range);
    fn.vkUnmapMemory(device->device, record->staging_vertex_memory);
    record->staging_vertex_mapping = nullptr;
    return true;
  }
  if (record->device_vertex_buffer != VK_NULL_HANDLE) {
    const bool interleaved = geometry->interleaved && geometry->is_update_interleaved_vertex_array_needed();
    const bool separate = !interleaved && !geometry->interleaved && geometry->is_update_separate_vertex_arrays_needed();
    if (interleaved || separate) {
      if (!map_staging(this, device, record->staging_vertex_memory, record->staging_vertex_allocation_size,
                       &record->staging_vertex_mapping))
        return false;
      if (interleaved) {
        memcpy(record->staging_vertex_mapping, geometry->interleaved, bytes);
        geometry->update_interleaved_vertex_array_set_state(false);
      } else if (geometry->get_total_vertex_buffer_size() <= record->vertex_data_size) {
        pack_attributes(geometry, static_cast<float*>(record->staging_vertex_mapping));
      }
      record->vertex_upload_pending = true;
    }
    if (!geometry->dynamic && record->vertex_upload_pending) {
      if (!mesh_upload(device, record->staging_vertex_buffer, record->device_vertex_buffer, record->vertex_data_size,
                       &record->vertex_upload_command_buffer, &record->vertex_upload_fence))
        return false;
      record->vertex_upload_pending = false;
    }
  }
  return mesh_update_index_buffer(geometry);
}

bool VulkanPLugin::mesh_update_index_buffer(tvc::GeometryCore* geometry) {
  VkMeshRecord* record = mesh_record(geometry);
  VkDeviceRecord* device = record ? object_owner(record->id) : nullptr;
  if (!device) return false;
  if (record->device_index_buffer == VK_NULL_HANDLE || !geometry->is_ib_update_faces_list_needed()) return true;
  if (!geometry->get_index_buffer_data_ptr() ||
      !map_staging(this, device, record->staging_index_memory, record->staging_index_allocation_size,
                   &record->staging_index_mapping))
    return false;
  memcpy(record->staging_index_mapping, geometry->get_index_buffer_data_ptr(),
         std::min<VkDeviceSize>(geometry->get_total_index_buffer_size(), record->index_data_size));
  record->index_upload_pending = true;
  if (!geometry->dynamic) {
    if (!mesh_upload(device, record->staging_index_buffer, record->device_index_buffer, record->index_data_size,
                     &record->index_upload_command_buffer, &record->index_upload_fence))
      return false;
    record->index_upload_pending = false;
  }
  geometry->ib_update_faces_list_set_state(false);
  return true;
}

bool VulkanPLugin::mesh_bind_vertex_buffer(tvc::GeometryCore* geometry) {
  VkMeshRecord* record = mesh_record(geometry);
  VkDeviceRecord* device = record ? object_owner(record->id) : nullptr;
  VkCommandBuffer commands = active_command_buffer(device);
  if (!commands || record->device_vertex_buffer == VK_NULL_HANDLE) return false;
  if (record->staging_vertex_allocation_size) {
    const VkDeviceSize offset = 0;
    VkBuffer buffer = geometry->dynamic ? record->staging_vertex_buffer : record->device_vertex_buffer;
    device->functions.vkCmdBindVertexBuffers(commands, 0, 1, &buffer, &offset);
  }
  if (record->staging_index_allocation_size) mesh_bind_index_buffer(geometry);
  return true;
}

bool VulkanPLugin::mesh_bind_index_buffer(tvc::GeometryCore* geometry) {
  VkMeshRecord* record = mesh_record(geometry);
  VkDeviceRecord* device = record ? object_owner(record->id) : nullptr;
  if (!device) return false;
  if (!record->staging_index_allocation_size) return true;
  VkCommandBuffer commands = active_command_buffer(device);
  if (!commands) return false;
  VkBuffer buffer = geometry->dynamic ? record->staging_index_buffer : record->device_index_buffer;
  device->functions.vkCmdBindIndexBuffer(commands, buffer, 0,
                                         geometry->index_size == 16 ? VK_INDEX_TYPE_UINT16 : VK_INDEX_TYPE_UINT32);
  return true;
}

void VulkanPLugin::mesh_render(tvc::GeometryCore* geometry) {
  tvc::MeshRenderRange whole{geometry, 0, 0, 0};
  mesh_render_range(&whole);
}

// Draws faces [first, first + count) (count 0: to the last face), or the
// vertices from the range's offset; a range past the end of the geometry's
// buffers records nothing.
void VulkanPLugin::mesh_render_range(const tvc::MeshRenderRange* range) {
  tvc::GeometryCore* geometry = range ? range->geometry : nullptr;
  VkMeshRecord* record = mesh_record(geometry);
  VkDeviceRecord* device = record ? object_owner(record->id) : nullptr;
  VkCommandBuffer commands = active_command_buffer(device);
  if (!commands || record->device_vertex_buffer == VK_NULL_HANDLE) return;
  const int64_t first_vertex = static_cast<int64_t>(geometry->base_vertex) + range->vertex_offset;
  const uint64_t vertex_capacity = record->vertex_data_size / (tvc::GeometryCore::kFloatsPerVertex * 4);
  if (record->device_index_buffer != VK_NULL_HANDLE) {
    const uint64_t index_bytes = geometry->index_size == 16 ? 2 : 4;
    const uint64_t index_capacity = record->index_data_size / index_bytes;
    const uint64_t first_index = static_cast<uint64_t>(range->first_face) * 3;
    const uint64_t count = range->face_count ? static_cast<uint64_t>(range->face_count) * 3
                                             : (first_index <= uint64_t(geometry->face_count) * 3
                                                    ? uint64_t(geometry->face_count) * 3 - first_index
                                                    : 0);
    if (first_vertex < 0 || static_cast<uint64_t>(first_vertex) >= vertex_capacity || count == 0 ||
        first_index + count > index_capacity) {
      tracef_error("mesh %d - draw range (vertex %lld, face %u, %u faces) lies outside the mesh buffers.",
                   geometry->mesh_id, static_cast<long long>(first_vertex), range->first_face, range->face_count);
      return;
    }
    device->functions.vkCmdDrawIndexed(commands, static_cast<uint32_t>(count), 1, static_cast<uint32_t>(first_index),
                                       static_cast<int32_t>(first_vertex), 0);
    return;
  }
  const uint64_t count = range->face_count ? static_cast<uint64_t>(range->face_count) * 3
                                           : geometry->draw_vertex_count;
  if (first_vertex < 0 || count == 0 || static_cast<uint64_t>(first_vertex) + count > vertex_capacity) {
    tracef_error("mesh %d - draw range (vertex %lld, %llu vertices) lies outside the mesh buffers.", geometry->mesh_id,
                 static_cast<long long>(first_vertex), static_cast<unsigned long long>(count));
    return;
  }
  device->functions.vkCmdDraw(commands, static_cast<uint32_t>(count), 1, static_cast<uint32_t>(first_vertex), 0);
}

bool VulkanPLugin::mesh_release(VkDeviceRecord* device, tvc::GeometryCore* geometry) {
  VkMeshRecord* record = mesh_record(geometry);
  erase_from(device->meshes, geometry);
  if (!record) return false;
  VkFunctionTable& fn = device->functions;
  VkDevice d = device->device;
  if (record->staging_vertex_mapping) fn.vkUnmapMemory(d, record->staging_vertex_memory);
  if (record->staging_index_mapping) fn.vkUnmapMemory(d, record->staging_index_memory);
  for (VkFence fence : {record->vertex_upload_fence, record->index_upload_fence})
    if (fence != VK_NULL_HANDLE) fn.vkDestroyFence(d, fence, nullptr);
  for (VkCommandBuffer buffer : {record->vertex_upload_command_buffer, record->index_upload_command_buffer})
    if (buffer) fn.vkFreeCommandBuffers(d, device->command_pool, 1, &buffer);
  // The vertex side's memories, then its buffers; then the index side's.
  const VkDeviceMemory memories[2][2] = {{record->staging_vertex_memory, record->device_vertex_memory},
                                         {record->staging_index_memory, record->device_index_memory}};
  const VkBuffer buffers[2][2] = {{record->staging_vertex_buffer, record->device_vertex_buffer},
                                  {record->staging_index_buffer, record->device_index_buffer}};
  for (int side = 0; side < 2; ++side) {
    for (VkDeviceMemory memory : memories[side])
      if (memory != VK_NULL_HANDLE) fn.vkFreeMemory(d, memory, nullptr);
    for (VkBuffer buffer : buffers[side])
      if (buffer != VK_NULL_HANDLE) fn.vkDestroyBuffer(d, buffer, nullptr);
  }
  unregister_object(record->id);
  delete record;
  geometry->renderer_data = nullptr;
  return true;
}

bool VulkanPLugin::mesh_kill_buffers(tvc::GeometryCore* geometry) {
  VkMeshRecord* record = mesh_record(geometry);
  VkDeviceRecord* device = record ? object_owner(record->id) : nullptr;
  if (!device) return false;
  return mesh_release(device, geometry);
}

// ---- plain draws, viewport and scissor on the current GPU's device

namespace {
void draw(VulkanPLugin* plugin, unsigned count, unsigned instances, unsigned first) {
  VkDeviceRecord* device = plugin->device_of(nullptr);
  VkCommandBuffer commands = active_command_buffer(device);
  if (commands) device->functions.vkCmdDraw(commands, count, instances, first, 0);
}
}  // namespace

void VulkanPLugin::draw_primitives_1(unsigned count, unsigned first) { draw(this, count, 1, first); }
void VulkanPLugin::draw_primitives_2(unsigned count, unsigned first) { draw(this, count, 1, first); }
void VulkanPLugin::draw_primitives_3(unsigned count, unsigned first) { draw(this, count, 1, first); }
void VulkanPLugin::draw_primitives_4(unsigned count, unsigned first) { draw(this, count, 1, first); }
void VulkanPLugin::draw_primitives_5(unsigned count, unsigned first) { draw(this, count, 1, first); }
void VulkanPLugin::draw_primitives_6(unsigned count, unsigned first) { draw(this, count, 1, first); }
void VulkanPLugin::draw_primitives_7(unsigned count, unsigned first) { draw(this, count, 1, first); }
void VulkanPLugin::draw_primitives_range(int, unsigned first, unsigned count) { draw(this, count, 1, first); }
void VulkanPLugin::draw_primitives_instanced(int, unsigned first, unsigned count, unsigned instances) {
  draw(this, count, instances, first);
}

void VulkanPLugin::set_viewport(tvc::RendererGpu* gpu, int x, int y, int width, int height) {
  VkDeviceRecord* device = device_of(gpu);
  if (!device) return;
  if (VkCommandBuffer commands = active_command_buffer(device)) {
    VkViewport viewport{static_cast<float>(x), static_cast<float>(y), static_cast<float>(width),
                        static_cast<float>(height), 0.0f, 1.0f};
    device->functions.vkCmdSetViewport(commands, 0, 1, &viewport);
  }
  device->viewport[0] = x;
  device->viewport[1] = y;
  device->viewport[2] = width;
  device->viewport[3] = height;
}

void VulkanPLugin::get_viewport(tvc::RendererGpu* gpu, int* x, int* y, int* width, int* height) {
  VkDeviceRecord* device = device_of(gpu);
  if (!device) return;
  int* const out[4] = {x, y, width, height};
  for (int i = 0; i < 4; ++i)
    if (out[i]) *out[i] = device->viewport[i];
}

int* VulkanPLugin::get_viewport_ptr(tvc::RendererGpu* gpu) {
  VkDeviceRecord* device = device_of(gpu);
  return device ? device->viewport : nullptr;
}

void VulkanPLugin::set_scissor(tvc::RendererGpu* gpu, int x, int y, int width, int height) {
  VkDeviceRecord* device = device_of(gpu);
  VkCommandBuffer commands = active_command_buffer(device);
  if (!commands) return;
  VkRect2D rect{{x, y}, {static_cast<uint32_t>(width), static_cast<uint32_t>(height)}};
  device->functions.vkCmdSetScissor(commands, 0, 1, &rect);
}

void VulkanPLugin::set_viewport_and_scissor(tvc::RendererGpu* gpu, int x, int y, int width, int height) {
  set_scissor(gpu, x, y, width, height);
  set_viewport(gpu, x, y, width, height);
}
