// The host's one-shot use of a command list: begin, end and submit it as a
// plain command buffer, outside any frame.
#include "vk_device.h"

bool VulkanPLugin::command_buffer_begin(tvc::GpuCommandList* list) {
  VkCommandListRecord* record = list_record(list);
  VkDeviceRecord* device = list ? object_owner(list->id) : nullptr;
  if (!record || !device || !record->command_buffer) return false;
  VkCommandBufferBeginInfo info{};
  info.sType = VK_STRUCTURE_TYPE_COMMAND_BUFFER_BEGIN_INFO;
  info.flags = VK_COMMAND_BUFFER_USAGE_ONE_TIME_SUBMIT_BIT;
  const VkResult result = device->functions.vkBeginCommandBuffer(record->command_buffer, &info);
  if (result != VK_SUCCESS) {
    tracef_error("command_buffer_begin - error code: %s", vk_result_to_string(result));
    return false;
  }
  record->opened = true;
  record->uses_swapchain_image = false;
  return true;
}

bool VulkanPLugin::command_buffer_end(tvc::GpuCommandList* list) {
  VkCommandListRecord* record = list_record(list);
  VkDeviceRecord* device = list ? object_owner(list->id) : nullptr;
  if (!record || !device || !record->command_buffer) return false;
  device->functions.vkEndCommandBuffer(record->command_buffer);
  record->opened = false;
  return true;
}

bool VulkanPLugin::command_buffer_submit(tvc::GpuCommandList* list) {
  VkCommandListRecord* record = list_record(list);
  VkDeviceRecord* device = list ? object_owner(list->id) : nullptr;
  if (!record || !device || !record->command_buffer || device->device_lost) return false;
  if (record->opened) {
    tracef_error("command_buffer_submit - the list is still recording.");
    return false;
  }
  VkFunctionTable& fn = device->functions;
  if (record->fence != VK_NULL_HANDLE) fn.vkResetFences(device->device, 1, &record->fence);
  const VkPipelineStageFlags stage = VK_PIPELINE_STAGE_ALL_GRAPHICS_BIT | VK_PIPELINE_STAGE_RAY_TRACING_SHADER_BIT_KHR;
  VkSubmitInfo info{};
  info.sType = VK_STRUCTURE_TYPE_SUBMIT_INFO;
  info.pWaitDstStageMask = &stage;
  info.commandBufferCount = 1;
  info.pCommandBuffers = &record->command_buffer;
  const VkResult result = fn.vkQueueSubmit(device->graphics_queue, 1, &info, record->fence);
  if (result != VK_SUCCESS) {
    tracef_error("command_buffer_submit - error code: %s", vk_result_to_string(result));
    return false;
  }
  note_submitted(record, record->fence);
  // Without its own fence the list waits for the whole queue instead.
  if (record->fence != VK_NULL_HANDLE)
    fn.vkWaitForFences(device->device, 1, &record->fence, VK_FALSE, UINT64_MAX);
  else
    fn.vkQueueWaitIdle(device->graphics_queue);
  return true;
}
