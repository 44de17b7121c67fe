// Render targets: per frame of the device a set of colour attachments (each
// with a linear copy for read-back), a framebuffer, a command buffer and a
// fence; one depth attachment and one render pass shared by the frames.
#include <cstring>

#include "vk_generation.h"
#include "vk_resources.h"

int32_t frames_wanted(const VkDeviceRecord* device) {
  return device->frame_count ? static_cast<int32_t>(device->frame_count) : 1;
}

namespace {
void release_attachment(VkDeviceRecord* device, RenderTargetAttachment* a) {
  if (a->mapped) device->functions.vkUnmapMemory(device->device, a->linear_memory);
  ImageObjects main_image{a->image, a->memory, a->view, 0, 0};
  ImageObjects linear{a->linear_image, a->linear_memory, VK_NULL_HANDLE, 0, 0};
  release_image_objects(device, &main_image);
  release_image_objects(device, &linear);
  *a = RenderTargetAttachment{};
}
}  // namespace

VkImageLayout resting_layout(const RenderTargetAttachment& a) {
  return a.return_layout == VK_IMAGE_LAYOUT_UNDEFINED ? VK_IMAGE_LAYOUT_SHADER_READ_ONLY_OPTIMAL : a.return_layout;
}

RenderTargetFrameBlock* VulkanPLugin::render_target_block(tvc::GpuRenderTarget* target, unsigned frame) {
  VkRenderTargetRecord* record = target_record(target);
  if (!record || !record->device || !object_owner(target->id)) return nullptr;
  if (record->frame_count != frames_wanted(record->device)) {
    tracef_error("render target %d - made for %d frames, the device has %d: resize it first.", target->id,
                 record->frame_count, frames_wanted(record->device));
    return nullptr;
  }
  if (frame >= static_cast<unsigned>(record->frame_count)) {
    tracef_error("render target %d - frame %u out of range (%d frames).", target->id, frame, record->frame_count);
    return nullptr;
  }
  return &record->frames[frame];
}

// ---- pieces both generations build their targets from

ImageRequest render_target_image_request(VkFormat format, uint32_t width, uint32_t height, VkImageUsageFlags usage,
                                         VkImageAspectFlags aspect) {
  ImageRequest request = image_2d_request(format, width, height, usage);
  request.preferred = VK_MEMORY_PROPERTY_DEVICE_LOCAL_BIT;
  request.fallback = VK_MEMORY_PROPERTY_HOST_VISIBLE_BIT;
  request.view_aspect = aspect;
  return request;
}

VkImageAspectFlags depth_aspects(VkFormat format) {
  const bool stencil = format == VK_FORMAT_D24_UNORM_S8_UINT || format == VK_FORMAT_D32_SFLOAT_S8_UINT ||
                       format == VK_FORMAT_D16_UNORM_S8_UINT;
  return VK_IMAGE_ASPECT_DEPTH_BIT | (stencil ? VK_IMAGE_ASPECT_STENCIL_BIT : 0);
}

