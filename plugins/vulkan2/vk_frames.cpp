// Vulkan2's frames: one record per swapchain image with its command buffer,
// fence and semaphores; acquire, begin, end, submit and present, and the
// swapchain re-creation that rebuilds them. The first generation draws
// through command lists instead (vulkan/vk_framebuffers.cpp).
#include "vk_device.h"

bool VulkanPLugin::create_frame_framebuffers(VkDeviceRecord* device, uint32_t width, uint32_t height) {
  if (!device || !device->swapchain || !device->frames || !device->rp1) return false;
  VkSwapchainRecord* swapchain = device->swapchain;
  for (uint32_t i = 0; i < device->frame_count; ++i) {
    VkFrameRecord& frame = device->frames[i];
    frame.width = width;
    frame.height = height;
    if (i >= swapchain->image_count) {
      tracef_error("unable to create a framebuffer for frame %u (err: %s).", i,
                   vk_result_to_string(VK_ERROR_OUT_OF_DATE_KHR));
      return false;
    }
    const VkResult result = make_swapchain_framebuffer(device, i, width, height, &frame.framebuffer);
    if (result != VK_SUCCESS) {
      tracef_error("unable to create a framebuffer for frame %u (err: %s).", i, vk_result_to_string(result));
      return false;
    }
  }
  return true;
}

void VulkanPLugin::release_frame_framebuffers(VkDeviceRecord* device) {
  if (!device || !device->frames) return;
  for (uint32_t i = 0; i < device->frame_count; ++i) {
    VkFrameRecord& frame = device->frames[i];
    if (frame.framebuffer != VK_NULL_HANDLE)
      device->functions.vkDestroyFramebuffer(device->device, frame.framebuffer, nullptr);
    frame.framebuffer = VK_NULL_HANDLE;
  }
}

bool VulkanPLugin::create_frames(VkDeviceRecord* device, uint32_t width, uint32_t height) {
  if (!device || !device->swapchain || device->swapchain->image_count == 0) return false;
  if (device->frames) release_frames(device);
  device->frame_count = device->swapchain->image_count;
  device->frames = new VkFrameRecord[device->frame_count]();
  device->frame_index = 0;
  if (!create_frame_framebuffers(device, width, height)) return false;

  VkFunctionTable& fn = device->functions;
  for (uint32_t i = 0; i < device->frame_count; ++i) {
    VkFrameRecord& frame = device->frames[i];
    VkCommandPoolCreateInfo pool{};
    pool.sType = VK_STRUCTURE_TYPE_COMMAND_POOL_CREATE_INFO;
    pool.flags = VK_COMMAND_POOL_CREATE_TRANSIENT_BIT | VK_COMMAND_POOL_CREATE_RESET_COMMAND_BUFFER_BIT;
    pool.queueFamilyIndex = device->graphics_family;
    VkResult result = fn.vkCreateCommandPool(device->device, &pool, nullptr, &frame.command_pool);
    if (result != VK_SUCCESS) {
      frame.command_pool = VK_NULL_HANDLE;
      tracef_error("unable to create a command pool for frame %u (err: %s).", i, vk_result_to_string(result));
      return false;
    }
    VkCommandBufferAllocateInfo alloc{};
    alloc.sType = VK_STRUCTURE_TYPE_COMMAND_BUFFER_ALLOCATE_INFO;
    alloc.commandPool = frame.command_pool;
    alloc.level = VK_COMMAND_BUFFER_LEVEL_PRIMARY;
    alloc.commandBufferCount = 1;
    result = fn.vkAllocateCommandBuffers(device->device, &alloc, &frame.command_buffer);
    if (result != VK_SUCCESS) {
      frame.command_buffer = nullptr;
      tracef_error("unable to create a command buffer for frame %u (err: %s).", i, vk_result_to_string(result));
      return false;
    }
    VkFenceCreateInfo fence{};
    fence.sType = VK_STRUCTURE_TYPE_FENCE_CREATE_INFO;
    fence.flags = VK_FENCE_CREATE_SIGNALED_BIT;
    result = fn.vkCreateFence(device->device, &fence, nullptr, &frame.fence);
    if (result != VK_SUCCESS) {
      frame.fence = VK_NULL_HANDLE;
      tracef_error("unable to create a fence for frame %u (err: %s).", i, vk_result_to_string(result));
      return false;
    }
    VkCommandListRecord* command = new VkCommandListRecord;
    command->id = tvc::utils::gen_id();
    command->command_buffer = frame.command_buffer;
    command->device = device->device;
    command->command_pool = frame.command_pool;
    command->fence = frame.fence;
    command->primary = true;
    frame.command_record = command;
    VkSemaphoreCreateInfo semaphore{};
    semaphore.sType = VK_STRUCTURE_TYPE_SEMAPHORE_CREATE_INFO;
    for (VkSemaphore* s : {&frame.acquire_semaphore, &frame.render_semaphore}) {
      result = fn.vkCreateSemaphore(device->device, &semaphore, nullptr, s);
      if (result != VK_SUCCESS) {
        *s = VK_NULL_HANDLE;
        tracef_error("unable to create a semaphore for frame %u (err: %s).", i, vk_result_to_string(result));
        return false;
      }
    }
  }
  return true;
}

