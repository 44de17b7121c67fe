// Frame-buffer read-back: the current swapchain image of the current GPU's
// device, copied through a linear host-visible image into the caller's memory.
#include <cstring>
#include <utility>

#include "vk_generation.h"
#include "vk_device.h"
#include "vk_resources.h"

namespace {

// A linear image in host-visible memory, the transfer destination.
struct LinearImage {
  VkImage image = VK_NULL_HANDLE;
  VkDeviceMemory memory = VK_NULL_HANDLE;
};

void release_linear_image(VkDeviceRecord* device, LinearImage& target) {
  VkFunctionTable& fn = device->functions;
  if (target.image != VK_NULL_HANDLE) fn.vkDestroyImage(device->device, target.image, nullptr);
  if (target.memory != VK_NULL_HANDLE) fn.vkFreeMemory(device->device, target.memory, nullptr);
  target = LinearImage{};
}

VkResult make_linear_image(const VkGpuRecord* gpu, VkDeviceRecord* device, uint32_t width, uint32_t height,
                           LinearImage* target) {
  VkFunctionTable& fn = device->functions;
  const VkImageCreateInfo info =
      image_2d_request(generation::readback_format(), width, height, VK_IMAGE_USAGE_TRANSFER_DST_BIT,
                       VK_IMAGE_TILING_LINEAR)
          .info;
  VkResult result = fn.vkCreateImage(device->device, &info, nullptr, &target->image);
  if (result != VK_SUCCESS) {
    target->image = VK_NULL_HANDLE;
    return result;
  }
  VkMemoryRequirements needs{};
  fn.vkGetImageMemoryRequirements(device->device, target->image, &needs);
  VkMemoryAllocateInfo alloc{};
  alloc.sType = VK_STRUCTURE_TYPE_MEMORY_ALLOCATE_INFO;
  alloc.allocationSize = needs.size;
  // Coherent host memory, else the first type the image allows (never one
  // it does not allow), else no read-back.
  const int type = find_memory_type(gpu, needs.memoryTypeBits,
                                    VK_MEMORY_PROPERTY_HOST_VISIBLE_BIT | VK_MEMORY_PROPERTY_HOST_COHERENT_BIT,
                                    kAnyAllowedMemory);
  if (type < 0) return VK_ERROR_OUT_OF_DEVICE_MEMORY;
  alloc.memoryTypeIndex = static_cast<uint32_t>(type);
  result = fn.vkAllocateMemory(device->device, &alloc, nullptr, &target->memory);
  if (result != VK_SUCCESS) {
    target->memory = VK_NULL_HANDLE;
    return result;
  }
  return fn.vkBindImageMemory(device->device, target->image, target->memory, 0);
}

void image_barrier(VkFunctionTable& fn, VkCommandBuffer commands, VkImage image, VkImageLayout from, VkImageLayout to,
                   VkAccessFlags src_access, VkAccessFlags dst_access, VkPipelineStageFlags src_stage) {
  VkImageMemoryBarrier barrier{};
  barrier.sType = VK_STRUCTURE_TYPE_IMAGE_MEMORY_BARRIER;
  barrier.srcAccessMask = src_access;
  barrier.dstAccessMask = dst_access;
  barrier.oldLayout = from;
  barrier.newLayout = to;
  barrier.srcQueueFamilyIndex = VK_QUEUE_FAMILY_IGNORED;
  barrier.dstQueueFamilyIndex = VK_QUEUE_FAMILY_IGNORED;
  barrier.image = image;
  barrier.subresourceRange = {VK_IMAGE_ASPECT_COLOR_BIT, 0, 1, 0, 1};
  fn.vkCmdPipelineBarrier(commands, src_stage, VK_PIPELINE_STAGE_TRANSFER_BIT, 0, 0, nullptr, 0, nullptr, 1,
                          &barrier);
}

// Records the swapchain image's transfer into the linear image.
void record_transfer(VkFunctionTable& fn, VkCommandBuffer commands, VkImage source, VkImage target, uint32_t width,
                     uint32_t height, bool blit) {
  image_barrier(fn, commands, target, VK_IMAGE_LAYOUT_UNDEFINED, VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL, 0,
                VK_ACCESS_TRANSFER_WRITE_BIT, VK_PIPELINE_STAGE_TRANSFER_BIT);
  // The frame's drawing into the image is finished before it is read.
  image_barrier(fn, commands, source, VK_IMAGE_LAYOUT_PRESENT_SRC_KHR, VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL,
                VK_ACCESS_MEMORY_READ_BIT | VK_ACCESS_COLOR_ATTACHMENT_WRITE_BIT, VK_ACCESS_TRANSFER_READ_BIT,
                VK_PIPELINE_STAGE_ALL_COMMANDS_BIT);
  const VkImageSubresourceLayers layers = {VK_IMAGE_ASPECT_COLOR_BIT, 0, 0, 1};
  if (blit) {
    VkImageBlit region{};
    region.srcSubresource = layers;
    region.srcOffsets[1] = {static_cast<int32_t>(width), static_cast<int32_t>(height), 1};
    region.dstSubresource = layers;
    region.dstOffsets[1] = region.srcOffsets[1];
    fn.vkCmdBlitImage(commands, source, VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL, target,
                      VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL, 1, &region, VK_FILTER_NEAREST);
  } else {
    VkImageCopy region{};
    region.srcSubresource = layers;
    region.dstSubresource = layers;
    region.extent = {width, height, 1};
    fn.vkCmdCopyImage(commands, source, VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL, target,
                      VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL, 1, &region);
  }
  image_barrier(fn, commands, target, VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL, VK_IMAGE_LAYOUT_GENERAL,
                VK_ACCESS_TRANSFER_WRITE_BIT, VK_ACCESS_MEMORY_READ_BIT, VK_PIPELINE_STAGE_TRANSFER_BIT);
  image_barrier(fn, commands, source, VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL, VK_IMAGE_LAYOUT_PRESENT_SRC_KHR,
                VK_ACCESS_TRANSFER_READ_BIT, VK_ACCESS_MEMORY_READ_BIT, VK_PIPELINE_STAGE_TRANSFER_BIT);
}

// B, G, R, A pixels become R, G, B, A.
void swap_red_blue(unsigned char* pixels, size_t count) {
  for (size_t i = 0; i < count; ++i) std::swap(pixels[i * 4 + 0], pixels[i * 4 + 2]);
}

}  // namespace

