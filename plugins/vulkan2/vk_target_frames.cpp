// Vulkan2's render targets: one set of colour attachments, framebuffer,
// command buffer and fence per frame of the device, bound, submitted and
// unbound by frame. The first generation records into one command list per
// swapchain image instead (vulkan/vk_target_lists.cpp).
#include <algorithm>

#include "vk_device.h"
#include "vk_raytracing.h"
#include "vk_resources.h"

// Vulkan2 targets hold no per-image lists.
void VulkanPLugin::render_target_free_image_lists(VkRenderTargetRecord*) {}

// Every Vulkan object of the target; false (with a message) at the first
// failure, leaving what was made for render_target_release.
bool VulkanPLugin::render_target_create(VkRenderTargetRecord* record, tvc::GpuRenderTarget*, uint32_t width,
                                        uint32_t height) {
  VkDeviceRecord* device = record->device;
  VkFunctionTable& fn = device->functions;
  const uint32_t n = record->color_count;
  VkFormat depth_format = VK_FORMAT_D24_UNORM_S8_UINT;
  find_depth_format(record->gpu_record, &depth_format);
  ImageObjects depth;
  VkResult result = create_image_objects(
      device, record->gpu_record,
      render_target_image_request(depth_format, width, height,
                                  VK_IMAGE_USAGE_DEPTH_STENCIL_ATTACHMENT_BIT | VK_IMAGE_USAGE_SAMPLED_BIT,
                                  depth_aspects(depth_format)),
      &depth);
  take_image(&record->depth, depth);
  if (result != VK_SUCCESS) {
    tracef_error("gpu_render_target_initialize_2d - unable to create the depth attachment (err: %s)",
                 vk_result_to_string(result));
    return false;
  }
  if (create_render_target_pass(device, record->color_format, depth_format, n, &record->render_pass) != VK_SUCCESS) {
    tracef_error("gpu_render_target_initialize_2d - unable to create the render pass.");
    return false;
  }
  VkFormatProperties props{};
  fn.vkGetPhysicalDeviceFormatProperties(device->physical_device, record->color_format, &props);
  VkImageUsageFlags usage = VK_IMAGE_USAGE_TRANSFER_SRC_BIT | VK_IMAGE_USAGE_TRANSFER_DST_BIT |
                            VK_IMAGE_USAGE_SAMPLED_BIT | VK_IMAGE_USAGE_COLOR_ATTACHMENT_BIT;
  if (props.optimalTilingFeatures & VK_FORMAT_FEATURE_STORAGE_IMAGE_BIT) usage |= VK_IMAGE_USAGE_STORAGE_BIT;
  record->frame_count = frames_wanted(device);
  record->frames = new RenderTargetFrameBlock[record->frame_count];
  for (int32_t f = 0; f < record->frame_count; ++f) {
    RenderTargetFrameBlock& block = record->frames[f];
    block.attachment_count = n;
    std::vector<VkImageView> views;
    for (uint32_t i = 0; i < n; ++i) {
      RenderTargetAttachment& a = block.colors[i];
      ImageObjects image, linear;
      result = create_image_objects(
          device, record->gpu_record,
          render_target_image_request(record->color_format, width, height, usage, VK_IMAGE_ASPECT_COLOR_BIT), &image);
      take_image(&a, image);
      if (result == VK_SUCCESS) {
        // The linear copy gets memory by its own requirements, host-visible.
        ImageRequest request = image_2d_request(record->color_format, width, height, VK_IMAGE_USAGE_TRANSFER_DST_BIT,
                                                VK_IMAGE_TILING_LINEAR);
        request.preferred = VK_MEMORY_PROPERTY_HOST_VISIBLE_BIT | VK_MEMORY_PROPERTY_HOST_CACHED_BIT;
        request.fallback = VK_MEMORY_PROPERTY_HOST_VISIBLE_BIT;
        request.any_type_last = false;
        result = create_image_objects(device, record->gpu_record, request, &linear);
        take_linear_image(&a, linear);
      }
      if (result != VK_SUCCESS) {
        tracef_error("gpu_render_target_initialize_2d - unable to create colour attachment %u (err: %s)", i,
                     vk_result_to_string(result));
        return false;
      }
      views.push_back(a.view);
    }
    views.push_back(record->depth.view);
    result = create_framebuffer(device, record->render_pass, views.data(), n + 1, width, height, &block.framebuffer);
    VkCommandPoolCreateInfo pool{};
    pool.sType = VK_STRUCTURE_TYPE_COMMAND_POOL_CREATE_INFO;
    pool.flags = VK_COMMAND_POOL_CREATE_TRANSIENT_BIT | VK_COMMAND_POOL_CREATE_RESET_COMMAND_BUFFER_BIT;
    pool.queueFamilyIndex = device->graphics_family;
    if (result == VK_SUCCESS) result = fn.vkCreateCommandPool(device->device, &pool, nullptr, &block.command_pool);
    if (result != VK_SUCCESS) block.command_pool = VK_NULL_HANDLE;
    VkCommandBufferAllocateInfo alloc{};
    alloc.sType = VK_STRUCTURE_TYPE_COMMAND_BUFFER_ALLOCATE_INFO;
    alloc.commandPool = block.command_pool;
    alloc.level = VK_COMMAND_BUFFER_LEVEL_PRIMARY;
    alloc.commandBufferCount = 1;
    if (result == VK_SUCCESS) result = fn.vkAllocateCommandBuffers(device->device, &alloc, &block.command_buffer);
    if (result != VK_SUCCESS) block.command_buffer = nullptr;
    VkFenceCreateInfo fence{};
    fence.sType = VK_STRUCTURE_TYPE_FENCE_CREATE_INFO;
    fence.flags = VK_FENCE_CREATE_SIGNALED_BIT;
    if (result == VK_SUCCESS) result = fn.vkCreateFence(device->device, &fence, nullptr, &block.fence);
    if (result != VK_SUCCESS) {
      block.fence = VK_NULL_HANDLE;
      tracef_error("gpu_render_target_initialize_2d - unable to create the objects of frame %d (err: %s)",
                   static_cast<int>(f), vk_result_to_string(result));
      return false;
    }
    block.command_record = new VkCommandListRecord;
    block.command_record->id = tvc::utils::gen_id();
    block.command_record->command_buffer = block.command_buffer;
    block.command_record->command_pool = block.command_pool;
  }
  const VkSamplerCreateInfo sampler = render_target_sampler_info(1.0f);
  result = fn.vkCreateSampler(device->device, &sampler, nullptr, &record->sampler);
  if (result != VK_SUCCESS) {
    record->sampler = VK_NULL_HANDLE;
    tracef_error("gpu_render_target_initialize_2d - unable to create a texture sampler for render target (err: %s)",
                 vk_result_to_string(result));
    return false;
  }
  return true;
}

