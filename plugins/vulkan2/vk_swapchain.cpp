// Render windows, their presentation surfaces and the swapchain of a device.
#include <cstring>

#include "vk_generation.h"
#include "vk_device.h"

namespace {
void release_window_dc(tvc::RenderWindow* window);
}

VkSurfaceRecord* VulkanPLugin::surface_record(tvc::RenderWindow* window) {
  return window ? static_cast<VkSurfaceRecord*>(window->renderer_data) : nullptr;
}

// ---- render windows

tvc::RenderWindow* VulkanPLugin::render_window_create() {
  tvc::RenderWindow* window = new tvc::RenderWindow;
  VkSurfaceRecord* surface = new VkSurfaceRecord;
  surface->instance = instance_record;
  window->renderer_data = surface;
  render_windows.push_back(window);
  set_current_render_window(window);
  return window;
}

bool VulkanPLugin::render_window_kill(tvc::RenderWindow* window) {
  if (!window) return false;
  for (auto it = render_windows.begin(); it != render_windows.end(); ++it) {
    if (*it != window) continue;
    render_windows.erase(it);
    if (get_current_render_window() == window) set_current_render_window(nullptr);
    render_window_destroy_surface(window);
    release_window_dc(window);
    delete surface_record(window);
    window->renderer_data = nullptr;
    delete window;
    return true;
  }
  return false;
}

bool VulkanPLugin::render_window_killall() {
  for (tvc::RenderWindow* window : render_windows) {
    render_window_destroy_surface(window);
    release_window_dc(window);
    delete surface_record(window);
    window->renderer_data = nullptr;
    delete window;
  }
  render_windows.clear();
  set_current_render_window(nullptr);
  return true;
}

bool VulkanPLugin::render_window_destroy_surface(tvc::RenderWindow* window) {
  if (!window) return false;
  if (!window->surface_created) return true;
  VkSurfaceRecord* surface = surface_record(window);
  if (!surface) return false;
  window->surface_created = 0;
  if (surface->surface != VK_NULL_HANDLE) {
    // The surface belongs to the instance that is live now; once that is gone
    // the handle is gone with it.
    if (instance_record && instance_record->instance && instance_record->functions.vkDestroySurfaceKHR)
      instance_record->functions.vkDestroySurfaceKHR(instance_record->instance, surface->surface, nullptr);
    surface->surface = VK_NULL_HANDLE;
  }
  return true;
}

bool VulkanPLugin::render_window_init(tvc::RenderWindow* window, const tvc::RenderWindowDesc* desc, int) {
  if (!window || !desc) return false;
  memcpy(&window->desc, desc, sizeof(window->desc));
  release_window_dc(window);
  HWND handle = desc->native_window ? *static_cast<HWND const*>(desc->native_window) : nullptr;
  window->native_window = handle;
  window->device_context = handle ? GetDC(handle) : nullptr;
  return create_surface(window);
}

tvc::RenderWindow* VulkanPLugin::render_window_set_surface_flag(tvc::RenderWindow* window) {
  if (window) window->surface_created = 1;
  return window;
}

bool VulkanPLugin::create_surface(tvc::RenderWindow* window) {
  if (!window) return false;
  if (window->surface_created) return true;
  VkSurfaceRecord* surface = surface_record(window);
  if (!surface) return false;
  if (!instance_record || !instance_record->instance || !instance_record->functions.vkCreateWin32SurfaceKHR) {
    tracef_error("unable to create the render window present surface - (err: %s).",
                 vk_result_to_string(VK_ERROR_INITIALIZATION_FAILED));
    return false;
  }
  VkWin32SurfaceCreateInfoKHR info{};
  info.sType = VK_STRUCTURE_TYPE_WIN32_SURFACE_CREATE_INFO_KHR;
  info.hinstance = GetModuleHandleW(nullptr);
  info.hwnd = static_cast<HWND>(window->native_window);
  VkSurfaceKHR handle = VK_NULL_HANDLE;
  VkResult result =
      instance_record->functions.vkCreateWin32SurfaceKHR(instance_record->instance, &info, nullptr, &handle);
  if (result != VK_SUCCESS) {
    tracef_error("unable to create the render window present surface - (err: %s).", vk_result_to_string(result));
    return false;
  }
  if (handle == VK_NULL_HANDLE) {
    tracef_error(
        "unable to create the render window present surface - vkCreateWin32SurfaceKHR returned VK_SUCCESS but "
        "present surface is still NULL.");
    return false;
  }
  surface->surface = handle;
  surface->instance = instance_record;
  window->surface_created = 1;
  return true;
}

