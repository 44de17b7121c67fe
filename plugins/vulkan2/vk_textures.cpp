// Textures: a linear staging image in host-visible memory and an optimal
// device image sampled by shaders, 2D (with mipmaps made by blits) or 2D
// arrays; updates, unload and pixel read-back.
#include <cstring>

#include "vk_resources.h"

namespace {
uint32_t level_count_of(const tvc::TextureData* texture) {
  if (!texture->mipmaps) return 1;
  uint32_t levels = 1;
  for (uint32_t size = std::max(texture->width, texture->height); size > 1; size >>= 1) ++levels;
  return levels;
}

ImageRequest linear_request(VkFormat format, uint32_t width, uint32_t height, VkImageUsageFlags usage) {
  ImageRequest request = image_2d_request(format, width, height, usage, VK_IMAGE_TILING_LINEAR);
  request.info.initialLayout = VK_IMAGE_LAYOUT_PREINITIALIZED;
  request.preferred = VK_MEMORY_PROPERTY_HOST_VISIBLE_BIT | VK_MEMORY_PROPERTY_HOST_COHERENT_BIT;
  request.fallback = VK_MEMORY_PROPERTY_HOST_VISIBLE_BIT;
  return request;
}

ImageRequest device_request(VkFormat format, uint32_t width, uint32_t height, uint32_t levels, uint32_t layers,
                            VkImageUsageFlags usage) {
  ImageRequest request = image_2d_request(format, width, height, usage);
  request.info.mipLevels = levels;
  request.info.arrayLayers = layers;
  request.preferred = VK_MEMORY_PROPERTY_DEVICE_LOCAL_BIT;
  request.view_aspect = VK_IMAGE_ASPECT_COLOR_BIT;
  request.view_type = layers > 1 ? VK_IMAGE_VIEW_TYPE_2D_ARRAY : VK_IMAGE_VIEW_TYPE_2D;
  return request;
}

VkImageCopy full_copy(uint32_t width, uint32_t height, uint32_t destination_layer) {
  VkImageCopy region{};
  region.srcSubresource = {VK_IMAGE_ASPECT_COLOR_BIT, 0, 0, 1};
  region.dstSubresource = {VK_IMAGE_ASPECT_COLOR_BIT, 0, destination_layer, 1};
  region.extent = {width, height, 1};
  return region;
}
}  // namespace

// Format, size, mip and layer counts against the table and the device's
// limits: a texel larger than the format promises would overrun the staging
// memory, a size past the limits makes an invalid image.
bool VulkanPLugin::texture_check_size(VkDeviceRecord* device, tvc::TextureData* texture, uint32_t layers) {
  const char* name = texture->get_texture_name();
  if (pixel_format_texel_size(texture->get_pixel_format()) == 0) {
    tracef_error("texture %s - pixel format %d is not supported.", name, texture->get_pixel_format());
    return false;
  }
  const VkGpuRecord* gpu = device_gpu(device);
  const uint32_t max_size = gpu && gpu->limits.maxImageDimension2D ? gpu->limits.maxImageDimension2D : 4096;
  const uint32_t max_layers = gpu && gpu->limits.maxImageArrayLayers ? gpu->limits.maxImageArrayLayers : 256;
  if (texture->width == 0 || texture->height == 0 || texture->width > max_size || texture->height > max_size ||
      layers == 0 || layers > max_layers || !texture->get_pixmap_ptr()) {
    tracef_error("texture %s - size %ux%u with %u layers is not supported (limits: %u, %u layers).", name,
                 texture->width, texture->height, layers, max_size, max_layers);
    return false;
  }
  return true;
}

VkTextureRecord* VulkanPLugin::texture_new_record(VkDeviceRecord* device, tvc::TextureData* texture) {
  delete texture_record(texture);  // an unloaded texture's record has no objects left
  VkTextureRecord* record = new VkTextureRecord;
  record->id = tvc::utils::gen_id();
  record->format = pixel_format_to_vk_format(texture->get_pixel_format());
  texture->renderer_data = record;
  if (!object_owner(record->id)) register_object(record->id, device);
  return record;
}