VkResult create_render_target_pass(VkDeviceRecord* device, VkFormat color, VkFormat depth, uint32_t n,
                                   VkRenderPass* out) {
  std::vector<VkAttachmentDescription> attachments(n + 1);
  std::vector<VkAttachmentReference> colors(n);
  std::vector<VkSubpassDependency> dependencies;
  for (uint32_t i = 0; i <= n; ++i) {
    VkAttachmentDescription& a = attachments[i];
    a.format = i < n ? color : depth;
    a.samples = VK_SAMPLE_COUNT_1_BIT;
    a.loadOp = VK_ATTACHMENT_LOAD_OP_CLEAR;
    a.storeOp = VK_ATTACHMENT_STORE_OP_STORE;
    a.stencilLoadOp = VK_ATTACHMENT_LOAD_OP_DONT_CARE;
    a.stencilStoreOp = VK_ATTACHMENT_STORE_OP_DONT_CARE;
    a.initialLayout = VK_IMAGE_LAYOUT_UNDEFINED;
    a.finalLayout = i < n ? VK_IMAGE_LAYOUT_SHADER_READ_ONLY_OPTIMAL : VK_IMAGE_LAYOUT_DEPTH_STENCIL_ATTACHMENT_OPTIMAL;
    if (i < n) {
      colors[i] = {i, VK_IMAGE_LAYOUT_COLOR_ATTACHMENT_OPTIMAL};
      dependencies.push_back({VK_SUBPASS_EXTERNAL, 0, VK_PIPELINE_STAGE_BOTTOM_OF_PIPE_BIT,
                              VK_PIPELINE_STAGE_COLOR_ATTACHMENT_OUTPUT_BIT, VK_ACCESS_MEMORY_READ_BIT,
                              VK_ACCESS_COLOR_ATTACHMENT_READ_BIT | VK_ACCESS_COLOR_ATTACHMENT_WRITE_BIT,
                              VK_DEPENDENCY_BY_REGION_BIT});
    }
  }
  const VkAttachmentReference depth_ref{n, VK_IMAGE_LAYOUT_DEPTH_STENCIL_ATTACHMENT_OPTIMAL};
  if (n == 0)
    dependencies.push_back({VK_SUBPASS_EXTERNAL, 0, VK_PIPELINE_STAGE_BOTTOM_OF_PIPE_BIT,
                            VK_PIPELINE_STAGE_COLOR_ATTACHMENT_OUTPUT_BIT, VK_ACCESS_MEMORY_READ_BIT,
                            VK_ACCESS_COLOR_ATTACHMENT_READ_BIT | VK_ACCESS_COLOR_ATTACHMENT_WRITE_BIT,
                            VK_DEPENDENCY_BY_REGION_BIT});
  else
    dependencies.push_back({0, VK_SUBPASS_EXTERNAL, VK_PIPELINE_STAGE_COLOR_ATTACHMENT_OUTPUT_BIT,
                            VK_PIPELINE_STAGE_BOTTOM_OF_PIPE_BIT,
                            VK_ACCESS_COLOR_ATTACHMENT_READ_BIT | VK_ACCESS_COLOR_ATTACHMENT_WRITE_BIT,
                            VK_ACCESS_MEMORY_READ_BIT, VK_DEPENDENCY_BY_REGION_BIT});
  VkSubpassDescription subpass{};
  subpass.pipelineBindPoint = VK_PIPELINE_BIND_POINT_GRAPHICS;
  subpass.colorAttachmentCount = n;
  subpass.pColorAttachments = n ? colors.data() : nullptr;
  subpass.pDepthStencilAttachment = &depth_ref;
  VkRenderPassCreateInfo info{};
  info.sType = VK_STRUCTURE_TYPE_RENDER_PASS_CREATE_INFO;
  info.attachmentCount = n + 1;
  info.pAttachments = attachments.data();
  info.subpassCount = 1;
  info.pSubpasses = &subpass;
  info.dependencyCount = static_cast<uint32_t>(dependencies.size());
  info.pDependencies = dependencies.data();
  const VkResult result = device->functions.vkCreateRenderPass(device->device, &info, nullptr, out);
  if (result != VK_SUCCESS) *out = VK_NULL_HANDLE;
  return result;
}

VkSamplerCreateInfo render_target_sampler_info(float max_lod) {
  VkSamplerCreateInfo sampler = linear_sampler_info(VK_SAMPLER_ADDRESS_MODE_CLAMP_TO_EDGE, 0.0f, max_lod);
  sampler.borderColor = VK_BORDER_COLOR_FLOAT_OPAQUE_WHITE;
  return sampler;
}

void take_image(RenderTargetAttachment* attachment, const ImageObjects& image) {
  attachment->image = image.image;
  attachment->memory = image.memory;
  attachment->view = image.view;
  attachment->size = image.size;
}

void take_linear_image(RenderTargetAttachment* attachment, const ImageObjects& image) {
  attachment->linear_image = image.image;
  attachment->linear_memory = image.memory;
  attachment->linear_size = image.size;
}

bool VulkanPLugin::gpu_render_target_initialize_2d(tvc::RendererGpu* gpu, tvc::GpuRenderTarget* target, int width,
                                                   int height, int format, int color_count, bool flag0, bool flag1,
                                                   bool flag2, int value, bool) {
  if (!gpu || !target) return false;
  if (VkRenderTargetRecord* old = target_record(target)) {
    if (old->device) return true;
    delete old;  // left by a GPU clean-up: made again
    target->renderer_data = nullptr;
  }
  VkGpuRecord* gpu_rec = gpu_record(gpu);
  VkDeviceRecord* device = gpu_rec ? gpu_rec->current_device : nullptr;
  if (!device) return false;
  const uint32_t max_size = gpu_rec->limits.maxImageDimension2D ? gpu_rec->limits.maxImageDimension2D : 4096;
  if (width <= 0 || height <= 0 || static_cast<uint32_t>(width) > max_size ||
      static_cast<uint32_t>(height) > max_size) {
    tracef_error("gpu_render_target_initialize_2d - size %dx%d is not supported (limit: %u).", width, height,
                 max_size);
    return false;
  }
  VkRenderTargetRecord* record = new VkRenderTargetRecord;
  record->gpu = gpu;
  record->gpu_record = gpu_rec;
  record->device = device;
  target->renderer_data = record;
  target->width = width;
  target->height = height;
  target->pixel_format = format;
  target->value = value;
  target->flags[0] = flag0;
  target->flags[1] = flag1;
  target->flags[2] = flag2;
  target->color_count = color_count;
  const int most = generation::most_color_attachments();
  record->color_count = static_cast<uint32_t>(std::min(std::max(color_count, 0), most));
  record->color_format = format == tvc::PF_SWAPCHAIN ? (device->swapchain ? device->swapchain->format
                                                                          : VK_FORMAT_B8G8R8A8_UNORM)
                                                     : pixel_format_to_vk_format(format);
  record->clear_values[0].color = {{0.0f, 0.0f, 0.0f, 1.0f}};
  record->clear_values[1].depthStencil = {1.0f, 0};
  if (!object_owner(target->id)) register_object(target->id, device);
  device->render_targets.push_back(target);
  if (!render_target_create(record, target, static_cast<uint32_t>(width), static_cast<uint32_t>(height))) {
    // The record goes with what was made: a target that kept it would answer
    // true to the next creation while it has nothing to draw into.
    render_target_release(target);
    return false;
  }
  return true;
}