// ---- swapchain

namespace {

void release_window_dc(tvc::RenderWindow* window) {
  if (window->native_window && window->device_context)
    ReleaseDC(static_cast<HWND>(window->native_window), static_cast<HDC>(window->device_context));
  window->device_context = nullptr;
}

void forget_surface_lists(VkSurfaceRecord* surface) {
  surface->formats.clear();
  surface->present_modes.clear();
}

// Reads the format and present-mode lists once; false when either query fails.
bool read_surface_lists(VkFunctionTable& fn, VkPhysicalDevice physical, VkSurfaceRecord* surface) {
  const uint32_t kMaxEntries = 256;
  if (surface->formats.empty()) {
    uint32_t count = 0;
    if (fn.vkGetPhysicalDeviceSurfaceFormatsKHR(physical, surface->surface, &count, nullptr) != VK_SUCCESS)
      return false;
    if (count > kMaxEntries) count = kMaxEntries;
    surface->formats.assign(count, VkSurfaceFormatKHR{});
    VkResult r = count ? fn.vkGetPhysicalDeviceSurfaceFormatsKHR(physical, surface->surface, &count,
                                                                 surface->formats.data())
                       : VK_SUCCESS;
    if (r != VK_SUCCESS && r != VK_INCOMPLETE) return false;
    if (count < surface->formats.size()) surface->formats.resize(count);
  }
  if (surface->present_modes.empty()) {
    uint32_t count = 0;
    if (fn.vkGetPhysicalDeviceSurfacePresentModesKHR(physical, surface->surface, &count, nullptr) != VK_SUCCESS)
      return false;
    if (count > kMaxEntries) count = kMaxEntries;
    surface->present_modes.assign(count, VK_PRESENT_MODE_FIFO_KHR);
    VkResult r = count ? fn.vkGetPhysicalDeviceSurfacePresentModesKHR(physical, surface->surface, &count,
                                                                      surface->present_modes.data())
                       : VK_SUCCESS;
    if (r != VK_SUCCESS && r != VK_INCOMPLETE) return false;
    if (count < surface->present_modes.size()) surface->present_modes.resize(count);
  }
  return true;
}

bool offers_mode(const std::vector<VkPresentModeKHR>& modes, VkPresentModeKHR mode) {
  for (VkPresentModeKHR m : modes)
    if (m == mode) return true;
  return false;
}

const uint32_t kUndefinedExtent = 0xFFFFFFFFu;

// The swapchain images are read back by copy or blit. The second generation
// asks the surface whether its images may be a transfer source; the first
// asks the chosen format's optimal tiling (blit or transfer source), and
// both need the surface to allow it: a usage the surface does not offer
// makes the swapchain invalid.
VkImageUsageFlags swapchain_usage(const VkFunctionTable& fn, VkPhysicalDevice physical,
                                  const VkSurfaceCapabilitiesKHR& caps, VkFormat format) {
  VkImageUsageFlags usage = VK_IMAGE_USAGE_COLOR_ATTACHMENT_BIT;
  bool readable = (caps.supportedUsageFlags & VK_IMAGE_USAGE_TRANSFER_SRC_BIT) != 0;
  if (readable) readable = generation::swapchain_readable_format(fn, physical, format);
  if (readable) usage |= VK_IMAGE_USAGE_TRANSFER_SRC_BIT;
  return usage;
}

// Destroys the views, the swapchain and the record.
void free_swapchain(VkFunctionTable& fn, VkDevice device, VkSwapchainRecord* record) {
  if (!record) return;
  for (VkSwapchainBuffer& buffer : record->buffers)
    if (buffer.view != VK_NULL_HANDLE) fn.vkDestroyImageView(device, buffer.view, nullptr);
  if (record->swapchain != VK_NULL_HANDLE) fn.vkDestroySwapchainKHR(device, record->swapchain, nullptr);
  delete record;
}

}  // namespace