// Writes host pixels into a mapped linear image row by row at the row pitch
// the driver reports (rows may be padded whatever the size). False when the
// image's rows cannot hold the texture's (logged, naming the operation) or
// when the map fails (its result in map_result, for the caller's message).
bool VulkanPLugin::texture_fill_staging(VkDeviceRecord* device, VkImage image, VkDeviceMemory memory,
                                        VkDeviceSize size, tvc::TextureData* texture, const uint8_t* pixels,
                                        const char* operation, VkResult* map_result) {
  VkFunctionTable& fn = device->functions;
  VkImageSubresource subresource{VK_IMAGE_ASPECT_COLOR_BIT, 0, 0};
  VkSubresourceLayout layout{};
  fn.vkGetImageSubresourceLayout(device->device, image, &subresource, &layout);
  const uint32_t row_bytes = texture->width * pixel_format_texel_size(texture->get_pixel_format());
  *map_result = VK_SUCCESS;
  if (layout.rowPitch < row_bytes || layout.offset + layout.rowPitch * (texture->height - 1) + row_bytes > size) {
    tracef_error("%s - the staging image of texture %s cannot hold its rows (row pitch: %u bytes, row size: %u bytes).",
                 operation, texture->get_texture_name(), static_cast<unsigned>(layout.rowPitch), row_bytes);
    return false;
  }
  void* mapped = nullptr;
  const VkResult result = fn.vkMapMemory(device->device, memory, 0, size, 0, &mapped);
  if (result != VK_SUCCESS || !mapped) {
    *map_result = result != VK_SUCCESS ? result : VK_ERROR_MEMORY_MAP_FAILED;
    return false;
  }
  copy_rows(static_cast<uint8_t*>(mapped) + layout.offset, layout.rowPitch, pixels, row_bytes, row_bytes,
            texture->height);
  fn.vkUnmapMemory(device->device, memory);
  return true;
}

bool VulkanPLugin::texture_load(tvc::RendererGpu* gpu, tvc::TextureData* texture, int value) {
  if (!texture) return false;
  if (texture->type == tvc::TextureData::kType2D) return texture_2d_load(gpu, texture, value);
  if (texture->type == tvc::TextureData::kType2DArray) return texture_2d_array_load(gpu, texture, value);
  return false;
}

namespace {
// The 2D load's line for a failed step of its staging or device image.
void log_2d_failure(VulkanPLugin* plugin, bool staging, const ImageObjects& made, const char* name,
                    VkResult result) {
  const char* err = vk_result_to_string(result);
  const unsigned size = static_cast<unsigned>(made.size);
  switch (made.failed_step) {
    case kImageCreate:
      if (staging)
        plugin->tracef_error("texture_2d_load - unable to create a mappable image object for texture %s (err: %s).",
                             name, err);
      else
        plugin->tracef_error("texture_2d_load - unable to create the device image object (err: %s).", err);
      break;
    case kImageMemoryType:
      plugin->tracef_error("texture %s - unable to find a memory type for texture 2D object (required size: %u bytes)",
                           name, size);
      break;
    case kImageAllocate:
      if (staging)
        plugin->tracef_error(
            "texture_2d_load - unable to allocate mappable memory for texture %s (required size: %u bytes) - err: %s",
            name, size, err);
      else
        plugin->tracef_error("texture_2d_array_load - unable to allocate device memory (err: %s).", err);
      break;
    case kImageBind:
      plugin->tracef_error(staging ? "texture_2d_load - unable to bind mappable image memory for texture %s (err: %s)."
                                   : "texture_2d_load - unable to bind device image memory for texture %s (err: %s).",
                           name, err);
      break;
    default:
      plugin->tracef_error("texture_2d_load - unable to create a view for texture %s (err: %s).", name, err);
  }
}

// The array load's line for a failed step of a layer's staging image
// (layer >= 0) or of the main image (layer < 0; layers is the count).
void log_array_failure(VulkanPLugin* plugin, int layer, int layers, const ImageObjects& made, VkResult result) {
  const int err = static_cast<int>(result);
  const unsigned size = static_cast<unsigned>(made.size);
  const bool main_image = layer < 0;
  switch (made.failed_step) {
    case kImageCreate:
      if (main_image)
        plugin->tracef_error("texture_2d_array_load - unable to create the main image object (err=%d).", err);
      else
        plugin->tracef_error("texture_2d_array_load - unable to create an image object for layer %d (err=%d).", layer,
                             err);
      break;
    case kImageMemoryType:
      if (main_image)
        plugin->tracef_error(
            "texture_2d_array_load - unable to find a memory type for the main image (required size: %u bytes).", size);
      else
        plugin->tracef_error(
            "texture_2d_array_load - unable to find a memory type for layer %d (required size: %u bytes).", layer, size);
      break;
    case kImageAllocate:
      if (main_image)
        plugin->tracef_error("texture_2d_array_load - unable to allocate memory (err=%d).", err);
      else
        plugin->tracef_error("texture_2d_array_load - unable to allocate memory for layer %d (err=%d).", layer, err);
      break;
    case kImageBind:
      plugin->tracef_error("texture_2d_array_load - unable to bind the layer %i (err=%d).", main_image ? layers : layer,
                           err);
      break;
    default:
      plugin->tracef_error("texture_2d_array_load - unable to create a view (err=%d).", err);
  }
}
}  // namespace

