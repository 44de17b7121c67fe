// The Vulkan, CUDA and OpenCL sections of the report.
#include <cstdio>
#include <cstring>

#include "app/AppState.h"
#include "app/CudaInfo.h"
#include "app/OpenClInfo.h"
#include "app/VulkanInfo.h"

// Last: it defines the escaping macro.
#include "app/ReportSections.h"

namespace {

void appendLayer(const VkLayerRecord& l, const char* textIndent) {
  AppendReportText("%s- %s (version: %u.%u.%u, impl: %u)", textIndent, l.layerName.c_str(),
                   l.specVersionMajor, l.specVersionMinor, l.specVersionPatch, l.implementationVersion);
  AppendReportXml("\n\t\t\t\t<layer name=\"%s\" version=\"%u.%u.%u\" impl=\"%u\" />", X(l.layerName.c_str()),
                  l.specVersionMajor, l.specVersionMinor, l.specVersionPatch, l.implementationVersion);
}

void appendDriverProperties(const VulkanPhysicalDeviceInfo& d) {
  const VkPhysicalDeviceDriverProperties& p = d.block.driverProperties;
  if (!d.block.driverPropertiesRead || static_cast<int>(p.driverID) <= 0) return;
  char name[VK_MAX_DRIVER_NAME_SIZE + 1], info[VK_MAX_DRIVER_INFO_SIZE + 1];
  snprintf(name, sizeof(name), "%.*s", VK_MAX_DRIVER_NAME_SIZE, p.driverName);
  snprintf(info, sizeof(info), "%.*s", VK_MAX_DRIVER_INFO_SIZE, p.driverInfo);
  const char* idName = VulkanDriverIdName(static_cast<int>(p.driverID));
  const VkConformanceVersion& c = p.conformanceVersion;
  AppendReportText("    - driver properties (VK_KHR_driver_properties):");
  AppendReportText("      -> driver name: %s", name);
  AppendReportText("      -> driver ID: %s (%d)", idName, static_cast<int>(p.driverID));
  AppendReportText("      -> driver conformance version: %d.%d.%d.%d:", c.major, c.minor, c.subminor, c.patch);
  AppendReportText("      -> driver info: %s", info);
  AppendReportXml("\n\t\t\t<driver_properties name=\"%s\" id_str=\"%s\" id=\"%d\" conformance_version=\"%d.%d.%d.%d\" info=\"%s\" />",
                  X(name), idName, static_cast<int>(p.driverID), c.major, c.minor, c.subminor, c.patch, X(info));
}

void appendMemory(const VulkanPhysicalDeviceInfo& d) {
  unsigned long heaps = static_cast<unsigned long>(d.memoryHeaps.size());
  AppendReportText("  - memory heap count: %lu", heaps);
  AppendReportXml("\n\t\t\t<memory_heap count=\"%lu\">", heaps);
  for (size_t h = 0; h < d.memoryHeaps.size(); ++h) {
    unsigned long long mb = d.memoryHeaps[h].sizeMb;
    AppendReportText("    - heap%d: %lluMB", static_cast<int>(h), mb);
    AppendReportXml("\n\t\t\t<heap size=\"%llu\" />", mb);
  }
  AppendReportXml("\n\t\t</memory_heap>");
  unsigned long types = static_cast<unsigned long>(d.memoryTypes.size());
  AppendReportText("  - memory type count: %lu", types);
  AppendReportXml("\n\t\t\t<memory_type count=\"%lu\">", types);
  for (const VkMemoryTypeRecord& t : d.memoryTypes) {
    AppendReportText("    - mem type %u - heap index : %u - property flag : %u", t.typeIndex, t.heapIndex,
                     static_cast<unsigned>(t.propertyFlags));
    for (const std::string& flag : t.flagNames) {
      AppendReportText("      > mem property: %s", flag.c_str());
      AppendReportXml("\n\t\t\t<mem property=\"%s\" />", X(flag.c_str()));
    }
  }
  AppendReportXml("\n\t\t\t</memory_type>");
}

void appendLimit(const VkPhysicalDeviceLimits& limits, const VkLimitRow& row) {
  const char* base = reinterpret_cast<const char*>(&limits) + row.offset;
  auto u32 = [&](int k) {
    uint32_t v;
    memcpy(&v, base + 4 * k, 4);
    return v;
  };
  auto f32 = [&](int k) {
    float v;
    memcpy(&v, base + 4 * k, 4);
    return v;
  };
  switch (row.kind) {
    case kVkUint:
    case kVkSampleFlags:
    case kVkBool:
      AppendReportXml("\n\t\t\t\t\t\t<limit name=\"%s\" x=\"%u\" />", row.name, u32(0));
      AppendReportText("    - %s: %u", row.name, u32(0));
      break;
    case kVkSize: {
      size_t v;
      memcpy(&v, base, sizeof(v));
      AppendReportXml("\n\t\t\t\t\t\t<limit name=\"%s\" x=\"%u\" />", row.name, static_cast<unsigned>(v));
      AppendReportText("    - %s: %u", row.name, static_cast<unsigned>(v));
      break;
    }
    case kVkUint64: {
      unsigned long long v;
      memcpy(&v, base, sizeof(v));
      AppendReportXml("\n\t\t\t\t\t\t<limit name=\"%s\" x=\"%llu\" />", row.name, v);
      AppendReportText("    - %s: %llu", row.name, v);
      break;
    }
    case kVkInt: {
      int32_t v;
      memcpy(&v, base, 4);
      AppendReportXml("\n\t\t\t\t\t\t<limit name=\"%s\" x=\"%d\" />", row.name, v);
      AppendReportText("    - %s: %d", row.name, v);
      break;
    }
    case kVkFloat:
      AppendReportXml("\n\t\t\t\t\t\t<limit name=\"%s\" x=\"%f\" />", row.name, f32(0));
      AppendReportText("    - %s: %f", row.name, f32(0));
      break;
    case kVkUint3:
      AppendReportXml("\n\t\t\t\t\t\t<limit name=\"%s\" x=\"%u\" y=\"%u\" z=\"%u\" />", row.name, u32(0), u32(1), u32(2));
      AppendReportText("    - %s: [%u; %u; %u]", row.name, u32(0), u32(1), u32(2));
      break;
    case kVkUint2:
      AppendReportXml("\n\t\t\t\t\t\t<limit name=\"%s\" x=\"%u\" y=\"%u\" />", row.name, u32(0), u32(1));
      AppendReportText("    - %s: [%u; %u]", row.name, u32(0), u32(1));
      break;
    case kVkFloat2:
      AppendReportXml("\n\t\t\t\t\t\t<limit name=\"%s\" x=\"%f\" y=\"%f\" />", row.name, f32(0), f32(1));
      AppendReportText("    - %s: [%f ; %f]", row.name, f32(0), f32(1));
      break;
  }
}

void appendDevice(int index, const VulkanPhysicalDeviceInfo& d) {
  AppendReportText("  - [Vulkan device %d]: %s ------------------", index, d.deviceName.c_str());
  AppendReportText("    - API version: %d.%d.%d", d.apiVersionMajor, d.apiVersionMinor, d.apiVersionPatch);
  AppendReportText("    - vendorID: %d", static_cast<int>(d.vendorId));
  AppendReportText("    - deviceID: %d", static_cast<int>(d.deviceId));
  AppendReportText("    - driver version: %u", d.driverVersion);
  if (d.vendorId == 0x10DE)
    AppendReportText("    - NVIDIA driver version: %d.%d", d.nvDriverVersionMajor, d.nvDriverVersionMinor);
  AppendReportXml("\n\t\t\t\t<device index=\"%d\" name=\"%s\" vendor_id=\"%4X\" device_id=\"%4X\"         "
                  "\n\t\t\t\t\tapi_version=\"%d.%d.%d\" type=\"%s\" driver_version=\"%u\" driver_version_nv=\"%u.%u\" >",
                  index, X(d.deviceName.c_str()), d.vendorId, d.deviceId, d.apiVersionMajor, d.apiVersionMinor,
                  d.apiVersionPatch, X(d.deviceTypeText.c_str()), d.driverVersion,
                  static_cast<unsigned>(d.nvDriverVersionMajor), static_cast<unsigned>(d.nvDriverVersionMinor));
  appendDriverProperties(d);
  appendMemory(d);
  AppendReportText("  - extensions: %d", static_cast<int>(d.extensions.size()));
  AppendReportXml("\n\t\t\t\t\t<device_extensions>");
  for (const VkExtensionRecord& e : d.extensions) {
    AppendReportText("    - %s (version: %u)", e.name.c_str(), e.specVersion);
    AppendReportXml("\n\t\t\t\t\t\t<extension name=\"%s\" version=\"%u\" />", X(e.name.c_str()), e.specVersion);
  }
  AppendReportXml("\n\t\t\t\t\t</device_extensions>");
  AppendReportText("  - device layers: %d", static_cast<int>(d.layers.size()));
  AppendReportXml("\n\t\t\t<device_layers>");
  for (const VkLayerRecord& l : d.layers) appendLayer(l, "    ");
  AppendReportXml("\n\t\t\t</device_layers>");
  AppendReportText("  - device features:");
  AppendReportXml("\n\t\t\t<device_features>");
  for (size_t k = 0; k < kVkFeatureRowCount; ++k) {
    VkBool32 v = VkFeatureValue(d.block.features, kVkFeatureRows[k]);
    AppendReportText("    - %s: %s", kVkFeatureRows[k].name, v ? "true" : "false");
    AppendReportXml("\n\t\t\t\t\t\t<feature name=\"%s\" x=\"%u\" />", kVkFeatureRows[k].name, v ? 1u : 0u);
  }
  AppendReportXml("\n\t\t\t</device_features>");
  AppendReportText("  - device limits");
  AppendReportXml("\n\t\t\t\t\t<device_limits>");
  for (size_t k = 0; k < kVkLimitRowCount; ++k) appendLimit(d.block.limits, kVkLimitRows[k]);
  AppendReportXml("\n\t\t\t\t\t</device_limits>");
  AppendReportXml("\n\t\t\t\t</device>");
}

}  // namespace