void VulkanPLugin::render_target_release(tvc::GpuRenderTarget* target, bool keep_record) {
  VkRenderTargetRecord* record = target_record(target);
  if (!record || !record->device) return;
  VkDeviceRecord* device = record->device;
  VkFunctionTable& fn = device->functions;
  if (device->device) wait_device_idle(device);
  render_target_free_image_lists(record);
  for (int32_t f = 0; record->frames && f < record->frame_count; ++f) {
    RenderTargetFrameBlock& block = record->frames[f];
    for (RenderTargetAttachment& a : block.colors) release_attachment(device, &a);
    if (block.framebuffer != VK_NULL_HANDLE) fn.vkDestroyFramebuffer(device->device, block.framebuffer, nullptr);
    if (block.fence != VK_NULL_HANDLE) fn.vkDestroyFence(device->device, block.fence, nullptr);
    if (block.command_buffer && block.command_pool != VK_NULL_HANDLE)
      fn.vkFreeCommandBuffers(device->device, block.command_pool, 1, &block.command_buffer);
    if (block.command_pool != VK_NULL_HANDLE) fn.vkDestroyCommandPool(device->device, block.command_pool, nullptr);
    if (device->active_command_record == block.command_record) device->active_command_record = nullptr;
    delete block.command_record;
  }
  delete[] record->frames;
  release_attachment(device, &record->depth);
  if (record->render_pass != VK_NULL_HANDLE) fn.vkDestroyRenderPass(device->device, record->render_pass, nullptr);
  if (record->sampler != VK_NULL_HANDLE) fn.vkDestroySampler(device->device, record->sampler, nullptr);
  erase_from(device->render_targets, target);
  unregister_object(target->id);
  if (keep_record) {
    *record = VkRenderTargetRecord{};  // no device: every operation refuses it
    return;
  }
  delete record;
  target->renderer_data = nullptr;
}

bool VulkanPLugin::gpu_render_target_finalize(tvc::RendererGpu* gpu, tvc::GpuRenderTarget* target) {
  if (!target) return false;
  VkRenderTargetRecord* record = target_record(target);
  if (!record) {
    if (VkDeviceRecord* device = generation::finalize_waits_without_record() ? device_of(gpu) : nullptr)
      wait_device_idle(device);
    return true;
  }
  if (!record->device) {
    // Its device was cleaned up and took the objects with it.
    delete record;
    target->renderer_data = nullptr;
    return false;
  }
  render_target_release(target);
  return true;
}

bool VulkanPLugin::gpu_render_target_resize(tvc::GpuRenderTarget* target, int width, int height) {
  VkRenderTargetRecord* record = target_record(target);
  if (!record || !object_owner(target->id)) return false;
  tvc::RendererGpu* gpu = record->gpu;
  const int count = static_cast<int>(record->color_count);
  render_target_release(target);
  return gpu_render_target_initialize_2d(gpu, target, width, height, target->pixel_format, count,
                                         target->flags[0] != 0, target->flags[1] != 0, target->flags[2] != 0,
                                         target->value, target->flags[3] != 0);
}