bool VulkanPLugin::texture_2d_load(tvc::RendererGpu* gpu, tvc::TextureData* texture, int) {
  if (!texture) return false;
  if (texture->is_loaded_in_gpu_memory()) return true;
  if (texture->type != tvc::TextureData::kType2D) return false;
  VkDeviceRecord* device = device_of(gpu);
  if (!device || !texture_check_size(device, texture, 1)) return false;
  const char* name = texture->get_texture_name();
  VkTextureRecord* record = texture_new_record(device, texture);
  record->level_count = level_count_of(texture);
  const VkGpuRecord* gpu_rec = device_gpu(device);
  ImageObjects staging, image;
  VkResult result = create_image_objects(
      device, gpu_rec,
      linear_request(record->format, texture->width, texture->height,
                     VK_IMAGE_USAGE_TRANSFER_SRC_BIT | VK_IMAGE_USAGE_TRANSFER_DST_BIT),
      &staging);
  bool ok = result == VK_SUCCESS;
  if (!ok) log_2d_failure(this, true, staging, name, result);
  VkResult map_result = VK_SUCCESS;
  if (ok && !texture_fill_staging(device, staging.image, staging.memory, staging.size, texture,
                                  texture->get_pixmap_ptr(), "texture_2d_load", &map_result)) {
    if (map_result != VK_SUCCESS)
      tracef_error("texture_2d_load - unable to map memory data for texture %s (err: %s).", name,
                   vk_result_to_string(map_result));
    ok = false;
  }
  if (ok) {
    result = create_image_objects(device, gpu_rec,
                                  device_request(record->format, texture->width, texture->height, record->level_count,
                                                 1, VK_IMAGE_USAGE_TRANSFER_SRC_BIT | VK_IMAGE_USAGE_TRANSFER_DST_BIT |
                                                        VK_IMAGE_USAGE_SAMPLED_BIT),
                                  &image);
    ok = result == VK_SUCCESS;
    if (!ok) log_2d_failure(this, false, image, name, result);
  }
  VkCommandBuffer commands = ok ? begin_one_time_commands(device, true) : nullptr;
  if (ok && !commands) {
    tracef_error("texture_2d_load - unable to begin the upload commands for texture %s.", name);
    ok = false;
  }
  if (ok) {
    transition_image_layout(device, commands, staging.image, VK_IMAGE_LAYOUT_PREINITIALIZED,
                            VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL);
    transition_image_layout(device, commands, image.image, VK_IMAGE_LAYOUT_UNDEFINED,
                            VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL, 0, record->level_count);
    VkImageCopy region = full_copy(texture->width, texture->height, 0);
    device->functions.vkCmdCopyImage(commands, staging.image, VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL, image.image,
                                     VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL, 1, &region);
    if (record->level_count == 1)
      transition_image_layout(device, commands, image.image, VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL,
                              VK_IMAGE_LAYOUT_SHADER_READ_ONLY_OPTIMAL);
    ok = end_one_time_commands(device, commands);
    if (!ok) tracef_error("texture_2d_load - the upload of texture %s failed.", name);
  }
  if (!ok) {
    release_image_objects(device, &staging);
    release_image_objects(device, &image);
    unregister_object(record->id);
    delete record;
    texture->renderer_data = nullptr;
    return false;
  }
  record->staging_image = staging.image;
  record->staging_memory = staging.memory;
  record->staging_allocation_size = staging.size;
  record->staging_layout = VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL;
  record->device_image = image.image;
  record->device_memory = image.memory;
  record->view = image.view;
  record->memory_bound = true;
  if (record->level_count > 1) generate_mipmaps(device, record, texture, record->level_count);
  device->textures.push_back(texture);
  texture->set_loaded_in_gpu_memory_state(true);
  texture->needs_upload = 0;
  tracef_debug("texture %d / %s successfully loaded (size=%dx%d)", texture->get_texture_id(), name,
               static_cast<int>(texture->width), static_cast<int>(texture->height));
  return true;
}

