// Feature and limit registries of a GPU.
#include <cstring>

#include "vk_plugin.h"

// ---- adders

void add_feature(VkGpuRecord* record, const char* name, int32_t value) {
  GpuFeatureEntry* entry = new GpuFeatureEntry;
  record->feature_registry.push_back(entry);
  entry->name = name;
  entry->value = value;
}

namespace {
GpuLimitEntry* add_limit(VkGpuRecord* record, const char* name, int32_t type) {
  GpuLimitEntry* entry = new GpuLimitEntry;
  record->limit_registry.push_back(entry);
  entry->name = name;
  entry->type = type;
  return entry;
}
}  // namespace

void add_limit_u32(VkGpuRecord* record, const char* name, uint32_t value) {
  add_limit(record, name, LIMIT_U32)->u32_values[0] = value;
}
void add_limit_i32(VkGpuRecord* record, const char* name, int32_t value) {
  add_limit(record, name, LIMIT_I32)->i32_values[0] = value;
}
void add_limit_u64(VkGpuRecord* record, const char* name, uint64_t value) {
  add_limit(record, name, LIMIT_U64)->u64_values[0] = value;
}
void add_limit_float(VkGpuRecord* record, const char* name, float value) {
  add_limit(record, name, LIMIT_FLOAT)->f32_values[0] = value;
}
void add_limit_u32x3(VkGpuRecord* record, const char* name, const uint32_t values[3]) {
  GpuLimitEntry* entry = add_limit(record, name, LIMIT_U32X3);
  for (int i = 0; i < 3; ++i) entry->u32_values[i] = values[i];
}
void add_limit_viewport_dimensions(VkGpuRecord* record, uint32_t width, uint32_t height) {
  GpuLimitEntry* entry = add_limit(record, "maxViewportDimensions", LIMIT_U32X2);
  entry->u32_values[0] = width;
  entry->u32_values[1] = height;
}
void add_limit_float2(VkGpuRecord* record, const char* name, const float values[2]) {
  GpuLimitEntry* entry = add_limit(record, name, LIMIT_FLOAT2);
  entry->f32_values[0] = values[0];
  entry->f32_values[1] = values[1];
}

// ---- filling