// Begins recording into commands and the target's pass on framebuffer,
// cleared with the renderer's clear values.
bool VulkanPLugin::begin_render_target_pass(tvc::GpuRenderTarget* target, VkFramebuffer framebuffer,
                                            VkCommandBuffer commands) {
  VkRenderTargetRecord* record = target_record(target);
  VkFunctionTable& fn = record->device->functions;
  VkCommandBufferBeginInfo begin{};
  begin.sType = VK_STRUCTURE_TYPE_COMMAND_BUFFER_BEGIN_INFO;
  if (fn.vkBeginCommandBuffer(commands, &begin) != VK_SUCCESS) return false;
  record->clear_values[0] = clear_values[0];
  record->clear_values[1] = clear_values[1];
  // One clear value per attachment: every colour one, then the depth.
  VkClearValue values[kMaxColorAttachments + 1];
  for (uint32_t i = 0; i < record->color_count; ++i) values[i] = record->clear_values[0];
  values[record->color_count] = record->clear_values[1];
  VkRenderPassBeginInfo info{};
  info.sType = VK_STRUCTURE_TYPE_RENDER_PASS_BEGIN_INFO;
  info.renderPass = record->render_pass;
  info.framebuffer = framebuffer;
  info.renderArea.extent = {static_cast<uint32_t>(target->width), static_cast<uint32_t>(target->height)};
  info.clearValueCount = record->color_count + 1;
  info.pClearValues = values;
  fn.vkCmdBeginRenderPass(commands, &info, VK_SUBPASS_CONTENTS_INLINE);
  return true;
}

unsigned current_frame_of(const VkRenderTargetRecord* record) {
  const VkDeviceRecord* device = record->device;
  return device && device->frame_index < static_cast<uint32_t>(record->frame_count) ? device->frame_index : 0;
}

// Copies colour attachment 0 of the current frame, from the layout it rests
// in, into its linear image (left in GENERAL with to_general) and returns
// the mapped pixels with their row pitch; null when refused.
const uint8_t* VulkanPLugin::render_target_read(tvc::GpuRenderTarget* target, bool to_general, uint64_t* pitch) {
  VkRenderTargetRecord* record = target_record(target);
  if (!record || target->value > 0 || record->color_count == 0) return nullptr;
  RenderTargetFrameBlock* block = render_target_block(target, current_frame_of(record));
  if (!block) return nullptr;
  VkDeviceRecord* device = record->device;
  VkFunctionTable& fn = device->functions;
  RenderTargetAttachment& a = block->colors[0];
  VkCommandBuffer commands = begin_one_time_commands(device, true);
  if (!commands) return nullptr;
  if (a.linear_layout != VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL) {
    a.linear_layout = VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL;
    transition_image_layout(device, commands, a.linear_image, VK_IMAGE_LAYOUT_UNDEFINED,
                            VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL);
  }
  // The render pass leaves the image in SHADER_READ_ONLY_OPTIMAL; starting
  // from UNDEFINED would allow the driver to drop the pixels.
  transition_image_layout(device, commands, a.image, resting_layout(a), VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL);
  VkImageCopy region{};
  region.srcSubresource = {VK_IMAGE_ASPECT_COLOR_BIT, 0, 0, 1};
  region.dstSubresource = {VK_IMAGE_ASPECT_COLOR_BIT, 0, 0, 1};
  region.extent = {static_cast<uint32_t>(target->width), static_cast<uint32_t>(target->height), 1};
  fn.vkCmdCopyImage(commands, a.image, VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL, a.linear_image,
                    VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL, 1, &region);
  if (to_general) {
    a.linear_layout = VK_IMAGE_LAYOUT_GENERAL;
    transition_image_layout(device, commands, a.linear_image, VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL,
                            VK_IMAGE_LAYOUT_GENERAL);
  }
  transition_image_layout(device, commands, a.image, VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL, resting_layout(a));
  if (!end_one_time_commands(device, commands)) return nullptr;
  if (!a.mapped && fn.vkMapMemory(device->device, a.linear_memory, 0, a.linear_size, 0, &a.mapped) != VK_SUCCESS) {
    a.mapped = nullptr;
    return nullptr;
  }
  VkImageSubresource subresource{VK_IMAGE_ASPECT_COLOR_BIT, 0, 0};
  VkSubresourceLayout layout{};
  fn.vkGetImageSubresourceLayout(device->device, a.linear_image, &subresource, &layout);
  const uint64_t row_bytes = static_cast<uint64_t>(target->width) * 4;
  if (layout.rowPitch < row_bytes || layout.offset + layout.rowPitch * (target->height - 1) + row_bytes > a.linear_size)
    return nullptr;
  *pitch = layout.rowPitch;
  return static_cast<const uint8_t*>(a.mapped) + layout.offset;
}

// Only 4-byte texels are read back: the caller's buffer holds 3 or 4 bytes
// a pixel.
static bool four_byte_texels(const tvc::GpuRenderTarget* target) {
  return target->pixel_format == tvc::PF_SWAPCHAIN || pixel_format_texel_size(target->pixel_format) == 4;
}

