// Physical devices: GPU objects, GPU records and the per-GPU report.
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "vk_generation.h"
#include "vk_names.h"
#include "vk_plugin.h"

VkGpuRecord::VkGpuRecord() { reset_function_table(functions); }

VkGpuRecord::~VkGpuRecord() {
  for (GpuFeatureEntry* entry : feature_registry) delete entry;
  for (GpuLimitEntry* entry : limit_registry) delete entry;
  delete[] queue_family_properties;
}

// ---- enumeration

bool VulkanPLugin::log_physical_devices(VkInstanceRecord* record, int) {
  if (!record || !record->functions.vkEnumeratePhysicalDevices || !record->functions.vkGetPhysicalDeviceProperties)
    return false;
  VkFunctionTable& fn = record->functions;
  uint32_t count = 0;
  if (fn.vkEnumeratePhysicalDevices(record->instance, &count, nullptr) != VK_SUCCESS || count == 0) return false;
  std::vector<VkPhysicalDevice> handles(count);
  if (fn.vkEnumeratePhysicalDevices(record->instance, &count, handles.data()) != VK_SUCCESS) return false;
  if (count > handles.size()) count = static_cast<uint32_t>(handles.size());

  log_device_groups(record);

  tracef("# Vulkan devices: %u", count);
  for (uint32_t i = 0; i < count; ++i) {
    VkPhysicalDevice handle = handles[i];
    tvc::RendererGpu* gpu = gpu_create();
    gpu->gpu_index = static_cast<int>(i);
    VkGpuRecord* gpu_rec = new VkGpuRecord;
    gpu_records.push_back(gpu_rec);
    gpu->renderer_data = gpu_rec;

    VkPhysicalDeviceProperties props{};
    fn.vkGetPhysicalDeviceProperties(handle, &props);
    gpu_rec->properties = props;
    const std::string device_name = bounded(props.deviceName, VK_MAX_PHYSICAL_DEVICE_NAME_SIZE);

    tracef("[ GPU %d ]--------------------------------------", static_cast<int>(i));
    if (generation::logs_device_pointers()) tracef("- physical device pointer: 0x%8" PRIXPTR, handle_bits(handle));
    tracef("- GPU name: %s", device_name.c_str());
    tracef("- DeviceID: %4X-%4X", props.vendorID, props.deviceID);

    gpu_rec->instance = record->instance;
    gpu_rec->index = static_cast<int32_t>(i);
    gpu_rec->physical_device = handle;
    gpu_rec->name = device_name;
    gpu_rec->vendor_id = props.vendorID;
    gpu_rec->device_id = props.deviceID;

    gpu_rec->functions.library = fn.library;
    load_global_entry_points(gpu_rec->functions);
    load_instance_entry_points(gpu_rec->functions, record->instance, record->properties2);

    const uint32_t d = props.driverVersion;
    if (verbose) tracef("- Raw driver version: %u", d);
    if (props.vendorID == 0x10DE) {
      gpu_rec->driver_version_parts[0] = static_cast<int32_t>(d >> 22);
      gpu_rec->driver_version_parts[1] = static_cast<int32_t>((d >> 14) & 0xFF);
      gpu_rec->driver_version_parts[2] = static_cast<int32_t>((d >> 6) & 0xFF);
      gpu_rec->driver_version_parts[3] = static_cast<int32_t>(d & 0x3F);
      tracef("- NVIDIA driver version: %d.%d_%d.%d", gpu_rec->driver_version_parts[0],
             gpu_rec->driver_version_parts[1], gpu_rec->driver_version_parts[2], gpu_rec->driver_version_parts[3]);
    }

    const uint32_t v = props.apiVersion;
    const int major = static_cast<int>(v >> 22), minor = static_cast<int>((v >> 12) & 0x3FF),
              patch = static_cast<int>(v & 0xFFF);
    tracef("- Vulkan API version: %d.%d.%d", major, minor, patch);
    gpu_rec->api_version[0] = static_cast<int32_t>(v);
    gpu_rec->api_version[1] = major;
    gpu_rec->api_version[2] = minor;
    gpu_rec->api_version[3] = patch;
    char version_text[64] = {0};
    snprintf(version_text, sizeof(version_text), "%d.%d.%d", major, minor, patch);
    gpu_rec->api_version_text = version_text;

    static const char* const kTypes[] = {
        "VK_PHYSICAL_DEVICE_TYPE_OTHER", "VK_PHYSICAL_DEVICE_TYPE_INTEGRATED_GPU",
        "VK_PHYSICAL_DEVICE_TYPE_DISCRETE_GPU", "VK_PHYSICAL_DEVICE_TYPE_VIRTUAL_GPU", "VK_PHYSICAL_DEVICE_TYPE_CPU"};
    const uint32_t type = static_cast<uint32_t>(props.deviceType);
    if (type < sizeof(kTypes) / sizeof(kTypes[0])) tracef("- Device type: %s", kTypes[type]);

    query_memory_heaps(gpu_rec);
    query_device_extensions(gpu_rec);
    query_device_layers(gpu_rec);

    if (fn.vkGetPhysicalDeviceFeatures) fn.vkGetPhysicalDeviceFeatures(handle, &gpu_rec->features);
    gpu_rec->limits = props.limits;
    fill_gpu_registries(gpu_rec);
  }
  gpu_set_current(gpu_get_by_index(0));
  return true;
}

