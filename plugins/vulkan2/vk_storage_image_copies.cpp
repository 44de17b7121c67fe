// Copies out of storage images: a storage image or a ray-tracing context's
// output image into a render target's attachment, a storage image into a
// texture (Vulkan2 only). Each runs on a one-time command buffer and has
// finished when the operation returns.
#include <algorithm>

#include "vk_raytracing.h"

// Copies a storage image into colour attachment i of the target's current
// frame, recorded into commands. The storage image rests in GENERAL and the
// attachment in its return layout, so neither loses its pixels.
bool VulkanPLugin::copy_storage_image_to_attachment(VkCommandBuffer commands, tvc::GpuRenderTarget* target,
                                                    int attachment, const VkStorageImageRecord* image) {
  VkRenderTargetRecord* record = target_record(target);
  if (!image || !record || image->image == VK_NULL_HANDLE) return false;
  RenderTargetFrameBlock* block = render_target_block(target, current_frame_of(record));
  if (!block) return false;
  if (attachment < 0 || static_cast<uint32_t>(attachment) >= record->color_count) {
    tracef_error("copy from storage image - attachment %d out of range.", attachment);
    return false;
  }
  VkDeviceRecord* device = record->device;
  RenderTargetAttachment& dst = block->colors[attachment];
  transition_image_layout(device, commands, image->image, VK_IMAGE_LAYOUT_GENERAL, VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL);
  transition_image_layout(device, commands, dst.image, resting_layout(dst), VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL);
  VkImageCopy region{};
  region.srcSubresource = {VK_IMAGE_ASPECT_COLOR_BIT, 0, 0, 1};
  region.dstSubresource = {VK_IMAGE_ASPECT_COLOR_BIT, 0, 0, 1};
  region.extent = {static_cast<uint32_t>(std::min(image->width, target->width)),
                   static_cast<uint32_t>(std::min(image->height, target->height)), 1};
  device->functions.vkCmdCopyImage(commands, image->image, VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL, dst.image,
                                   VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL, 1, &region);
  transition_image_layout(device, commands, image->image, VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL, VK_IMAGE_LAYOUT_GENERAL);
  transition_image_layout(device, commands, dst.image, VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL, resting_layout(dst));
  return true;
}

bool VulkanPLugin::gpu_render_target_copy_from_raytracing_output(tvc::GpuRenderTarget* target, int attachment,
                                                                 int index) {
  VkRayTracingContext* context = raytracing_context(index, "gpu_render_target_copy_from_raytracing_output");
  VkRenderTargetRecord* record = target_record(target);
  if (!context) return false;
  if (!record || record->device != context->device || context->output_image.view == VK_NULL_HANDLE) {
    tracef_error("gpu_render_target_copy_from_raytracing_output - no render target or output image.");
    return false;
  }
  VkCommandBuffer commands = begin_one_time_commands(record->device, true);
  if (!commands) return false;
  const bool copied = copy_storage_image_to_attachment(commands, target, attachment, &context->output_image);
  return end_one_time_commands(record->device, commands) && copied;
}

bool VulkanPLugin::gpu_render_target_copy_from_storage_image(tvc::GpuRenderTarget* target, int attachment,
                                                             int storage_image) {
  VkStorageImageRecord* image = storage_image_find(storage_image);
  VkRenderTargetRecord* record = target_record(target);
  if (!image || !record || record->device != image->device) {
    tracef_error("gpu_render_target_copy_from_storage_image - no such storage image (%d) or render target.",
                 storage_image);
    return false;
  }
  VkCommandBuffer commands = begin_one_time_commands(record->device, true);
  if (!commands) return false;
  const bool copied = copy_storage_image_to_attachment(commands, target, attachment, image);
  return end_one_time_commands(record->device, commands) && copied;
}

bool VulkanPLugin::texture_2d_copy_from_storage_image(tvc::RendererGpu*, tvc::TextureData* texture,
                                                      int storage_image) {
  VkTextureRecord* record = texture_record(texture);
  VkStorageImageRecord* image = storage_image_find(storage_image);
  VkDeviceRecord* device = record ? object_owner(record->id) : nullptr;
  if (!record || !image || !device || device != image->device || record->device_image == VK_NULL_HANDLE) {
    tracef_error("texture_2d_copy_from_storage_image - no such storage image (%d) or texture.", storage_image);
    return false;
  }
  VkCommandBuffer commands = begin_one_time_commands(device, true);
  if (!commands) return false;
  // The storage image rests in GENERAL: its pixels are kept through the copy.
  transition_image_layout(device, commands, image->image, VK_IMAGE_LAYOUT_GENERAL,
                          VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL);
  transition_image_layout(device, commands, record->device_image, VK_IMAGE_LAYOUT_UNDEFINED,
                          VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL);
  VkImageCopy region{};
  region.srcSubresource = {VK_IMAGE_ASPECT_COLOR_BIT, 0, 0, 1};
  region.dstSubresource = {VK_IMAGE_ASPECT_COLOR_BIT, 0, 0, 1};
  region.extent = {std::min(static_cast<uint32_t>(image->width), texture->width),
                   std::min(static_cast<uint32_t>(image->height), texture->height), 1};
  device->functions.vkCmdCopyImage(commands, image->image, VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL, record->device_image,
                                   VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL, 1, &region);
  transition_image_layout(device, commands, image->image, VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL,
                          VK_IMAGE_LAYOUT_GENERAL);
  transition_image_layout(device, commands, record->device_image, VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL,
                          VK_IMAGE_LAYOUT_SHADER_READ_ONLY_OPTIMAL);
  return end_one_time_commands(device, commands);
}