bool VulkanPLugin::gpu_render_target_bind(tvc::GpuRenderTarget* target) {
  VkRenderTargetRecord* record = target_record(target);
  return record && gpu_render_target_bind_frame(target, current_frame_of(record));
}

bool VulkanPLugin::gpu_render_target_bind_frame(tvc::GpuRenderTarget* target, unsigned frame) {
  RenderTargetFrameBlock* block = render_target_block(target, frame);
  if (!block) return false;
  VkRenderTargetRecord* record = target_record(target);
  VkDeviceRecord* device = record->device;
  VkFunctionTable& fn = device->functions;
  // The block's last submit must be done before its buffer is recorded again.
  fn.vkWaitForFences(device->device, 1, &block->fence, VK_TRUE, UINT64_MAX);
  if (!begin_render_target_pass(target, block->framebuffer, block->command_buffer)) return false;
  device->active_command_record = block->command_record;
  return true;
}

bool VulkanPLugin::gpu_render_target_unbind(tvc::GpuRenderTarget* target) {
  VkRenderTargetRecord* record = target_record(target);
  return record && gpu_render_target_unbind_frame(target, current_frame_of(record));
}

bool VulkanPLugin::gpu_render_target_unbind_frame(tvc::GpuRenderTarget* target, unsigned frame) {
  RenderTargetFrameBlock* block = render_target_block(target, frame);
  if (!block) return false;
  VkDeviceRecord* device = target_record(target)->device;
  device->functions.vkCmdEndRenderPass(block->command_buffer);
  const bool ok = device->functions.vkEndCommandBuffer(block->command_buffer) == VK_SUCCESS;
  if (device->active_command_record == block->command_record) device->active_command_record = nullptr;
  return ok;
}