void AppendVulkanReport() {
  if (!IsVulkanInfoReady()) return;
  const VulkanInfo& info = GetVulkanInfo();
  AppendReportText("%s", "");
  AppendReportText("%s", "");
  AppendReportText("%s[ Vulkan Capabilities ]", kSectionRule);
  AppendReportXml("\n\t\t<vulkan>");
  AppendReportText("- Instance extensions: %d", static_cast<int>(info.instanceExtensions.size()));
  AppendReportXml("\n\t\t\t<instance_extensions>");
  for (const VkExtensionRecord& e : info.instanceExtensions) {
    AppendReportText("  - %s (version: %u)", e.name.c_str(), e.specVersion);
    AppendReportXml("\n\t\t\t\t<extension name=\"%s\" version=\"%u\" />", X(e.name.c_str()), e.specVersion);
  }
  AppendReportXml("\n\t\t\t</instance_extensions>");
  AppendReportText("- Instance layers: %d", static_cast<int>(info.instanceLayers.size()));
  AppendReportXml("\n\t\t\t<instance_layers>");
  for (const VkLayerRecord& l : info.instanceLayers) appendLayer(l, "  ");
  AppendReportXml("\n\t\t\t</instance_layers>");
  AppendReportText("- Physical devices: %d", static_cast<int>(info.devices.size()));
  AppendReportXml("\n\t\t\t<physical_devices>");
  for (size_t d = 0; d < info.devices.size(); ++d)
    if (info.devices[d]) appendDevice(static_cast<int>(d), *info.devices[d]);
  AppendReportXml("\n\t\t\t</physical_devices>");
  AppendReportXml("\n\t\t</vulkan>");
}

