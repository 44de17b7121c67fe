// Stand-in Vulkan loader: the global, instance and physical-device entry
// points the renderer's initialisation uses, answering from a configuration.
#define VK_NO_PROTOTYPES
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
};
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
  for (const NamedEntry& entry : kInstanceEntries)
    if (strcmp(entry.name, name) == 0) return entry.fn;
  return nullptr;
}
