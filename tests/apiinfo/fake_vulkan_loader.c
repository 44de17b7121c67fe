/* A stand-in Vulkan loader for what lavapipe cannot show. The scenario comes
 * from the environment variable QV_FAKE_VK_SCENARIO, read by
 * vkEnumerateInstanceExtensionProperties:
 *   "incompatible"  vkCreateInstance answers -9
 *   "init_failed"   vkCreateInstance answers -3
 *   "other_error"   vkCreateInstance answers -2 (out of device memory)
 *   "two_devices"   two handles, the first null; the second is NVIDIA (0x10DE)
 *                   and lists the PCI bus info and driver properties
 *   "intel_10"      one Intel (0x8086) device of a loader without
 *                   vkEnumerateInstanceVersion (a 1.0 instance)
 *   "null_instance" vkCreateInstance answers success but gives no instance
 *   "amd_10_bare"   one AMD (0x1002) device of a loader without
 *                   vkEnumerateInstanceVersion and without the extended
 *                   properties instance extension: no extended query at all
 * Any call that is handed a null instance is noted in
 * QV_FAKE_VK_NULL_INSTANCE_CALL (the name of the entry point).
 * Built with QV_FAKE_VK_NO_DESTROY, the library lacks vkDestroyInstance, as a
 * broken or partial loader may.
 * The extensions each vkCreateDevice was given are left, comma-separated, in
 * QV_FAKE_VK_DEVICE_EXTENSIONS, and the instance extensions in
 * QV_FAKE_VK_INSTANCE_EXTENSIONS, for the test to read. */
#include <string.h>
#include <windows.h>

#define VK_NO_PROTOTYPES
#include <vulkan/vulkan.h>

#define EXPORT __declspec(dllexport)

static char g_scenario[64];
static int is(const char* name) { return strcmp(g_scenario, name) == 0; }

static int g_instanceObject, g_deviceObject, g_physicalObject;

static void noteList(const char* var, uint32_t n, const char* const* names) {
  char text[1024] = "";
  for (uint32_t k = 0; k < n; ++k) {
    if (k) strncat(text, ",", sizeof(text) - strlen(text) - 1);
    strncat(text, names[k], sizeof(text) - strlen(text) - 1);
  }
  SetEnvironmentVariableA(var, text);
}

static VkResult fill(uint32_t* count, void* out, const void* items, uint32_t n, size_t size) {
  if (!out) {
    *count = n;
    return VK_SUCCESS;
  }
  uint32_t m = *count < n ? *count : n;
  memcpy(out, items, m * size);
  *count = m;
  return m < n ? VK_INCOMPLETE : VK_SUCCESS;
}

EXPORT VkResult VKAPI_CALL vkEnumerateInstanceExtensionProperties(const char* layer, uint32_t* count,
                                                                  VkExtensionProperties* props) {
  (void)layer;
  DWORD n = GetEnvironmentVariableA("QV_FAKE_VK_SCENARIO", g_scenario, sizeof(g_scenario));
  if (n == 0 || n >= sizeof(g_scenario)) g_scenario[0] = 0;
  VkExtensionProperties items[2];
  memset(items, 0, sizeof(items));
  strcpy(items[0].extensionName, "VK_KHR_surface");
  items[0].specVersion = 25;
  strcpy(items[1].extensionName, "VK_KHR_get_physical_device_properties2");
  items[1].specVersion = 2;
  return fill(count, props, items, is("amd_10_bare") ? 1 : 2, sizeof(items[0]));
}

EXPORT VkResult VKAPI_CALL vkEnumerateInstanceLayerProperties(uint32_t* count, VkLayerProperties* props) {
  (void)props;
  *count = 0;
  return VK_SUCCESS;
}

static VkResult VKAPI_CALL enumerateInstanceVersion(uint32_t* version) {
  *version = VK_API_VERSION_1_3;
  return VK_SUCCESS;
}

EXPORT VkResult VKAPI_CALL vkCreateInstance(const VkInstanceCreateInfo* info, const VkAllocationCallbacks* a,
                                            VkInstance* instance) {
  (void)a;
  if (is("incompatible")) return VK_ERROR_INCOMPATIBLE_DRIVER;
  if (is("init_failed")) return VK_ERROR_INITIALIZATION_FAILED;
  if (is("other_error")) return VK_ERROR_OUT_OF_DEVICE_MEMORY;
  noteList("QV_FAKE_VK_INSTANCE_EXTENSIONS", info->enabledExtensionCount, info->ppEnabledExtensionNames);
  *instance = is("null_instance") ? VK_NULL_HANDLE : (VkInstance)&g_instanceObject;
  return VK_SUCCESS;
}

static void noteNullInstance(VkInstance instance, const char* entryPoint) {
  if (!instance) SetEnvironmentVariableA("QV_FAKE_VK_NULL_INSTANCE_CALL", entryPoint);
}

#ifndef QV_FAKE_VK_NO_DESTROY
EXPORT void VKAPI_CALL vkDestroyInstance(VkInstance instance, const VkAllocationCallbacks* a) {
  (void)a;
  noteNullInstance(instance, "vkDestroyInstance");
}
#endif

EXPORT VkResult VKAPI_CALL vkEnumeratePhysicalDevices(VkInstance instance, uint32_t* count,
                                                      VkPhysicalDevice* devices) {
  noteNullInstance(instance, "vkEnumeratePhysicalDevices");
  if (is("two_devices")) {
    VkPhysicalDevice items[2] = {VK_NULL_HANDLE, (VkPhysicalDevice)&g_physicalObject};
    return fill(count, devices, items, 2, sizeof(items[0]));
  }
  VkPhysicalDevice item = (VkPhysicalDevice)&g_physicalObject;
  return fill(count, devices, &item, 1, sizeof(item));
}

