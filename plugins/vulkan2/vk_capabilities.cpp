// Capability queries by name: one feature, limit or extension property of a
// GPU at a time, copied out of the structures its record stored. No Vulkan
// call, no trace; a GPU object without a record answers as a null GPU.
#include <cstring>

#include "vk_device.h"

namespace {

// One named value of a stored structure S.
template <typename S, typename V>
struct Named {
  const char* name;
  V (*get)(const S&);
};

// One named array of N values of a stored structure S.
template <typename S, typename V>
struct NamedArray {
  const char* name;
  const V* (*get)(const S&);
  int count;
};

// Exact, case-sensitive match; the first entry of that name, or null.
template <typename E, size_t N>
const E* find(const E (&table)[N], const char* name) {
  if (!name) return nullptr;
  for (const E& entry : table)
    if (strcmp(entry.name, name) == 0) return &entry;
  return nullptr;
}

#define QV_FEATURE(m) {#m, [](const VkPhysicalDeviceFeatures& f) { return static_cast<uint32_t>(f.m); }}
// Every feature but shaderInt64, in the structure's order.
const Named<VkPhysicalDeviceFeatures, uint32_t> kFeatures[] = {
    QV_FEATURE(robustBufferAccess), QV_FEATURE(fullDrawIndexUint32), QV_FEATURE(imageCubeArray),
    QV_FEATURE(independentBlend), QV_FEATURE(geometryShader), QV_FEATURE(tessellationShader),
    QV_FEATURE(sampleRateShading), QV_FEATURE(dualSrcBlend), QV_FEATURE(logicOp), QV_FEATURE(multiDrawIndirect),
    QV_FEATURE(drawIndirectFirstInstance), QV_FEATURE(depthClamp), QV_FEATURE(depthBiasClamp),
    QV_FEATURE(fillModeNonSolid), QV_FEATURE(depthBounds), QV_FEATURE(wideLines), QV_FEATURE(largePoints),
    QV_FEATURE(alphaToOne), QV_FEATURE(multiViewport), QV_FEATURE(samplerAnisotropy),
    QV_FEATURE(textureCompressionETC2), QV_FEATURE(textureCompressionASTC_LDR), QV_FEATURE(textureCompressionBC),
    QV_FEATURE(occlusionQueryPrecise), QV_FEATURE(pipelineStatisticsQuery),
    QV_FEATURE(vertexPipelineStoresAndAtomics), QV_FEATURE(fragmentStoresAndAtomics),
    QV_FEATURE(shaderTessellationAndGeometryPointSize), QV_FEATURE(shaderImageGatherExtended),
    QV_FEATURE(shaderStorageImageExtendedFormats), QV_FEATURE(shaderStorageImageMultisample),
    QV_FEATURE(shaderStorageImageReadWithoutFormat), QV_FEATURE(shaderStorageImageWriteWithoutFormat),
    QV_FEATURE(shaderUniformBufferArrayDynamicIndexing), QV_FEATURE(shaderSampledImageArrayDynamicIndexing),
    QV_FEATURE(shaderStorageBufferArrayDynamicIndexing), QV_FEATURE(shaderStorageImageArrayDynamicIndexing),
    QV_FEATURE(shaderClipDistance), QV_FEATURE(shaderCullDistance), QV_FEATURE(shaderFloat64),
    QV_FEATURE(shaderInt16), QV_FEATURE(shaderResourceResidency), QV_FEATURE(shaderResourceMinLod),
    QV_FEATURE(sparseBinding), QV_FEATURE(sparseResidencyBuffer), QV_FEATURE(sparseResidencyImage2D),
    QV_FEATURE(sparseResidencyImage3D), QV_FEATURE(sparseResidency2Samples), QV_FEATURE(sparseResidency4Samples),
    QV_FEATURE(sparseResidency8Samples), QV_FEATURE(sparseResidency16Samples), QV_FEATURE(sparseResidencyAliased),
    QV_FEATURE(variableMultisampleRate), QV_FEATURE(inheritedQueries)};
#undef QV_FEATURE

#define QV_LIMIT(m) {#m, [](const VkPhysicalDeviceLimits& l) { return static_cast<uint32_t>(l.m); }}
// The 32-bit unsigned limits and minMemoryMapAlignment, in the structure's order.
const Named<VkPhysicalDeviceLimits, uint32_t> kLimits[] = {
    QV_LIMIT(maxImageDimension1D), QV_LIMIT(maxImageDimension2D), QV_LIMIT(maxImageDimension3D),
    QV_LIMIT(maxImageDimensionCube), QV_LIMIT(maxImageArrayLayers), QV_LIMIT(maxTexelBufferElements),
    QV_LIMIT(maxUniformBufferRange), QV_LIMIT(maxStorageBufferRange), QV_LIMIT(maxPushConstantsSize),
    QV_LIMIT(maxMemoryAllocationCount), QV_LIMIT(maxSamplerAllocationCount), QV_LIMIT(maxBoundDescriptorSets),
    QV_LIMIT(maxPerStageDescriptorSamplers), QV_LIMIT(maxPerStageDescriptorUniformBuffers),
    QV_LIMIT(maxPerStageDescriptorStorageBuffers), QV_LIMIT(maxPerStageDescriptorSampledImages),
    QV_LIMIT(maxPerStageDescriptorStorageImages), QV_LIMIT(maxPerStageDescriptorInputAttachments),
    QV_LIMIT(maxPerStageResources), QV_LIMIT(maxDescriptorSetSamplers), QV_LIMIT(maxDescriptorSetUniformBuffers),
    QV_LIMIT(maxDescriptorSetUniformBuffersDynamic), QV_LIMIT(maxDescriptorSetStorageBuffers),
    QV_LIMIT(maxDescriptorSetStorageBuffersDynamic), QV_LIMIT(maxDescriptorSetSampledImages),
    QV_LIMIT(maxDescriptorSetStorageImages), QV_LIMIT(maxDescriptorSetInputAttachments),
    QV_LIMIT(maxVertexInputAttributes), QV_LIMIT(maxVertexInputBindings), QV_LIMIT(maxVertexInputAttributeOffset),
    QV_LIMIT(maxVertexInputBindingStride), QV_LIMIT(maxVertexOutputComponents),
    QV_LIMIT(maxTessellationGenerationLevel), QV_LIMIT(maxTessellationPatchSize),
    QV_LIMIT(maxTessellationControlPerVertexInputComponents),
    QV_LIMIT(maxTessellationControlPerVertexOutputComponents),
    QV_LIMIT(maxTessellationControlPerPatchOutputComponents), QV_LIMIT(maxTessellationControlTotalOutputComponents),
    QV_LIMIT(maxTessellationEvaluationInputComponents), QV_LIMIT(maxTessellationEvaluationOutputComponents),
    QV_LIMIT(maxGeometryShaderInvocations), QV_LIMIT(maxGeometryInputComponents),
    QV_LIMIT(maxGeometryOutputComponents), QV_LIMIT(maxGeometryOutputVertices),
    QV_LIMIT(maxGeometryTotalOutputComponents), QV_LIMIT(maxFragmentInputComponents),
    QV_LIMIT(maxFragmentOutputAttachments), QV_LIMIT(maxFragmentDualSrcAttachments),
    QV_LIMIT(maxFragmentCombinedOutputResources), QV_LIMIT(maxComputeSharedMemorySize),
    QV_LIMIT(maxComputeWorkGroupInvocations), QV_LIMIT(subPixelPrecisionBits), QV_LIMIT(subTexelPrecisionBits),
    QV_LIMIT(mipmapPrecisionBits), QV_LIMIT(maxDrawIndexedIndexValue), QV_LIMIT(maxDrawIndirectCount),
    QV_LIMIT(maxViewports), QV_LIMIT(viewportSubPixelBits), QV_LIMIT(minMemoryMapAlignment),
    QV_LIMIT(maxTexelOffset), QV_LIMIT(maxTexelGatherOffset), QV_LIMIT(subPixelInterpolationOffsetBits),
    QV_LIMIT(maxFramebufferWidth), QV_LIMIT(maxFramebufferHeight), QV_LIMIT(maxFramebufferLayers),
    QV_LIMIT(maxColorAttachments), QV_LIMIT(maxSampleMaskWords), QV_LIMIT(maxClipDistances),
    QV_LIMIT(maxCullDistances), QV_LIMIT(maxCombinedClipAndCullDistances), QV_LIMIT(discreteQueuePriorities)};
#undef QV_LIMIT

#define QV_FLOAT(m) {#m, [](const VkPhysicalDeviceLimits& l) { return l.m; }}
const Named<VkPhysicalDeviceLimits, float> kFloatLimits[] = {
    QV_FLOAT(maxSamplerLodBias), QV_FLOAT(maxSamplerAnisotropy), QV_FLOAT(minInterpolationOffset),
    QV_FLOAT(maxInterpolationOffset), QV_FLOAT(timestampPeriod), QV_FLOAT(pointSizeGranularity),
    QV_FLOAT(lineWidthGranularity)};
#undef QV_FLOAT

#define QV_ARRAY(S, V, m, n) {#m, [](const S& s) -> const V* { return s.m; }, n}
const NamedArray<VkPhysicalDeviceLimits, uint32_t> kLimitTriples[] = {
    QV_ARRAY(VkPhysicalDeviceLimits, uint32_t, maxComputeWorkGroupCount, 3),
    QV_ARRAY(VkPhysicalDeviceLimits, uint32_t, maxComputeWorkGroupSize, 3),
    QV_ARRAY(VkPhysicalDeviceLimits, uint32_t, maxViewportDimensions, 2)};
const NamedArray<VkPhysicalDeviceLimits, float> kLimitRanges[] = {
    QV_ARRAY(VkPhysicalDeviceLimits, float, viewportBoundsRange, 2),
    QV_ARRAY(VkPhysicalDeviceLimits, float, pointSizeRange, 2),
    QV_ARRAY(VkPhysicalDeviceLimits, float, lineWidthRange, 2)};

using MeshProps = VkPhysicalDeviceMeshShaderPropertiesNV;
#define QV_MESH(m) {#m, [](const MeshProps& p) -> const uint32_t* { return &p.m; }, 1}
const NamedArray<MeshProps, uint32_t> kMeshProperties[] = {
    QV_MESH(maxDrawMeshTasksCount), QV_MESH(maxTaskWorkGroupInvocations),
    QV_ARRAY(MeshProps, uint32_t, maxTaskWorkGroupSize, 3), QV_MESH(maxTaskTotalMemorySize),
    QV_MESH(maxTaskOutputCount), QV_MESH(maxMeshWorkGroupInvocations),
    QV_ARRAY(MeshProps, uint32_t, maxMeshWorkGroupSize, 3), QV_MESH(maxMeshTotalMemorySize),
    QV_MESH(maxMeshOutputVertices), QV_MESH(maxMeshOutputPrimitives), QV_MESH(maxMeshMultiviewViewCount),
    QV_MESH(meshOutputPerVertexGranularity), QV_MESH(meshOutputPerPrimitiveGranularity)};
#undef QV_MESH
#undef QV_ARRAY

using PciProps = VkPhysicalDevicePCIBusInfoPropertiesEXT;
#define QV_PCI(m) {#m, [](const PciProps& p) { return p.m; }}
const Named<PciProps, uint32_t> kPciBusInfo[] = {QV_PCI(pciDomain), QV_PCI(pciBus), QV_PCI(pciDevice),
                                                  QV_PCI(pciFunction)};
#undef QV_PCI

// Slot 64 knows every member but wavefrontSize, which comes last here.
using CoreProps = VkPhysicalDeviceShaderCorePropertiesAMD;
#define QV_CORE(m) {#m, [](const CoreProps& p) { return p.m; }}
const Named<CoreProps, uint32_t> kShaderCore[] = {
    QV_CORE(shaderEngineCount), QV_CORE(shaderArraysPerEngineCount), QV_CORE(computeUnitsPerShaderArray),
    QV_CORE(simdPerComputeUnit), QV_CORE(wavefrontsPerSimd), QV_CORE(sgprsPerSimd), QV_CORE(minSgprAllocation),
    QV_CORE(maxSgprAllocation), QV_CORE(sgprAllocationGranularity), QV_CORE(vgprsPerSimd),
    QV_CORE(minVgprAllocation), QV_CORE(maxVgprAllocation), QV_CORE(vgprAllocationGranularity),
    QV_CORE(wavefrontSize)};
#undef QV_CORE

using RayProps = VkPhysicalDeviceRayTracingPropertiesNV;
#define QV_RAY(m) {#m, [](const RayProps& p) { return static_cast<uint32_t>(p.m); }}
const Named<RayProps, uint32_t> kNvRayTracing[] = {
    QV_RAY(shaderGroupHandleSize), QV_RAY(maxRecursionDepth), QV_RAY(maxShaderGroupStride),
    QV_RAY(shaderGroupBaseAlignment), QV_RAY(maxGeometryCount), QV_RAY(maxInstanceCount), QV_RAY(maxTriangleCount),
    QV_RAY(maxDescriptorSetAccelerationStructures)};
#undef QV_RAY

// Driver properties: a text, the driver-ID text or a number.
enum DriverOutput { kText, kIdText, kNumber };
using DriverProps = VkPhysicalDeviceDriverPropertiesKHR;
struct DriverEntry {
  const char* name;
  DriverOutput output;
  const char* (*text)(const DriverProps&);
  uint32_t (*number)(const DriverProps&);
};
const char* driver_name(const DriverProps& p) { return p.driverName; }
const char* driver_info(const DriverProps& p) { return p.driverInfo; }
uint32_t driver_id(const DriverProps& p) { return static_cast<uint32_t>(p.driverID); }
uint32_t major(const DriverProps& p) { return p.conformanceVersion.major; }
uint32_t minor(const DriverProps& p) { return p.conformanceVersion.minor; }
uint32_t patch(const DriverProps& p) { return p.conformanceVersion.patch; }
uint32_t subminor(const DriverProps& p) { return p.conformanceVersion.subminor; }

const DriverEntry kDriverProperties[] = {
    {"driverName", kText, driver_name, nullptr},
    {"driverID", kIdText, nullptr, driver_id},
    {"driverInfo", kText, driver_info, nullptr},
    {"conformanceVersion.major", kNumber, nullptr, major},
    {"conformanceVersion.minor", kNumber, nullptr, minor},
    {"conformanceVersion.patch", kNumber, nullptr, patch},
    {"conformanceVersion.subminor", kNumber, nullptr, subminor}};
const DriverEntry kDriverProperties2[] = {
    {"driverName", kText, driver_name, nullptr},
    {"driverID", kNumber, nullptr, driver_id},
    {"driverID_str", kIdText, nullptr, driver_id},
    {"conformanceVersion_major", kNumber, nullptr, major},
    {"conformanceVersion_minor", kNumber, nullptr, minor},
    {"conformanceVersion_patch", kNumber, nullptr, patch},
    {"conformanceVersion_subminor", kNumber, nullptr, subminor},
    {"driverInfo", kText, driver_info, nullptr}};

// The caller's 255-byte buffer: the text cut to 254 bytes, zero-filled after.
void copy_text(char* out, const char* text, size_t source_capacity) {
  const size_t kOut = 255;
  size_t n = strnlen(text, source_capacity);
  if (n > kOut - 1) n = kOut - 1;
  memset(out, 0, kOut);
  memcpy(out, text, n);
}

// Writes the entry's output; false when the output it needs is missing.
bool write_driver_property(const DriverEntry& entry, const DriverProps& p, unsigned* value, char* text) {
  if (entry.output == kNumber) {
    if (!value) return false;
    *value = entry.number(p);
    return true;
  }
  if (!text) return false;
  if (entry.output == kIdText)
    copy_text(text, driver_id_name(entry.number(p)), 64);
  else
    copy_text(text, entry.text(p), entry.text == driver_name ? VK_MAX_DRIVER_NAME_SIZE : VK_MAX_DRIVER_INFO_SIZE);
  return true;
}

template <typename S, size_t N>
bool write_value(const Named<S, uint32_t> (&table)[N], const S& stored, const char* name, unsigned* value) {
  const Named<S, uint32_t>* entry = find(table, name);
  if (!entry || !value) return false;
  *value = entry->get(stored);
  return true;
}

}  // namespace