VkSwapchainRecord* VulkanPLugin::create_swapchain(VkGpuRecord* gpu, VkDeviceRecord* device,
                                                  tvc::RenderWindow* window) {
  VkSurfaceRecord* surface = surface_record(window);
  if (!gpu || !device || !device->device || !window || !window->is_size_valid() || !surface ||
      surface->surface == VK_NULL_HANDLE)
    return nullptr;
  VkFunctionTable& fn = device->functions;
  VkSwapchainKHR old_swapchain = device->swapchain ? device->swapchain->swapchain : VK_NULL_HANDLE;

  VkSurfaceCapabilitiesKHR caps{};
  if (fn.vkGetPhysicalDeviceSurfaceCapabilitiesKHR(gpu->physical_device, surface->surface, &caps) != VK_SUCCESS)
    return nullptr;
  if (caps.currentExtent.width != kUndefinedExtent)
    window->update_size(caps.currentExtent.width, caps.currentExtent.height);
  if (window->get_width() <= 0 || window->get_height() <= 0) return nullptr;

  if (!read_surface_lists(fn, gpu->physical_device, surface) || surface->formats.empty()) {
    // No format to make images of: nothing to create.
    forget_surface_lists(surface);
    tracef_error("unable to create a swapchain (err: %s).", vk_result_to_string(VK_ERROR_FORMAT_NOT_SUPPORTED));
    return nullptr;
  }

  uint32_t image_count = caps.minImageCount + 1;
  if (caps.maxImageCount != 0 && image_count > caps.maxImageCount) image_count = caps.maxImageCount;

  VkExtent2D extent;
  if (caps.currentExtent.width != kUndefinedExtent) {
    extent.width = static_cast<uint32_t>(window->get_width());
    extent.height = static_cast<uint32_t>(window->get_height());
  } else {
    // The surface takes the swapchain's size: the window's, within the limits.
    extent.width = static_cast<uint32_t>(window->get_width());
    extent.height = static_cast<uint32_t>(window->get_height());
    if (extent.width < caps.minImageExtent.width) extent.width = caps.minImageExtent.width;
    if (extent.width > caps.maxImageExtent.width) extent.width = caps.maxImageExtent.width;
    if (extent.height < caps.minImageExtent.height) extent.height = caps.minImageExtent.height;
    if (extent.height > caps.maxImageExtent.height) extent.height = caps.maxImageExtent.height;
  }

  VkSurfaceFormatKHR chosen = surface->formats[0];
  if (surface->formats.size() == 1 && surface->formats[0].format == VK_FORMAT_UNDEFINED) {
    chosen.format = VK_FORMAT_R8G8B8A8_UNORM;
  } else {
    for (const VkSurfaceFormatKHR& f : surface->formats) {
      if (f.format == VK_FORMAT_B8G8R8A8_UNORM) {
        chosen = f;
        break;
      }
    }
  }

  VkPresentModeKHR mode = VK_PRESENT_MODE_FIFO_KHR;
  if (!window->desc.vsync) {
    if (window->desc.mailbox == 0 && offers_mode(surface->present_modes, VK_PRESENT_MODE_IMMEDIATE_KHR))
      mode = VK_PRESENT_MODE_IMMEDIATE_KHR;
    else if (offers_mode(surface->present_modes, VK_PRESENT_MODE_MAILBOX_KHR))
      mode = VK_PRESENT_MODE_MAILBOX_KHR;
  }

  VkSurfaceCapabilitiesKHR again{};
  if (fn.vkGetPhysicalDeviceSurfaceCapabilitiesKHR(gpu->physical_device, surface->surface, &again) == VK_SUCCESS &&
      again.currentExtent.width != kUndefinedExtent &&
      (again.currentExtent.width != extent.width || again.currentExtent.height != extent.height)) {
    window->update_size(again.currentExtent.width, again.currentExtent.height);
    if (window->get_width() <= 0 || window->get_height() <= 0) return nullptr;
    extent.width = static_cast<uint32_t>(window->get_width());
    extent.height = static_cast<uint32_t>(window->get_height());
  }

  VkSwapchainCreateInfoKHR info{};
  info.sType = VK_STRUCTURE_TYPE_SWAPCHAIN_CREATE_INFO_KHR;
  info.surface = surface->surface;
  info.minImageCount = image_count;
  info.imageFormat = chosen.format;
  info.imageColorSpace = chosen.colorSpace;
  info.imageExtent = extent;
  info.imageArrayLayers = 1;
  info.imageUsage = swapchain_usage(fn, gpu->physical_device, caps, chosen.format);
  info.imageSharingMode = VK_SHARING_MODE_EXCLUSIVE;
  info.preTransform = VK_SURFACE_TRANSFORM_IDENTITY_BIT_KHR;
  info.compositeAlpha = VK_COMPOSITE_ALPHA_OPAQUE_BIT_KHR;
  info.presentMode = mode;
  info.clipped = VK_TRUE;
  info.oldSwapchain = old_swapchain;
  VkSwapchainKHR handle = VK_NULL_HANDLE;
  VkResult result = fn.vkCreateSwapchainKHR(device->device, &info, nullptr, &handle);
  if (result != VK_SUCCESS) {
    forget_surface_lists(surface);
    tracef_error("unable to create a swapchain (err: %s).", vk_result_to_string(result));
    return nullptr;
  }

  if (device->swapchain) {
    wait_device_idle(device);
    free_swapchain(fn, device->device, device->swapchain);
    device->swapchain = nullptr;
  }

  VkSwapchainRecord* record = new VkSwapchainRecord;
  record->id = tvc::utils::gen_id();
  record->swapchain = handle;
  record->format = chosen.format;
  record->width = extent.width;
  record->height = extent.height;
  uint32_t count = 0;
  result = fn.vkGetSwapchainImagesKHR(device->device, handle, &count, nullptr);
  const uint32_t kMaxImages = 16;
  if (result != VK_SUCCESS || count == 0) {
    forget_surface_lists(surface);
    tracef_error("unable to get swapchain image count (err: %s).",
                 vk_result_to_string(result == VK_SUCCESS ? VK_INCOMPLETE : result));
    free_swapchain(fn, device->device, record);
    return nullptr;
  }
  if (count > kMaxImages) count = kMaxImages;
  record->images.assign(count, VK_NULL_HANDLE);
  result = fn.vkGetSwapchainImagesKHR(device->device, handle, &count, record->images.data());
  if ((result != VK_SUCCESS && result != VK_INCOMPLETE) || count == 0) {
    forget_surface_lists(surface);
    tracef_error("unable to get swapchain image count (err: %s).",
                 vk_result_to_string(result == VK_SUCCESS ? VK_INCOMPLETE : result));
    free_swapchain(fn, device->device, record);
    return nullptr;
  }
  if (count < record->images.size()) record->images.resize(count);
  record->image_count = static_cast<uint32_t>(record->images.size());
  record->buffers.assign(record->image_count, VkSwapchainBuffer{});
  for (uint32_t i = 0; i < record->image_count; ++i) {
    record->buffers[i].image = record->images[i];
    VkImageViewCreateInfo view{};
    view.sType = VK_STRUCTURE_TYPE_IMAGE_VIEW_CREATE_INFO;
    view.image = record->images[i];
    view.viewType = VK_IMAGE_VIEW_TYPE_2D;
    view.format = chosen.format;
    view.components = {VK_COMPONENT_SWIZZLE_R, VK_COMPONENT_SWIZZLE_G, VK_COMPONENT_SWIZZLE_B,
                       VK_COMPONENT_SWIZZLE_A};
    view.subresourceRange.aspectMask = VK_IMAGE_ASPECT_COLOR_BIT;
    view.subresourceRange.levelCount = 1;
    view.subresourceRange.layerCount = 1;
    result = fn.vkCreateImageView(device->device, &view, nullptr, &record->buffers[i].view);
    if (result != VK_SUCCESS) {
      record->buffers[i].view = VK_NULL_HANDLE;
      tracef_error("unable to create an image view (%d) for the swapchain (err: %s).", static_cast<int>(i),
                   vk_result_to_string(result));
      free_swapchain(fn, device->device, record);
      return nullptr;
    }
  }
  tracef_debug("swapchain created ok.");
  device->swapchain = record;
  return record;
}

