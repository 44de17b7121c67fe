// First generation: one framebuffer per swapchain image and no frame
// records. The host draws a frame through command lists between acquire and
// present; the device's image-available semaphore chains the acquisition to
// the list submit, its render-finished semaphore the submit to present.
#include "vk_device.h"

bool VulkanPLugin::vk_framebuffers_init(VkDeviceRecord* device, uint32_t width, uint32_t height) {
  if (!device) return false;
  if (device->framebuffers) return true;
  if (!device->swapchain || !device->rp1) return false;
  const uint32_t count = device->swapchain->image_count;
  device->framebuffers = new VkFramebuffer[count]();
  for (uint32_t i = 0; i < count; ++i) {
    const VkResult result = make_swapchain_framebuffer(device, i, width, height, &device->framebuffers[i]);
    if (result != VK_SUCCESS) {
      tracef_error("vk_framebuffers_init() failed - fb %d (err: %s).", static_cast<int>(i), vk_result_to_string(result));
      return false;
    }
  }
  tracef_debug("vk_framebuffers_init() ok.");
  return true;
}

bool VulkanPLugin::vk_framebuffers_release(VkDeviceRecord* device) {
  if (!device) return false;
  if (!device->framebuffers) return true;
  const uint32_t count = device->swapchain ? device->swapchain->image_count : 0;
  for (uint32_t i = 0; i < count; ++i)
    if (device->framebuffers[i] != VK_NULL_HANDLE)
      device->functions.vkDestroyFramebuffer(device->device, device->framebuffers[i], nullptr);
  delete[] device->framebuffers;
  device->framebuffers = nullptr;
  return true;
}

bool VulkanPLugin::init_swapchain_frames(VkDeviceRecord* device, uint32_t width, uint32_t height) {
  return vk_framebuffers_init(device, width, height);
}

void VulkanPLugin::release_swapchain_frames(VkDeviceRecord* device) { vk_framebuffers_release(device); }

VkFramebuffer VulkanPLugin::swapchain_framebuffer(VkDeviceRecord* device, uint32_t image_index) {
  if (!device || !device->framebuffers || !device->swapchain || image_index >= device->swapchain->image_count ||
      image_index >= kDeviceFenceCount)
    return VK_NULL_HANDLE;
  return device->framebuffers[image_index];
}

// A list that draws into the held image waits on its acquisition (once) and
// signals render-finished for present; one such submit per frame.
void VulkanPLugin::list_submit_semaphores(VkDeviceRecord* device, VkCommandListRecord* record, VkSemaphore** wait,
                                          VkSemaphore** signal) {
  *wait = *signal = nullptr;
  if (!record->uses_swapchain_image || !device->image_held || device->render_finished_pending) return;
  if (device->image_available_pending) *wait = &device->image_available_semaphore;
  *signal = &device->render_finished_semaphore;
}

void VulkanPLugin::after_list_submit(VkDeviceRecord* device, bool took_image) {
  if (!took_image) return;
  device->image_available_pending = false;
  device->render_finished_pending = true;
}

bool VulkanPLugin::consume_image_available(VkDeviceRecord* device) {
  if (!device->image_available_pending && !device->render_finished_pending) return true;
  VkSemaphore waits[2];
  uint32_t count = 0;
  if (device->image_available_pending) waits[count++] = device->image_available_semaphore;
  if (device->render_finished_pending) waits[count++] = device->render_finished_semaphore;
  const VkPipelineStageFlags stages[2] = {VK_PIPELINE_STAGE_ALL_COMMANDS_BIT, VK_PIPELINE_STAGE_ALL_COMMANDS_BIT};
  VkSubmitInfo info{};
  info.sType = VK_STRUCTURE_TYPE_SUBMIT_INFO;
  info.waitSemaphoreCount = count;
  info.pWaitSemaphores = waits;
  info.pWaitDstStageMask = stages;
  if (device->functions.vkQueueSubmit(device->graphics_queue, 1, &info, VK_NULL_HANDLE) != VK_SUCCESS) return false;
  device->image_available_pending = device->render_finished_pending = false;
  return true;
}

// ---- slots