unsigned VulkanPLugin::gpu_get_feature_value(tvc::RendererGpu* gpu, const char* name) {
  VkGpuRecord* record = gpu_record(gpu);
  const auto* entry = record ? find(kFeatures, name) : nullptr;
  return entry ? entry->get(record->features) : 0;
}

unsigned VulkanPLugin::gpu_get_limit_value(tvc::RendererGpu* gpu, const char* name) {
  VkGpuRecord* record = gpu_record(gpu);
  const auto* entry = record ? find(kLimits, name) : nullptr;
  return entry ? entry->get(record->limits) : 0;
}

float VulkanPLugin::gpu_get_limit_value_float(tvc::RendererGpu* gpu, const char* name) {
  VkGpuRecord* record = gpu_record(gpu);
  const auto* entry = record ? find(kFloatLimits, name) : nullptr;
  return entry ? entry->get(record->limits) : 0.0f;
}

bool VulkanPLugin::gpu_get_limit_value_3i(tvc::RendererGpu* gpu, const char* name, unsigned* values) {
  VkGpuRecord* record = gpu_record(gpu);
  const auto* entry = record && values ? find(kLimitTriples, name) : nullptr;
  if (!entry) return false;
  // maxViewportDimensions has two: the third value stays as it was.
  for (int i = 0; i < entry->count; ++i) values[i] = entry->get(record->limits)[i];
  return true;
}