void VulkanPLugin::get_color_buffer_size(int* size, int* width, int* height) {
  VkDeviceRecord* device = device_of(nullptr);
  if (!current_gpu || !device || !device->swapchain) return;
  const int w = static_cast<int>(device->swapchain->width);
  const int h = static_cast<int>(device->swapchain->height);
  if (size) *size = w * h * 4;
  if (width) *width = w;
  if (height) *height = h;
}

void VulkanPLugin::read_color_buffer(unsigned char* buffer) {
  VkDeviceRecord* device = device_of(nullptr);
  if (!current_gpu || !device || !device->swapchain) return;
  read_color_buffer_ex(buffer, 0, 0, static_cast<int>(device->swapchain->width),
                       static_cast<int>(device->swapchain->height));
}

void VulkanPLugin::read_color_buffer_ex(unsigned char* buffer, int, int, int width, int height) {
  VkGpuRecord* gpu = gpu_record(current_gpu);
  VkDeviceRecord* device = gpu ? gpu->current_device : nullptr;
  if (!buffer || !device || !device->swapchain || device->swapchain->image_count == 0) return;
  VkSwapchainRecord* swapchain = device->swapchain;
  // Only the image is read: the size is cut to the swapchain's extent.
  if (width <= 0 || height <= 0) return;
  const uint32_t w = static_cast<uint32_t>(width) < swapchain->width ? static_cast<uint32_t>(width) : swapchain->width;
  const uint32_t h =
      static_cast<uint32_t>(height) < swapchain->height ? static_cast<uint32_t>(height) : swapchain->height;
  if (w == 0 || h == 0 || swapchain->current_image_index >= swapchain->image_count) return;
  VkFunctionTable& fn = device->functions;

  VkFormatProperties surface_props{}, linear_props{};
  fn.vkGetPhysicalDeviceFormatProperties(gpu->physical_device, swapchain->format, &surface_props);
  fn.vkGetPhysicalDeviceFormatProperties(gpu->physical_device, generation::readback_format(), &linear_props);
  const bool blit = (linear_props.linearTilingFeatures & VK_FORMAT_FEATURE_BLIT_DST_BIT) &&
                    (surface_props.optimalTilingFeatures & VK_FORMAT_FEATURE_BLIT_SRC_BIT);

  LinearImage target;
  VkResult result = make_linear_image(gpu, device, w, h, &target);
  if (result != VK_SUCCESS) {
    tracef_error("read_color_buffer - unable to create the read-back image (err: %s).", vk_result_to_string(result));
    release_linear_image(device, target);
    return;
  }
  VkCommandBuffer commands = begin_one_time_commands(device, true);
  if (!commands) {
    tracef_error("read_color_buffer - no command buffer for the read-back.");
    release_linear_image(device, target);
    return;
  }
  record_transfer(fn, commands, swapchain->images[swapchain->current_image_index], target.image, w, h, blit);
  if (!end_one_time_commands(device, commands)) {
    release_linear_image(device, target);
    return;
  }

  VkImageSubresource subresource = {VK_IMAGE_ASPECT_COLOR_BIT, 0, 0};
  VkSubresourceLayout layout{};
  fn.vkGetImageSubresourceLayout(device->device, target.image, &subresource, &layout);
  void* mapped = nullptr;
  result = fn.vkMapMemory(device->device, target.memory, 0, VK_WHOLE_SIZE, 0, &mapped);
  if (result != VK_SUCCESS || !mapped) {
    tracef_error("read_color_buffer - unable to map the read-back image (err: %s).", vk_result_to_string(result));
  } else {
    if (layout.rowPitch >= static_cast<VkDeviceSize>(w) * 4) {
      const bool swizzle = generation::readback_swizzles() && !blit && swapchain->format == VK_FORMAT_B8G8R8A8_UNORM;
      copy_rows(buffer, static_cast<uint64_t>(w) * 4, static_cast<const uint8_t*>(mapped) + layout.offset,
                layout.rowPitch, w * 4, h);
      if (swizzle) swap_red_blue(buffer, static_cast<size_t>(w) * h);
    }
    fn.vkUnmapMemory(device->device, target.memory);
  }
  release_linear_image(device, target);
}