VkResult create_framebuffer(VkDeviceRecord* device, VkRenderPass pass, const VkImageView* views, uint32_t view_count,
                            uint32_t width, uint32_t height, VkFramebuffer* out) {
  VkFramebufferCreateInfo info{};
  info.sType = VK_STRUCTURE_TYPE_FRAMEBUFFER_CREATE_INFO;
  info.renderPass = pass;
  info.attachmentCount = view_count;
  info.pAttachments = views;
  info.width = width;
  info.height = height;
  info.layers = 1;
  const VkResult result = device->functions.vkCreateFramebuffer(device->device, &info, nullptr, out);
  if (result != VK_SUCCESS) *out = VK_NULL_HANDLE;
  return result;
}

VkResult make_swapchain_framebuffer(VkDeviceRecord* device, uint32_t image, uint32_t width, uint32_t height,
                                    VkFramebuffer* out) {
  const VkImageView views[2] = {device->swapchain->buffers[image].view,
                                device->depth_buffer ? device->depth_buffer->view : VK_NULL_HANDLE};
  return create_framebuffer(device, device->rp1->render_pass, views, device->depth_buffer ? 2 : 1, width, height, out);
}

bool VulkanPLugin::destroy_swapchain(VkDeviceRecord* device, tvc::RenderWindow* window) {
  if (!device) return false;
  if (!device->swapchain) return true;
  if (VkSurfaceRecord* surface = surface_record(window)) forget_surface_lists(surface);
  free_swapchain(device->functions, device->device, device->swapchain);
  device->swapchain = nullptr;
  return true;
}