void AppendCudaReport() {
  if (g_app.cudaDeviceCount <= 0 || !g_app.cudaDevices) return;
  AppendReportText("%s", "");
  AppendReportText("%s", "");
  AppendReportText("%s[ NVIDIA CUDA Capabilities ]", kSectionRule);
  AppendReportXml("\n\t\t<nvidia_cuda>");
  for (int c = 0; c < g_app.cudaDeviceCount; ++c) {
    const CudaDeviceInfo& d = g_app.cudaDevices[c];
    AppendReportText("- CUDA Device %d", c);
    AppendReportXml("\n\t\t\t<cuda_device ");
    struct Row {
      const char* label;
      const char* attr;
      int value;
    } rows[] = {
        {"PCI bus ID", "pci_bus_id", d.pciBusId},
    };
    AppendReportText("  - Device name: %s", d.name);
    AppendReportXml("\n\t\t\t\tname=\"%s\"", X(d.name));
    for (const Row& r : rows) {
      AppendReportText("  - %s: %d", r.label, r.value);
      AppendReportXml("\n\t\t\t\t%s=\"%d\"", r.attr, r.value);
    }
    AppendReportText("  - Compute Capability: %d.%d", d.computeCapabilityMajor, d.computeCapabilityMinor);
    AppendReportXml("\n\t\t\t\tcompute_capability=\"%d.%d\"", d.computeCapabilityMajor, d.computeCapabilityMinor);
    int memoryMb = static_cast<int>(d.totalMemory >> 20);
    AppendReportText("  - Total memory: %d MB", memoryMb);
    AppendReportXml("\n\t\t\t\ttotal_memory_mb=\"%d\"", memoryMb);
    AppendReportText("  - Peak memory bandwidth: %d GB/s", d.memoryBandwidthGbs);
    AppendReportXml("\n\t\t\t\tpeak_memory_bandwidth=\"%d\"", d.memoryBandwidthGbs);
    AppendReportText("  - L2 cache: %d MB", d.l2CacheSize / 1048576);
    AppendReportXml("\n\t\t\t\tl2_cache_mb=\"%d\"", d.l2CacheSize / 1048576);
    AppendReportText("  - Core clock rate: %d MHz", d.clockRateKhz / 1000);
    AppendReportXml("\n\t\t\t\tcore_clock_rate_mhz=\"%d\"", d.clockRateKhz / 1000);
    AppendReportText("  - Memory clock rate: %d MHz", d.memoryClockRateKhz / 1000);
    AppendReportXml("\n\t\t\t\tmem_clock_rate_mhz=\"%d\"", d.memoryClockRateKhz / 1000);
    Row more[] = {
        {"Multiprocessors (SMs)", "multiprocessors", d.multiprocessorCount},
        {"CUDA cores per SM", "cuda_cores_per_sm", d.coresPerMultiprocessor},
        {"CUDA cores", "cuda_cores", d.totalCores},
        {"Async engines", "async_engines", d.asyncEngineCount},
        {"Warp Size", "warp_size", d.warpSize},
        {"Max Threads Per Block", "max_threads_per_block", d.maxThreadsPerBlock},
    };
    for (const Row& r : more) {
      AppendReportText("  - %s: %d", r.label, r.value);
      AppendReportXml("\n\t\t\t\t%s=\"%d\"", r.attr, r.value);
    }
    AppendReportText("  - Threads Per Block: %d x %d x %d", d.maxBlockDim[0], d.maxBlockDim[1], d.maxBlockDim[2]);
    AppendReportXml("\n\t\t\t\tmax_threads_per_block_x=\"%d\"", d.maxBlockDim[0]);
    AppendReportXml("\n\t\t\t\tmax_threads_per_block_y=\"%d\"", d.maxBlockDim[1]);
    AppendReportXml("\n\t\t\t\tmax_threads_per_block_z=\"%d\"", d.maxBlockDim[2]);
    AppendReportText("  - Grid Size: %d x %d x %d", d.maxGridDim[0], d.maxGridDim[1], d.maxGridDim[2]);
    AppendReportXml("\n\t\t\t\tgrid_size_x=\"%d\"", d.maxGridDim[0]);
    AppendReportXml("\n\t\t\t\tgrid_size_y=\"%d\"", d.maxGridDim[1]);
    AppendReportXml("\n\t\t\t\tgrid_size_z=\"%d\"", d.maxGridDim[2]);
    AppendReportText("  - Registers Per Block: %d", d.regsPerBlock);
    AppendReportXml("\n\t\t\t\tregisters_per_block=\"%d\"", d.regsPerBlock);
    AppendReportText("  - Texture Alignment: %d byte", d.textureAlign);
    AppendReportXml("\n\t\t\t\ttexture_alignment_bytes=\"%d\"", d.textureAlign);
    AppendReportText("  - Total Constant Memory: %d Kb", d.totalConstantMemory / 1024);
    AppendReportXml("\n\t\t\t\ttotal_constant_memory_kb=\"%d\"", d.totalConstantMemory / 1024);
    AppendReportXml("\t\t\t />");
  }
  AppendReportXml("\n\t\t</nvidia_cuda>");
}