bool VulkanPLugin::query_memory_heaps(VkGpuRecord* record) {
  if (!record || !record->functions.vkGetPhysicalDeviceMemoryProperties) return false;
  VkPhysicalDeviceMemoryProperties memory{};
  record->functions.vkGetPhysicalDeviceMemoryProperties(record->physical_device, &memory);
  uint32_t heaps = memory.memoryHeapCount;
  if (heaps > VK_MAX_MEMORY_HEAPS) heaps = VK_MAX_MEMORY_HEAPS;
  if (verbose) tracef("- Memory heap count: %u", heaps);
  for (uint32_t h = 0; h < heaps; ++h) {
    const uint32_t mb = static_cast<uint32_t>(memory.memoryHeaps[h].size >> 20);
    record->heap_sizes_mb.push_back(mb);
    if (verbose) tracef("\t\theap %u - size: %u MB", h, mb);
  }
  return true;
}

bool VulkanPLugin::query_device_extensions(VkGpuRecord* record) {
  if (!record || !record->functions.vkEnumerateDeviceExtensionProperties) return false;
  PFN_vkEnumerateDeviceExtensionProperties enumerate = record->functions.vkEnumerateDeviceExtensionProperties;
  uint32_t count = 0;
  if (enumerate(record->physical_device, nullptr, &count, nullptr) != VK_SUCCESS) {
    tracef_error("unable to list the device extensions.");
    return false;
  }
  if (count == 0) {
    if (verbose) tracef("- Device extensions: 0");
    return true;
  }
  std::vector<VkExtensionProperties> props(count);
  if (enumerate(record->physical_device, nullptr, &count, props.data()) != VK_SUCCESS) {
    tracef_error("unable to read the device extensions.");
    return false;
  }
  if (count > props.size()) count = static_cast<uint32_t>(props.size());
  if (verbose) tracef("- Device extensions: %u", count);
  for (uint32_t k = 0; k < count; ++k) {
    std::string name = bounded(props[k].extensionName, VK_MAX_EXTENSION_NAME_SIZE);
    if (verbose) tracef("\t\t%u/ %s (spec version: %d)", k + 1, name.c_str(), static_cast<int>(props[k].specVersion));
    record->device_extension_names.push_back(name);
  }
  return true;
}

bool VulkanPLugin::query_device_layers(VkGpuRecord* record) {
  if (!record || !record->functions.vkEnumerateDeviceLayerProperties) return false;
  PFN_vkEnumerateDeviceLayerProperties enumerate = record->functions.vkEnumerateDeviceLayerProperties;
  uint32_t count = 0;
  if (enumerate(record->physical_device, &count, nullptr) != VK_SUCCESS) {
    tracef_error("unable to list the device layers.");
    return false;
  }
  if (count == 0) {
    if (verbose) tracef("- Device layers: 0");
    return true;
  }
  std::vector<VkLayerProperties> props(count);
  if (enumerate(record->physical_device, &count, props.data()) != VK_SUCCESS) {
    tracef_error("unable to read the device layers.");
    return false;
  }
  if (count > props.size()) count = static_cast<uint32_t>(props.size());
  if (verbose) tracef("- Device layers: %u", count);
  for (uint32_t k = 0; k < count; ++k) {
    std::string name = bounded(props[k].layerName, VK_MAX_EXTENSION_NAME_SIZE);
    const uint32_t s = props[k].specVersion;
    if (verbose)
      tracef("\t\t%u/ %s (spec version: %d.%d.%d)", k + 1, name.c_str(), static_cast<int>(s >> 22),
             static_cast<int>((s >> 12) & 0x3FF), static_cast<int>(s & 0xFFF));
    record->device_layer_names.push_back(name);
  }
  return true;
}

