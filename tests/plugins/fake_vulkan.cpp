// Stand-in Vulkan loader: the global, instance and physical-device entry
// points the renderer's initialisation uses, answering from a configuration.
#define VK_NO_PROTOTYPES
#define VK_USE_PLATFORM_WIN32_KHR
#include <windows.h>
#include <vulkan/vulkan.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <vector>

#include "fake_vulkan.h"

#define FAKE_EXPORT extern "C" __declspec(dllexport)

namespace {
FakeVkConfig g_config;
FakeVkState g_state;
int g_instance_object;  // the one instance's handle points here
int g_device_objects[2];
fake_vk_violation_handler g_violation_handler;
void* g_violation_user;

// A call that would hang or is invalid: reported at once, never waited out.
void violation(const char* what) {
  ++g_state.violations;
  snprintf(g_state.last_violation, sizeof(g_state.last_violation), "%s", what);
  if (g_violation_handler) g_violation_handler(what, g_violation_user);
}

// Objects in use (fake_vulkan_usage.inc).
void usage_destroyed(uint64_t handle, const char* kind);
void usage_fence_seen(uint64_t fence);
bool usage_fence_in_flight(uint64_t fence);
void usage_idle();

uint32_t list_size(const char* const* list, uint32_t capacity) {
  uint32_t n = 0;
  while (n < capacity && list[n]) ++n;
  return n;
}

VkPhysicalDevice device_handle(uint32_t i) { return reinterpret_cast<VkPhysicalDevice>(&g_device_objects[i]); }

int device_index(VkPhysicalDevice handle) {
  for (int i = 0; i < 2; ++i)
    if (handle == device_handle(static_cast<uint32_t>(i))) return i;
  return -1;
}

void copy_name(char* out, size_t capacity, const char* in) { snprintf(out, capacity, "%s", in ? in : ""); }

int g_live_devices;  // outlives a configure

#include "fake_vulkan_memory.inc"

// ---- sizes of images (defined with the images below)
VkExtent2D g_swapchain_extent;  // of the last swapchain; outlives a configure
void note_image_size(const VkImageCreateInfo* info);

VKAPI_ATTR void VKAPI_CALL DestroyInstance(VkInstance, const VkAllocationCallbacks*) {
  if (g_live_devices > 0) violation("instance destroyed while a device made from it lives");
  ++g_state.instances_destroyed;
}

VKAPI_ATTR VkResult VKAPI_CALL EnumeratePhysicalDevices(VkInstance, uint32_t* count, VkPhysicalDevice* devices) {
  if (!devices) {
    *count = g_config.device_count;
    return VK_SUCCESS;
  }
  uint32_t n = *count < g_config.device_count ? *count : g_config.device_count;
  for (uint32_t i = 0; i < n; ++i) devices[i] = device_handle(i);
  *count = n;
  return VK_SUCCESS;
}

VKAPI_ATTR void VKAPI_CALL GetPhysicalDeviceProperties(VkPhysicalDevice handle, VkPhysicalDeviceProperties* props) {
  memset(props, 0, sizeof(*props));
  int i = device_index(handle);
  if (i < 0) return;
  const FakeVkDevice& d = g_config.devices[i];
  props->apiVersion = d.api_version;
  props->driverVersion = d.driver_version;
  props->vendorID = d.vendor_id;
  props->deviceID = d.device_id;
  props->deviceType = static_cast<VkPhysicalDeviceType>(d.device_type);
  copy_name(props->deviceName, sizeof(props->deviceName), d.name);
  props->limits.maxImageDimension2D = 4096;
  props->limits.minTexelOffset = -8;
  props->limits.maxViewportDimensions[0] = 4096;
  props->limits.maxViewportDimensions[1] = 2048;
  props->limits.minMemoryMapAlignment = 64;
}

VKAPI_ATTR void VKAPI_CALL GetPhysicalDeviceFeatures(VkPhysicalDevice, VkPhysicalDeviceFeatures* features) {
  memset(features, 0, sizeof(*features));
  features->geometryShader = VK_TRUE;
}

VKAPI_ATTR void VKAPI_CALL GetPhysicalDeviceMemoryProperties(VkPhysicalDevice handle,
                                                             VkPhysicalDeviceMemoryProperties* memory) {
  memset(memory, 0, sizeof(*memory));
  int i = device_index(handle);
  if (i < 0) return;
  memory->memoryHeapCount = 1;
  memory->memoryHeaps[0].size = g_config.devices[i].heap_bytes;
  fill_memory_types(i, memory);
}

const char* const kRayTracingExtensions[] = {"VK_KHR_acceleration_structure", "VK_KHR_ray_tracing_pipeline",
                                             "VK_KHR_buffer_device_address", "VK_KHR_deferred_host_operations"};

VKAPI_ATTR VkResult VKAPI_CALL EnumerateDeviceExtensionProperties(VkPhysicalDevice, const char*, uint32_t* count,
                                                                  VkExtensionProperties* props) {
  // The swapchain, the configured ones, and the ray-tracing set where the
  // configuration asks for it.
  const char* names[16] = {"VK_KHR_swapchain"};
  uint32_t n = 1;
  for (uint32_t i = 0; i < 8 && g_config.device_extensions[i]; ++i) names[n++] = g_config.device_extensions[i];
  for (uint32_t i = 0; g_config.raytracing && i < 4; ++i) names[n++] = kRayTracingExtensions[i];
  if (props) {
    for (uint32_t i = 0; i < n && i < *count; ++i)
      copy_name(props[i].extensionName, VK_MAX_EXTENSION_NAME_SIZE, names[i]);
    *count = *count < n ? *count : n;
    return *count < n ? VK_INCOMPLETE : VK_SUCCESS;
  }
  *count = n;
  return VK_SUCCESS;
}

VKAPI_ATTR VkResult VKAPI_CALL EnumerateDeviceLayerProperties(VkPhysicalDevice, uint32_t* count, VkLayerProperties*) {
  *count = 0;
  return VK_SUCCESS;
}

VKAPI_ATTR VkResult VKAPI_CALL CreateDebugReportCallbackEXT(VkInstance, const VkDebugReportCallbackCreateInfoEXT* info,
                                                            const VkAllocationCallbacks*,
                                                            VkDebugReportCallbackEXT* callback) {
  ++g_state.report_callbacks_created;
  g_state.report_callback_flags = info->flags;
  *callback = (VkDebugReportCallbackEXT)(uintptr_t)0x1234;
  if (g_config.report_debug_messages && info->pfnCallback)
    info->pfnCallback(VK_DEBUG_REPORT_WARNING_BIT_EXT | VK_DEBUG_REPORT_ERROR_BIT_EXT,
                      VK_DEBUG_REPORT_OBJECT_TYPE_INSTANCE_EXT, 0, 0, 42, "FakeLayer", "fake warning", nullptr);
  return VK_SUCCESS;
}

VKAPI_ATTR void VKAPI_CALL DestroyDebugReportCallbackEXT(VkInstance, VkDebugReportCallbackEXT,
                                                         const VkAllocationCallbacks*) {
  ++g_state.report_callbacks_destroyed;
}

VKAPI_ATTR VkResult VKAPI_CALL CreateDebugUtilsMessengerEXT(VkInstance, const VkDebugUtilsMessengerCreateInfoEXT* info,
                                                            const VkAllocationCallbacks*,
                                                            VkDebugUtilsMessengerEXT* messenger) {
  ++g_state.messengers_created;
  *messenger = (VkDebugUtilsMessengerEXT)(uintptr_t)0x5678;
  if (g_config.report_debug_messages && info->pfnUserCallback) {
    VkDebugUtilsMessengerCallbackDataEXT data{};
    data.pMessage = "fake utils message";
    info->pfnUserCallback(VK_DEBUG_UTILS_MESSAGE_SEVERITY_INFO_BIT_EXT, VK_DEBUG_UTILS_MESSAGE_TYPE_GENERAL_BIT_EXT,
                          &data, nullptr);
  }
  return VK_SUCCESS;
}

VKAPI_ATTR void VKAPI_CALL DestroyDebugUtilsMessengerEXT(VkInstance, VkDebugUtilsMessengerEXT,
                                                         const VkAllocationCallbacks*) {
  ++g_state.messengers_destroyed;
}

// ---- logical devices, surfaces and swapchains

int g_queue_object;
uint64_t g_next_handle = 0x1000;
VkImage g_swapchain_images[8];
uint32_t g_image_count;  // of the last swapchain; outlives a configure
uint32_t g_acquired;     // bit i: swapchain image i is held by the application
uint32_t g_next_image;

int g_fail_countdown;  // the resource call that fails when it reaches 0

// Counts one resource call; true when it is the one armed to fail.
bool fail_now() {
  ++g_state.resource_calls;
  return g_fail_countdown > 0 && --g_fail_countdown == 0;
}

template <typename T>
T new_handle() {
  ++g_state.live_objects;
  return (T)(g_next_handle++);
}
#define FAKE_DESTROY(name, type)                                                          \
  VKAPI_ATTR void VKAPI_CALL name(VkDevice, type handle, const VkAllocationCallbacks*) { \
    if (handle == VK_NULL_HANDLE) return;                                               \
    usage_destroyed((uint64_t)handle, #type);                                           \
    --g_state.live_objects;                                                             \
  }

VKAPI_ATTR void VKAPI_CALL GetPhysicalDeviceQueueFamilyProperties(VkPhysicalDevice, uint32_t* count,
                                                                  VkQueueFamilyProperties* props) {
  uint32_t n = g_config.queue_family_count < 4 ? g_config.queue_family_count : 4;
  if (!props) {
    *count = n;
    return;
  }
  if (*count < n) n = *count;
  for (uint32_t i = 0; i < n; ++i) {
    memset(&props[i], 0, sizeof(props[i]));
    props[i].queueFlags = g_config.queue_family_flags[i];
    props[i].queueCount = 1;
  }
  *count = n;
}

VKAPI_ATTR VkResult VKAPI_CALL CreateWin32SurfaceKHR(VkInstance, const VkWin32SurfaceCreateInfoKHR*,
                                                     const VkAllocationCallbacks*, VkSurfaceKHR* surface) {
  if (g_config.create_surface_result != VK_SUCCESS) return static_cast<VkResult>(g_config.create_surface_result);
  ++g_state.surfaces_created;
  *surface = (VkSurfaceKHR)(g_next_handle++);
  return VK_SUCCESS;
}

VKAPI_ATTR void VKAPI_CALL DestroySurfaceKHR(VkInstance, VkSurfaceKHR surface, const VkAllocationCallbacks*) {
  if (surface != VK_NULL_HANDLE) ++g_state.surfaces_destroyed;
}

VKAPI_ATTR VkResult VKAPI_CALL GetPhysicalDeviceSurfaceSupportKHR(VkPhysicalDevice, uint32_t family, VkSurfaceKHR,
                                                                  VkBool32* supported) {
  *supported = family < 32 && (g_config.present_family_mask & (1u << family)) ? VK_TRUE : VK_FALSE;
  return VK_SUCCESS;
}

VKAPI_ATTR VkResult VKAPI_CALL GetPhysicalDeviceSurfaceCapabilitiesKHR(VkPhysicalDevice, VkSurfaceKHR,
                                                                       VkSurfaceCapabilitiesKHR* caps) {
  memset(caps, 0, sizeof(*caps));
  caps->minImageCount = g_config.surface_min_images;
  caps->maxImageCount = g_config.surface_max_images;
  caps->currentExtent = {g_config.surface_width, g_config.surface_height};
  caps->minImageExtent = {1, 1};
  caps->maxImageExtent = {g_config.surface_max_width ? g_config.surface_max_width : 4096,
                          g_config.surface_max_height ? g_config.surface_max_height : 4096};
  caps->maxImageArrayLayers = 1;
  caps->supportedUsageFlags = g_config.surface_usage;
  return VK_SUCCESS;
}

VKAPI_ATTR VkResult VKAPI_CALL GetPhysicalDeviceSurfaceFormatsKHR(VkPhysicalDevice, VkSurfaceKHR, uint32_t* count,
                                                                  VkSurfaceFormatKHR* formats) {
  uint32_t n = g_config.surface_format_count < 4 ? g_config.surface_format_count : 4;
  if (formats) {
    if (*count < n) n = *count;
    for (uint32_t i = 0; i < n; ++i) {
      formats[i].format = static_cast<VkFormat>(g_config.surface_formats[i]);
      formats[i].colorSpace = static_cast<VkColorSpaceKHR>(i);
    }
  }
  *count = n;
  return VK_SUCCESS;
}

VKAPI_ATTR VkResult VKAPI_CALL GetPhysicalDeviceSurfacePresentModesKHR(VkPhysicalDevice, VkSurfaceKHR, uint32_t* count,
                                                                       VkPresentModeKHR* modes) {
  uint32_t n = g_config.present_mode_count < 4 ? g_config.present_mode_count : 4;
  if (modes) {
    if (*count < n) n = *count;
    for (uint32_t i = 0; i < n; ++i) modes[i] = static_cast<VkPresentModeKHR>(g_config.present_modes[i]);
  }
  *count = n;
  return VK_SUCCESS;
}

VKAPI_ATTR void VKAPI_CALL GetPhysicalDeviceFormatProperties(VkPhysicalDevice, VkFormat format,
                                                             VkFormatProperties* props) {
  memset(props, 0, sizeof(*props));
  if (format == VK_FORMAT_D32_SFLOAT && !g_config.no_depth_format) {
    props->optimalTilingFeatures = VK_FORMAT_FEATURE_DEPTH_STENCIL_ATTACHMENT_BIT;
    return;
  }
  props->optimalTilingFeatures = g_config.optimal_surface_features;
  if (format == VK_FORMAT_B8G8R8A8_UNORM) props->linearTilingFeatures = g_config.linear_bgra_features;
}

VKAPI_ATTR VkResult VKAPI_CALL CreateDevice(VkPhysicalDevice physical, const VkDeviceCreateInfo* info,
                                            const VkAllocationCallbacks*, VkDevice* device) {
  g_state.device_extension_count = info->enabledExtensionCount;
  for (uint32_t i = 0; i < info->enabledExtensionCount && i < 24; ++i)
    copy_name(g_state.device_extensions[i], 48, info->ppEnabledExtensionNames[i]);
  g_state.device_feature_chain_length = 0;
  const VkBaseInStructure* next = static_cast<const VkBaseInStructure*>(info->pNext);
  if (next && next->sType == VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_FEATURES_2) next = next->pNext;
  for (; next && g_state.device_feature_chain_length < 8; next = next->pNext)
    g_state.device_feature_chain[g_state.device_feature_chain_length++] = next->sType;
  g_state.device_queue_create_count = info->queueCreateInfoCount;
  for (uint32_t i = 0; i < info->queueCreateInfoCount && i < 2; ++i)
    g_state.device_queue_families[i] = info->pQueueCreateInfos[i].queueFamilyIndex;
  if (g_config.create_device_result != VK_SUCCESS) return static_cast<VkResult>(g_config.create_device_result);
  ++g_state.devices_created;
  ++g_live_devices;
  *device = logical_device_handle(device_index(physical) == 1 ? 1 : 0);
  return VK_SUCCESS;
}

VKAPI_ATTR void VKAPI_CALL DestroyDevice(VkDevice device, const VkAllocationCallbacks*) {
  if (!device) return;
  ++g_state.devices_destroyed;
  --g_live_devices;
}

VKAPI_ATTR void VKAPI_CALL GetDeviceQueue(VkDevice, uint32_t, uint32_t, VkQueue* queue) {
  *queue = reinterpret_cast<VkQueue>(&g_queue_object);
}

VKAPI_ATTR VkResult VKAPI_CALL DeviceWaitIdle(VkDevice) {
  usage_idle();
  return VK_SUCCESS;
}

VKAPI_ATTR VkResult VKAPI_CALL CreateCommandPool(VkDevice, const VkCommandPoolCreateInfo*,
                                                 const VkAllocationCallbacks*, VkCommandPool* pool) {
  *pool = new_handle<VkCommandPool>();
  return VK_SUCCESS;
}
FAKE_DESTROY(DestroyCommandPool, VkCommandPool)

VKAPI_ATTR VkResult VKAPI_CALL CreateDescriptorPool(VkDevice, const VkDescriptorPoolCreateInfo* info,
                                                    const VkAllocationCallbacks*, VkDescriptorPool* pool) {
  g_state.descriptor_pool_max_sets = info->maxSets;
  g_state.descriptor_pool_size_count = info->poolSizeCount;
  for (uint32_t i = 0; i < info->poolSizeCount && i < 16; ++i) {
    g_state.descriptor_pool_sizes[i][0] = info->pPoolSizes[i].type;
    g_state.descriptor_pool_sizes[i][1] = info->pPoolSizes[i].descriptorCount;
  }
  *pool = new_handle<VkDescriptorPool>();
  return VK_SUCCESS;
}
FAKE_DESTROY(DestroyDescriptorPool, VkDescriptorPool)

VKAPI_ATTR VkResult VKAPI_CALL CreateSwapchainKHR(VkDevice, const VkSwapchainCreateInfoKHR* info,
                                                  const VkAllocationCallbacks*, VkSwapchainKHR* swapchain) {
  g_state.swapchain_min_images = info->minImageCount;
  g_state.swapchain_format = info->imageFormat;
  g_state.swapchain_present_mode = info->presentMode;
  g_state.swapchain_usage = info->imageUsage;
  g_state.swapchain_width = info->imageExtent.width;
  g_state.swapchain_height = info->imageExtent.height;
  if (g_config.create_swapchain_result != VK_SUCCESS) return static_cast<VkResult>(g_config.create_swapchain_result);
  ++g_state.swapchains_created;
  g_swapchain_extent = info->imageExtent;
  *swapchain = new_handle<VkSwapchainKHR>();
  return VK_SUCCESS;
}
FAKE_DESTROY(DestroySwapchainKHR, VkSwapchainKHR)

VKAPI_ATTR VkResult VKAPI_CALL GetSwapchainImagesKHR(VkDevice, VkSwapchainKHR, uint32_t* count, VkImage* images) {
  uint32_t n = g_state.swapchain_min_images < 8 ? g_state.swapchain_min_images : 8;
  if (images) {
    g_acquired = 0;  // a new swapchain holds no image yet
    g_image_count = n < *count ? n : *count;
  }
  if (images) {
    if (*count < n) n = *count;
    for (uint32_t i = 0; i < n; ++i) images[i] = g_swapchain_images[i] = (VkImage)(uint64_t)(0x900 + i);
  }
  *count = n;
  return VK_SUCCESS;
}

#define FAKE_CREATE(name, info_type, type)                                                          \
  VKAPI_ATTR VkResult VKAPI_CALL name(VkDevice, const info_type*, const VkAllocationCallbacks*, type* out) { \
    if (fail_now()) return VK_ERROR_OUT_OF_DEVICE_MEMORY;                                           \
    *out = new_handle<type>();                                                                      \
    return VK_SUCCESS;                                                                              \
  }
FAKE_DESTROY(DestroyImageView, VkImageView)
FAKE_DESTROY(DestroyImage, VkImage)
FAKE_CREATE(CreateRenderPass, VkRenderPassCreateInfo, VkRenderPass)
FAKE_DESTROY(DestroyRenderPass, VkRenderPass)
FAKE_DESTROY(DestroyFramebuffer, VkFramebuffer)

// ---- images and memory for the read-back

struct ImageInfo {
  bool linear;
  uint32_t width, height;
  VkImageUsageFlags usage;
};
std::map<uint64_t, ImageInfo> g_images;

// Which memory types an image allows follows its tiling and, for optimal
// images, whether it is a colour or a depth-stencil attachment.
MemoryUser image_memory_user(const ImageInfo* image) {
  if (!image) return kOptimalImageMemory;
  if (image->linear) return kLinearImageMemory;
  if (image->usage & VK_IMAGE_USAGE_COLOR_ATTACHMENT_BIT) return kColorAttachmentMemory;
  // Only a sampled depth image (a render target's) may deny types of its
  // own: the frames' transient depth buffer keeps the optimal images' types.
  const VkImageUsageFlags sampled_depth = VK_IMAGE_USAGE_DEPTH_STENCIL_ATTACHMENT_BIT | VK_IMAGE_USAGE_SAMPLED_BIT;
  if ((image->usage & sampled_depth) == sampled_depth) return kDepthAttachmentMemory;
  return kOptimalImageMemory;
}
std::map<uint64_t, std::vector<unsigned char>> g_memory;

VkDeviceSize row_pitch(const ImageInfo& image) { return image.width * 4ull + g_config.row_pitch_padding; }

VKAPI_ATTR VkResult VKAPI_CALL CreateImage(VkDevice, const VkImageCreateInfo* info, const VkAllocationCallbacks*,
                                           VkImage* out) {
  const bool linear = info->tiling == VK_IMAGE_TILING_LINEAR;
  if (linear && g_config.create_linear_image_result != VK_SUCCESS)
    return static_cast<VkResult>(g_config.create_linear_image_result);
  if (fail_now()) return VK_ERROR_OUT_OF_DEVICE_MEMORY;
  *out = new_handle<VkImage>();
  g_images[(uint64_t)*out] = {linear, info->extent.width, info->extent.height, info->usage};
  note_image_size(info);
  if (linear) {
    g_state.linear_width = info->extent.width;
    g_state.linear_height = info->extent.height;
  }
  return VK_SUCCESS;
}

VKAPI_ATTR void VKAPI_CALL GetImageMemoryRequirements(VkDevice device, VkImage image, VkMemoryRequirements* needs) {
  auto it = g_images.find((uint64_t)image);
  const bool linear = it != g_images.end() && it->second.linear;
  needs->size = 4096;
  if (linear) needs->size = g_config.layout_offset + row_pitch(it->second) * it->second.height;
  needs->alignment = 256;
  needs->memoryTypeBits = allowed_memory_types(device, image_memory_user(it == g_images.end() ? nullptr : &it->second));
}

VKAPI_ATTR void VKAPI_CALL GetImageSubresourceLayout(VkDevice, VkImage image, const VkImageSubresource*,
                                                     VkSubresourceLayout* layout) {
  memset(layout, 0, sizeof(*layout));
  auto it = g_images.find((uint64_t)image);
  if (it == g_images.end()) return;
  layout->offset = g_config.layout_offset;
  layout->rowPitch = row_pitch(it->second);
  layout->size = layout->rowPitch * it->second.height;
}

VKAPI_ATTR VkResult VKAPI_CALL AllocateMemory(VkDevice device, const VkMemoryAllocateInfo* info,
                                              const VkAllocationCallbacks*, VkDeviceMemory* out) {
  if (g_config.allocate_memory_result != VK_SUCCESS) return static_cast<VkResult>(g_config.allocate_memory_result);
  if (fail_now()) return VK_ERROR_OUT_OF_DEVICE_MEMORY;
  if (!memory_type_exists(device, info->memoryTypeIndex)) return VK_ERROR_OUT_OF_DEVICE_MEMORY;
  *out = new_handle<VkDeviceMemory>();
  memory_allocated(device, info->memoryTypeIndex, *out);
  g_memory[(uint64_t)*out].assign(static_cast<size_t>(info->allocationSize), 0xEE);
  return VK_SUCCESS;
}

VKAPI_ATTR void VKAPI_CALL FreeMemory(VkDevice, VkDeviceMemory memory, const VkAllocationCallbacks*) {
  if (memory == VK_NULL_HANDLE) return;
  --g_state.live_objects;
  g_memory.erase((uint64_t)memory);
  memory_freed(memory);
}

// Binding a linear image fills its memory with the test pattern, padding
// bytes left at 0xEE, so a reader that ignores the row pitch is seen.
VKAPI_ATTR VkResult VKAPI_CALL BindImageMemory(VkDevice device, VkImage image, VkDeviceMemory memory, VkDeviceSize) {
  if (fail_now()) return VK_ERROR_OUT_OF_DEVICE_MEMORY;
  auto it = g_images.find((uint64_t)image);
  memory_bound(device, image_memory_user(it == g_images.end() ? nullptr : &it->second), memory);
  auto mem = g_memory.find((uint64_t)memory);
  if (it == g_images.end() || mem == g_memory.end() || !it->second.linear) return VK_SUCCESS;
  for (uint32_t y = 0; y < it->second.height; ++y)
    for (uint32_t x = 0; x < it->second.width; ++x) {
      size_t at = g_config.layout_offset + static_cast<size_t>(y * row_pitch(it->second) + x * 4ull);
      if (at + 4 <= mem->second.size()) fake_vk_pixel(x, y, &mem->second[at]);
    }
  return VK_SUCCESS;
}

VKAPI_ATTR VkResult VKAPI_CALL MapMemory(VkDevice, VkDeviceMemory memory, VkDeviceSize offset, VkDeviceSize,
                                         VkMemoryMapFlags, void** data) {
  auto it = g_memory.find((uint64_t)memory);
  if (it == g_memory.end() || fail_now() || !memory_mapping(memory)) return VK_ERROR_MEMORY_MAP_FAILED;
  *data = it->second.data() + offset;
  return VK_SUCCESS;
}

VKAPI_ATTR void VKAPI_CALL UnmapMemory(VkDevice, VkDeviceMemory memory) { memory_unmapping(memory); }

// ---- image extents: a framebuffer may not be larger than any of its
// attachments.

std::map<uint64_t, VkExtent2D> g_view_extents;

void note_image_size(const VkImageCreateInfo* info) {
  if (!(info->usage & VK_IMAGE_USAGE_DEPTH_STENCIL_ATTACHMENT_BIT)) return;
  g_state.depth_image_width = info->extent.width;
  g_state.depth_image_height = info->extent.height;
}

// A view has its image's extent; the swapchain's images have the swapchain's.
VKAPI_ATTR VkResult VKAPI_CALL CreateImageView(VkDevice, const VkImageViewCreateInfo* info,
                                               const VkAllocationCallbacks*, VkImageView* out) {
  if (fail_now()) return VK_ERROR_OUT_OF_DEVICE_MEMORY;
  *out = new_handle<VkImageView>();
  auto it = g_images.find((uint64_t)info->image);
  g_view_extents[(uint64_t)*out] = it != g_images.end() ? VkExtent2D{it->second.width, it->second.height}
                                                         : g_swapchain_extent;
  return VK_SUCCESS;
}

VKAPI_ATTR VkResult VKAPI_CALL CreateFramebuffer(VkDevice, const VkFramebufferCreateInfo* info,
                                                 const VkAllocationCallbacks*, VkFramebuffer* out) {
  if (fail_now()) return VK_ERROR_OUT_OF_DEVICE_MEMORY;
  for (uint32_t i = 0; i < info->attachmentCount; ++i) {
    auto it = g_view_extents.find((uint64_t)info->pAttachments[i]);
    if (it != g_view_extents.end() && (info->width > it->second.width || info->height > it->second.height))
      violation("framebuffer larger than one of its attachments");
  }
  g_state.framebuffer_width = info->width;
  g_state.framebuffer_height = info->height;
  *out = new_handle<VkFramebuffer>();
  return VK_SUCCESS;
}

// ---- fences and semaphores: the fake's queue finishes each batch at once,
// so a pending signal is a signal.

std::map<uint64_t, bool> g_fences;      // signalled
std::map<uint64_t, bool> g_semaphores;  // signalled

VKAPI_ATTR VkResult VKAPI_CALL CreateFence(VkDevice, const VkFenceCreateInfo* info, const VkAllocationCallbacks*,
                                           VkFence* out) {
  if (fail_now()) return VK_ERROR_OUT_OF_DEVICE_MEMORY;
  *out = new_handle<VkFence>();
  g_fences[(uint64_t)*out] = (info->flags & VK_FENCE_CREATE_SIGNALED_BIT) != 0;
  return VK_SUCCESS;
}

VKAPI_ATTR void VKAPI_CALL DestroyFence(VkDevice, VkFence fence, const VkAllocationCallbacks*) {
  if (fence == VK_NULL_HANDLE) return;
  --g_state.live_objects;
  g_fences.erase((uint64_t)fence);
}

VKAPI_ATTR VkResult VKAPI_CALL CreateSemaphore(VkDevice, const VkSemaphoreCreateInfo*, const VkAllocationCallbacks*,
                                               VkSemaphore* out) {
  *out = new_handle<VkSemaphore>();
  g_semaphores[(uint64_t)*out] = false;
  return VK_SUCCESS;
}

VKAPI_ATTR void VKAPI_CALL DestroySemaphore(VkDevice, VkSemaphore semaphore, const VkAllocationCallbacks*) {
  if (semaphore == VK_NULL_HANDLE) return;
  --g_state.live_objects;
  g_semaphores.erase((uint64_t)semaphore);
}

VKAPI_ATTR VkResult VKAPI_CALL WaitForFences(VkDevice, uint32_t count, const VkFence* fences, VkBool32, uint64_t) {
  for (uint32_t i = 0; i < count; ++i) {
    auto it = g_fences.find((uint64_t)fences[i]);
    if (it == g_fences.end() || !it->second) {
      violation("wait on a fence that no submit will signal");
      return VK_TIMEOUT;
    }
  }
  for (uint32_t i = 0; i < count; ++i) usage_fence_seen((uint64_t)fences[i]);
  return VK_SUCCESS;
}

// A fence whose submit has not been seen to finish may not be reset: the
// reset is refused and nothing changes.
VKAPI_ATTR VkResult VKAPI_CALL ResetFences(VkDevice, uint32_t count, const VkFence* fences) {
  for (uint32_t i = 0; i < count; ++i)
    if (usage_fence_in_flight((uint64_t)fences[i])) {
      violation("reset of a fence whose submit has not finished");
      return VK_ERROR_DEVICE_LOST;
    }
  for (uint32_t i = 0; i < count; ++i) g_fences[(uint64_t)fences[i]] = false;
  return VK_SUCCESS;
}

// A fence that was destroyed (or never made) may not be asked about.
VKAPI_ATTR VkResult VKAPI_CALL GetFenceStatus(VkDevice, VkFence fence) {
  auto it = g_fences.find((uint64_t)fence);
  if (it == g_fences.end()) {
    violation("status query of a fence that was destroyed or never made");
    return VK_ERROR_DEVICE_LOST;
  }
  if (!it->second) return VK_NOT_READY;
  usage_fence_seen((uint64_t)fence);
  return VK_SUCCESS;
}

// Consumes a semaphore's signal; false (reported) when none is pending.
bool wait_semaphore(VkSemaphore semaphore, const char* what) {
  auto it = g_semaphores.find((uint64_t)semaphore);
  if (it == g_semaphores.end() || !it->second) {
    violation(what);
    return false;
  }
  it->second = false;
  return true;
}

void signal_semaphore(VkSemaphore semaphore) {
  bool& signalled = g_semaphores[(uint64_t)semaphore];
  if (signalled) violation("signal of a semaphore that is already signalled");
  signalled = true;
}

// ---- command buffers

enum CbState { kInitial, kRecording, kExecutable, kInvalid };
struct CommandBuffer {
  CbState state = kInitial;
  bool one_time = false;
};
std::map<VkCommandBuffer, CommandBuffer> g_command_buffers;

// Every vkCmd* needs a buffer in recording.
bool recording(VkCommandBuffer buffer, const char* what) {
  auto it = g_command_buffers.find(buffer);
  if (it != g_command_buffers.end() && it->second.state == kRecording) return true;
  violation(what);
  return false;
}

#include "fake_vulkan_usage.inc"

VKAPI_ATTR VkResult VKAPI_CALL AllocateCommandBuffers(VkDevice, const VkCommandBufferAllocateInfo* info,
                                                      VkCommandBuffer* buffers) {
  if (fail_now()) return VK_ERROR_OUT_OF_DEVICE_MEMORY;
  for (uint32_t i = 0; i < info->commandBufferCount; ++i) {
    buffers[i] = reinterpret_cast<VkCommandBuffer>(new int(0));
    g_command_buffers[buffers[i]] = CommandBuffer{};
    ++g_state.live_objects;
  }
  return VK_SUCCESS;
}

VKAPI_ATTR void VKAPI_CALL FreeCommandBuffers(VkDevice, VkCommandPool, uint32_t count, const VkCommandBuffer* buffers) {
  for (uint32_t i = 0; i < count; ++i) {
    if (!buffers[i]) continue;
    --g_state.live_objects;
    usage_forget(buffers[i]);
    if (g_command_buffers.erase(buffers[i])) delete reinterpret_cast<int*>(buffers[i]);
  }
}

VKAPI_ATTR VkResult VKAPI_CALL BeginCommandBuffer(VkCommandBuffer buffer, const VkCommandBufferBeginInfo* info) {
  auto it = g_command_buffers.find(buffer);
  if (it == g_command_buffers.end()) return VK_ERROR_INITIALIZATION_FAILED;
  if (it->second.state == kRecording) violation("begin of a command buffer already recording");
  usage_forget(buffer);
  it->second.state = kRecording;
  it->second.one_time = (info->flags & VK_COMMAND_BUFFER_USAGE_ONE_TIME_SUBMIT_BIT) != 0;
  return VK_SUCCESS;
}

VKAPI_ATTR VkResult VKAPI_CALL EndCommandBuffer(VkCommandBuffer buffer) {
  if (!recording(buffer, "end of a command buffer that is not recording")) return VK_ERROR_INITIALIZATION_FAILED;
  g_command_buffers[buffer].state = kExecutable;
  return VK_SUCCESS;
}

VKAPI_ATTR VkResult VKAPI_CALL ResetCommandBuffer(VkCommandBuffer buffer, VkCommandBufferResetFlags) {
  auto it = g_command_buffers.find(buffer);
  if (it == g_command_buffers.end()) return VK_ERROR_INITIALIZATION_FAILED;
  it->second.state = kInitial;
  usage_forget(buffer);
  return VK_SUCCESS;
}

VKAPI_ATTR void VKAPI_CALL CmdBeginRenderPass(VkCommandBuffer buffer, const VkRenderPassBeginInfo*, VkSubpassContents) {
  if (recording(buffer, "render pass begun outside recording")) ++g_state.render_passes_begun;
}
VKAPI_ATTR void VKAPI_CALL CmdEndRenderPass(VkCommandBuffer buffer) {
  if (recording(buffer, "render pass ended outside recording")) ++g_state.render_passes_ended;
}
VKAPI_ATTR void VKAPI_CALL CmdPipelineBarrier(VkCommandBuffer buffer, VkPipelineStageFlags, VkPipelineStageFlags,
                                              VkDependencyFlags, uint32_t, const VkMemoryBarrier*, uint32_t,
                                              const VkBufferMemoryBarrier*, uint32_t, const VkImageMemoryBarrier*) {
  if (recording(buffer, "barrier outside recording")) ++g_state.barriers;
}
VKAPI_ATTR void VKAPI_CALL CmdBlitImage(VkCommandBuffer buffer, VkImage, VkImageLayout, VkImage, VkImageLayout,
                                        uint32_t, const VkImageBlit*, VkFilter) {
  if (recording(buffer, "blit outside recording")) ++g_state.blits;
}
VKAPI_ATTR void VKAPI_CALL CmdCopyBufferToImage(VkCommandBuffer buffer, VkBuffer, VkImage, VkImageLayout, uint32_t,
                                                const VkBufferImageCopy*) {
  if (recording(buffer, "buffer to image copy outside recording")) ++g_state.buffer_copies;
}
VKAPI_ATTR void VKAPI_CALL CmdCopyImage(VkCommandBuffer buffer, VkImage, VkImageLayout, VkImage, VkImageLayout,
                                        uint32_t, const VkImageCopy*) {
  if (recording(buffer, "image copy outside recording")) ++g_state.image_copies;
}
VKAPI_ATTR void VKAPI_CALL CmdExecuteCommands(VkCommandBuffer buffer, uint32_t count, const VkCommandBuffer* secondaries) {
  if (!recording(buffer, "secondary buffers executed outside recording")) return;
  for (uint32_t i = 0; i < count; ++i) {
    auto it = g_command_buffers.find(secondaries[i]);
    if (it == g_command_buffers.end() || it->second.state != kExecutable)
      violation("execution of a secondary buffer that is not recorded");
    else
      ++g_state.executed_secondaries;
  }
}

// ---- queue and presentation


VKAPI_ATTR VkResult VKAPI_CALL AcquireNextImageKHR(VkDevice, VkSwapchainKHR, uint64_t, VkSemaphore semaphore, VkFence,
                                                   uint32_t* index) {
  if (g_config.acquire_result != VK_SUCCESS) return static_cast<VkResult>(g_config.acquire_result);
  const uint32_t n = g_image_count ? g_image_count : 1;
  if (g_config.acquire_out_of_range) {
    *index = n;
    if (semaphore != VK_NULL_HANDLE) signal_semaphore(semaphore);
    return VK_SUCCESS;
  }
  uint32_t tries = 0;
  while (tries < n && (g_acquired & (1u << (g_next_image % n)))) {
    ++g_next_image;
    ++tries;
  }
  if (tries == n) {
    violation("acquire while every image is held: it would never return");
    return VK_TIMEOUT;
  }
  *index = g_next_image++ % n;
  g_acquired |= 1u << *index;
  if (semaphore != VK_NULL_HANDLE) signal_semaphore(semaphore);
  return VK_SUCCESS;
}

VKAPI_ATTR VkResult VKAPI_CALL QueueSubmit(VkQueue, uint32_t count, const VkSubmitInfo* submits, VkFence fence) {
  for (uint32_t s = 0; s < count; ++s) {
    const VkSubmitInfo& info = submits[s];
    ++g_state.submits;
    if (info.commandBufferCount == 0) ++g_state.empty_submits;
    for (uint32_t i = 0; i < info.waitSemaphoreCount; ++i)
      wait_semaphore(info.pWaitSemaphores[i], "submit waits on a semaphore with no signal pending");
    for (uint32_t i = 0; i < info.commandBufferCount; ++i) {
      auto it = g_command_buffers.find(info.pCommandBuffers[i]);
      if (it == g_command_buffers.end()) {
        violation("submit of an unknown command buffer");
      } else if (it->second.state == kRecording) {
        violation("submit of a command buffer still recording");
      } else if (it->second.state != kExecutable) {
        violation("submit of a command buffer that holds no recording");
      } else if (it->second.one_time) {
        it->second.state = kInvalid;
      }
    }
    for (uint32_t i = 0; i < info.signalSemaphoreCount; ++i) signal_semaphore(info.pSignalSemaphores[i]);
    usage_submitted(info, fence);
  }
  if (fence != VK_NULL_HANDLE) {
    bool& signalled = g_fences[(uint64_t)fence];
    if (signalled) violation("submit with a fence that is still signalled");
    signalled = true;
  }
  return VK_SUCCESS;
}

VKAPI_ATTR VkResult VKAPI_CALL QueueWaitIdle(VkQueue) {
  ++g_state.queue_idle_waits;
  usage_idle();
  return VK_SUCCESS;
}

VKAPI_ATTR VkResult VKAPI_CALL QueuePresentKHR(VkQueue, const VkPresentInfoKHR* info) {
  ++g_state.presents;
  const VkResult result = static_cast<VkResult>(g_config.present_result);
  // Whatever the answer, the waits and the image's return still happen.
  for (uint32_t i = 0; i < info->waitSemaphoreCount; ++i)
    wait_semaphore(info->pWaitSemaphores[i], "present waits on a semaphore with no signal pending");
  for (uint32_t i = 0; i < info->swapchainCount; ++i) {
    const uint32_t image = info->pImageIndices[i];
    if (image >= 32 || !(g_acquired & (1u << image))) violation("present of an image that is not acquired");
    else g_acquired &= ~(1u << image);
  }
  return result;
}

#include "fake_vulkan_rt.inc"

// ---- buffers, samplers, descriptor sets, programs and pipelines: each
// object counts as live until destroyed; recording needs a recording buffer.

std::map<uint64_t, VkDeviceSize> g_buffers;  // size

VKAPI_ATTR VkResult VKAPI_CALL CreateBuffer(VkDevice, const VkBufferCreateInfo* info, const VkAllocationCallbacks*,
                                            VkBuffer* out) {
  if (fail_now()) return VK_ERROR_OUT_OF_DEVICE_MEMORY;
  *out = new_handle<VkBuffer>();
  g_state.buffer_usages |= info->usage;
  g_buffers[(uint64_t)*out] = info->size;
  rt_note_buffer(*out, info);
  return VK_SUCCESS;
}

VKAPI_ATTR void VKAPI_CALL DestroyBuffer(VkDevice, VkBuffer buffer, const VkAllocationCallbacks*) {
  if (buffer == VK_NULL_HANDLE) return;
  usage_destroyed((uint64_t)buffer, "VkBuffer");
  --g_state.live_objects;
  g_buffers.erase((uint64_t)buffer);
  g_rt_buffers.erase((uint64_t)buffer);
}

// Allocations round up to 256 bytes, as drivers do.
VKAPI_ATTR void VKAPI_CALL GetBufferMemoryRequirements(VkDevice device, VkBuffer buffer, VkMemoryRequirements* needs) {
  auto it = g_buffers.find((uint64_t)buffer);
  const VkDeviceSize size = it == g_buffers.end() ? 256 : it->second;
  needs->size = (size + 255) / 256 * 256;
  needs->alignment = 256;
  needs->memoryTypeBits = allowed_memory_types(device, kBufferMemory);
}

VKAPI_ATTR VkResult VKAPI_CALL BindBufferMemory(VkDevice device, VkBuffer buffer, VkDeviceMemory memory,
                                                VkDeviceSize) {
  if (fail_now()) return VK_ERROR_OUT_OF_DEVICE_MEMORY;
  memory_bound(device, kBufferMemory, memory);
  g_rt_buffers[(uint64_t)buffer].memory = memory;
  return VK_SUCCESS;
}

VKAPI_ATTR VkResult VKAPI_CALL FlushMappedMemoryRanges(VkDevice, uint32_t, const VkMappedMemoryRange*) {
  ++g_state.flushes;
  return VK_SUCCESS;
}

FAKE_CREATE(CreateSampler, VkSamplerCreateInfo, VkSampler)
FAKE_DESTROY(DestroySampler, VkSampler)
FAKE_CREATE(CreateDescriptorSetLayout, VkDescriptorSetLayoutCreateInfo, VkDescriptorSetLayout)
FAKE_DESTROY(DestroyDescriptorSetLayout, VkDescriptorSetLayout)
FAKE_CREATE(CreatePipelineLayout, VkPipelineLayoutCreateInfo, VkPipelineLayout)
FAKE_DESTROY(DestroyPipelineLayout, VkPipelineLayout)
FAKE_DESTROY(DestroyShaderModule, VkShaderModule)
FAKE_DESTROY(DestroyPipeline, VkPipeline)

// SPIR-V starts with its magic number; anything else is refused.
VKAPI_ATTR VkResult VKAPI_CALL CreateShaderModule(VkDevice, const VkShaderModuleCreateInfo* info,
                                                  const VkAllocationCallbacks*, VkShaderModule* out) {
  if (fail_now()) return VK_ERROR_OUT_OF_DEVICE_MEMORY;
  if (info->codeSize < 20 || info->codeSize % 4 || info->pCode[0] != 0x07230203u) return VK_ERROR_INVALID_SHADER_NV;
  *out = new_handle<VkShaderModule>();
  return VK_SUCCESS;
}

VKAPI_ATTR VkResult VKAPI_CALL CreateGraphicsPipelines(VkDevice, VkPipelineCache cache, uint32_t count,
                                                       const VkGraphicsPipelineCreateInfo* infos,
                                                       const VkAllocationCallbacks*, VkPipeline* out) {
  usage_cache_used(cache);
  if (fail_now()) return VK_ERROR_OUT_OF_DEVICE_MEMORY;
  for (uint32_t i = 0; i < count; ++i) {
    if (infos[i].stageCount == 0 || infos[i].layout == VK_NULL_HANDLE || infos[i].renderPass == VK_NULL_HANDLE)
      return VK_ERROR_INITIALIZATION_FAILED;
    g_state.pipeline_stage_count = infos[i].stageCount;
    for (uint32_t k = 0; k < infos[i].stageCount && k < 8; ++k) g_state.pipeline_stages[k] = infos[i].pStages[k].stage;
    out[i] = new_handle<VkPipeline>();
  }
  return VK_SUCCESS;
}

VKAPI_ATTR VkResult VKAPI_CALL AllocateDescriptorSets(VkDevice, const VkDescriptorSetAllocateInfo* info,
                                                      VkDescriptorSet* sets) {
  if (fail_now()) return VK_ERROR_OUT_OF_POOL_MEMORY;
  for (uint32_t i = 0; i < info->descriptorSetCount; ++i) {
    sets[i] = (VkDescriptorSet)(g_next_handle++);
    ++g_state.descriptor_sets_live;
  }
  return VK_SUCCESS;
}

VKAPI_ATTR VkResult VKAPI_CALL FreeDescriptorSets(VkDevice, VkDescriptorPool, uint32_t count,
                                                  const VkDescriptorSet* sets) {
  for (uint32_t i = 0; i < count; ++i) {
    if (sets[i] == VK_NULL_HANDLE) continue;
    usage_destroyed((uint64_t)sets[i], "VkDescriptorSet");
    --g_state.descriptor_sets_live;
  }
  return VK_SUCCESS;
}

VKAPI_ATTR void VKAPI_CALL UpdateDescriptorSets(VkDevice, uint32_t count, const VkWriteDescriptorSet* writes, uint32_t,
                                                const VkCopyDescriptorSet*) {
  for (uint32_t i = 0; i < count; ++i)
    if (writes[i].pBufferInfo) g_state.last_buffer_range = writes[i].pBufferInfo[0].range;
  usage_sets_written(count, writes);
}

VKAPI_ATTR void VKAPI_CALL CmdCopyBuffer(VkCommandBuffer buffer, VkBuffer, VkBuffer, uint32_t, const VkBufferCopy*) {
  if (recording(buffer, "buffer copy outside recording")) ++g_state.buffer_copies;
}
VKAPI_ATTR void VKAPI_CALL CmdBindPipeline(VkCommandBuffer buffer, VkPipelineBindPoint, VkPipeline pipeline) {
  if (!recording(buffer, "pipeline bound outside recording")) return;
  ++g_state.pipelines_bound;
  usage_record(buffer, (uint64_t)pipeline);
}
VKAPI_ATTR void VKAPI_CALL CmdBindDescriptorSets(VkCommandBuffer buffer, VkPipelineBindPoint, VkPipelineLayout,
                                                 uint32_t, uint32_t count, const VkDescriptorSet* sets, uint32_t,
                                                 const uint32_t*) {
  if (!recording(buffer, "descriptor set bound outside recording")) return;
  ++g_state.descriptor_sets_bound;
  usage_sets_bound(buffer, count, sets);
}
VKAPI_ATTR void VKAPI_CALL CmdPushConstants(VkCommandBuffer buffer, VkPipelineLayout, VkShaderStageFlags, uint32_t,
                                            uint32_t, const void*) {
  if (recording(buffer, "push constants outside recording")) ++g_state.push_constants;
}
VKAPI_ATTR void VKAPI_CALL CmdBindVertexBuffers(VkCommandBuffer buffer, uint32_t, uint32_t count,
                                                const VkBuffer* buffers, const VkDeviceSize*) {
  if (!recording(buffer, "vertex buffer bound outside recording")) return;
  for (uint32_t i = 0; i < count; ++i) usage_record(buffer, (uint64_t)buffers[i]);
}
VKAPI_ATTR void VKAPI_CALL CmdBindIndexBuffer(VkCommandBuffer buffer, VkBuffer index, VkDeviceSize, VkIndexType) {
  if (recording(buffer, "index buffer bound outside recording")) usage_record(buffer, (uint64_t)index);
}
VKAPI_ATTR void VKAPI_CALL CmdDraw(VkCommandBuffer buffer, uint32_t, uint32_t, uint32_t, uint32_t) {
  if (recording(buffer, "draw outside recording")) ++g_state.draws;
}
VKAPI_ATTR void VKAPI_CALL CmdDrawIndexed(VkCommandBuffer buffer, uint32_t, uint32_t, uint32_t, int32_t, uint32_t) {
  if (recording(buffer, "indexed draw outside recording")) ++g_state.draws;
}
VKAPI_ATTR void VKAPI_CALL CmdSetViewport(VkCommandBuffer buffer, uint32_t, uint32_t, const VkViewport*) {
  recording(buffer, "viewport set outside recording");
}
VKAPI_ATTR void VKAPI_CALL CmdSetScissor(VkCommandBuffer buffer, uint32_t, uint32_t count, const VkRect2D* rects) {
  if (!recording(buffer, "scissor set outside recording") || count == 0) return;
  const int32_t rect[4] = {rects[0].offset.x, rects[0].offset.y, static_cast<int32_t>(rects[0].extent.width),
                           static_cast<int32_t>(rects[0].extent.height)};
  memcpy(g_state.scissor, rect, sizeof(rect));
}

void note_asked(const char* name) {
  if (g_state.asked_name_count < 256) copy_name(g_state.asked_names[g_state.asked_name_count++], 48, name);
}

struct NamedEntry {
  const char* name;
  PFN_vkVoidFunction fn;
};

#define FAKE_ENTRY(name) {"vk" #name, reinterpret_cast<PFN_vkVoidFunction>(&name)}
const NamedEntry kInstanceEntries[] = {
    FAKE_ENTRY(DestroyInstance),
    FAKE_ENTRY(EnumeratePhysicalDevices),
    FAKE_ENTRY(GetPhysicalDeviceProperties),
    FAKE_ENTRY(GetPhysicalDeviceFeatures),
    FAKE_ENTRY(GetPhysicalDeviceMemoryProperties),
    FAKE_ENTRY(EnumerateDeviceExtensionProperties),
    FAKE_ENTRY(EnumerateDeviceLayerProperties),
    FAKE_ENTRY(CreateDebugReportCallbackEXT),
    FAKE_ENTRY(DestroyDebugReportCallbackEXT),
    FAKE_ENTRY(CreateDebugUtilsMessengerEXT),
    FAKE_ENTRY(DestroyDebugUtilsMessengerEXT),
    FAKE_ENTRY(GetPhysicalDeviceQueueFamilyProperties),
    FAKE_ENTRY(CreateWin32SurfaceKHR),
    FAKE_ENTRY(DestroySurfaceKHR),
    FAKE_ENTRY(GetPhysicalDeviceSurfaceSupportKHR),
    FAKE_ENTRY(GetPhysicalDeviceSurfaceCapabilitiesKHR),
    FAKE_ENTRY(GetPhysicalDeviceSurfaceFormatsKHR),
    FAKE_ENTRY(GetPhysicalDeviceSurfacePresentModesKHR),
    FAKE_ENTRY(GetPhysicalDeviceFormatProperties),
    FAKE_ENTRY(CreateDevice),
    {"vkGetDeviceProcAddr", nullptr},  // set below: it answers from kDeviceEntries
};

const NamedEntry kDeviceEntries[] = {
    FAKE_ENTRY(DestroyDevice),        FAKE_ENTRY(GetDeviceQueue),        FAKE_ENTRY(DeviceWaitIdle),
    FAKE_ENTRY(CreateCommandPool),    FAKE_ENTRY(DestroyCommandPool),    FAKE_ENTRY(CreateDescriptorPool),
    FAKE_ENTRY(DestroyDescriptorPool), FAKE_ENTRY(CreateSwapchainKHR),   FAKE_ENTRY(DestroySwapchainKHR),
    FAKE_ENTRY(GetSwapchainImagesKHR), FAKE_ENTRY(CreateImageView),      FAKE_ENTRY(DestroyImageView),
    FAKE_ENTRY(CreateImage),          FAKE_ENTRY(DestroyImage),          FAKE_ENTRY(CreateRenderPass),
    FAKE_ENTRY(DestroyRenderPass),    FAKE_ENTRY(CreateFramebuffer),     FAKE_ENTRY(DestroyFramebuffer),
    FAKE_ENTRY(CreateFence),          FAKE_ENTRY(DestroyFence),          FAKE_ENTRY(CreateSemaphore),
    FAKE_ENTRY(DestroySemaphore),     FAKE_ENTRY(AllocateMemory),        FAKE_ENTRY(FreeMemory),
    FAKE_ENTRY(GetImageMemoryRequirements), FAKE_ENTRY(BindImageMemory), FAKE_ENTRY(AllocateCommandBuffers),
    FAKE_ENTRY(FreeCommandBuffers),   FAKE_ENTRY(WaitForFences),         FAKE_ENTRY(ResetFences),
    FAKE_ENTRY(AcquireNextImageKHR),  FAKE_ENTRY(QueueSubmit),           FAKE_ENTRY(QueuePresentKHR),
    FAKE_ENTRY(BeginCommandBuffer),   FAKE_ENTRY(EndCommandBuffer),      FAKE_ENTRY(CmdBeginRenderPass),
    FAKE_ENTRY(CmdEndRenderPass),     FAKE_ENTRY(GetFenceStatus),        FAKE_ENTRY(ResetCommandBuffer),
    FAKE_ENTRY(CmdPipelineBarrier),   FAKE_ENTRY(CmdBlitImage),          FAKE_ENTRY(CmdCopyImage),
    FAKE_ENTRY(CmdExecuteCommands),   FAKE_ENTRY(QueueWaitIdle),         FAKE_ENTRY(GetImageSubresourceLayout),
    FAKE_ENTRY(MapMemory),            FAKE_ENTRY(UnmapMemory),           FAKE_ENTRY(CmdCopyBufferToImage),
    FAKE_ENTRY(CreateBuffer),         FAKE_ENTRY(DestroyBuffer),         FAKE_ENTRY(GetBufferMemoryRequirements),
    FAKE_ENTRY(BindBufferMemory),     FAKE_ENTRY(FlushMappedMemoryRanges), FAKE_ENTRY(CreateSampler),
    FAKE_ENTRY(DestroySampler),       FAKE_ENTRY(CreateDescriptorSetLayout), FAKE_ENTRY(DestroyDescriptorSetLayout),
    FAKE_ENTRY(CreatePipelineLayout), FAKE_ENTRY(DestroyPipelineLayout), FAKE_ENTRY(CreatePipelineCache),
    FAKE_ENTRY(DestroyPipelineCache), FAKE_ENTRY(CreateShaderModule),    FAKE_ENTRY(DestroyShaderModule),
    FAKE_ENTRY(CreateGraphicsPipelines), FAKE_ENTRY(DestroyPipeline),    FAKE_ENTRY(AllocateDescriptorSets),
    FAKE_ENTRY(FreeDescriptorSets),   FAKE_ENTRY(UpdateDescriptorSets),  FAKE_ENTRY(CmdCopyBuffer),
    FAKE_ENTRY(CmdBindPipeline),      FAKE_ENTRY(CmdBindDescriptorSets), FAKE_ENTRY(CmdPushConstants),
    FAKE_ENTRY(CmdBindVertexBuffers), FAKE_ENTRY(CmdBindIndexBuffer),    FAKE_ENTRY(CmdDraw),
    FAKE_RT_ENTRIES, FAKE_ENTRY(CmdDrawIndexed),       FAKE_ENTRY(CmdSetViewport),        FAKE_ENTRY(CmdSetScissor),
};

VKAPI_ATTR PFN_vkVoidFunction VKAPI_CALL GetDeviceProcAddr(VkDevice device, const char* name) {
  if (!device || !name) return nullptr;
  note_asked(name);
  for (const NamedEntry& entry : kDeviceEntries)
    if (strcmp(entry.name, name) == 0) return entry.fn;
  return nullptr;
}
}  // namespace

FAKE_EXPORT void fake_vk_configure(const FakeVkConfig* config) {
  g_config = *config;
  memset(&g_state, 0, sizeof(g_state));
  g_fail_countdown = 0;
  usage_reset();
}

FAKE_EXPORT void fake_vk_fail_call(int n) { g_fail_countdown = n > 0 ? n : 0; }

FAKE_EXPORT const FakeVkState* fake_vk_state() { return &g_state; }

FAKE_EXPORT void fake_vk_set_violation_handler(fake_vk_violation_handler handler, void* user) {
  g_violation_handler = handler;
  g_violation_user = user;
}

FAKE_EXPORT int fake_vk_fence_state(uint64_t fence) {
  auto it = g_fences.find(fence);
  return it == g_fences.end() ? -1 : (it->second ? 1 : 0);
}

FAKE_EXPORT VKAPI_ATTR VkResult VKAPI_CALL vkEnumerateInstanceExtensionProperties(const char*, uint32_t* count,
                                                                                 VkExtensionProperties* props) {
  uint32_t n = list_size(g_config.instance_extensions, 16);
  if (!props) {
    *count = n;
    return VK_SUCCESS;
  }
  uint32_t written = *count < n ? *count : n;
  for (uint32_t i = 0; i < written; ++i) {
    memset(&props[i], 0, sizeof(props[i]));
    copy_name(props[i].extensionName, VK_MAX_EXTENSION_NAME_SIZE, g_config.instance_extensions[i]);
    props[i].specVersion = 1;
  }
  *count = written;
  return written < n ? VK_INCOMPLETE : VK_SUCCESS;
}

FAKE_EXPORT VKAPI_ATTR VkResult VKAPI_CALL vkEnumerateInstanceLayerProperties(uint32_t* count, VkLayerProperties* props) {
  uint32_t n = list_size(g_config.instance_layers, 8);
  if (!props) {
    *count = n;
    return VK_SUCCESS;
  }
  uint32_t written = *count < n ? *count : n;
  for (uint32_t i = 0; i < written; ++i) {
    memset(&props[i], 0, sizeof(props[i]));
    copy_name(props[i].layerName, VK_MAX_EXTENSION_NAME_SIZE, g_config.instance_layers[i]);
    props[i].specVersion = VK_MAKE_VERSION(1, 3, 200);
  }
  *count = written;
  return written < n ? VK_INCOMPLETE : VK_SUCCESS;
}

FAKE_EXPORT VKAPI_ATTR VkResult VKAPI_CALL vkCreateInstance(const VkInstanceCreateInfo* info,
                                                           const VkAllocationCallbacks*, VkInstance* instance) {
  g_state.requested_api_version = info->pApplicationInfo ? info->pApplicationInfo->apiVersion : 0;
  if (const VkApplicationInfo* app = info->pApplicationInfo) {
    copy_name(g_state.application_name, 32, app->pApplicationName ? app->pApplicationName : "");
    copy_name(g_state.engine_name, 32, app->pEngineName ? app->pEngineName : "");
    g_state.application_version = app->applicationVersion;
    g_state.engine_version = app->engineVersion;
  }
  g_state.enabled_extension_count = info->enabledExtensionCount;
  for (uint32_t i = 0; i < info->enabledExtensionCount && i < 64; ++i)
    copy_name(g_state.enabled_extensions[i], 64, info->ppEnabledExtensionNames[i]);
  g_state.enabled_layer_count = info->enabledLayerCount;
  for (uint32_t i = 0; i < info->enabledLayerCount && i < 16; ++i)
    copy_name(g_state.enabled_layers[i], 64, info->ppEnabledLayerNames[i]);
  const VkBaseInStructure* next = static_cast<const VkBaseInStructure*>(info->pNext);
  g_state.create_info_has_validation_features =
      next && next->sType == VK_STRUCTURE_TYPE_VALIDATION_FEATURES_EXT;
  if (g_config.create_instance_result != VK_SUCCESS) return static_cast<VkResult>(g_config.create_instance_result);
  ++g_state.instances_created;
  *instance = reinterpret_cast<VkInstance>(&g_instance_object);
  return VK_SUCCESS;
}

FAKE_EXPORT VKAPI_ATTR PFN_vkVoidFunction VKAPI_CALL vkGetInstanceProcAddr(VkInstance instance, const char* name) {
  if (!instance || !name) return nullptr;
  note_asked(name);
  if (strcmp(name, "vkGetDeviceProcAddr") == 0) return reinterpret_cast<PFN_vkVoidFunction>(&GetDeviceProcAddr);
  if (g_config.raytracing &&
      (strcmp(name, "vkGetPhysicalDeviceProperties2") == 0 || strcmp(name, "vkGetPhysicalDeviceProperties2KHR") == 0))
    return reinterpret_cast<PFN_vkVoidFunction>(&GetPhysicalDeviceProperties2);
  for (const NamedEntry& entry : kInstanceEntries)
    if (entry.fn && strcmp(entry.name, name) == 0) return entry.fn;
  for (const NamedEntry& entry : kDeviceEntries)
    if (strcmp(entry.name, name) == 0) return entry.fn;
  return nullptr;
}

#include "fake_vulkan_exports.inc"