static uint32_t vendor(void) { return is("intel_10") ? 0x8086 : is("amd_10_bare") ? 0x1002 : 0x10DE; }

EXPORT void VKAPI_CALL vkGetPhysicalDeviceProperties(VkPhysicalDevice pd, VkPhysicalDeviceProperties* p) {
  (void)pd;
  memset(p, 0, sizeof(*p));
  p->apiVersion = VK_MAKE_VERSION(1, 2, 131);
  p->driverVersion = (470u << 22) | (82u << 14);
  p->vendorID = vendor();
  p->deviceID = 0x2204;
  p->deviceType = VK_PHYSICAL_DEVICE_TYPE_DISCRETE_GPU;
  /* A name that fills its whole array, without a terminator. */
  memset(p->deviceName, 'G', sizeof(p->deviceName));
  p->limits.maxImageDimension2D = 32768;
}

EXPORT void VKAPI_CALL vkGetPhysicalDeviceMemoryProperties(VkPhysicalDevice pd,
                                                           VkPhysicalDeviceMemoryProperties* m) {
  (void)pd;
  memset(m, 0, sizeof(*m));
  m->memoryHeapCount = 1;
  m->memoryHeaps[0].size = 8ull << 30;
  m->memoryTypeCount = 2;
  m->memoryTypes[1].propertyFlags = VK_MEMORY_PROPERTY_DEVICE_LOCAL_BIT;
}

EXPORT VkResult VKAPI_CALL vkEnumerateDeviceExtensionProperties(VkPhysicalDevice pd, const char* layer,
                                                                uint32_t* count, VkExtensionProperties* props) {
  (void)pd;
  (void)layer;
  static const char* const names[] = {"VK_NV_ray_tracing", "VK_EXT_pci_bus_info",
                                      "VK_KHR_driver_properties"};
  VkExtensionProperties items[3];
  memset(items, 0, sizeof(items));
  for (int k = 0; k < 3; ++k) {
    strcpy(items[k].extensionName, names[k]);
    items[k].specVersion = 1;
  }
  return fill(count, props, items, 3, sizeof(items[0]));
}

EXPORT VkResult VKAPI_CALL vkEnumerateDeviceLayerProperties(VkPhysicalDevice pd, uint32_t* count,
                                                            VkLayerProperties* props) {
  (void)pd;
  (void)props;
  *count = 0;
  return VK_SUCCESS;
}

EXPORT void VKAPI_CALL vkGetPhysicalDeviceFeatures(VkPhysicalDevice pd, VkPhysicalDeviceFeatures* f) {
  (void)pd;
  memset(f, 0, sizeof(*f));
  f->geometryShader = VK_TRUE;
}

EXPORT void VKAPI_CALL vkGetPhysicalDeviceProperties2(VkPhysicalDevice pd, VkPhysicalDeviceProperties2* p) {
  vkGetPhysicalDeviceProperties(pd, &p->properties);
  for (VkBaseOutStructure* s = (VkBaseOutStructure*)p->pNext; s; s = s->pNext) {
    if (s->sType == VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_DRIVER_PROPERTIES) {
      VkPhysicalDeviceDriverProperties* d = (VkPhysicalDeviceDriverProperties*)s;
      d->driverID = VK_DRIVER_ID_NVIDIA_PROPRIETARY;
      memset(d->driverName, 'D', sizeof(d->driverName)); /* unterminated */
      strcpy(d->driverInfo, "470.82");
      d->conformanceVersion.major = 1;
      d->conformanceVersion.minor = 2;
    } else if (s->sType == VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_PCI_BUS_INFO_PROPERTIES_EXT) {
      VkPhysicalDevicePCIBusInfoPropertiesEXT* b = (VkPhysicalDevicePCIBusInfoPropertiesEXT*)s;
      b->pciBus = 7;
      b->pciDevice = 3;
    }
  }
}

EXPORT VkResult VKAPI_CALL vkCreateDevice(VkPhysicalDevice pd, const VkDeviceCreateInfo* info,
                                          const VkAllocationCallbacks* a, VkDevice* device) {
  (void)pd;
  (void)a;
  noteList("QV_FAKE_VK_DEVICE_EXTENSIONS", info->enabledExtensionCount, info->ppEnabledExtensionNames);
  *device = (VkDevice)&g_deviceObject;
  return VK_SUCCESS;
}

EXPORT void VKAPI_CALL vkDestroyDevice(VkDevice device, const VkAllocationCallbacks* a) {
  (void)device;
  (void)a;
}

EXPORT PFN_vkVoidFunction VKAPI_CALL vkGetInstanceProcAddr(VkInstance instance, const char* name) {
  if (!instance && strcmp(name, "vkEnumerateInstanceVersion") == 0)
    return is("intel_10") || is("amd_10_bare") ? NULL : (PFN_vkVoidFunction)enumerateInstanceVersion;
  if (instance && (strcmp(name, "vkGetPhysicalDeviceProperties2") == 0 ||
                   strcmp(name, "vkGetPhysicalDeviceProperties2KHR") == 0))
    return (PFN_vkVoidFunction)vkGetPhysicalDeviceProperties2;
  return NULL;
}