void VulkanPLugin::release_frames(VkDeviceRecord* device) {
  if (!device || !device->frames) return;
  VkFunctionTable& fn = device->functions;
  for (uint32_t i = 0; i < device->frame_count; ++i) {
    VkFrameRecord& frame = device->frames[i];
    if (device->active_command_record == frame.command_record) device->active_command_record = nullptr;
    delete frame.command_record;
    if (frame.acquire_semaphore != VK_NULL_HANDLE) fn.vkDestroySemaphore(device->device, frame.acquire_semaphore, nullptr);
    if (frame.render_semaphore != VK_NULL_HANDLE) fn.vkDestroySemaphore(device->device, frame.render_semaphore, nullptr);
    if (frame.fence != VK_NULL_HANDLE) fn.vkDestroyFence(device->device, frame.fence, nullptr);
    if (frame.command_buffer && frame.command_pool != VK_NULL_HANDLE)
      fn.vkFreeCommandBuffers(device->device, frame.command_pool, 1, &frame.command_buffer);
    if (frame.command_pool != VK_NULL_HANDLE) fn.vkDestroyCommandPool(device->device, frame.command_pool, nullptr);
  }
  release_frame_framebuffers(device);
  delete[] device->frames;
  device->frames = nullptr;
  device->frame_count = 0;
  device->current_frame = nullptr;
  device->frame_index = 0;
}

// ---- submits

bool VulkanPLugin::submit_frame(VkDeviceRecord* device, VkFrameRecord* frame, bool with_commands) {
  VkFunctionTable& fn = device->functions;
  const VkPipelineStageFlags stage = VK_PIPELINE_STAGE_COLOR_ATTACHMENT_OUTPUT_BIT;
  VkSubmitInfo info{};
  info.sType = VK_STRUCTURE_TYPE_SUBMIT_INFO;
  info.waitSemaphoreCount = 1;
  info.pWaitSemaphores = &frame->acquire_semaphore;
  info.pWaitDstStageMask = &stage;
  info.commandBufferCount = with_commands ? 1 : 0;
  info.pCommandBuffers = &frame->command_buffer;
  info.signalSemaphoreCount = 1;
  info.pSignalSemaphores = &frame->render_semaphore;
  // The fence is reset only here, right before the submit that signals it
  // again; a failed submit leaves it unarmed so nothing waits on it.
  fn.vkResetFences(device->device, 1, &frame->fence);
  const VkResult result = fn.vkQueueSubmit(device->graphics_queue, 1, &info, frame->fence);
  frame->fence_armed = result == VK_SUCCESS;
  if (result != VK_SUCCESS) {
    tracef_error("frame_submit - vkQueueSubmit failed (err: %s).", vk_result_to_string(result));
    return false;
  }
  if (with_commands) note_submitted(frame->command_record, frame->fence);
  frame->submitted = true;
  frame->recorded = false;
  return true;
}