namespace {

void deviceTypeText(uint64_t type, char* out, size_t size) {
  out[0] = '\0';
  struct {
    uint64_t bit;
    const char* name;
  } names[] = {{2, "CPU"}, {4, "GPU"}, {8, "ACCELERATOR"}, {1, "DEFAULT"}};
  for (const auto& n : names) {
    if (!(type & n.bit)) continue;
    size_t used = strlen(out);
    snprintf(out + used, size - used, "%s%s", used ? " / " : "", n.name);
  }
}

void clText(const char* label, const char* attr, const char* value) {
  AppendReportText("  - %s: %s", label, value);
  AppendReportXml("\n\t\t\t\t%s=\"%s\"", attr, X(value));
}

void clInt(const char* label, const char* attr, int value) {
  AppendReportText("  - %s: %d", label, value);
  AppendReportXml("\n\t\t\t\t%s=\"%d\"", attr, value);
}

void appendClDevice(int p, int q, const OpenClDeviceInfo& d) {
  AppendReportXml("\n\t\t\t<device ");
  AppendReportText("%s", "");
  clText("CL_DEVICE_NAME", "CL_DEVICE_NAME", d.name);
  clText("CL_DEVICE_VENDOR", "CL_DEVICE_VENDOR", d.vendor);
  clText("CL_DRIVER_VERSION", "CL_DRIVER_VERSION", d.driverVersion);
  clText("CL_DEVICE_PROFILE", "CL_DEVICE_PROFILE", d.profile);
  clText("CL_DEVICE_VERSION", "CL_DEVICE_VERSION", d.version);
  char type[128];
  deviceTypeText(d.deviceType, type, sizeof(type));
  clText("CL_DEVICE_TYPE", "CL_DEVICE_TYPE", type);
  AppendReportText("  - CL_DEVICE_VENDOR_ID: 0x%.4X", d.vendorId);
  AppendReportXml("\n\t\t\t\tCL_DEVICE_VENDOR_ID=\"0x%.4X\"", d.vendorId);
  clInt("CL_DEVICE_MAX_COMPUTE_UNITS", "CL_DEVICE_MAX_COMPUTE_UNITS", d.computeUnits);
  AppendReportText("  - CL_DEVICE_MAX_CLOCK_FREQUENCY: %dMHz", d.maxClockMhz);
  AppendReportXml("\n\t\t\t\tCL_DEVICE_MAX_CLOCK_FREQUENCY_MHZ=\"%d\"", d.maxClockMhz);
  if (ClDeviceHasExtension(p, q, "cl_nv_device_attribute_query")) {
    clInt("CL_NV_DEVICE_COMPUTE_CAPABILITY_MAJOR", "CL_NV_DEVICE_COMPUTE_CAPABILITY_MAJOR", d.nvComputeCapabilityMajor);
    clInt("CL_NV_DEVICE_COMPUTE_CAPABILITY_MINOR", "CL_NV_DEVICE_COMPUTE_CAPABILITY_MINOR", d.nvComputeCapabilityMinor);
    clInt("CL_NV_DEVICE_REGISTERS_PER_BLOCK", "CL_NV_DEVICE_REGISTERS_PER_BLOCK", d.nvRegistersPerBlock);
    clInt("CL_NV_DEVICE_WARP_SIZE", "CL_NV_DEVICE_WARP_SIZE", d.nvWarpSize);
    clInt("CL_NV_DEVICE_GPU_OVERLAP", "CL_NV_DEVICE_GPU_OVERLAP", d.nvGpuOverlap);
    clInt("CL_NV_DEVICE_KERNEL_EXEC_TIMEOUT", "CL_NV_DEVICE_KERNEL_EXEC_TIMEOUT", d.nvKernelExecTimeout);
    clInt("CL_NV_DEVICE_INTEGRATED_MEMORY", "CL_NV_DEVICE_INTEGRATED_MEMORY", d.nvIntegratedMemory);
  }
  clInt("CL_DEVICE_ADDRESS_BITS", "CL_DEVICE_ADDRESS_BITS", d.addressBits);
  AppendReportText("  - CL_DEVICE_MAX_MEM_ALLOC_SIZE: %dKB", static_cast<int>(d.maxMemAllocSize >> 10));
  AppendReportXml("\n\t\t\t\tCL_DEVICE_MAX_MEM_ALLOC_SIZE_KB=\"%d\"", static_cast<int>(d.maxMemAllocSize >> 10));
  AppendReportText("  - CL_DEVICE_GLOBAL_MEM_SIZE: %dMB", static_cast<int>(d.globalMemSize >> 20));
  AppendReportXml("\n\t\t\t\tCL_DEVICE_GLOBAL_MEM_SIZE_MB=\"%d\"", static_cast<int>(d.globalMemSize >> 20));
  clInt("CL_DEVICE_MAX_PARAMETER_SIZE", "CL_DEVICE_MAX_PARAMETER_SIZE", d.maxParameterSize);
  AppendReportText("  - CL_DEVICE_GLOBAL_MEM_CACHELINE_SIZE: %d Bytes", d.globalCacheLineSize);
  AppendReportXml("\n\t\t\t\tCL_DEVICE_GLOBAL_MEM_CACHELINE_SIZE=\"%d\"", d.globalCacheLineSize);
  AppendReportText("  - CL_DEVICE_GLOBAL_MEM_CACHE_SIZE: %dKB", static_cast<int>(d.globalCacheSize >> 10));
  AppendReportXml("\n\t\t\t\tCL_DEVICE_GLOBAL_MEM_CACHE_SIZE=\"%d\"", static_cast<int>(d.globalCacheSize >> 10));
  clText("CL_DEVICE_ERROR_CORRECTION_SUPPORT", "CL_DEVICE_ERROR_CORRECTION_SUPPORT", d.errorCorrection ? "YES" : "NO");
  clText("CL_DEVICE_LOCAL_MEM_TYPE", "CL_DEVICE_LOCAL_MEM_TYPE", d.localMemType);
  AppendReportText("  - CL_DEVICE_LOCAL_MEM_SIZE: %dKB", static_cast<int>(d.localMemSize >> 10));
  AppendReportXml("\n\t\t\t\tCL_DEVICE_LOCAL_MEM_SIZE_KB=\"%d\"", static_cast<int>(d.localMemSize >> 10));
  AppendReportText("  - CL_DEVICE_MAX_CONSTANT_BUFFER_SIZE: %dKB", static_cast<int>(d.maxConstantBufferSize >> 10));
  AppendReportXml("\n\t\t\t\tCL_DEVICE_MAX_CONSTANT_BUFFER_SIZE_KB=\"%d\"", static_cast<int>(d.maxConstantBufferSize >> 10));
  clInt("CL_DEVICE_MAX_WORK_ITEM_DIMENSIONS", "CL_DEVICE_MAX_WORK_ITEM_DIMENSIONS", d.workItemDimensions);
  int s0 = static_cast<int>(d.workItemSizes[0]), s1 = static_cast<int>(d.workItemSizes[1]),
      s2 = static_cast<int>(d.workItemSizes[2]);
  AppendReportText("  - CL_DEVICE_MAX_WORK_ITEM_SIZES: [%d ; %d ; %d]", s0, s1, s2);
  AppendReportXml("\n\t\t\t\tCL_DEVICE_MAX_WORK_ITEM_SIZES=\"[%d ; %d ; %d]\"", s0, s1, s2);
  clInt("CL_DEVICE_MAX_WORK_GROUP_SIZE", "CL_DEVICE_MAX_WORK_GROUP_SIZE", d.maxWorkGroupSize);
  clInt("CL_EXEC_NATIVE_KERNEL", "CL_EXEC_NATIVE_KERNEL", d.nativeKernels);
  clText("CL_DEVICE_IMAGE_SUPPORT", "CL_DEVICE_IMAGE_SUPPORT", d.imageSupport ? "YES" : "NO");
  struct {
    const char* name;
    int value;
  } ints[] = {
      {"CL_DEVICE_MAX_READ_IMAGE_ARGS", d.maxReadImageArgs},
      {"CL_DEVICE_MAX_WRITE_IMAGE_ARGS", d.maxWriteImageArgs},
      {"CL_DEVICE_IMAGE2D_MAX_WIDTH", d.image2dMaxWidth},
      {"CL_DEVICE_IMAGE2D_MAX_HEIGHT", d.image2dMaxHeight},
      {"CL_DEVICE_IMAGE3D_MAX_WIDTH", d.image3dMaxWidth},
      {"CL_DEVICE_IMAGE3D_MAX_HEIGHT", d.image3dMaxHeight},
      {"CL_DEVICE_IMAGE3D_MAX_DEPTH", d.image3dMaxDepth},
      {"CL_DEVICE_MAX_SAMPLERS", d.maxSamplers},
      {"CL_DEVICE_PREFERRED_VECTOR_WIDTH_CHAR", d.preferredVectorWidthChar},
      {"CL_DEVICE_PREFERRED_VECTOR_WIDTH_SHORT", d.preferredVectorWidthShort},
      {"CL_DEVICE_PREFERRED_VECTOR_WIDTH_INT", d.preferredVectorWidthInt},
      {"CL_DEVICE_PREFERRED_VECTOR_WIDTH_LONG", d.preferredVectorWidthLong},
      {"CL_DEVICE_PREFERRED_VECTOR_WIDTH_FLOAT", d.preferredVectorWidthFloat},
      {"CL_DEVICE_PREFERRED_VECTOR_WIDTH_DOUBLE", d.preferredVectorWidthDouble},
  };
  for (const auto& r : ints) clInt(r.name, r.name, r.value);
  int extensions = static_cast<int>(d.extensions.size());
  clInt("CL_DEVICE_EXTENSIONS", "CL_DEVICE_EXTENSIONS", extensions);
  AppendReportXml("\t\t\t >");
  if (extensions > 0) {
    AppendReportText("  - Extensions:");
    AppendReportXml("\n\t\t\t\t<extensions>");
    for (int k = 0; k < extensions; ++k) {
      const char* e = static_cast<const char*>(d.extensions.at(static_cast<size_t>(k)));
      char name[kClTextSize];
      snprintf(name, sizeof(name), "%.*s", kClTextSize - 1, e ? e : "");
      AppendReportText("    - %s", name);
      AppendReportXml("\n\t\t\t\t\t<li>%s</li>", X(name));
    }
    AppendReportXml("\n\t\t\t\t</extensions>");
  }
  AppendReportXml("\n\t\t\t</device>");
}

}  // namespace

