// The host's flush of a mapped range of a GPU buffer: its writes reach the
// GPU whether or not the memory is host-coherent.
#include "vk_resources.h"

void VulkanPLugin::gpu_buffer_flush(tvc::GpuBuffer* buffer, int, unsigned size) {
  VkGpuBufferRecord* record = buffer_record(buffer);
  VkDeviceRecord* device = buffer ? object_owner(buffer->owner_id) : nullptr;
  if (!record || !device || !buffer->mapped) return;
  VkMappedMemoryRange range{};
  range.sType = VK_STRUCTURE_TYPE_MAPPED_MEMORY_RANGE;
  range.memory = record->memory;
  range.size = size;
  device->functions.vkFlushMappedMemoryRanges(device->device, 1, &range);
}