void fill_gpu_registries(VkGpuRecord* record) {
  const VkPhysicalDeviceFeatures& f = record->features;
#define QV_FEATURE(member) add_feature(record, #member, static_cast<int32_t>(f.member));
  QV_FEATURE(robustBufferAccess) QV_FEATURE(fullDrawIndexUint32) QV_FEATURE(imageCubeArray)
  QV_FEATURE(independentBlend) QV_FEATURE(geometryShader) QV_FEATURE(tessellationShader)
  QV_FEATURE(sampleRateShading) QV_FEATURE(dualSrcBlend) QV_FEATURE(logicOp) QV_FEATURE(multiDrawIndirect)
  QV_FEATURE(drawIndirectFirstInstance) QV_FEATURE(depthClamp) QV_FEATURE(depthBiasClamp)
  QV_FEATURE(fillModeNonSolid) QV_FEATURE(depthBounds) QV_FEATURE(wideLines) QV_FEATURE(largePoints)
  QV_FEATURE(alphaToOne) QV_FEATURE(multiViewport) QV_FEATURE(samplerAnisotropy)
  QV_FEATURE(textureCompressionETC2) QV_FEATURE(textureCompressionASTC_LDR) QV_FEATURE(textureCompressionBC)
  QV_FEATURE(occlusionQueryPrecise) QV_FEATURE(pipelineStatisticsQuery)
  QV_FEATURE(vertexPipelineStoresAndAtomics) QV_FEATURE(fragmentStoresAndAtomics)
  QV_FEATURE(shaderTessellationAndGeometryPointSize) QV_FEATURE(shaderImageGatherExtended)
  QV_FEATURE(shaderStorageImageExtendedFormats) QV_FEATURE(shaderStorageImageMultisample)
  QV_FEATURE(shaderStorageImageReadWithoutFormat) QV_FEATURE(shaderStorageImageWriteWithoutFormat)
  QV_FEATURE(shaderUniformBufferArrayDynamicIndexing) QV_FEATURE(shaderSampledImageArrayDynamicIndexing)
  QV_FEATURE(shaderStorageBufferArrayDynamicIndexing) QV_FEATURE(shaderStorageImageArrayDynamicIndexing)
  QV_FEATURE(shaderClipDistance) QV_FEATURE(shaderCullDistance) QV_FEATURE(shaderFloat64)
  QV_FEATURE(shaderInt64) QV_FEATURE(shaderInt16) QV_FEATURE(shaderResourceResidency)
  QV_FEATURE(shaderResourceMinLod) QV_FEATURE(sparseBinding) QV_FEATURE(sparseResidencyBuffer)
  QV_FEATURE(sparseResidencyImage2D) QV_FEATURE(sparseResidencyImage3D) QV_FEATURE(sparseResidency2Samples)
  QV_FEATURE(sparseResidency4Samples) QV_FEATURE(sparseResidency8Samples) QV_FEATURE(sparseResidency16Samples)
  QV_FEATURE(sparseResidencyAliased) QV_FEATURE(variableMultisampleRate) QV_FEATURE(inheritedQueries)
#undef QV_FEATURE

  const VkPhysicalDeviceLimits& l = record->limits;
#define U32(m) add_limit_u32(record, #m, l.m);
#define I32(m) add_limit_i32(record, #m, l.m);
#define U64(m) add_limit_u64(record, #m, static_cast<uint64_t>(l.m));
#define F32(m) add_limit_float(record, #m, l.m);
#define U32X3(m) add_limit_u32x3(record, #m, l.m);
#define F32X2(m) add_limit_float2(record, #m, l.m);
  U32(maxImageDimension1D) U32(maxImageDimension2D) U32(maxImageDimension3D) U32(maxImageDimensionCube)
  U32(maxImageArrayLayers) U32(maxTexelBufferElements) U32(maxUniformBufferRange) U32(maxStorageBufferRange)
  U32(maxPushConstantsSize) U32(maxMemoryAllocationCount) U32(maxSamplerAllocationCount)
  U64(bufferImageGranularity) U64(sparseAddressSpaceSize) U32(maxBoundDescriptorSets)
  U32(maxPerStageDescriptorSamplers) U32(maxPerStageDescriptorUniformBuffers)
  U32(maxPerStageDescriptorStorageBuffers) U32(maxPerStageDescriptorSampledImages)
  U32(maxPerStageDescriptorStorageImages) U32(maxPerStageDescriptorInputAttachments) U32(maxPerStageResources)
  U32(maxDescriptorSetSamplers) U32(maxDescriptorSetUniformBuffers) U32(maxDescriptorSetUniformBuffersDynamic)
  U32(maxDescriptorSetStorageBuffers) U32(maxDescriptorSetStorageBuffersDynamic) U32(maxDescriptorSetSampledImages)
  U32(maxDescriptorSetStorageImages) U32(maxDescriptorSetInputAttachments) U32(maxVertexInputAttributes)
  U32(maxVertexInputBindings) U32(maxVertexInputAttributeOffset) U32(maxVertexInputBindingStride)
  U32(maxVertexOutputComponents) U32(maxTessellationGenerationLevel) U32(maxTessellationPatchSize)
  U32(maxTessellationControlPerVertexInputComponents) U32(maxTessellationControlPerVertexOutputComponents)
  U32(maxTessellationControlPerPatchOutputComponents) U32(maxTessellationControlTotalOutputComponents)
  U32(maxTessellationEvaluationInputComponents) U32(maxTessellationEvaluationOutputComponents)
  U32(maxGeometryShaderInvocations) U32(maxGeometryInputComponents) U32(maxGeometryOutputComponents)
  U32(maxGeometryOutputVertices) U32(maxGeometryTotalOutputComponents) U32(maxFragmentInputComponents)
  U32(maxFragmentOutputAttachments) U32(maxFragmentDualSrcAttachments) U32(maxFragmentCombinedOutputResources)
  U32(maxComputeSharedMemorySize) U32X3(maxComputeWorkGroupCount) U32(maxComputeWorkGroupInvocations)
  U32X3(maxComputeWorkGroupSize) U32(subPixelPrecisionBits) U32(subTexelPrecisionBits) U32(mipmapPrecisionBits)
  U32(maxDrawIndexedIndexValue) U32(maxDrawIndirectCount) F32(maxSamplerLodBias) F32(maxSamplerAnisotropy)
  U32(maxViewports)
  add_limit_viewport_dimensions(record, l.maxViewportDimensions[0], l.maxViewportDimensions[1]);
  F32X2(viewportBoundsRange) U32(viewportSubPixelBits) U64(minMemoryMapAlignment)
  U64(minTexelBufferOffsetAlignment) U64(minUniformBufferOffsetAlignment) U64(minStorageBufferOffsetAlignment)
  I32(minTexelOffset) U32(maxTexelOffset) I32(minTexelGatherOffset) U32(maxTexelGatherOffset)
  F32(minInterpolationOffset) F32(maxInterpolationOffset) U32(subPixelInterpolationOffsetBits)
  U32(maxFramebufferWidth) U32(maxFramebufferHeight) U32(maxFramebufferLayers) U32(framebufferColorSampleCounts)
  U32(framebufferDepthSampleCounts) U32(framebufferStencilSampleCounts) U32(framebufferNoAttachmentsSampleCounts)
  U32(maxColorAttachments) U32(sampledImageColorSampleCounts) U32(sampledImageIntegerSampleCounts)
  U32(sampledImageDepthSampleCounts) U32(sampledImageStencilSampleCounts) U32(storageImageSampleCounts)
  U32(maxSampleMaskWords) U32(timestampComputeAndGraphics) F32(timestampPeriod) U32(maxClipDistances)
  U32(maxCullDistances) U32(maxCombinedClipAndCullDistances) U32(discreteQueuePriorities) F32X2(pointSizeRange)
  F32X2(lineWidthRange) F32(pointSizeGranularity) F32(lineWidthGranularity) U32(strictLines)
  U32(standardSampleLocations) U64(optimalBufferCopyOffsetAlignment) U64(optimalBufferCopyRowPitchAlignment)
  U64(nonCoherentAtomSize)
#undef U32
#undef I32
#undef U64
#undef F32
#undef U32X3
#undef F32X2
}