bool VulkanPLugin::gpu_get_limit_range(tvc::RendererGpu* gpu, const char* name, float* values) {
  VkGpuRecord* record = gpu_record(gpu);
  const auto* entry = record && values ? find(kLimitRanges, name) : nullptr;
  if (!entry) return false;
  values[0] = entry->get(record->limits)[0];
  values[1] = entry->get(record->limits)[1];
  return true;
}

bool VulkanPLugin::gpu_get_mesh_shader_property(tvc::RendererGpu* gpu, const char* name, unsigned* x, unsigned* y,
                                                unsigned* z) {
  VkGpuRecord* record = gpu_record(gpu);
  const auto* entry = record ? find(kMeshProperties, name) : nullptr;
  if (!entry || !x || (entry->count == 3 && (!y || !z))) return false;
  const uint32_t* v = entry->get(record->mesh_shader_properties);
  *x = v[0];
  if (entry->count == 3) {
    *y = v[1];
    *z = v[2];
  }
  return true;
}

bool read_pci_bus_info(const VkGpuRecord& record, const char* name, unsigned* value) {
  return write_value(kPciBusInfo, record.pci_bus_info, name, value);
}

bool read_driver_property(const VkGpuRecord& record, const char* name, unsigned* value, char* text) {
  const DriverEntry* entry = find(kDriverProperties, name);
  return entry && write_driver_property(*entry, record.driver_properties, value, text);
}

bool read_shader_core_property(const VkGpuRecord& record, const char* name, unsigned* value) {
  return write_value(kShaderCore, record.shader_core_properties, name, value);
}

bool VulkanPLugin::gpu_get_nv_raytracing_property(tvc::RendererGpu* gpu, const char* name, unsigned* value) {
  VkGpuRecord* record = gpu_record(gpu ? gpu : current_gpu);
  if (!record || !name) return false;
  // A name outside the list still answers true, with nothing written.
  write_value(kNvRayTracing, record->nv_raytracing_properties, name, value);
  return true;
}

bool VulkanPLugin::gpu_get_shader_core_property_2(tvc::RendererGpu* gpu, const char* name, unsigned* value) {
  VkGpuRecord* record = gpu_record(gpu);
  if (!record) return false;
  write_value(kShaderCore, record->shader_core_properties, name, value);
  return true;
}

bool VulkanPLugin::gpu_get_driver_property_2(tvc::RendererGpu* gpu, const char* name, unsigned* value, char* text) {
  VkGpuRecord* record = gpu_record(gpu);
  const DriverEntry* entry = record ? find(kDriverProperties2, name) : nullptr;
  return entry && write_driver_property(*entry, record->driver_properties, value, text);
}