void AppendOpenClReport() {
  if (g_app.clPlatformCount <= 0 || !g_app.clPlatforms) return;
  AppendReportText("%s", "");
  AppendReportText("%s", "");
  AppendReportText("%s[ OpenCL Capabilities ]", kSectionRule);
  AppendReportXml("\n\t\t<opencl num_platforms=\"%d\">", g_app.clPlatformCount);
  AppendReportText("- Num OpenCL platforms: %d", g_app.clPlatformCount);
  for (int p = 0; p < g_app.clPlatformCount; ++p) {
    const OpenClPlatformInfo& pl = g_app.clPlatforms[p];
    AppendReportXml("\n\t\t<platform ");
    struct {
      const char* name;
      const char* value;
    } rows[] = {{"CL_PLATFORM_NAME", pl.name},
                {"CL_PLATFORM_VENDOR", pl.vendor},
                {"CL_PLATFORM_VERSION", pl.version},
                {"CL_PLATFORM_PROFILE", pl.profile}};
    for (const auto& r : rows) {
      AppendReportText("- %s: %s", r.name, r.value);
      AppendReportXml("\n\t\t\t%s=\"%s\"", r.name, X(r.value));
    }
    AppendReportText("- Num devices: %d", pl.deviceCount);
    AppendReportXml("\n\t\t\tdevices=\"%d\"", pl.deviceCount);
    AppendReportXml("\n\t\t />");
    for (int q = 0; q < pl.deviceCount && pl.devices; ++q) appendClDevice(p, q, pl.devices[q]);
  }
  AppendReportXml("\n\t\t</opencl>");
}