// ---- registry slots

namespace {
template <typename Entry>
Entry* entry_at(const std::vector<Entry*>& registry, unsigned index) {
  return index < registry.size() ? registry[index] : nullptr;
}

template <typename Entry>
bool index_of(const std::vector<Entry*>& registry, const char* name, unsigned* index) {
  if (!name || !index) return false;
  for (size_t i = 0; i < registry.size(); ++i) {
    if (registry[i]->name == name) {
      *index = static_cast<unsigned>(i);
      return true;
    }
  }
  return false;
}

// Copies a name into a caller buffer of at least 127 bytes, zero-filling the
// rest of them; the copy always ends with a zero byte.
bool copy_name(const std::string& name, char* buffer) {
  if (!buffer) return false;
  const size_t n = name.size() < 126 ? name.size() : 126;
  memcpy(buffer, name.data(), n);
  memset(buffer + n, 0, 127 - n);
  return true;
}

template <typename T>
bool write_three(const T values[4], T* v0, T* v1, T* v2) {
  if (v0) *v0 = values[0];
  if (v1) *v1 = values[1];
  if (v2) *v2 = values[2];
  return true;
}
}  // namespace

bool VulkanPLugin::gpu_get_feature_count(tvc::RendererGpu* gpu, int* count) {
  VkGpuRecord* record = gpu_record(gpu);
  if (!record || !count) return false;
  *count = static_cast<int>(record->feature_registry.size());
  return true;
}