void VulkanPLugin::settle_frames(VkDeviceRecord* device) {
  if (!device || !device->frames) return;
  VkFunctionTable& fn = device->functions;
  for (uint32_t i = 0; i < device->frame_count; ++i) {
    VkFrameRecord& frame = device->frames[i];
    if (frame.acquired) {
      // An empty batch consumes the signal still pending on the frame.
      const VkPipelineStageFlags stage = VK_PIPELINE_STAGE_ALL_COMMANDS_BIT;
      VkSubmitInfo info{};
      info.sType = VK_STRUCTURE_TYPE_SUBMIT_INFO;
      info.waitSemaphoreCount = 1;
      info.pWaitSemaphores = frame.submitted ? &frame.render_semaphore : &frame.acquire_semaphore;
      info.pWaitDstStageMask = &stage;
      // A submitted frame may still run: its fence is reset only once signalled.
      if (frame.fence_armed) fn.vkWaitForFences(device->device, 1, &frame.fence, VK_TRUE, UINT64_MAX);
      fn.vkResetFences(device->device, 1, &frame.fence);
      frame.fence_armed = fn.vkQueueSubmit(device->graphics_queue, 1, &info, frame.fence) == VK_SUCCESS;
    }
    frame.acquired = frame.submitted = frame.recorded = false;
  }
  device->current_frame = nullptr;
}

// ---- per-frame slots

bool VulkanPLugin::frame_acquire(tvc::RendererGpu* gpu, tvc::RenderWindow* window) {
  VkGpuRecord* record = gpu_record(gpu);
  if (!record) return false;
  if (window && !window->is_size_valid()) return false;
  VkDeviceRecord* device = record->current_device;
  if (!device || !device->frames || !device->swapchain || device->frame_index >= device->frame_count) return false;
  VkFrameRecord* frame = &device->frames[device->frame_index];
  if (frame->acquired) {
    // Acquired before and not presented yet: the frame keeps its image.
    device->swapchain->current_image_index = frame->image_index;
    device->current_frame = frame;
    return true;
  }
  VkFunctionTable& fn = device->functions;
  // The frame's last submit must be done before its command buffer and its
  // semaphores are used again.
  if (frame->fence_armed) {
    const VkResult waited = fn.vkWaitForFences(device->device, 1, &frame->fence, VK_TRUE, UINT64_MAX);
    if (waited != VK_SUCCESS) {
      tracef_error("frame_acquire - the wait for frame %u failed (err: %s).", device->frame_index,
                   vk_result_to_string(waited));
      return false;
    }
  }
  uint32_t image = 0;
  VkResult result = fn.vkAcquireNextImageKHR(device->device, device->swapchain->swapchain, UINT64_MAX,
                                             frame->acquire_semaphore, VK_NULL_HANDLE, &image);
  if (result != VK_SUCCESS && result != VK_SUBOPTIMAL_KHR) {
    // Nothing was acquired, so nothing may be submitted or presented for
    // this frame; an out-of-date swapchain is rebuilt for the next try.
    device->current_frame = nullptr;
    if (result == VK_ERROR_OUT_OF_DATE_KHR && window) swapchain_recreate(gpu, window);
    return false;
  }
  frame->acquired = true;
  frame->submitted = false;
  if (image >= device->swapchain->image_count || image >= device->frame_count) {
    // No image of ours carries that index: nothing can be drawn or shown.
    // The acquisition's signal is consumed so the frame stays usable.
    tracef_error("frame_acquire - the acquired image index %u is outside the %u swapchain images.", image,
                 device->swapchain->image_count);
    settle_frames(device);
    return false;
  }
  device->swapchain->current_image_index = frame->image_index = image;
  device->current_frame = frame;
  return true;
}

bool VulkanPLugin::frame_acquire_2(tvc::RendererGpu* gpu, tvc::RenderWindow* window) {
  return frame_acquire(gpu, window);
}

