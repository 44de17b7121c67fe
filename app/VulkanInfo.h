// Vulkan information: instance extensions and layers and, per physical
// device, properties, memory, extensions, layers, features, limits and a few
// extension properties. Read once by DetectVulkan (at start-up, or before a
// framework demo) through the Vulkan loader "vulkan-1.dll" of the system folder, which is loaded
// only during detection; read afterwards by the Vulkan tab, the report and the
// framework-demo launcher.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <vulkan/vulkan.h>

struct VkExtensionRecord {
  std::string name;
  uint32_t specVersion;
};

struct VkLayerRecord {
  std::string layerName;
  uint32_t specVersion;
  uint32_t specVersionMajor;  // spec version >> 22
  uint32_t specVersionMinor;  // (spec version >> 12) & 0x3FF
  uint32_t specVersionPatch;  // spec version & 0xFFF
  uint32_t implementationVersion;
};

struct VkMemoryHeapRecord {
  uint32_t heapIndex;
  uint64_t sizeMb;
};

struct VkMemoryTypeRecord {
  uint32_t typeIndex;
  uint32_t heapIndex;
  VkMemoryPropertyFlags propertyFlags;
  std::vector<std::string> flagNames;

  // Adds a flag name when heapIndex is this record's heap, the name is not
  // empty and not listed yet; true when added.
  bool FormatVulkanMemoryFlags(uint32_t heapIndex, const char* name);
};

// What a device reports in its properties, features and extension properties.
struct VulkanDeviceBlock {
  VkPhysicalDeviceLimits limits;
  VkPhysicalDeviceSparseProperties sparseProperties;
  VkPhysicalDeviceFeatures features;
  bool driverPropertiesRead;
  VkPhysicalDeviceDriverProperties driverProperties;  // pNext cleared
  bool shaderCorePropertiesRead;
  VkPhysicalDeviceShaderCorePropertiesAMD shaderCoreProperties;  // pNext cleared
  bool pciBusInfoRead;
  VkPhysicalDevicePCIBusInfoPropertiesEXT pciBusInfo;  // pNext cleared
};

struct VulkanPhysicalDeviceInfo {
  VulkanPhysicalDeviceInfo();

  std::string deviceName;
  uint32_t vendorId;
  uint32_t deviceId;
  uint32_t driverVersion;
  uint32_t deviceType;  // VkPhysicalDeviceType
  int apiVersionMajor;
  int apiVersionMinor;
  int apiVersionPatch;
  int nvDriverVersionMajor;  // vendor 0x10DE only
  int nvDriverVersionMinor;
  char apiVersionText[32];
  std::string deviceTypeText;
  std::vector<VkMemoryHeapRecord> memoryHeaps;
  std::vector<VkMemoryTypeRecord> memoryTypes;
  std::vector<VkExtensionRecord> extensions;
  std::vector<VkLayerRecord> layers;
  VulkanDeviceBlock block;
};

// The loader's entry points, taken from its exports by name.
struct VulkanEntryPoints {
  PFN_vkGetInstanceProcAddr vkGetInstanceProcAddr;
  PFN_vkCreateInstance vkCreateInstance;
  PFN_vkEnumerateInstanceExtensionProperties vkEnumerateInstanceExtensionProperties;
  PFN_vkDestroyInstance vkDestroyInstance;
  PFN_vkEnumeratePhysicalDevices vkEnumeratePhysicalDevices;
  PFN_vkGetPhysicalDeviceProperties vkGetPhysicalDeviceProperties;
  PFN_vkEnumerateDeviceExtensionProperties vkEnumerateDeviceExtensionProperties;
  PFN_vkGetPhysicalDeviceMemoryProperties vkGetPhysicalDeviceMemoryProperties;
  PFN_vkEnumerateInstanceLayerProperties vkEnumerateInstanceLayerProperties;
  PFN_vkEnumerateDeviceLayerProperties vkEnumerateDeviceLayerProperties;
  PFN_vkGetPhysicalDeviceFeatures vkGetPhysicalDeviceFeatures;
  PFN_vkGetPhysicalDeviceProperties2 vkGetPhysicalDeviceProperties2;
  PFN_vkCreateDevice vkCreateDevice;
  PFN_vkDestroyDevice vkDestroyDevice;
  PFN_vkCreateCommandPool vkCreateCommandPool;
  PFN_vkDestroyCommandPool vkDestroyCommandPool;
  PFN_vkCreateDescriptorPool vkCreateDescriptorPool;
  PFN_vkDestroyDescriptorPool vkDestroyDescriptorPool;
};