// Each level is blitted from the one above; the image ends in
// SHADER_READ_ONLY_OPTIMAL on every level, also when blits are refused.
bool VulkanPLugin::generate_mipmaps(VkDeviceRecord* device, VkTextureRecord* record, tvc::TextureData* texture,
                                    uint32_t levels) {
  VkFunctionTable& fn = device->functions;
  VkFormatProperties props{};
  fn.vkGetPhysicalDeviceFormatProperties(device->physical_device, record->format, &props);
  VkCommandBuffer commands = begin_one_time_commands(device, true);
  if (!commands) return false;
  if (!(props.optimalTilingFeatures & VK_FORMAT_FEATURE_SAMPLED_IMAGE_FILTER_LINEAR_BIT)) {
    tracef_error("2D texture - mipmaps generation - linear blitting not supported for texture %s.",
                 texture->get_texture_name());
    transition_image_layout(device, commands, record->device_image, VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL,
                            VK_IMAGE_LAYOUT_SHADER_READ_ONLY_OPTIMAL, 0, levels);
    end_one_time_commands(device, commands);
    return false;
  }
  VkImageMemoryBarrier barrier{};
  barrier.sType = VK_STRUCTURE_TYPE_IMAGE_MEMORY_BARRIER;
  barrier.image = record->device_image;
  barrier.srcQueueFamilyIndex = barrier.dstQueueFamilyIndex = VK_QUEUE_FAMILY_IGNORED;
  barrier.subresourceRange = {VK_IMAGE_ASPECT_COLOR_BIT, 0, 1, 0, 1};
  auto level_barrier = [&](uint32_t level, VkImageLayout from, VkImageLayout to, VkAccessFlags src, VkAccessFlags dst,
                           VkPipelineStageFlags dst_stage) {
    barrier.subresourceRange.baseMipLevel = level;
    barrier.oldLayout = from;
    barrier.newLayout = to;
    barrier.srcAccessMask = src;
    barrier.dstAccessMask = dst;
    fn.vkCmdPipelineBarrier(commands, VK_PIPELINE_STAGE_TRANSFER_BIT, dst_stage, 0, 0, nullptr, 0, nullptr, 1,
                            &barrier);
  };
  int32_t w = static_cast<int32_t>(texture->width), h = static_cast<int32_t>(texture->height);
  for (uint32_t i = 1; i < levels; ++i) {
    level_barrier(i - 1, VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL, VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL,
                  VK_ACCESS_TRANSFER_WRITE_BIT, VK_ACCESS_TRANSFER_READ_BIT, VK_PIPELINE_STAGE_TRANSFER_BIT);
    VkImageBlit blit{};
    blit.srcSubresource = {VK_IMAGE_ASPECT_COLOR_BIT, i - 1, 0, 1};
    blit.srcOffsets[1] = {w, h, 1};
    blit.dstSubresource = {VK_IMAGE_ASPECT_COLOR_BIT, i, 0, 1};
    blit.dstOffsets[1] = {w > 1 ? w / 2 : 1, h > 1 ? h / 2 : 1, 1};
    fn.vkCmdBlitImage(commands, record->device_image, VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL, record->device_image,
                      VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL, 1, &blit, VK_FILTER_LINEAR);
    level_barrier(i - 1, VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL, VK_IMAGE_LAYOUT_SHADER_READ_ONLY_OPTIMAL,
                  VK_ACCESS_TRANSFER_READ_BIT, VK_ACCESS_SHADER_READ_BIT, VK_PIPELINE_STAGE_FRAGMENT_SHADER_BIT);
    if (w > 1) w /= 2;
    if (h > 1) h /= 2;
  }
  level_barrier(levels - 1, VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL, VK_IMAGE_LAYOUT_SHADER_READ_ONLY_OPTIMAL,
                VK_ACCESS_TRANSFER_WRITE_BIT, VK_ACCESS_SHADER_READ_BIT, VK_PIPELINE_STAGE_FRAGMENT_SHADER_BIT);
  return end_one_time_commands(device, commands);
}