// A window whose surface has a non-zero extent: a minimised one is not
// rebuilt.
bool VulkanPLugin::surface_can_take_swapchain(VkGpuRecord* record, tvc::RenderWindow* window) {
  VkSurfaceRecord* surface = surface_record(window);
  if (!record || !window || !record->physical_device || !record->current_device || !surface ||
      surface->surface == VK_NULL_HANDLE)
    return false;
  VkSurfaceCapabilitiesKHR caps{};
  return record->current_device->functions.vkGetPhysicalDeviceSurfaceCapabilitiesKHR(
             record->physical_device, surface->surface, &caps) == VK_SUCCESS &&
         caps.currentExtent.width != 0 && caps.currentExtent.height != 0;
}

// The depth buffer and render passes, made again for the new swapchain.
bool VulkanPLugin::rebuild_depth_and_passes(VkGpuRecord* record, VkDeviceRecord* device) {
  vk_depth_buffer_release(device);
  vk_render_pass_release(device);
  return vk_depth_buffer_init(record, device, device->swapchain->width, device->swapchain->height) &&
         vk_render_pass_init(device);
}

bool VulkanPLugin::swapchain_next_image_index(tvc::RendererGpu* gpu, int) {
  VkGpuRecord* record = gpu_record(gpu);
  VkDeviceRecord* device = record ? record->current_device : nullptr;
  if (!device || !device->swapchain || device->swapchain->image_count == 0) return false;
  device->swapchain->current_image_index = (device->swapchain->current_image_index + 1) % device->swapchain->image_count;
  return true;
}

unsigned VulkanPLugin::swapchain_get_image_count(tvc::RendererGpu* gpu) {
  VkGpuRecord* record = gpu_record(gpu);
  VkDeviceRecord* device = record ? record->current_device : nullptr;
  return device && device->swapchain ? device->swapchain->image_count : 0;
}

unsigned VulkanPLugin::swapchain_get_image_index(tvc::RendererGpu* gpu) {
  VkGpuRecord* record = gpu_record(gpu);
  VkDeviceRecord* device = record ? record->current_device : nullptr;
  return device && device->swapchain ? device->swapchain->current_image_index : 0;
}

int VulkanPLugin::swapchain_get_recreate_count(tvc::RendererGpu* gpu) {
  VkDeviceRecord* device = device_of(gpu);
  return device ? device->recreate_count : -1;
}

bool VulkanPLugin::swapchain_is_recreated(tvc::RendererGpu* gpu) {
  VkDeviceRecord* device = device_of(gpu);
  if (!device || device->recreate_count <= device->last_seen_recreate_count) return false;
  device->last_seen_recreate_count = device->recreate_count;
  return true;
}