struct VulkanInfo {
  bool initialised;
  HMODULE library;      // null outside detection
  VkInstance instance;  // null outside detection
  uint32_t instanceApiVersion;  // the version the instance was created for
  bool instanceProperties2Extension;  // VK_KHR_get_physical_device_properties2 enabled
  std::vector<VkExtensionRecord> instanceExtensions;
  std::vector<VkLayerRecord> instanceLayers;
  std::vector<std::unique_ptr<VulkanPhysicalDeviceInfo>> devices;
  VulkanEntryPoints entry;
};

// Reads everything once; true at once when already done. False when the
// loader is missing or no instance could be created (then nothing is kept
// and a later call starts afresh).
bool DetectVulkan();
// How DetectVulkan loads its library: "vulkan-1.dll" from the system folder
// only in the program; tests may hand it a library of their own (null restores it).
void SetVulkanLibraryLoader(HMODULE (*load)());
// Frees what DetectVulkan kept; always true.
bool ShutdownVulkanInfo();

bool IsVulkanInfoReady();
VulkanInfo& GetVulkanInfo();
int GetVulkanDeviceCount();
const char* GetVulkanDeviceName(int index);
uint32_t GetVulkanDeviceVendorId(int index);
uint32_t GetVulkanDeviceId(int index);
bool GetVulkanDeviceApiVersion(int index, int* major, int* minor, int* patch);
const char* GetVulkanDeviceApiVersionString(int index);
bool VulkanDeviceHasExtension(const VulkanPhysicalDeviceInfo* device, const char* name);

// The name of a driver id; "VK_DRIVER_ID_UNKNOWN" for ids the table lacks.
const char* VulkanDriverIdName(int driverId);
// "VK_PHYSICAL_DEVICE_TYPE_..." for types 0 to 4, "VK_PHYSICAL_DEVICE_TYPE_UNKNOWN" else.
const char* VulkanDeviceTypeName(uint32_t type);

// One limit line each into buf (name first, then the value or values).
void FormatVkLimitFloat(char* buf, size_t size, const char* name, float v);
void FormatVkLimitUint(char* buf, size_t size, const char* name, uint32_t v);
void FormatVkLimitInt(char* buf, size_t size, const char* name, int32_t v);
void FormatVkLimitUint64(char* buf, size_t size, const char* name, uint64_t v);
void FormatVkLimitFloat2(char* buf, size_t size, const char* name, const float v[2]);
void FormatVkLimitUint2(char* buf, size_t size, const char* name, const uint32_t v[2]);
void FormatVkLimitUint3(char* buf, size_t size, const char* name, const uint32_t v[3]);

// The device limits as data: one row per member of VkPhysicalDeviceLimits.
enum VkLimitKind {
  kVkUint,         // uint32_t
  kVkInt,          // int32_t
  kVkUint64,       // VkDeviceSize
  kVkSize,         // size_t
  kVkFloat,        // float
  kVkUint2,        // uint32_t[2]
  kVkUint3,        // uint32_t[3]
  kVkFloat2,       // float[2]
  kVkSampleFlags,  // VkSampleCountFlags
  kVkBool,         // VkBool32
};
struct VkLimitRow {
  const char* name;
  size_t offset;
  VkLimitKind kind;
};
extern const VkLimitRow kVkLimitRows[];
extern const size_t kVkLimitRowCount;
// The row of a member by name, or null.
const VkLimitRow* FindVkLimitRow(const char* name);
// The row's line for these limits, with the formatter of its kind.
void FormatVkLimitRow(char* buf, size_t size, const VkPhysicalDeviceLimits& limits,
                      const VkLimitRow& row);

// Features and sparse properties: one VkBool32 member per row.
struct VkBoolRow {
  const char* name;
  size_t offset;
};
extern const VkBoolRow kVkFeatureRows[];
extern const size_t kVkFeatureRowCount;
extern const VkBoolRow kVkSparseRows[];
extern const size_t kVkSparseRowCount;
VkBool32 VkFeatureValue(const VkPhysicalDeviceFeatures& features, const VkBoolRow& row);
VkBool32 VkSparseValue(const VkPhysicalDeviceSparseProperties& sparse, const VkBoolRow& row);