bool VulkanPLugin::frame_begin(tvc::RendererGpu* gpu, bool begin_command_buffer, bool begin_render_pass) {
  VkDeviceRecord* device = device_of(gpu);
  if (!device || !device->frames || device->frame_index >= device->frame_count) return false;
  VkFrameRecord& frame = device->frames[device->frame_index];
  VkFunctionTable& fn = device->functions;
  bool began_here = false;
  if (begin_command_buffer) {
    if (frame.begin_counter > 0) {
      ++frame.begin_counter;  // nested: records nothing of its own
      return true;
    }
    VkCommandBufferBeginInfo info{};
    info.sType = VK_STRUCTURE_TYPE_COMMAND_BUFFER_BEGIN_INFO;
    const VkResult result = fn.vkBeginCommandBuffer(frame.command_buffer, &info);
    if (result != VK_SUCCESS) {
      tracef_error("frame_begin - vkBeginCommandBuffer failed (err: %s).", vk_result_to_string(result));
      return false;
    }
    frame.begin_counter = 1;
    frame.recorded = false;
    device->active_command_record = frame.command_record;
    began_here = true;
  }
  if (begin_render_pass) {
    // The pass draws into the image that acquisition handed out.
    const uint32_t image = device->swapchain ? device->swapchain->current_image_index : device->frame_index;
    const VkFrameRecord* target = image < device->frame_count ? &device->frames[image] : nullptr;
    if (!device->rp1 || !target || target->framebuffer == VK_NULL_HANDLE || frame.begin_counter <= 0) {
      tracef_error("frame_begin - no render pass or framebuffer for image %u.", image);
      if (began_here) {
        // Undone whole: the buffer is closed and the counter back at 0.
        fn.vkEndCommandBuffer(frame.command_buffer);
        frame.begin_counter = 0;
        device->active_command_record = nullptr;
      }
      return false;
    }
    VkRenderPassBeginInfo info{};
    info.sType = VK_STRUCTURE_TYPE_RENDER_PASS_BEGIN_INFO;
    info.renderPass = device->rp1->render_pass;
    info.framebuffer = target->framebuffer;
    info.renderArea.extent = {target->width, target->height};
    info.clearValueCount = 2;
    info.pClearValues = clear_values;
    fn.vkCmdBeginRenderPass(frame.command_buffer, &info, VK_SUBPASS_CONTENTS_INLINE);
  }
  return true;
}

bool VulkanPLugin::frame_end(tvc::RendererGpu* gpu, bool end_command_buffer, bool end_render_pass) {
  VkDeviceRecord* device = device_of(gpu);
  if (!device || !device->frames || device->frame_index >= device->frame_count) return false;
  VkFrameRecord& frame = device->frames[device->frame_index];
  VkFunctionTable& fn = device->functions;
  if (frame.begin_counter <= 0) return false;  // nothing is recording
  if (end_command_buffer && --frame.begin_counter > 0) return true;
  if (end_render_pass) fn.vkCmdEndRenderPass(frame.command_buffer);
  if (end_command_buffer) {
    const bool ok = fn.vkEndCommandBuffer(frame.command_buffer) == VK_SUCCESS;
    frame.recorded = ok;
    device->active_command_record = nullptr;
    return ok;
  }
  return true;
}

bool VulkanPLugin::frame_submit(tvc::RendererGpu* gpu, int) {
  VkGpuRecord* record = gpu_record(gpu);
  VkDeviceRecord* device = record ? record->current_device : nullptr;
  if (!device || !device->current_frame) return false;
  VkFrameRecord* frame = device->current_frame;
  if (frame->begin_counter > 0) {
    tracef_error("frame_submit - the command buffer of frame %u is still recording.", device->frame_index);
    return false;
  }
  if (frame->submitted) {
    tracef_error("frame_submit - frame %u was submitted already.", device->frame_index);
    return false;
  }
  // A frame whose buffer was not recorded since its last submit sends the
  // semaphores on without commands.
  return submit_frame(device, frame, frame->recorded);
}

bool VulkanPLugin::frame_present(tvc::RendererGpu* gpu, tvc::RenderWindow* window) {
  VkGpuRecord* record = gpu_record(gpu);
  VkDeviceRecord* device = record ? record->current_device : nullptr;
  if (!device || !device->current_frame || !device->swapchain || device->frame_count == 0) return false;
  VkFrameRecord* frame = device->current_frame;
  bool complete = true;
  if (!frame->submitted) {
    // Presenting needs the render semaphore signalled: an empty batch does
    // it, so the image goes back and no semaphore stays signalled.
    tracef_error("frame_present - frame %u was not submitted: its image is presented unchanged.",
                 device->frame_index);
    complete = false;
    if (frame->begin_counter > 0) {
      // Left recording: dropped, so the next begin finds the buffer ready.
      device->functions.vkResetCommandBuffer(frame->command_buffer, 0);
      frame->begin_counter = 0;
      if (device->active_command_record == frame->command_record) device->active_command_record = nullptr;
    }
    if (!submit_frame(device, frame, false)) return false;
  }
  VkPresentInfoKHR info{};
  info.sType = VK_STRUCTURE_TYPE_PRESENT_INFO_KHR;
  info.waitSemaphoreCount = 1;
  info.pWaitSemaphores = &frame->render_semaphore;
  info.swapchainCount = 1;
  info.pSwapchains = &device->swapchain->swapchain;
  info.pImageIndices = &device->swapchain->current_image_index;
  const VkResult result = device->functions.vkQueuePresentKHR(device->graphics_queue, &info);
  // The frame is spent whatever the outcome: the next present needs a new one.
  device->current_frame = nullptr;
  frame->acquired = frame->submitted = false;
  if (result == VK_ERROR_DEVICE_LOST) return false;
  if (result == VK_SUBOPTIMAL_KHR || result == VK_ERROR_OUT_OF_DATE_KHR)
    return swapchain_recreate(gpu, window) && complete;
  device->frame_index = (device->frame_index + 1) % device->frame_count;
  return complete;
}