bool VulkanPLugin::texture_2d_update(tvc::TextureData* texture, int, int, int, int, int) {
  VkTextureRecord* record = texture_record(texture);
  if (!record || texture->type != tvc::TextureData::kType2D || record->borrowed) return false;
  VkDeviceRecord* device = object_owner(record->id);
  if (!device || record->staging_image == VK_NULL_HANDLE || !texture->get_pixmap_ptr()) return false;
  VkFunctionTable& fn = device->functions;
  if (record->staging_mapping) {  // left mapped by a read-back
    fn.vkUnmapMemory(device->device, record->staging_memory);
    record->staging_mapping = nullptr;
  }
  VkResult map_result = VK_SUCCESS;
  if (!texture_fill_staging(device, record->staging_image, record->staging_memory, record->staging_allocation_size,
                            texture, texture->get_pixmap_ptr(), "texture_2d_update", &map_result)) {
    if (map_result != VK_SUCCESS)
      tracef_error("texture_2d_update - unable to map memory data for texture %s (err: %s).",
                   texture->get_texture_name(), vk_result_to_string(map_result));
    return false;
  }
  VkCommandBuffer commands = begin_one_time_commands(device, true);
  if (!commands) return false;
  if (record->staging_layout != VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL)
    transition_image_layout(device, commands, record->staging_image, record->staging_layout,
                            VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL);
  record->staging_layout = VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL;
  transition_image_layout(device, commands, record->device_image, VK_IMAGE_LAYOUT_UNDEFINED,
                          VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL, 0, record->level_count);
  VkImageCopy region = full_copy(texture->width, texture->height, 0);
  fn.vkCmdCopyImage(commands, record->staging_image, VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL, record->device_image,
                    VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL, 1, &region);
  transition_image_layout(device, commands, record->device_image, VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL,
                          VK_IMAGE_LAYOUT_SHADER_READ_ONLY_OPTIMAL, 0, record->level_count);
  return end_one_time_commands(device, commands);
}