bool VulkanPLugin::gpu_render_target_read_color_buffer(tvc::GpuRenderTarget* target, unsigned char* destination) {
  uint64_t pitch = 0;
  const uint8_t* pixels = destination && target && four_byte_texels(target)
                              ? render_target_read(target, false, &pitch)
                              : nullptr;
  if (!pixels) return false;
  for (int y = 0; y < target->height; ++y) {
    const uint8_t* row = pixels + y * pitch;
    for (int x = 0; x < target->width; ++x) memcpy(destination + (static_cast<size_t>(y) * target->width + x) * 3, row + x * 4, 3);
  }
  return true;
}

bool VulkanPLugin::gpu_render_target_read_color_buffer_2(tvc::GpuRenderTarget* target, unsigned char* destination) {
  uint64_t pitch = 0;
  const uint8_t* pixels = destination && target && four_byte_texels(target)
                              ? render_target_read(target, true, &pitch)
                              : nullptr;
  if (!pixels) return false;
  for (int y = 0; y < target->height; ++y)
    memcpy(destination + static_cast<size_t>(y) * target->width * 4, pixels + y * pitch,
           static_cast<size_t>(target->width) * 4);
  return true;
}

// The pixels as tightly packed rows of 4 bytes, kept by the attachment
// until the next read or the target's release.
void* VulkanPLugin::gpu_render_target_get_color_buffer_ptr(tvc::GpuRenderTarget* target) {
  uint64_t pitch = 0;
  const uint8_t* pixels = target && four_byte_texels(target)
                              ? render_target_read(target, true, &pitch)
                              : nullptr;
  if (!pixels) return nullptr;
  VkRenderTargetRecord* record = target_record(target);
  RenderTargetAttachment& a = record->frames[current_frame_of(record)].colors[0];
  const size_t row_bytes = static_cast<size_t>(target->width) * 4;
  a.packed.resize(row_bytes * target->height);
  for (int y = 0; y < target->height; ++y) memcpy(a.packed.data() + y * row_bytes, pixels + y * pitch, row_bytes);
  return a.packed.data();
}

// The texture borrows the attachment's objects: unloading it destroys none.
static bool texture_from_attachment(VulkanPLugin* plugin, tvc::RendererGpu* gpu, tvc::TextureData* texture,
                                    tvc::GpuRenderTarget* target, const RenderTargetAttachment& a) {
  VkDeviceRecord* device = plugin->device_of(gpu);
  if (!device) return false;
  VkTextureRecord* record = plugin->texture_new_record(device, texture);
  texture->type = tvc::TextureData::kType2D;
  texture->width = static_cast<unsigned>(target->width);
  texture->height = texture->depth = static_cast<unsigned>(target->height);
  texture->pixel_format = target->pixel_format;
  record->format = pixel_format_to_vk_format(target->pixel_format);
  record->device_image = a.image;
  record->device_memory = a.memory;
  record->view = a.view;
  record->staging_image = a.linear_image;
  record->staging_memory = a.linear_memory;
  record->staging_allocation_size = a.linear_size;
  record->memory_bound = true;
  record->borrowed = true;
  device->textures.push_back(texture);
  texture->set_loaded_in_gpu_memory_state(true);
  return true;
}

bool VulkanPLugin::gpu_render_target_get_color_texture(tvc::RendererGpu* gpu, tvc::TextureData* texture,
                                                       tvc::GpuRenderTarget* target, int attachment) {
  if (!texture) return false;
  if (texture->renderer_data) return true;
  VkRenderTargetRecord* record = target_record(target);
  if (texture->type != tvc::TextureData::kType2D || !record) return false;
  RenderTargetFrameBlock* block = render_target_block(target, current_frame_of(record));
  if (!block || attachment < 0 || static_cast<uint32_t>(attachment) >= record->color_count) {
    tracef_error("gpu_render_target_get_color_texture - attachment %d out of range.", attachment);
    return false;
  }
  return texture_from_attachment(this, gpu, texture, target, block->colors[attachment]);
}

bool VulkanPLugin::gpu_render_target_get_depth_texture(tvc::RendererGpu* gpu, tvc::TextureData* texture,
                                                       tvc::GpuRenderTarget* target) {
  if (!texture) return false;
  if (texture->renderer_data) return true;
  VkRenderTargetRecord* record = target_record(target);
  if (texture->type != tvc::TextureData::kType2D || !record || !render_target_block(target, 0)) return false;
  return texture_from_attachment(this, gpu, texture, target, record->depth);
}

