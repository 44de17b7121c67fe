// Stand-in Vulkan loader: the global, instance and physical-device entry
// points the renderer's initialisation uses, answering from a configuration.
#define VK_NO_PROTOTYPES
#define VK_USE_PLATFORM_WIN32_KHR
#include <windows.h>
#include <vulkan/vulkan.h>

#include <cstdio>
#include <cstring>

#include "fake_vulkan.h"

#define FAKE_EXPORT extern "C" __declspec(dllexport)

namespace {
FakeVkConfig g_config;
FakeVkState g_state;
int g_instance_object;  // the one instance's handle points here
int g_device_objects[2];

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

VKAPI_ATTR void VKAPI_CALL DestroyInstance(VkInstance, const VkAllocationCallbacks*) { ++g_state.instances_destroyed; }

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
}

VKAPI_ATTR VkResult VKAPI_CALL EnumerateDeviceExtensionProperties(VkPhysicalDevice, const char*, uint32_t* count,
                                                                  VkExtensionProperties* props) {
  if (props && *count >= 1) copy_name(props[0].extensionName, VK_MAX_EXTENSION_NAME_SIZE, "VK_KHR_swapchain");
  *count = 1;
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

int g_device_object;  // the one logical device's handle points here
int g_queue_object;
int g_command_buffer_objects[64];
int g_next_command_buffer;
uint64_t g_next_handle = 0x1000;
VkImage g_swapchain_images[8];

template <typename T>
T new_handle() {
  ++g_state.live_objects;
  return (T)(g_next_handle++);
}
#define FAKE_DESTROY(name, type)                                                \
  VKAPI_ATTR void VKAPI_CALL name(VkDevice, type handle, const VkAllocationCallbacks*) { \
    if (handle != VK_NULL_HANDLE) --g_state.live_objects;                     \
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
  caps->maxImageExtent = {4096, 4096};
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
  if (format == VK_FORMAT_D32_SFLOAT) props->optimalTilingFeatures = VK_FORMAT_FEATURE_DEPTH_STENCIL_ATTACHMENT_BIT;
}

VKAPI_ATTR VkResult VKAPI_CALL CreateDevice(VkPhysicalDevice, const VkDeviceCreateInfo* info,
                                            const VkAllocationCallbacks*, VkDevice* device) {
  g_state.device_queue_create_count = info->queueCreateInfoCount;
  for (uint32_t i = 0; i < info->queueCreateInfoCount && i < 2; ++i)
    g_state.device_queue_families[i] = info->pQueueCreateInfos[i].queueFamilyIndex;
  if (g_config.create_device_result != VK_SUCCESS) return static_cast<VkResult>(g_config.create_device_result);
  ++g_state.devices_created;
  *device = reinterpret_cast<VkDevice>(&g_device_object);
  return VK_SUCCESS;
}

VKAPI_ATTR void VKAPI_CALL DestroyDevice(VkDevice device, const VkAllocationCallbacks*) {
  if (device) ++g_state.devices_destroyed;
}

VKAPI_ATTR void VKAPI_CALL GetDeviceQueue(VkDevice, uint32_t, uint32_t, VkQueue* queue) {
  *queue = reinterpret_cast<VkQueue>(&g_queue_object);
}

VKAPI_ATTR VkResult VKAPI_CALL DeviceWaitIdle(VkDevice) { return VK_SUCCESS; }

VKAPI_ATTR VkResult VKAPI_CALL CreateCommandPool(VkDevice, const VkCommandPoolCreateInfo*,
                                                 const VkAllocationCallbacks*, VkCommandPool* pool) {
  *pool = new_handle<VkCommandPool>();
  return VK_SUCCESS;
}
FAKE_DESTROY(DestroyCommandPool, VkCommandPool)

VKAPI_ATTR VkResult VKAPI_CALL CreateDescriptorPool(VkDevice, const VkDescriptorPoolCreateInfo*,
                                                    const VkAllocationCallbacks*, VkDescriptorPool* pool) {
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
  *swapchain = new_handle<VkSwapchainKHR>();
  return VK_SUCCESS;
}
FAKE_DESTROY(DestroySwapchainKHR, VkSwapchainKHR)

VKAPI_ATTR VkResult VKAPI_CALL GetSwapchainImagesKHR(VkDevice, VkSwapchainKHR, uint32_t* count, VkImage* images) {
  uint32_t n = g_state.swapchain_min_images < 8 ? g_state.swapchain_min_images : 8;
  if (images) {
    if (*count < n) n = *count;
    for (uint32_t i = 0; i < n; ++i) images[i] = g_swapchain_images[i] = (VkImage)(uint64_t)(0x900 + i);
  }
  *count = n;
  return VK_SUCCESS;
}

#define FAKE_CREATE(name, info_type, type)                                                          \
  VKAPI_ATTR VkResult VKAPI_CALL name(VkDevice, const info_type*, const VkAllocationCallbacks*, type* out) { \
    *out = new_handle<type>();                                                                      \
    return VK_SUCCESS;                                                                              \
  }
FAKE_CREATE(CreateImageView, VkImageViewCreateInfo, VkImageView)
FAKE_DESTROY(DestroyImageView, VkImageView)
FAKE_CREATE(CreateImage, VkImageCreateInfo, VkImage)
FAKE_DESTROY(DestroyImage, VkImage)
FAKE_CREATE(CreateRenderPass, VkRenderPassCreateInfo, VkRenderPass)
FAKE_DESTROY(DestroyRenderPass, VkRenderPass)
FAKE_CREATE(CreateFramebuffer, VkFramebufferCreateInfo, VkFramebuffer)
FAKE_DESTROY(DestroyFramebuffer, VkFramebuffer)
FAKE_CREATE(CreateFence, VkFenceCreateInfo, VkFence)
FAKE_DESTROY(DestroyFence, VkFence)
FAKE_CREATE(CreateSemaphore, VkSemaphoreCreateInfo, VkSemaphore)
FAKE_DESTROY(DestroySemaphore, VkSemaphore)
FAKE_CREATE(AllocateMemory, VkMemoryAllocateInfo, VkDeviceMemory)
FAKE_DESTROY(FreeMemory, VkDeviceMemory)

VKAPI_ATTR void VKAPI_CALL GetImageMemoryRequirements(VkDevice, VkImage, VkMemoryRequirements* needs) {
  needs->size = 4096;
  needs->alignment = 256;
  needs->memoryTypeBits = 1;
}

VKAPI_ATTR VkResult VKAPI_CALL BindImageMemory(VkDevice, VkImage, VkDeviceMemory, VkDeviceSize) { return VK_SUCCESS; }

VKAPI_ATTR VkResult VKAPI_CALL AllocateCommandBuffers(VkDevice, const VkCommandBufferAllocateInfo* info,
                                                      VkCommandBuffer* buffers) {
  for (uint32_t i = 0; i < info->commandBufferCount; ++i) {
    buffers[i] = reinterpret_cast<VkCommandBuffer>(&g_command_buffer_objects[g_next_command_buffer++ % 64]);
    ++g_state.live_objects;
  }
  return VK_SUCCESS;
}

VKAPI_ATTR void VKAPI_CALL FreeCommandBuffers(VkDevice, VkCommandPool, uint32_t count, const VkCommandBuffer* buffers) {
  for (uint32_t i = 0; i < count; ++i)
    if (buffers[i]) --g_state.live_objects;
}

VKAPI_ATTR VkResult VKAPI_CALL WaitForFences(VkDevice, uint32_t, const VkFence*, VkBool32, uint64_t) {
  return VK_SUCCESS;
}
VKAPI_ATTR VkResult VKAPI_CALL ResetFences(VkDevice, uint32_t, const VkFence*) { return VK_SUCCESS; }

VKAPI_ATTR VkResult VKAPI_CALL AcquireNextImageKHR(VkDevice, VkSwapchainKHR, uint64_t, VkSemaphore, VkFence,
                                                   uint32_t* index) {
  static uint32_t next = 0;
  uint32_t n = g_state.swapchain_min_images ? g_state.swapchain_min_images : 1;
  *index = next++ % n;
  return VK_SUCCESS;
}

VKAPI_ATTR VkResult VKAPI_CALL QueueSubmit(VkQueue, uint32_t, const VkSubmitInfo*, VkFence) {
  ++g_state.submits;
  return VK_SUCCESS;
}

VKAPI_ATTR VkResult VKAPI_CALL QueuePresentKHR(VkQueue, const VkPresentInfoKHR*) {
  ++g_state.presents;
  return static_cast<VkResult>(g_config.present_result);
}

VKAPI_ATTR VkResult VKAPI_CALL BeginCommandBuffer(VkCommandBuffer, const VkCommandBufferBeginInfo*) {
  return VK_SUCCESS;
}
VKAPI_ATTR VkResult VKAPI_CALL EndCommandBuffer(VkCommandBuffer) { return VK_SUCCESS; }
VKAPI_ATTR void VKAPI_CALL CmdBeginRenderPass(VkCommandBuffer, const VkRenderPassBeginInfo*, VkSubpassContents) {
  ++g_state.render_passes_begun;
}
VKAPI_ATTR void VKAPI_CALL CmdEndRenderPass(VkCommandBuffer) { ++g_state.render_passes_ended; }

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
    FAKE_ENTRY(CmdEndRenderPass),
};

VKAPI_ATTR PFN_vkVoidFunction VKAPI_CALL GetDeviceProcAddr(VkDevice device, const char* name) {
  if (!device || !name) return nullptr;
  for (const NamedEntry& entry : kDeviceEntries)
    if (strcmp(entry.name, name) == 0) return entry.fn;
  return nullptr;
}
}  // namespace

FAKE_EXPORT void fake_vk_configure(const FakeVkConfig* config) {
  g_config = *config;
  memset(&g_state, 0, sizeof(g_state));
}

FAKE_EXPORT const FakeVkState* fake_vk_state() { return &g_state; }

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
  if (strcmp(name, "vkGetDeviceProcAddr") == 0) return reinterpret_cast<PFN_vkVoidFunction>(&GetDeviceProcAddr);
  for (const NamedEntry& entry : kInstanceEntries)
    if (entry.fn && strcmp(entry.name, name) == 0) return entry.fn;
  for (const NamedEntry& entry : kDeviceEntries)
    if (strcmp(entry.name, name) == 0) return entry.fn;
  return nullptr;
}