bool VulkanPLugin::texture_2d_array_load(tvc::RendererGpu* gpu, tvc::TextureData* texture, int) {
  if (!texture) return false;
  if (texture->is_loaded_in_gpu_memory()) return true;
  if (texture->type != tvc::TextureData::kType2DArray) return false;
  VkDeviceRecord* device = device_of(gpu);
  const uint32_t layers = texture->get_num_layers();
  if (!device || !texture_check_size(device, texture, layers)) return false;
  VkTextureRecord* record = texture_new_record(device, texture);
  const VkGpuRecord* gpu_rec = device_gpu(device);
  VkFunctionTable& fn = device->functions;
  std::vector<ImageObjects> staging(layers);
  ImageObjects image;
  bool ok = true;
  for (uint32_t i = 0; ok && i < layers; ++i) {
    ImageRequest request = linear_request(record->format, texture->width, texture->height,
                                          VK_IMAGE_USAGE_TRANSFER_SRC_BIT);
    VkResult result = create_image_objects(device, gpu_rec, request, &staging[i]);
    VkResult map_result = VK_SUCCESS;
    if (result != VK_SUCCESS) {
      log_array_failure(this, static_cast<int>(i), static_cast<int>(layers), staging[i], result);
      ok = false;
    } else if (!texture_fill_staging(device, staging[i].image, staging[i].memory, staging[i].size, texture,
                                     texture->get_layer_pixmap_ptr(i), "texture_2d_array_load", &map_result)) {
      if (map_result != VK_SUCCESS)
        tracef_error("texture_2d_array_load - unable to map memory data for layer %d (err=%d).", static_cast<int>(i),
                     static_cast<int>(map_result));
      ok = false;
    }
  }
  if (ok) {
    VkResult result = create_image_objects(
        device, gpu_rec,
        device_request(record->format, texture->width, texture->height, 1, layers,
                       VK_IMAGE_USAGE_TRANSFER_DST_BIT | VK_IMAGE_USAGE_SAMPLED_BIT),
        &image);
    ok = result == VK_SUCCESS;
    if (!ok) log_array_failure(this, -1, static_cast<int>(layers), image, result);
  }
  VkCommandBuffer commands = ok ? begin_one_time_commands(device, true) : nullptr;
  if (ok && !commands) {
    tracef_error("texture_2d_array_load - unable to begin the upload commands (err=%d).",
                 static_cast<int>(VK_ERROR_OUT_OF_DEVICE_MEMORY));
    ok = false;
  }
  if (ok) {
    for (uint32_t i = 0; i < layers; ++i) {
      transition_image_layout(device, commands, staging[i].image, VK_IMAGE_LAYOUT_PREINITIALIZED,
                              VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL);
      transition_image_layout(device, commands, image.image, VK_IMAGE_LAYOUT_UNDEFINED,
                              VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL, i);
      VkImageCopy region = full_copy(texture->width, texture->height, i);
      fn.vkCmdCopyImage(commands, staging[i].image, VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL, image.image,
                        VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL, 1, &region);
      transition_image_layout(device, commands, image.image, VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL,
                              VK_IMAGE_LAYOUT_SHADER_READ_ONLY_OPTIMAL, i);
    }
    ok = end_one_time_commands(device, commands);
    if (!ok) tracef_error("texture_2d_array_load - the upload failed (err=%d).", VK_ERROR_DEVICE_LOST);
  }
  for (ImageObjects& layer : staging) release_image_objects(device, &layer);
  if (!ok) {
    release_image_objects(device, &image);
    unregister_object(record->id);
    delete record;
    texture->renderer_data = nullptr;
    return false;
  }
  record->device_image = image.image;
  record->device_memory = image.memory;
  record->view = image.view;
  record->memory_bound = true;
  device->textures.push_back(texture);
  texture->set_loaded_in_gpu_memory_state(true);
  texture->needs_upload = 0;
  tracef("texture 2D array loaded ok (#layers=%d - size=%dx%d)", static_cast<int>(layers),
         static_cast<int>(texture->width), static_cast<int>(texture->height));
  return true;
}