void VulkanPLugin::release_gpus() {
  gpu_killall();
  for (VkGpuRecord* record : gpu_records) delete record;
  gpu_records.clear();
}

// ---- GPU objects

tvc::RendererGpu* VulkanPLugin::gpu_create() {
  tvc::RendererGpu* gpu = new tvc::RendererGpu;
  gpu_list.push_back(gpu);
  gpu_set_current(gpu);
  return gpu;
}

bool VulkanPLugin::gpu_kill(tvc::RendererGpu* gpu) {
  if (!gpu) return false;
  for (auto it = gpu_list.begin(); it != gpu_list.end(); ++it) {
    if (*it != gpu) continue;
    if (gpu == current_gpu) gpu_set_current(nullptr);
    gpu_list.erase(it);
    // Nothing could reach the GPU's devices once the object is gone.
    release_gpu_devices(gpu_record(gpu));
    delete gpu;
    return true;
  }
  return false;
}

bool VulkanPLugin::gpu_killall() {
  for (tvc::RendererGpu* gpu : gpu_list) {
    release_gpu_devices(gpu_record(gpu));
    delete gpu;
  }
  gpu_list.clear();
  gpu_set_current(nullptr);
  return true;
}

void VulkanPLugin::gpu_set_current(tvc::RendererGpu* gpu) { current_gpu = gpu; }

tvc::RendererGpu* VulkanPLugin::gpu_get_current() { return current_gpu; }

tvc::RendererGpu* VulkanPLugin::gpu_find(int id) {
  for (tvc::RendererGpu* gpu : gpu_list)
    if (gpu && gpu->id == id) return gpu;
  return nullptr;
}

int VulkanPLugin::gpu_get_count() { return static_cast<int>(gpu_list.size()); }

tvc::RendererGpu* VulkanPLugin::gpu_get_by_index(unsigned index) {
  return index < gpu_list.size() ? gpu_list[index] : nullptr;
}

const char* VulkanPLugin::gpu_get_name(tvc::RendererGpu* gpu) {
  VkGpuRecord* record = gpu_record(gpu);
  return record ? record->name.c_str() : "";
}

unsigned VulkanPLugin::gpu_get_vendor_id(tvc::RendererGpu* gpu) {
  VkGpuRecord* record = gpu_record(gpu);
  return record ? record->vendor_id : 0;
}

unsigned VulkanPLugin::gpu_get_device_id(tvc::RendererGpu* gpu) {
  VkGpuRecord* record = gpu_record(gpu);
  return record ? record->device_id : 0;
}

// ---- per-GPU queries by GPU index

const char* VulkanPLugin::get_device_extension_name(int, int gpu_index, unsigned index) {
  VkGpuRecord* record = gpu_record_at(gpu_index);
  if (!record || index >= record->device_extension_names.size()) return nullptr;
  return record->device_extension_names[index].c_str();
}

int VulkanPLugin::get_gpu_memory_heap_count(int, int gpu_index) {
  VkGpuRecord* record = gpu_record_at(gpu_index);
  return record ? static_cast<int>(record->heap_sizes_mb.size()) : 0;
}

unsigned VulkanPLugin::get_gpu_memory_heap_size(int, int gpu_index, unsigned heap) {
  VkGpuRecord* record = gpu_record_at(gpu_index);
  if (!record || record->heap_sizes_mb.empty()) return 0;
  return heap < record->heap_sizes_mb.size() ? record->heap_sizes_mb[heap] : record->heap_sizes_mb[0];
}

namespace {
bool write_four(const int32_t values[4], int* p0, int* p1, int* p2, int* p3) {
  int* outs[4] = {p0, p1, p2, p3};
  for (int i = 0; i < 4; ++i)
    if (outs[i]) *outs[i] = values[i];
  return true;
}
}  // namespace

bool VulkanPLugin::get_gpu_api_version(int, int gpu_index, int* raw, int* major, int* minor, int* patch) {
  VkGpuRecord* record = gpu_record_at(gpu_index);
  return record && write_four(record->api_version, raw, major, minor, patch);
}

bool VulkanPLugin::get_gpu_driver_version(int, int gpu_index, int* p0, int* p1, int* p2, int* p3) {
  VkGpuRecord* record = gpu_record_at(gpu_index);
  return record && write_four(record->driver_version_parts, p0, p1, p2, p3);
}

bool VulkanPLugin::gpu_get_int_value(tvc::RendererGpu* gpu, int* value) {
  VkGpuRecord* record = gpu_record(gpu);
  if (!record || !value) return false;
  *value = static_cast<int>(record->properties.deviceType);
  return true;
}