bool VulkanPLugin::gpu_render_target_submit(tvc::GpuRenderTarget* target) {
  VkRenderTargetRecord* record = target_record(target);
  return record && gpu_render_target_submit_and_wait(target, current_frame_of(record));
}

bool VulkanPLugin::gpu_render_target_submit_and_wait(tvc::GpuRenderTarget* target, unsigned frame) {
  RenderTargetFrameBlock* block = render_target_block(target, frame);
  if (!block) return false;
  return submit_and_wait(target_record(target)->device, block->command_buffer, block->fence);
}

bool VulkanPLugin::gpu_render_target_copy(tvc::GpuRenderTarget* source, tvc::GpuRenderTarget* destination,
                                          int attachment) {
  VkRenderTargetRecord* from = target_record(source);
  VkRenderTargetRecord* to = target_record(destination);
  if (!from || !to || from->device != to->device) return false;
  if (attachment < 0 || static_cast<uint32_t>(attachment) >= from->color_count ||
      static_cast<uint32_t>(attachment) >= to->color_count) {
    tracef_error("gpu_render_target_copy - attachment %d out of range.", attachment);
    return false;
  }
  RenderTargetFrameBlock* a = render_target_block(source, current_frame_of(from));
  RenderTargetFrameBlock* b = render_target_block(destination, current_frame_of(to));
  if (!a || !b) return false;
  VkDeviceRecord* device = from->device;
  RenderTargetAttachment& src = a->colors[attachment];
  RenderTargetAttachment& dst = b->colors[attachment];
  VkCommandBuffer commands = begin_one_time_commands(device, true);
  if (!commands) return false;
  transition_image_layout(device, commands, src.image, resting_layout(src), VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL);
  transition_image_layout(device, commands, dst.image, VK_IMAGE_LAYOUT_UNDEFINED, VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL);
  VkImageCopy region{};
  region.srcSubresource = {VK_IMAGE_ASPECT_COLOR_BIT, 0, 0, 1};
  region.dstSubresource = {VK_IMAGE_ASPECT_COLOR_BIT, 0, 0, 1};
  region.extent = {static_cast<uint32_t>(std::min(source->width, destination->width)),
                   static_cast<uint32_t>(std::min(source->height, destination->height)), 1};
  device->functions.vkCmdCopyImage(commands, src.image, VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL, dst.image,
                                   VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL, 1, &region);
  transition_image_layout(device, commands, src.image, VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL, resting_layout(src));
  transition_image_layout(device, commands, dst.image, VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL, resting_layout(dst));
  return submit_with_fence(device, commands, VK_NULL_HANDLE, true);
}

bool VulkanPLugin::gpu_render_target_set_attachment_layout(tvc::GpuRenderTarget* target, int attachment,
                                                           int layout) {
  VkRenderTargetRecord* record = target_record(target);
  if (!record || !render_target_block(target, 0)) return false;
  if (attachment < 0 || static_cast<uint32_t>(attachment) >= record->color_count) {
    tracef_error("gpu_render_target_set_attachment_layout - attachment %d out of range.", attachment);
    return false;
  }
  VkDeviceRecord* device = record->device;
  VkCommandBuffer commands = begin_one_time_commands(device, true);
  if (!commands) return false;
  for (int32_t f = 0; f < record->frame_count; ++f) {
    RenderTargetAttachment& a = record->frames[f].colors[attachment];
    transition_image_layout(device, commands, a.image, VK_IMAGE_LAYOUT_UNDEFINED, static_cast<VkImageLayout>(layout));
    a.return_layout = static_cast<VkImageLayout>(layout);
  }
  return end_one_time_commands(device, commands);
}

void VulkanPLugin::detach_target_lists(VkDeviceRecord*, tvc::GpuCommandList*) {}

void* VulkanPLugin::gpu_render_target_get_command_buffer(tvc::GpuRenderTarget*) {
  tracef_warning("VulkanPLugin::gpu_render_target_get_command_buffer() - DEPRECATED");
  return nullptr;
}

void VulkanPLugin::gpu_render_target_set_command_buffer_swapchain_buffer_index(tvc::GpuRenderTarget*, int, int) {
  tracef_warning("VulkanPLugin::gpu_render_target_set_command_buffer_swapchain_buffer_index() - DEPECATED");
}