bool VulkanPLugin::frame_acquire(tvc::RendererGpu* gpu, tvc::RenderWindow* window) {
  VkGpuRecord* record = gpu_record(gpu);
  if (!record) return false;
  if (window && !window->is_size_valid()) return false;
  VkDeviceRecord* device = record->current_device;
  if (!device || !device->swapchain || !device->framebuffers || device->device_lost) return false;
  VkFunctionTable& fn = device->functions;
  if (!device->image_held) {
    uint32_t image = 0;
    const VkResult result = fn.vkAcquireNextImageKHR(device->device, device->swapchain->swapchain, UINT64_MAX,
                                                     device->image_available_semaphore, VK_NULL_HANDLE, &image);
    if (result != VK_SUCCESS && result != VK_SUBOPTIMAL_KHR) {
      // Nothing was acquired and nothing was signalled.
      if (result == VK_ERROR_OUT_OF_DATE_KHR && window) swapchain_recreate(gpu, window);
      return false;
    }
    device->image_available_pending = true;
    if (image >= device->swapchain->image_count || image >= kDeviceFenceCount) {
      tracef_error("frame_acquire - the acquired image index %u is outside the %u swapchain images.", image,
                   device->swapchain->image_count);
      consume_image_available(device);
      return false;
    }
    device->image_held = true;
    device->swapchain->current_image_index = image;
  }
  // The list drawn into this image last time carries its fence index: its
  // work must be done before the image is drawn again. Only a fence that a
  // submit will signal is waited on.
  const uint32_t i = device->swapchain->current_image_index;
  int wait_index = -1;
  if (device->fence_pending[i]) {
    wait_index = static_cast<int>(i);
  } else if (device->last_submitted_list) {
    VkCommandListRecord* last = list_record(device->last_submitted_list);
    if (last && last->fence_index >= 0 && last->fence_index < kDeviceFenceCount &&
        device->fence_pending[last->fence_index])
      wait_index = last->fence_index;
  }
  if (wait_index >= 0) {
    fn.vkWaitForFences(device->device, 1, &device->fences[wait_index], VK_TRUE, UINT64_MAX);
    device->fence_pending[wait_index] = 0;
    device->last_submitted_list = nullptr;
  }
  // The command-list path starts the frame without semaphores of its own.
  device->submit_info.waitSemaphoreCount = device->submit_info.signalSemaphoreCount = 0;
  device->submit_info.pWaitSemaphores = device->submit_info.pSignalSemaphores = nullptr;
  device->list_submitted = false;
  return true;
}

bool VulkanPLugin::frame_acquire_2(tvc::RendererGpu* gpu, tvc::RenderWindow* window) {
  return frame_acquire(gpu, window);
}

bool VulkanPLugin::frame_present(tvc::RendererGpu* gpu, tvc::RenderWindow* window) {
  VkGpuRecord* record = gpu_record(gpu);
  if (!record) return false;
  if (window && !window->is_size_valid()) return false;
  VkDeviceRecord* device = record->current_device;
  if (!device || !device->swapchain || device->device_lost) return false;
  if (!device->image_held) {
    tracef_error("frame_present - no swapchain image was acquired.");
    return false;
  }
  if (!device->render_finished_pending) {
    // Nothing would signal render-finished: the present would never end.
    // The image stays held for the next acquire; its acquisition is consumed.
    tracef_error("frame_present - no command list drew into image %u: the frame is not presented.",
                 device->swapchain->current_image_index);
    consume_image_available(device);
    return false;
  }
  VkPresentInfoKHR info{};
  info.sType = VK_STRUCTURE_TYPE_PRESENT_INFO_KHR;
  info.waitSemaphoreCount = 1;
  info.pWaitSemaphores = &device->render_finished_semaphore;
  info.swapchainCount = 1;
  info.pSwapchains = &device->swapchain->swapchain;
  info.pImageIndices = &device->swapchain->current_image_index;
  const VkResult result = device->functions.vkQueuePresentKHR(device->graphics_queue, &info);
  device->image_held = false;
  device->render_finished_pending = false;
  if (result == VK_SUCCESS) return true;
  if (result == VK_SUBOPTIMAL_KHR || result == VK_ERROR_OUT_OF_DATE_KHR) return swapchain_recreate(gpu, window);
  return false;
}

bool VulkanPLugin::swapchain_recreate(tvc::RendererGpu* gpu, tvc::RenderWindow* window) {
  VkGpuRecord* record = gpu_record(gpu);
  if (!surface_can_take_swapchain(record, window)) return false;
  VkDeviceRecord* device = record->current_device;
  // No signal of the old swapchain may stay behind, nor an image held of it.
  consume_image_available(device);
  device->image_held = false;
  wait_device_idle(device);
  for (uint8_t& pending : device->fence_pending) pending = 0;
  device->last_submitted_list = nullptr;
  vk_framebuffers_release(device);
  VkSwapchainRecord* swapchain = create_swapchain(record, device, window);
  if (!swapchain) {
    if (device->swapchain) vk_framebuffers_init(device, device->swapchain->width, device->swapchain->height);
    return false;
  }
  bool ok = rebuild_depth_and_passes(record, device);
  ok = ok && vk_framebuffers_init(device, swapchain->width, swapchain->height);
  wait_device_idle(device);
  if (!ok) {
    vk_framebuffers_release(device);
    tracef_error("swapchain_recreate - the framebuffers could not be rebuilt: no frame is drawn until a re-creation "
                 "succeeds.");
    return false;
  }
  ++device->recreate_count;
  return true;
}