bool VulkanPLugin::gpu_get_feature_by_index(tvc::RendererGpu* gpu, unsigned index, int* value) {
  VkGpuRecord* record = gpu_record(gpu);
  GpuFeatureEntry* entry = record ? entry_at(record->feature_registry, index) : nullptr;
  if (!entry || !value) return false;
  *value = entry->value;
  return true;
}

bool VulkanPLugin::gpu_get_feature_name(tvc::RendererGpu* gpu, unsigned index, char* name) {
  VkGpuRecord* record = gpu_record(gpu);
  GpuFeatureEntry* entry = record ? entry_at(record->feature_registry, index) : nullptr;
  return entry && copy_name(entry->name, name);
}

bool VulkanPLugin::gpu_get_feature_index(tvc::RendererGpu* gpu, const char* name, unsigned* index) {
  VkGpuRecord* record = gpu_record(gpu);
  return record && index_of(record->feature_registry, name, index);
}

bool VulkanPLugin::gpu_get_limit_count(tvc::RendererGpu* gpu, int* count) {
  VkGpuRecord* record = gpu_record(gpu);
  if (!record || !count) return false;
  *count = static_cast<int>(record->limit_registry.size());
  return true;
}

bool VulkanPLugin::gpu_get_limit_type(tvc::RendererGpu* gpu, unsigned index, int* type) {
  VkGpuRecord* record = gpu_record(gpu);
  GpuLimitEntry* entry = record ? entry_at(record->limit_registry, index) : nullptr;
  if (!entry || !type) return false;
  *type = entry->type;
  return true;
}

bool VulkanPLugin::gpu_get_limit_name(tvc::RendererGpu* gpu, unsigned index, char* name) {
  VkGpuRecord* record = gpu_record(gpu);
  GpuLimitEntry* entry = record ? entry_at(record->limit_registry, index) : nullptr;
  return entry && copy_name(entry->name, name);
}

bool VulkanPLugin::gpu_get_limit_index(tvc::RendererGpu* gpu, const char* name, unsigned* index) {
  VkGpuRecord* record = gpu_record(gpu);
  return record && index_of(record->limit_registry, name, index);
}

bool VulkanPLugin::gpu_get_limit_values_u(tvc::RendererGpu* gpu, unsigned index, unsigned* v0, unsigned* v1,
                                          unsigned* v2) {
  VkGpuRecord* record = gpu_record(gpu);
  GpuLimitEntry* entry = record ? entry_at(record->limit_registry, index) : nullptr;
  return entry && write_three<uint32_t>(entry->u32_values, v0, v1, v2);
}

bool VulkanPLugin::gpu_get_limit_values_i(tvc::RendererGpu* gpu, unsigned index, int* v0, int* v1, int* v2) {
  VkGpuRecord* record = gpu_record(gpu);
  GpuLimitEntry* entry = record ? entry_at(record->limit_registry, index) : nullptr;
  return entry && write_three<int32_t>(entry->i32_values, v0, v1, v2);
}

bool VulkanPLugin::gpu_get_limit_values_f(tvc::RendererGpu* gpu, unsigned index, float* v0, float* v1, float* v2) {
  VkGpuRecord* record = gpu_record(gpu);
  GpuLimitEntry* entry = record ? entry_at(record->limit_registry, index) : nullptr;
  return entry && write_three<float>(entry->f32_values, v0, v1, v2);
}

bool VulkanPLugin::gpu_get_limit_values_u64(tvc::RendererGpu* gpu, unsigned index, uint64_t* v0, uint64_t* v1,
                                            uint64_t* v2) {
  VkGpuRecord* record = gpu_record(gpu);
  GpuLimitEntry* entry = record ? entry_at(record->limit_registry, index) : nullptr;
  return entry && write_three<uint64_t>(entry->u64_values, v0, v1, v2);
}