// Destroys what the record owns (nothing when it borrows a render target's
// objects), frees it and marks the texture unloaded.
bool VulkanPLugin::texture_release(VkDeviceRecord* device, tvc::TextureData* texture) {
  VkTextureRecord* record = texture_record(texture);
  erase_from(device->textures, texture);
  if (!record) return false;
  unregister_object(record->id);
  VkFunctionTable& fn = device->functions;
  if (!record->borrowed) {
    if (record->staging_mapping) fn.vkUnmapMemory(device->device, record->staging_memory);
    ImageObjects main_image{record->device_image, record->device_memory, record->view, 0, 0};
    ImageObjects staging{record->staging_image, record->staging_memory, VK_NULL_HANDLE, 0, 0};
    release_image_objects(device, &main_image);
    release_image_objects(device, &staging);
  }
  const int id = record->id;
  delete record;
  texture->renderer_data = nullptr;
  tracef_debug("Texture (%d / %s) unloaded from GPU memory", id, texture->get_texture_name());
  texture->set_loaded_in_gpu_memory_state(false);
  return true;
}

bool VulkanPLugin::texture_unload(tvc::TextureData* texture) {
  VkTextureRecord* record = texture_record(texture);
  VkDeviceRecord* device = record ? object_owner(record->id) : nullptr;
  if (!device) return false;
  return texture_release(device, texture);
}

bool VulkanPLugin::texture_bind_memory(tvc::TextureData* texture, int) {
  VkTextureRecord* record = texture_record(texture);
  VkDeviceRecord* device = record ? object_owner(record->id) : nullptr;
  if (!device) return false;
  if (record->memory_bound) return true;
  const VkResult result =
      device->functions.vkBindImageMemory(device->device, record->device_image, record->device_memory, 0);
  if (result != VK_SUCCESS) {
    tracef_error("unable to bind the texture (%s / %d) - (err=%d).", texture->get_texture_name(),
                 texture->get_texture_id(), static_cast<int>(result));
    return false;
  }
  record->memory_bound = true;
  return true;
}

namespace {
bool texture_read_pixels(VulkanPLugin* plugin, tvc::TextureData* texture, int format_a, int format_b) {
  VkTextureRecord* record = texture_record(texture);
  if (!record || texture->type != tvc::TextureData::kType2D || record->staging_image == VK_NULL_HANDLE) return false;
  if (texture->get_pixel_format() != format_a && texture->get_pixel_format() != format_b) return false;
  VkDeviceRecord* device = plugin->object_owner(record->id);
  if (!device) return false;
  VkFunctionTable& fn = device->functions;
  VkCommandBuffer commands = begin_one_time_commands(device, true);
  if (!commands) return false;
  if (record->staging_layout != VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL) {
    transition_image_layout(device, commands, record->staging_image, record->staging_layout,
                            VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL);
    record->staging_layout = VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL;
  }
  transition_image_layout(device, commands, record->device_image, VK_IMAGE_LAYOUT_SHADER_READ_ONLY_OPTIMAL,
                          VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL);
  VkImageCopy region = full_copy(texture->width, texture->height, 0);
  fn.vkCmdCopyImage(commands, record->device_image, VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL, record->staging_image,
                    VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL, 1, &region);
  transition_image_layout(device, commands, record->device_image, VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL,
                          VK_IMAGE_LAYOUT_SHADER_READ_ONLY_OPTIMAL);
  if (!end_one_time_commands(device, commands)) return false;
  if (!record->staging_mapping &&
      fn.vkMapMemory(device->device, record->staging_memory, 0, record->staging_allocation_size, 0,
                     &record->staging_mapping) != VK_SUCCESS) {
    record->staging_mapping = nullptr;
    return false;
  }
  texture->image.set_u8_ptr(static_cast<unsigned char*>(record->staging_mapping));
  return true;
}
}  // namespace

bool VulkanPLugin::texture_read_pixels_rgb(tvc::TextureData* texture) {
  return texture_read_pixels(this, texture, tvc::PF_RGB_U8, tvc::PF_BGR_U8);
}

bool VulkanPLugin::texture_read_pixels_rgba(tvc::TextureData* texture) {
  return texture_read_pixels(this, texture, tvc::PF_RGBA_U8, tvc::PF_BGRA_U8);
}