bool VulkanPLugin::init_swapchain_frames(VkDeviceRecord* device, uint32_t width, uint32_t height) {
  return create_frames(device, width, height);
}

void VulkanPLugin::release_swapchain_frames(VkDeviceRecord* device) { release_frames(device); }

VkFramebuffer VulkanPLugin::swapchain_framebuffer(VkDeviceRecord* device, uint32_t image_index) {
  if (!device || !device->frames || image_index >= device->frame_count) return VK_NULL_HANDLE;
  return device->frames[image_index].framebuffer;
}

// Only a list that draws into the image acquired for the current frame,
// whose acquisition nothing has waited on yet, waits on it; it then takes
// the frame's place in front of present.
void VulkanPLugin::list_submit_semaphores(VkDeviceRecord* device, VkCommandListRecord* record, VkSemaphore** wait,
                                          VkSemaphore** signal) {
  VkFrameRecord* frame = device->current_frame;
  const bool takes_frame = record->uses_swapchain_image && frame && frame->acquired && !frame->submitted;
  *wait = takes_frame ? &frame->acquire_semaphore : nullptr;
  *signal = takes_frame ? &frame->render_semaphore : nullptr;
}

void VulkanPLugin::after_list_submit(VkDeviceRecord* device, bool took_image) {
  if (!took_image) return;
  // The frame's fence follows this work, so its next acquire waits for it.
  VkFrameRecord* frame = device->current_frame;
  VkFunctionTable& fn = device->functions;
  frame->submitted = true;
  frame->recorded = false;
  fn.vkResetFences(device->device, 1, &frame->fence);
  frame->fence_armed = fn.vkQueueSubmit(device->graphics_queue, 0, nullptr, frame->fence) == VK_SUCCESS;
}

unsigned VulkanPLugin::frame_get_index(tvc::RendererGpu* gpu) {
  VkDeviceRecord* device = device_of(gpu);
  return device ? device->frame_index : 0;
}

void VulkanPLugin::frame_set_index(tvc::RendererGpu* gpu, unsigned index) {
  VkDeviceRecord* device = device_of(gpu);
  // An index past the frames would name no frame: it is refused.
  if (device && index < device->frame_count) device->frame_index = index;
}

bool VulkanPLugin::swapchain_recreate(tvc::RendererGpu* gpu, tvc::RenderWindow* window) {
  VkGpuRecord* record = gpu_record(gpu);
  if (!surface_can_take_swapchain(record, window)) return false;
  VkDeviceRecord* device = record->current_device;
  // No frame may keep an image of the old swapchain or a signalled semaphore.
  settle_frames(device);
  wait_device_idle(device);
  // The framebuffers name the old views: they go before the views do, so no
  // frame can be recorded against a destroyed image.
  release_frame_framebuffers(device);
  VkSwapchainRecord* swapchain = create_swapchain(record, device, window);
  bool ok = swapchain != nullptr;
  if (!swapchain) {
    // The old swapchain may still stand (then its framebuffers come back);
    // without it the frames go, so the next acquire answers false.
    if (device->swapchain && device->frames &&
        create_frame_framebuffers(device, device->frames[0].width, device->frames[0].height))
      return false;
  } else {
    ok = rebuild_depth_and_passes(record, device);
    if (ok && (!device->frames || swapchain->image_count != device->frame_count)) {
      // One frame per image: a changed image count gets new frames.
      release_frames(device);
      ok = create_frames(device, swapchain->width, swapchain->height);
    } else if (ok) {
      ok = create_frame_framebuffers(device, swapchain->width, swapchain->height);
    }
    wait_device_idle(device);
  }
  if (!ok) {
    release_frames(device);
    tracef_error("swapchain_recreate - the frames could not be rebuilt: no frame is drawn until a re-creation succeeds.");
    return false;
  }
  ++device->recreate_count;
  device->frame_index = 0;
  return true;
}
