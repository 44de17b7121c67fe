#include "app/VulkanInfo.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "app/AppState.h"
#include "app/Log.h"
#include "detect/SecureLoader.h"

const VkLimitRow kVkLimitRows[] = {
    {"maxImageDimension1D", offsetof(VkPhysicalDeviceLimits, maxImageDimension1D), kVkUint},
    {"maxImageDimension2D", offsetof(VkPhysicalDeviceLimits, maxImageDimension2D), kVkUint},
    {"maxImageDimension3D", offsetof(VkPhysicalDeviceLimits, maxImageDimension3D), kVkUint},
    {"maxImageDimensionCube", offsetof(VkPhysicalDeviceLimits, maxImageDimensionCube), kVkUint},
    {"maxImageArrayLayers", offsetof(VkPhysicalDeviceLimits, maxImageArrayLayers), kVkUint},
    {"maxTexelBufferElements", offsetof(VkPhysicalDeviceLimits, maxTexelBufferElements), kVkUint},
    {"maxUniformBufferRange", offsetof(VkPhysicalDeviceLimits, maxUniformBufferRange), kVkUint},
    {"maxStorageBufferRange", offsetof(VkPhysicalDeviceLimits, maxStorageBufferRange), kVkUint},
    {"maxPushConstantsSize", offsetof(VkPhysicalDeviceLimits, maxPushConstantsSize), kVkUint},
    {"maxMemoryAllocationCount", offsetof(VkPhysicalDeviceLimits, maxMemoryAllocationCount), kVkUint},
    {"maxSamplerAllocationCount", offsetof(VkPhysicalDeviceLimits, maxSamplerAllocationCount), kVkUint},
    {"bufferImageGranularity", offsetof(VkPhysicalDeviceLimits, bufferImageGranularity), kVkUint64},
    {"sparseAddressSpaceSize", offsetof(VkPhysicalDeviceLimits, sparseAddressSpaceSize), kVkUint64},
    {"maxBoundDescriptorSets", offsetof(VkPhysicalDeviceLimits, maxBoundDescriptorSets), kVkUint},
    {"maxPerStageDescriptorSamplers", offsetof(VkPhysicalDeviceLimits, maxPerStageDescriptorSamplers), kVkUint},
    {"maxPerStageDescriptorUniformBuffers", offsetof(VkPhysicalDeviceLimits, maxPerStageDescriptorUniformBuffers), kVkUint},
    {"maxPerStageDescriptorStorageBuffers", offsetof(VkPhysicalDeviceLimits, maxPerStageDescriptorStorageBuffers), kVkUint},
    {"maxPerStageDescriptorSampledImages", offsetof(VkPhysicalDeviceLimits, maxPerStageDescriptorSampledImages), kVkUint},
    {"maxPerStageDescriptorStorageImages", offsetof(VkPhysicalDeviceLimits, maxPerStageDescriptorStorageImages), kVkUint},
    {"maxPerStageDescriptorInputAttachments", offsetof(VkPhysicalDeviceLimits, maxPerStageDescriptorInputAttachments), kVkUint},
    {"maxPerStageResources", offsetof(VkPhysicalDeviceLimits, maxPerStageResources), kVkUint},
    {"maxDescriptorSetSamplers", offsetof(VkPhysicalDeviceLimits, maxDescriptorSetSamplers), kVkUint},
    {"maxDescriptorSetUniformBuffers", offsetof(VkPhysicalDeviceLimits, maxDescriptorSetUniformBuffers), kVkUint},
    {"maxDescriptorSetUniformBuffersDynamic", offsetof(VkPhysicalDeviceLimits, maxDescriptorSetUniformBuffersDynamic), kVkUint},
    {"maxDescriptorSetStorageBuffers", offsetof(VkPhysicalDeviceLimits, maxDescriptorSetStorageBuffers), kVkUint},
    {"maxDescriptorSetStorageBuffersDynamic", offsetof(VkPhysicalDeviceLimits, maxDescriptorSetStorageBuffersDynamic), kVkUint},
    {"maxDescriptorSetSampledImages", offsetof(VkPhysicalDeviceLimits, maxDescriptorSetSampledImages), kVkUint},
    {"maxDescriptorSetStorageImages", offsetof(VkPhysicalDeviceLimits, maxDescriptorSetStorageImages), kVkUint},
    {"maxDescriptorSetInputAttachments", offsetof(VkPhysicalDeviceLimits, maxDescriptorSetInputAttachments), kVkUint},
    {"maxVertexInputAttributes", offsetof(VkPhysicalDeviceLimits, maxVertexInputAttributes), kVkUint},
    {"maxVertexInputBindings", offsetof(VkPhysicalDeviceLimits, maxVertexInputBindings), kVkUint},
    {"maxVertexInputAttributeOffset", offsetof(VkPhysicalDeviceLimits, maxVertexInputAttributeOffset), kVkUint},
    {"maxVertexInputBindingStride", offsetof(VkPhysicalDeviceLimits, maxVertexInputBindingStride), kVkUint},
    {"maxVertexOutputComponents", offsetof(VkPhysicalDeviceLimits, maxVertexOutputComponents), kVkUint},
    {"maxTessellationGenerationLevel", offsetof(VkPhysicalDeviceLimits, maxTessellationGenerationLevel), kVkUint},
    {"maxTessellationPatchSize", offsetof(VkPhysicalDeviceLimits, maxTessellationPatchSize), kVkUint},
    {"maxTessellationControlPerVertexInputComponents", offsetof(VkPhysicalDeviceLimits, maxTessellationControlPerVertexInputComponents), kVkUint},
    {"maxTessellationControlPerVertexOutputComponents", offsetof(VkPhysicalDeviceLimits, maxTessellationControlPerVertexOutputComponents), kVkUint},
    {"maxTessellationControlPerPatchOutputComponents", offsetof(VkPhysicalDeviceLimits, maxTessellationControlPerPatchOutputComponents), kVkUint},
    {"maxTessellationControlTotalOutputComponents", offsetof(VkPhysicalDeviceLimits, maxTessellationControlTotalOutputComponents), kVkUint},
    {"maxTessellationEvaluationInputComponents", offsetof(VkPhysicalDeviceLimits, maxTessellationEvaluationInputComponents), kVkUint},
    {"maxTessellationEvaluationOutputComponents", offsetof(VkPhysicalDeviceLimits, maxTessellationEvaluationOutputComponents), kVkUint},
    {"maxGeometryShaderInvocations", offsetof(VkPhysicalDeviceLimits, maxGeometryShaderInvocations), kVkUint},
    {"maxGeometryInputComponents", offsetof(VkPhysicalDeviceLimits, maxGeometryInputComponents), kVkUint},
    {"maxGeometryOutputComponents", offsetof(VkPhysicalDeviceLimits, maxGeometryOutputComponents), kVkUint},
    {"maxGeometryOutputVertices", offsetof(VkPhysicalDeviceLimits, maxGeometryOutputVertices), kVkUint},
    {"maxGeometryTotalOutputComponents", offsetof(VkPhysicalDeviceLimits, maxGeometryTotalOutputComponents), kVkUint},
    {"maxFragmentInputComponents", offsetof(VkPhysicalDeviceLimits, maxFragmentInputComponents), kVkUint},
    {"maxFragmentOutputAttachments", offsetof(VkPhysicalDeviceLimits, maxFragmentOutputAttachments), kVkUint},
    {"maxFragmentDualSrcAttachments", offsetof(VkPhysicalDeviceLimits, maxFragmentDualSrcAttachments), kVkUint},
    {"maxFragmentCombinedOutputResources", offsetof(VkPhysicalDeviceLimits, maxFragmentCombinedOutputResources), kVkUint},
    {"maxComputeSharedMemorySize", offsetof(VkPhysicalDeviceLimits, maxComputeSharedMemorySize), kVkUint},
    {"maxComputeWorkGroupCount", offsetof(VkPhysicalDeviceLimits, maxComputeWorkGroupCount), kVkUint3},
    {"maxComputeWorkGroupInvocations", offsetof(VkPhysicalDeviceLimits, maxComputeWorkGroupInvocations), kVkUint},
    {"maxComputeWorkGroupSize", offsetof(VkPhysicalDeviceLimits, maxComputeWorkGroupSize), kVkUint3},
    {"subPixelPrecisionBits", offsetof(VkPhysicalDeviceLimits, subPixelPrecisionBits), kVkUint},
    {"subTexelPrecisionBits", offsetof(VkPhysicalDeviceLimits, subTexelPrecisionBits), kVkUint},
    {"mipmapPrecisionBits", offsetof(VkPhysicalDeviceLimits, mipmapPrecisionBits), kVkUint},
    {"maxDrawIndexedIndexValue", offsetof(VkPhysicalDeviceLimits, maxDrawIndexedIndexValue), kVkUint},
    {"maxDrawIndirectCount", offsetof(VkPhysicalDeviceLimits, maxDrawIndirectCount), kVkUint},
    {"maxSamplerLodBias", offsetof(VkPhysicalDeviceLimits, maxSamplerLodBias), kVkFloat},
    {"maxSamplerAnisotropy", offsetof(VkPhysicalDeviceLimits, maxSamplerAnisotropy), kVkFloat},
    {"maxViewports", offsetof(VkPhysicalDeviceLimits, maxViewports), kVkUint},
    {"maxViewportDimensions", offsetof(VkPhysicalDeviceLimits, maxViewportDimensions), kVkUint2},
    {"viewportBoundsRange", offsetof(VkPhysicalDeviceLimits, viewportBoundsRange), kVkFloat2},
    {"viewportSubPixelBits", offsetof(VkPhysicalDeviceLimits, viewportSubPixelBits), kVkUint},
    {"minMemoryMapAlignment", offsetof(VkPhysicalDeviceLimits, minMemoryMapAlignment), kVkSize},
    {"minTexelBufferOffsetAlignment", offsetof(VkPhysicalDeviceLimits, minTexelBufferOffsetAlignment), kVkUint64},
    {"minUniformBufferOffsetAlignment", offsetof(VkPhysicalDeviceLimits, minUniformBufferOffsetAlignment), kVkUint64},
    {"minStorageBufferOffsetAlignment", offsetof(VkPhysicalDeviceLimits, minStorageBufferOffsetAlignment), kVkUint64},
    {"minTexelOffset", offsetof(VkPhysicalDeviceLimits, minTexelOffset), kVkInt},
    {"maxTexelOffset", offsetof(VkPhysicalDeviceLimits, maxTexelOffset), kVkUint},
    {"minTexelGatherOffset", offsetof(VkPhysicalDeviceLimits, minTexelGatherOffset), kVkInt},
    {"maxTexelGatherOffset", offsetof(VkPhysicalDeviceLimits, maxTexelGatherOffset), kVkUint},
    {"minInterpolationOffset", offsetof(VkPhysicalDeviceLimits, minInterpolationOffset), kVkFloat},
    {"maxInterpolationOffset", offsetof(VkPhysicalDeviceLimits, maxInterpolationOffset), kVkFloat},
    {"subPixelInterpolationOffsetBits", offsetof(VkPhysicalDeviceLimits, subPixelInterpolationOffsetBits), kVkUint},
    {"maxFramebufferWidth", offsetof(VkPhysicalDeviceLimits, maxFramebufferWidth), kVkUint},
    {"maxFramebufferHeight", offsetof(VkPhysicalDeviceLimits, maxFramebufferHeight), kVkUint},
    {"maxFramebufferLayers", offsetof(VkPhysicalDeviceLimits, maxFramebufferLayers), kVkUint},
    {"framebufferColorSampleCounts", offsetof(VkPhysicalDeviceLimits, framebufferColorSampleCounts), kVkSampleFlags},
    {"framebufferDepthSampleCounts", offsetof(VkPhysicalDeviceLimits, framebufferDepthSampleCounts), kVkSampleFlags},
    {"framebufferStencilSampleCounts", offsetof(VkPhysicalDeviceLimits, framebufferStencilSampleCounts), kVkSampleFlags},
    {"framebufferNoAttachmentsSampleCounts", offsetof(VkPhysicalDeviceLimits, framebufferNoAttachmentsSampleCounts), kVkSampleFlags},
    {"maxColorAttachments", offsetof(VkPhysicalDeviceLimits, maxColorAttachments), kVkUint},
    {"sampledImageColorSampleCounts", offsetof(VkPhysicalDeviceLimits, sampledImageColorSampleCounts), kVkSampleFlags},
    {"sampledImageIntegerSampleCounts", offsetof(VkPhysicalDeviceLimits, sampledImageIntegerSampleCounts), kVkSampleFlags},
    {"sampledImageDepthSampleCounts", offsetof(VkPhysicalDeviceLimits, sampledImageDepthSampleCounts), kVkSampleFlags},
    {"sampledImageStencilSampleCounts", offsetof(VkPhysicalDeviceLimits, sampledImageStencilSampleCounts), kVkSampleFlags},
    {"storageImageSampleCounts", offsetof(VkPhysicalDeviceLimits, storageImageSampleCounts), kVkSampleFlags},
    {"maxSampleMaskWords", offsetof(VkPhysicalDeviceLimits, maxSampleMaskWords), kVkUint},
    {"timestampComputeAndGraphics", offsetof(VkPhysicalDeviceLimits, timestampComputeAndGraphics), kVkBool},
    {"timestampPeriod", offsetof(VkPhysicalDeviceLimits, timestampPeriod), kVkFloat},
    {"maxClipDistances", offsetof(VkPhysicalDeviceLimits, maxClipDistances), kVkUint},
    {"maxCullDistances", offsetof(VkPhysicalDeviceLimits, maxCullDistances), kVkUint},
    {"maxCombinedClipAndCullDistances", offsetof(VkPhysicalDeviceLimits, maxCombinedClipAndCullDistances), kVkUint},
    {"discreteQueuePriorities", offsetof(VkPhysicalDeviceLimits, discreteQueuePriorities), kVkUint},
    {"pointSizeRange", offsetof(VkPhysicalDeviceLimits, pointSizeRange), kVkFloat2},
    {"lineWidthRange", offsetof(VkPhysicalDeviceLimits, lineWidthRange), kVkFloat2},
    {"pointSizeGranularity", offsetof(VkPhysicalDeviceLimits, pointSizeGranularity), kVkFloat},
    {"lineWidthGranularity", offsetof(VkPhysicalDeviceLimits, lineWidthGranularity), kVkFloat},
    {"strictLines", offsetof(VkPhysicalDeviceLimits, strictLines), kVkBool},
    {"standardSampleLocations", offsetof(VkPhysicalDeviceLimits, standardSampleLocations), kVkBool},
    {"optimalBufferCopyOffsetAlignment", offsetof(VkPhysicalDeviceLimits, optimalBufferCopyOffsetAlignment), kVkUint64},
    {"optimalBufferCopyRowPitchAlignment", offsetof(VkPhysicalDeviceLimits, optimalBufferCopyRowPitchAlignment), kVkUint64},
    {"nonCoherentAtomSize", offsetof(VkPhysicalDeviceLimits, nonCoherentAtomSize), kVkUint64},
};
const size_t kVkLimitRowCount = sizeof(kVkLimitRows) / sizeof(kVkLimitRows[0]);

const VkBoolRow kVkFeatureRows[] = {
    {"robustBufferAccess", offsetof(VkPhysicalDeviceFeatures, robustBufferAccess)},
    {"fullDrawIndexUint32", offsetof(VkPhysicalDeviceFeatures, fullDrawIndexUint32)},
    {"imageCubeArray", offsetof(VkPhysicalDeviceFeatures, imageCubeArray)},
    {"independentBlend", offsetof(VkPhysicalDeviceFeatures, independentBlend)},
    {"geometryShader", offsetof(VkPhysicalDeviceFeatures, geometryShader)},
    {"tessellationShader", offsetof(VkPhysicalDeviceFeatures, tessellationShader)},
    {"sampleRateShading", offsetof(VkPhysicalDeviceFeatures, sampleRateShading)},
    {"dualSrcBlend", offsetof(VkPhysicalDeviceFeatures, dualSrcBlend)},
    {"logicOp", offsetof(VkPhysicalDeviceFeatures, logicOp)},
    {"multiDrawIndirect", offsetof(VkPhysicalDeviceFeatures, multiDrawIndirect)},
    {"drawIndirectFirstInstance", offsetof(VkPhysicalDeviceFeatures, drawIndirectFirstInstance)},
    {"depthClamp", offsetof(VkPhysicalDeviceFeatures, depthClamp)},
    {"depthBiasClamp", offsetof(VkPhysicalDeviceFeatures, depthBiasClamp)},
    {"fillModeNonSolid", offsetof(VkPhysicalDeviceFeatures, fillModeNonSolid)},
    {"depthBounds", offsetof(VkPhysicalDeviceFeatures, depthBounds)},
    {"wideLines", offsetof(VkPhysicalDeviceFeatures, wideLines)},
    {"largePoints", offsetof(VkPhysicalDeviceFeatures, largePoints)},
    {"alphaToOne", offsetof(VkPhysicalDeviceFeatures, alphaToOne)},
    {"multiViewport", offsetof(VkPhysicalDeviceFeatures, multiViewport)},
    {"samplerAnisotropy", offsetof(VkPhysicalDeviceFeatures, samplerAnisotropy)},
    {"textureCompressionETC2", offsetof(VkPhysicalDeviceFeatures, textureCompressionETC2)},
    {"textureCompressionASTC_LDR", offsetof(VkPhysicalDeviceFeatures, textureCompressionASTC_LDR)},
    {"textureCompressionBC", offsetof(VkPhysicalDeviceFeatures, textureCompressionBC)},
    {"occlusionQueryPrecise", offsetof(VkPhysicalDeviceFeatures, occlusionQueryPrecise)},
    {"pipelineStatisticsQuery", offsetof(VkPhysicalDeviceFeatures, pipelineStatisticsQuery)},
    {"vertexPipelineStoresAndAtomics", offsetof(VkPhysicalDeviceFeatures, vertexPipelineStoresAndAtomics)},
    {"fragmentStoresAndAtomics", offsetof(VkPhysicalDeviceFeatures, fragmentStoresAndAtomics)},
    {"shaderTessellationAndGeometryPointSize", offsetof(VkPhysicalDeviceFeatures, shaderTessellationAndGeometryPointSize)},
    {"shaderImageGatherExtended", offsetof(VkPhysicalDeviceFeatures, shaderImageGatherExtended)},
    {"shaderStorageImageExtendedFormats", offsetof(VkPhysicalDeviceFeatures, shaderStorageImageExtendedFormats)},
    {"shaderStorageImageMultisample", offsetof(VkPhysicalDeviceFeatures, shaderStorageImageMultisample)},
    {"shaderStorageImageReadWithoutFormat", offsetof(VkPhysicalDeviceFeatures, shaderStorageImageReadWithoutFormat)},
    {"shaderStorageImageWriteWithoutFormat", offsetof(VkPhysicalDeviceFeatures, shaderStorageImageWriteWithoutFormat)},
    {"shaderUniformBufferArrayDynamicIndexing", offsetof(VkPhysicalDeviceFeatures, shaderUniformBufferArrayDynamicIndexing)},
    {"shaderSampledImageArrayDynamicIndexing", offsetof(VkPhysicalDeviceFeatures, shaderSampledImageArrayDynamicIndexing)},
    {"shaderStorageBufferArrayDynamicIndexing", offsetof(VkPhysicalDeviceFeatures, shaderStorageBufferArrayDynamicIndexing)},
    {"shaderStorageImageArrayDynamicIndexing", offsetof(VkPhysicalDeviceFeatures, shaderStorageImageArrayDynamicIndexing)},
    {"shaderClipDistance", offsetof(VkPhysicalDeviceFeatures, shaderClipDistance)},
    {"shaderCullDistance", offsetof(VkPhysicalDeviceFeatures, shaderCullDistance)},
    {"shaderFloat64", offsetof(VkPhysicalDeviceFeatures, shaderFloat64)},
    {"shaderInt64", offsetof(VkPhysicalDeviceFeatures, shaderInt64)},
    {"shaderInt16", offsetof(VkPhysicalDeviceFeatures, shaderInt16)},
    {"shaderResourceResidency", offsetof(VkPhysicalDeviceFeatures, shaderResourceResidency)},
    {"shaderResourceMinLod", offsetof(VkPhysicalDeviceFeatures, shaderResourceMinLod)},
    {"sparseBinding", offsetof(VkPhysicalDeviceFeatures, sparseBinding)},
    {"sparseResidencyBuffer", offsetof(VkPhysicalDeviceFeatures, sparseResidencyBuffer)},
    {"sparseResidencyImage2D", offsetof(VkPhysicalDeviceFeatures, sparseResidencyImage2D)},
    {"sparseResidencyImage3D", offsetof(VkPhysicalDeviceFeatures, sparseResidencyImage3D)},
    {"sparseResidency2Samples", offsetof(VkPhysicalDeviceFeatures, sparseResidency2Samples)},
    {"sparseResidency4Samples", offsetof(VkPhysicalDeviceFeatures, sparseResidency4Samples)},
    {"sparseResidency8Samples", offsetof(VkPhysicalDeviceFeatures, sparseResidency8Samples)},
    {"sparseResidency16Samples", offsetof(VkPhysicalDeviceFeatures, sparseResidency16Samples)},
    {"sparseResidencyAliased", offsetof(VkPhysicalDeviceFeatures, sparseResidencyAliased)},
    {"variableMultisampleRate", offsetof(VkPhysicalDeviceFeatures, variableMultisampleRate)},
    {"inheritedQueries", offsetof(VkPhysicalDeviceFeatures, inheritedQueries)},
};
const size_t kVkFeatureRowCount = sizeof(kVkFeatureRows) / sizeof(kVkFeatureRows[0]);

const VkBoolRow kVkSparseRows[] = {
    {"residencyStandard2DBlockShape", offsetof(VkPhysicalDeviceSparseProperties, residencyStandard2DBlockShape)},
    {"residencyStandard2DMultisampleBlockShape", offsetof(VkPhysicalDeviceSparseProperties, residencyStandard2DMultisampleBlockShape)},
    {"residencyStandard3DBlockShape", offsetof(VkPhysicalDeviceSparseProperties, residencyStandard3DBlockShape)},
    {"residencyAlignedMipSize", offsetof(VkPhysicalDeviceSparseProperties, residencyAlignedMipSize)},
    {"residencyNonResidentStrict", offsetof(VkPhysicalDeviceSparseProperties, residencyNonResidentStrict)},
};
const size_t kVkSparseRowCount = sizeof(kVkSparseRows) / sizeof(kVkSparseRows[0]);

namespace {

VulkanInfo g_vk;

// A system library: never a copy beside the program or on the path.
HMODULE loadVulkanLoader() { return SecureLoadSystemLibrary(L"vulkan-1.dll", LOAD_LIBRARY_SEARCH_SYSTEM32); }
HMODULE (*g_loadLibrary)() = loadVulkanLoader;

// Bounds on what a driver may announce.
const uint32_t kMaxVkEntries = 4096;
const uint32_t kMaxVkDevices = 64;

// A fixed-size name from the driver, which may lack its terminator.
std::string boundedText(const char* text, size_t capacity) {
  return std::string(text, strnlen(text, capacity));
}

template <typename Fn>
Fn exportOf(HMODULE library, const char* name) {
  FARPROC proc = GetProcAddress(library, name);
  Fn fn;
  static_assert(sizeof(fn) == sizeof(proc), "function pointers differ in size");
  memcpy(&fn, &proc, sizeof(fn));
  return fn;
}

void bindEntryPoints(HMODULE l, VulkanEntryPoints& e) {
#define QV_VK_BIND(name) e.name = exportOf<PFN_##name>(l, #name);
  QV_VK_BIND(vkGetInstanceProcAddr)
  QV_VK_BIND(vkCreateInstance)
  QV_VK_BIND(vkEnumerateInstanceExtensionProperties)
  QV_VK_BIND(vkDestroyInstance)
  QV_VK_BIND(vkEnumeratePhysicalDevices)
  QV_VK_BIND(vkGetPhysicalDeviceProperties)
  QV_VK_BIND(vkEnumerateDeviceExtensionProperties)
  QV_VK_BIND(vkGetPhysicalDeviceMemoryProperties)
  QV_VK_BIND(vkEnumerateInstanceLayerProperties)
  QV_VK_BIND(vkEnumerateDeviceLayerProperties)
  QV_VK_BIND(vkGetPhysicalDeviceFeatures)
  QV_VK_BIND(vkGetPhysicalDeviceProperties2)
  QV_VK_BIND(vkCreateDevice)
  QV_VK_BIND(vkDestroyDevice)
  QV_VK_BIND(vkCreateCommandPool)
  QV_VK_BIND(vkDestroyCommandPool)
  QV_VK_BIND(vkCreateDescriptorPool)
  QV_VK_BIND(vkDestroyDescriptorPool)
#undef QV_VK_BIND
}

VkLayerRecord layerRecord(const VkLayerProperties& p) {
  VkLayerRecord r;
  r.layerName = boundedText(p.layerName, sizeof(p.layerName));
  r.specVersion = p.specVersion;
  r.specVersionMajor = p.specVersion >> 22;
  r.specVersionMinor = (p.specVersion >> 12) & 0x3FF;
  r.specVersionPatch = p.specVersion & 0xFFF;
  r.implementationVersion = p.implementationVersion;
  return r;
}

VkExtensionRecord extensionRecord(const VkExtensionProperties& p) {
  return VkExtensionRecord{boundedText(p.extensionName, sizeof(p.extensionName)), p.specVersion};
}

// Count, then read; the count is bounded. VK_INCOMPLETE keeps what was read.
template <typename T, typename Query>
VkResult enumerate(Query query, std::vector<T>& out, bool* countFailed) {
  uint32_t count = 0;
  VkResult r = query(&count, nullptr);
  if (r != VK_SUCCESS && r != VK_INCOMPLETE) {
    *countFailed = true;
    return r;
  }
  *countFailed = false;
  if (count > kMaxVkEntries) count = kMaxVkEntries;
  out.assign(count, T());
  if (count == 0) return VK_SUCCESS;
  r = query(&count, out.data());
  if (r != VK_SUCCESS && r != VK_INCOMPLETE) {
    out.clear();
    return r;
  }
  if (count < out.size()) out.resize(count);
  return VK_SUCCESS;
}

void readInstanceExtensions() {
  if (!g_vk.entry.vkEnumerateInstanceExtensionProperties) return;
  std::vector<VkExtensionProperties> props;
  bool countFailed = false;
  VkResult r = enumerate<VkExtensionProperties>(
      [](uint32_t* n, VkExtensionProperties* p) {
        return g_vk.entry.vkEnumerateInstanceExtensionProperties(nullptr, n, p);
      },
      props, &countFailed);
  if (countFailed) {
    LogPrintf(g_log, "Vulkan - unable to list the instance extensions");
    return;
  }
  if (r != VK_SUCCESS) {
    LogPrintf(g_log, "Vulkan - unable to read the instance extensions");
    return;
  }
  if (props.empty()) {
    LogPrintf(g_log, "Vulkan - # instance extensions : 0");
    return;
  }
  LogPrintf(g_log, "Vulkan - instance extensions: %u", static_cast<unsigned>(props.size()));
  for (size_t k = 0; k < props.size(); ++k) {
    g_vk.instanceExtensions.push_back(extensionRecord(props[k]));
    const VkExtensionRecord& e = g_vk.instanceExtensions.back();
    LogPrintf(g_log, "Vulkan - %u/ %s (spec version: %u)", static_cast<unsigned>(k), e.name.c_str(),
              e.specVersion);
  }
}

void readInstanceLayers() {
  if (!g_vk.entry.vkEnumerateInstanceLayerProperties) return;
  std::vector<VkLayerProperties> props;
  bool countFailed = false;
  VkResult r = enumerate<VkLayerProperties>(
      [](uint32_t* n, VkLayerProperties* p) {
        return g_vk.entry.vkEnumerateInstanceLayerProperties(n, p);
      },
      props, &countFailed);
  if (countFailed) {
    LogPrintf(g_log, "Vulkan - unable to list the instance layers");
    return;
  }
  if (r != VK_SUCCESS) {
    LogPrintf(g_log, "Vulkan - unable to read the instance layers");
    return;
  }
  if (props.empty()) LogPrintf(g_log, "Vulkan - instance layers: 0");
  for (const VkLayerProperties& p : props) g_vk.instanceLayers.push_back(layerRecord(p));
}

bool hasInstanceExtension(const char* name) {
  for (const VkExtensionRecord& e : g_vk.instanceExtensions)
    if (e.name == name) return true;
  return false;
}

// A 1.1 instance when the loader offers it, else 1.0 with the extended
// property queries' instance extension when it is listed: the driver
// properties need one of the two.
VkResult createInstance() {
  uint32_t loaderVersion = VK_API_VERSION_1_0;
  PFN_vkEnumerateInstanceVersion enumerateVersion = nullptr;
  if (g_vk.entry.vkGetInstanceProcAddr)
    enumerateVersion = reinterpret_cast<PFN_vkEnumerateInstanceVersion>(
        g_vk.entry.vkGetInstanceProcAddr(nullptr, "vkEnumerateInstanceVersion"));
  if (enumerateVersion && enumerateVersion(&loaderVersion) != VK_SUCCESS)
    loaderVersion = VK_API_VERSION_1_0;
  g_vk.instanceApiVersion = loaderVersion >= VK_API_VERSION_1_1 ? VK_API_VERSION_1_1 : VK_API_VERSION_1_0;

  const char* extensions[1] = {VK_KHR_GET_PHYSICAL_DEVICE_PROPERTIES_2_EXTENSION_NAME};
  bool useExtension = g_vk.instanceApiVersion < VK_API_VERSION_1_1 &&
                      hasInstanceExtension(VK_KHR_GET_PHYSICAL_DEVICE_PROPERTIES_2_EXTENSION_NAME);

  VkApplicationInfo app = {};
  app.sType = VK_STRUCTURE_TYPE_APPLICATION_INFO;
  app.pApplicationName = kAppName;
  app.applicationVersion = 1;
  app.pEngineName = kAppName;
  app.engineVersion = 1;
  app.apiVersion = g_vk.instanceApiVersion;
  VkInstanceCreateInfo info = {};
  info.sType = VK_STRUCTURE_TYPE_INSTANCE_CREATE_INFO;
  info.pApplicationInfo = &app;
  info.enabledExtensionCount = useExtension ? 1 : 0;
  info.ppEnabledExtensionNames = useExtension ? extensions : nullptr;
  if (!g_vk.entry.vkCreateInstance) return VK_ERROR_INITIALIZATION_FAILED;
  VkInstance instance = VK_NULL_HANDLE;
  VkResult r = g_vk.entry.vkCreateInstance(&info, nullptr, &instance);
  // A driver that answers success without an instance has failed.
  if (r == VK_SUCCESS && instance == VK_NULL_HANDLE) r = VK_ERROR_INITIALIZATION_FAILED;
  if (r == VK_SUCCESS) {
    g_vk.instance = instance;
    g_vk.instanceProperties2Extension = useExtension;
  }
  return r;
}

// The extended property query for this device, or null when neither a 1.1
// instance and device nor the instance extension allow it.
PFN_vkGetPhysicalDeviceProperties2 properties2For(const VulkanPhysicalDeviceInfo& rec) {
  if (!g_vk.entry.vkGetInstanceProcAddr) return nullptr;
  bool device11 = rec.apiVersionMajor > 1 || (rec.apiVersionMajor == 1 && rec.apiVersionMinor >= 1);
  if (g_vk.instanceApiVersion >= VK_API_VERSION_1_1 && device11)
    return reinterpret_cast<PFN_vkGetPhysicalDeviceProperties2>(
        g_vk.entry.vkGetInstanceProcAddr(g_vk.instance, "vkGetPhysicalDeviceProperties2"));
  if (g_vk.instanceProperties2Extension)
    return reinterpret_cast<PFN_vkGetPhysicalDeviceProperties2>(
        g_vk.entry.vkGetInstanceProcAddr(g_vk.instance, "vkGetPhysicalDeviceProperties2KHR"));
  return nullptr;
}

void readMemory(VkPhysicalDevice pd, VulkanPhysicalDeviceInfo& rec) {
  if (!g_vk.entry.vkGetPhysicalDeviceMemoryProperties) return;
  VkPhysicalDeviceMemoryProperties mem;
  memset(&mem, 0, sizeof(mem));
  g_vk.entry.vkGetPhysicalDeviceMemoryProperties(pd, &mem);
  uint32_t heaps = mem.memoryHeapCount < VK_MAX_MEMORY_HEAPS ? mem.memoryHeapCount : VK_MAX_MEMORY_HEAPS;
  for (uint32_t h = 0; h < heaps; ++h) rec.memoryHeaps.push_back({h, mem.memoryHeaps[h].size >> 20});
  static const struct {
    VkMemoryPropertyFlags bit;
    const char* name;
  } kFlags[] = {{VK_MEMORY_PROPERTY_DEVICE_LOCAL_BIT, "VK_MEMORY_PROPERTY_DEVICE_LOCAL_BIT"},
                {VK_MEMORY_PROPERTY_HOST_VISIBLE_BIT, "VK_MEMORY_PROPERTY_HOST_VISIBLE_BIT"},
                {VK_MEMORY_PROPERTY_HOST_COHERENT_BIT, "VK_MEMORY_PROPERTY_HOST_COHERENT_BIT"},
                {VK_MEMORY_PROPERTY_HOST_CACHED_BIT, "VK_MEMORY_PROPERTY_HOST_CACHED_BIT"},
                {VK_MEMORY_PROPERTY_LAZILY_ALLOCATED_BIT, "VK_MEMORY_PROPERTY_LAZILY_ALLOCATED_BIT"}};
  uint32_t types = mem.memoryTypeCount < VK_MAX_MEMORY_TYPES ? mem.memoryTypeCount : VK_MAX_MEMORY_TYPES;
  for (uint32_t t = 0; t < types; ++t) {
    const VkMemoryType& type = mem.memoryTypes[t];
    if (type.propertyFlags == 0) continue;
    VkMemoryTypeRecord r;
    r.typeIndex = t;
    r.heapIndex = type.heapIndex;
    r.propertyFlags = type.propertyFlags;
    for (const auto& f : kFlags)
      if (type.propertyFlags & f.bit) r.FormatVulkanMemoryFlags(type.heapIndex, f.name);
    rec.memoryTypes.push_back(r);
  }
}

void readDeviceExtensionsAndLayers(VkPhysicalDevice pd, VulkanPhysicalDeviceInfo& rec) {
  bool countFailed = false;
  if (g_vk.entry.vkEnumerateDeviceExtensionProperties) {
    std::vector<VkExtensionProperties> props;
    enumerate<VkExtensionProperties>(
        [pd](uint32_t* n, VkExtensionProperties* p) {
          return g_vk.entry.vkEnumerateDeviceExtensionProperties(pd, nullptr, n, p);
        },
        props, &countFailed);
    LogPrintf(g_log, "Vulkan - device extensions: %u", static_cast<unsigned>(props.size()));
    for (size_t k = 0; k < props.size(); ++k) {
      rec.extensions.push_back(extensionRecord(props[k]));
      LogPrintf(g_log, "Vulkan - %u/ %s (spec version: %u)", static_cast<unsigned>(k),
                rec.extensions.back().name.c_str(), rec.extensions.back().specVersion);
    }
  }
  if (g_vk.entry.vkEnumerateDeviceLayerProperties) {
    std::vector<VkLayerProperties> props;
    enumerate<VkLayerProperties>(
        [pd](uint32_t* n, VkLayerProperties* p) {
          return g_vk.entry.vkEnumerateDeviceLayerProperties(pd, n, p);
        },
        props, &countFailed);
    LogPrintf(g_log, "Vulkan - device layers: %u", static_cast<unsigned>(props.size()));
    for (size_t k = 0; k < props.size(); ++k) {
      rec.layers.push_back(layerRecord(props[k]));
      LogPrintf(g_log, "Vulkan - %u/ %s (spec version: %u)", static_cast<unsigned>(k),
                rec.layers.back().layerName.c_str(), rec.layers.back().specVersion);
    }
  }
}

void logPciBusInfo(const VkPhysicalDevicePCIBusInfoPropertiesEXT& p) {
  LogPrintf(g_log, "Vulkan - VK_EXT_pci_bus_info:");
  LogPrintf(g_log, "       - pciDomain => %d", static_cast<int>(p.pciDomain));
  LogPrintf(g_log, "       - pciBus => %d", static_cast<int>(p.pciBus));
  LogPrintf(g_log, "       - pciDevice => %d", static_cast<int>(p.pciDevice));
  LogPrintf(g_log, "       - pciFunction => %d", static_cast<int>(p.pciFunction));
}

void logDriverProperties(const VkPhysicalDeviceDriverProperties& p) {
  LogPrintf(g_log, "Vulkan - VK_KHR_driver_properties:");
  LogPrintf(g_log, "       - driver name: %s",
            boundedText(p.driverName, sizeof(p.driverName)).c_str());
  LogPrintf(g_log, "       - driver ID: %s (%d)", VulkanDriverIdName(p.driverID),
            static_cast<int>(p.driverID));
  LogPrintf(g_log, "       - driver conformance version: %d.%d.%d.%d:",
            p.conformanceVersion.major, p.conformanceVersion.minor,
            p.conformanceVersion.subminor, p.conformanceVersion.patch);
  LogPrintf(g_log, "       - driver info: %s",
            boundedText(p.driverInfo, sizeof(p.driverInfo)).c_str());
}

void logShaderCore(const VkPhysicalDeviceShaderCorePropertiesAMD& p) {
  LogPrintf(g_log, "Vulkan - VK_AMD_shader_core_properties:");
  const struct {
    const char* format;
    uint32_t value;
  } lines[] = {
      {"Vulkan - # of shader engines: %d", p.shaderEngineCount},
      {"Vulkan - # of shader arrays per engine: %d", p.shaderArraysPerEngineCount},
      {"Vulkan - # of compute units per shader array: %d", p.computeUnitsPerShaderArray},
      {"Vulkan - # of SIMDs per compute unit: %d", p.simdPerComputeUnit},
      {"Vulkan - # of wavefront slots in each SIMD: %d", p.wavefrontsPerSimd},
      {"Vulkan - # of threads per wavefront: %d", p.wavefrontSize},
      {"Vulkan - # of physical SGPRs per SIMD: %d", p.sgprsPerSimd},
      {"Vulkan - minimum number of SGPRs that can be allocated by a wave: %d", p.minSgprAllocation},
      {"Vulkan - # of available SGPRs: %d", p.maxSgprAllocation},
      {"Vulkan - SGPRs are allocated in groups of this size: %d", p.sgprAllocationGranularity},
      {"Vulkan - # of physical VGPRs per SIMD: %d", p.vgprsPerSimd},
      {"Vulkan - minimum number of VGPRs that can be allocated by a wave: %d", p.minVgprAllocation},
      {"Vulkan - # of available VGPRs: %d", p.maxVgprAllocation},
      {"Vulkan - VGPRs are allocated in groups of this size: %d", p.vgprAllocationGranularity},
  };
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
  for (const auto& l : lines) LogPrintf(g_log, l.format, static_cast<int>(l.value));
#pragma GCC diagnostic pop
}

// One extension's property block through the extended properties query;
// the block keeps no chain pointer once read.
template <typename Block>
void readPropertyBlock(PFN_vkGetPhysicalDeviceProperties2 props2, VkPhysicalDevice pd, VkStructureType type,
                       Block* block, bool* read) {
  *block = {};
  block->sType = type;
  VkPhysicalDeviceProperties2 p2 = {};
  p2.sType = VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_PROPERTIES_2;
  p2.pNext = block;
  props2(pd, &p2);
  block->pNext = nullptr;
  *read = true;
}

// An extension whose properties are left unread unless its switch asks.
void logBlockNotRead(const char* extension, const char* note, const char* switchName) {
  LogPrintf(g_log, "Vulkan - %s supported but but not enabled on Radeon GPUs%s.", extension, note);
  LogPrintf(g_log, "Vulkan - try quorvel.exe /%s", switchName);
}

// The extension properties, read while a logical device with the extensions
// exists (a device that cannot be created keeps the rest of its record).
void readExtensionProperties(VkPhysicalDevice pd, VulkanPhysicalDeviceInfo& rec) {
  const VulkanEntryPoints& e = g_vk.entry;
  if (!e.vkCreateDevice || !e.vkDestroyDevice) return;
  PFN_vkGetPhysicalDeviceProperties2 props2 = properties2For(rec);
  const bool lists[] = {
      VulkanDeviceHasExtension(&rec, VK_NV_RAY_TRACING_EXTENSION_NAME),
      VulkanDeviceHasExtension(&rec, VK_KHR_GET_MEMORY_REQUIREMENTS_2_EXTENSION_NAME),
      VulkanDeviceHasExtension(&rec, VK_EXT_PCI_BUS_INFO_EXTENSION_NAME),
      VulkanDeviceHasExtension(&rec, VK_KHR_DRIVER_PROPERTIES_EXTENSION_NAME),
      VulkanDeviceHasExtension(&rec, VK_AMD_SHADER_CORE_PROPERTIES_EXTENSION_NAME)};
  // Each extension only with what it requires: the extended property queries
  // for all but the memory-requirements one, which ray tracing needs too.
  const bool memReq2 = lists[1];
  const bool rayTracing = lists[0] && memReq2 && props2;
  const bool pciBusInfo = lists[2] && props2;
  const bool driverProps = lists[3] && props2;
  const bool shaderCore = lists[4] && props2;
  const char* enabled[5];
  uint32_t enabledCount = 0;
  if (rayTracing) enabled[enabledCount++] = VK_NV_RAY_TRACING_EXTENSION_NAME;
  if (memReq2) enabled[enabledCount++] = VK_KHR_GET_MEMORY_REQUIREMENTS_2_EXTENSION_NAME;
  if (pciBusInfo) enabled[enabledCount++] = VK_EXT_PCI_BUS_INFO_EXTENSION_NAME;
  if (driverProps) enabled[enabledCount++] = VK_KHR_DRIVER_PROPERTIES_EXTENSION_NAME;
  if (shaderCore) enabled[enabledCount++] = VK_AMD_SHADER_CORE_PROPERTIES_EXTENSION_NAME;

  float priority = 0.0f;
  VkDeviceQueueCreateInfo queue = {};
  queue.sType = VK_STRUCTURE_TYPE_DEVICE_QUEUE_CREATE_INFO;
  queue.queueFamilyIndex = 0;
  queue.queueCount = 1;
  queue.pQueuePriorities = &priority;
  VkDeviceCreateInfo info = {};
  info.sType = VK_STRUCTURE_TYPE_DEVICE_CREATE_INFO;
  info.queueCreateInfoCount = 1;
  info.pQueueCreateInfos = &queue;
  info.enabledExtensionCount = enabledCount;
  info.ppEnabledExtensionNames = enabledCount ? enabled : nullptr;
  VkDevice device = VK_NULL_HANDLE;
  if (e.vkCreateDevice(pd, &info, nullptr, &device) != VK_SUCCESS || !device) return;

  VkCommandPool commandPool = VK_NULL_HANDLE;
  if (e.vkCreateCommandPool) {
    VkCommandPoolCreateInfo pool = {};
    pool.sType = VK_STRUCTURE_TYPE_COMMAND_POOL_CREATE_INFO;
    pool.flags = VK_COMMAND_POOL_CREATE_RESET_COMMAND_BUFFER_BIT;
    pool.queueFamilyIndex = 0;
    if (e.vkCreateCommandPool(device, &pool, nullptr, &commandPool) != VK_SUCCESS)
      commandPool = VK_NULL_HANDLE;
  }
  VkDescriptorPool descriptorPool = VK_NULL_HANDLE;
  if (e.vkCreateDescriptorPool) {
    VkDescriptorPoolSize sizes[11];
    for (int t = 0; t < 11; ++t) sizes[t] = {static_cast<VkDescriptorType>(t), 100};
    VkDescriptorPoolCreateInfo pool = {};
    pool.sType = VK_STRUCTURE_TYPE_DESCRIPTOR_POOL_CREATE_INFO;
    pool.flags = VK_DESCRIPTOR_POOL_CREATE_FREE_DESCRIPTOR_SET_BIT;
    pool.maxSets = 1100;
    pool.poolSizeCount = 11;
    pool.pPoolSizes = sizes;
    if (e.vkCreateDescriptorPool(device, &pool, nullptr, &descriptorPool) != VK_SUCCESS)
      descriptorPool = VK_NULL_HANDLE;
  }

  bool readDriver = g_app.readVkDriverProperties;
  bool readShaderCore = g_app.readVkAmdShaderCoreProperties;
  bool readPci = g_app.readVkPciBusInfo;
  if (rec.vendorId == 0x10DE || rec.vendorId == 0x8086) readDriver = readPci = true;

  // An extension the device lists is named as not enabled while its switch
  // is off, with or without the extended query: those lines need none. With
  // the switch on but no extended query nothing can be read, and nothing is
  // logged of it.
  if (lists[2]) {
    if (!readPci) {
      logBlockNotRead(VK_EXT_PCI_BUS_INFO_EXTENSION_NAME, "", "read_vk_ext_pci_bus_info");
    } else if (pciBusInfo) {
      readPropertyBlock(props2, pd, VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_PCI_BUS_INFO_PROPERTIES_EXT,
                        &rec.block.pciBusInfo, &rec.block.pciBusInfoRead);
      logPciBusInfo(rec.block.pciBusInfo);
    }
  }
  if (lists[3]) {
    if (!readDriver) {
      logBlockNotRead(VK_KHR_DRIVER_PROPERTIES_EXTENSION_NAME, " (crash)", "read_vk_khr_driver_properties");
    } else if (driverProps) {
      readPropertyBlock(props2, pd, VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_DRIVER_PROPERTIES,
                        &rec.block.driverProperties, &rec.block.driverPropertiesRead);
      logDriverProperties(rec.block.driverProperties);
    }
  }
  if (lists[4]) {
    if (!readShaderCore) {
      logBlockNotRead(VK_AMD_SHADER_CORE_PROPERTIES_EXTENSION_NAME, " (crash)",
                      "read_vk_amd_shader_core_properties");
    } else if (shaderCore) {
      readPropertyBlock(props2, pd, VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_SHADER_CORE_PROPERTIES_AMD,
                        &rec.block.shaderCoreProperties, &rec.block.shaderCorePropertiesRead);
      logShaderCore(rec.block.shaderCoreProperties);
    }
  }

  if (descriptorPool && e.vkDestroyDescriptorPool) e.vkDestroyDescriptorPool(device, descriptorPool, nullptr);
  if (commandPool && e.vkDestroyCommandPool) e.vkDestroyCommandPool(device, commandPool, nullptr);
  e.vkDestroyDevice(device, nullptr);
}

void readPhysicalDevice(int index, VkPhysicalDevice pd) {
  std::unique_ptr<VulkanPhysicalDeviceInfo> rec(new VulkanPhysicalDeviceInfo());
  VkPhysicalDeviceProperties props;
  memset(&props, 0, sizeof(props));
  if (g_vk.entry.vkGetPhysicalDeviceProperties) g_vk.entry.vkGetPhysicalDeviceProperties(pd, &props);
  rec->deviceName = boundedText(props.deviceName, sizeof(props.deviceName));
  rec->vendorId = props.vendorID;
  rec->deviceId = props.deviceID;
  rec->driverVersion = props.driverVersion;
  rec->deviceType = props.deviceType;
  rec->apiVersionMajor = static_cast<int>(props.apiVersion >> 22);
  rec->apiVersionMinor = static_cast<int>((props.apiVersion >> 12) & 0x3FF);
  rec->apiVersionPatch = static_cast<int>(props.apiVersion & 0xFFF);
  LogPrintf(g_log, "Vulkan - [ Device %d ]--------------------------------------", index);
  LogPrintf(g_log, "Vulkan -   device name: %s", rec->deviceName.c_str());
  LogPrintf(g_log, "Vulkan -   deviceID: %4X-%4X", rec->vendorId, rec->deviceId);
  LogPrintf(g_log, "Vulkan -   driver version: %u", rec->driverVersion);
  LogPrintf(g_log, "Vulkan -   API version: %d.%d.%d", rec->apiVersionMajor, rec->apiVersionMinor,
            rec->apiVersionPatch);
  if (rec->vendorId == 0x10DE) {
    rec->nvDriverVersionMajor = static_cast<int>(rec->driverVersion >> 22);
    rec->nvDriverVersionMinor = static_cast<int>((rec->driverVersion >> 14) & 0xFF);
    LogPrintf(g_log, "Vulkan -   NVIDIA driver version: %d.%d", rec->nvDriverVersionMajor,
              rec->nvDriverVersionMinor);
  }
  rec->deviceTypeText = VulkanDeviceTypeName(rec->deviceType);
  LogPrintf(g_log, "Vulkan -   device type: %s", rec->deviceTypeText.c_str());

  readMemory(pd, *rec);
  readDeviceExtensionsAndLayers(pd, *rec);
  if (g_vk.entry.vkGetPhysicalDeviceFeatures) g_vk.entry.vkGetPhysicalDeviceFeatures(pd, &rec->block.features);
  readExtensionProperties(pd, *rec);
  rec->block.limits = props.limits;
  rec->block.sparseProperties = props.sparseProperties;
  g_vk.devices.push_back(std::move(rec));
}

void readPhysicalDevices() {
  if (!g_vk.entry.vkEnumeratePhysicalDevices) return;
  uint32_t count = 0;
  if (g_vk.entry.vkEnumeratePhysicalDevices(g_vk.instance, &count, nullptr) != VK_SUCCESS) count = 0;
  if (count > kMaxVkDevices) count = kMaxVkDevices;
  LogPrintf(g_log, "Vulkan - # devices: %u", count);
  if (count == 0) return;
  std::vector<VkPhysicalDevice> handles(count, VK_NULL_HANDLE);
  VkResult r = g_vk.entry.vkEnumeratePhysicalDevices(g_vk.instance, &count, handles.data());
  if (r != VK_SUCCESS && r != VK_INCOMPLETE) return;
  if (count < handles.size()) handles.resize(count);
  for (uint32_t i = 0; i < handles.size(); ++i) {
    if (!handles[i]) {
      LogPrintf(g_log, "Vulkan - null physical device for GPU %u", i);
      continue;
    }
    readPhysicalDevice(static_cast<int>(i), handles[i]);
  }
}

// Destroys the instance (only one that exists, and only through an entry
// point the loader has) and frees the library.
void releaseInstance() {
  if (g_vk.instance && g_vk.entry.vkDestroyInstance) g_vk.entry.vkDestroyInstance(g_vk.instance, nullptr);
  g_vk.instance = VK_NULL_HANDLE;
  if (g_vk.library) FreeLibrary(g_vk.library);
  g_vk.library = nullptr;
  g_vk.entry = VulkanEntryPoints();
}

// Drops everything detection made: records, instance, library.
void releaseAll() {
  g_vk.devices.clear();
  g_vk.instanceExtensions.clear();
  g_vk.instanceLayers.clear();
  releaseInstance();
  g_vk.instanceApiVersion = 0;
  g_vk.instanceProperties2Extension = false;
}

const VulkanPhysicalDeviceInfo* deviceAt(int index) {
  if (index < 0 || static_cast<size_t>(index) >= g_vk.devices.size()) return nullptr;
  return g_vk.devices[static_cast<size_t>(index)].get();
}

}  // namespace

VulkanPhysicalDeviceInfo::VulkanPhysicalDeviceInfo()
    : vendorId(0), deviceId(0), driverVersion(0), deviceType(0), apiVersionMajor(0),
      apiVersionMinor(0), apiVersionPatch(0), nvDriverVersionMajor(0), nvDriverVersionMinor(0),
      apiVersionText() {
  memset(&block, 0, sizeof(block));
}

bool VkMemoryTypeRecord::FormatVulkanMemoryFlags(uint32_t heap, const char* name) {
  if (heap != heapIndex || !name || !name[0]) return false;
  for (const std::string& n : flagNames)
    if (n == name) return false;
  flagNames.push_back(name);
  return true;
}

bool DetectVulkan() {
  if (g_vk.initialised) return true;
  releaseAll();  // nothing may be left from an earlier failed attempt
  HMODULE library = g_loadLibrary();
  if (!library) return false;
  g_vk.library = library;
  bindEntryPoints(library, g_vk.entry);

  readInstanceExtensions();
  readInstanceLayers();
  VkResult r = createInstance();
  if (r != VK_SUCCESS) {
    if (r == VK_ERROR_INCOMPATIBLE_DRIVER)
      LogPrintf(g_log, "Vulkan - instance creation failed (code: VK_ERROR_INCOMPATIBLE_DRIVER)");
    else if (r == VK_ERROR_INITIALIZATION_FAILED)
      LogPrintf(g_log, "Vulkan - instance creation failed (code: VK_ERROR_INITIALIZATION_FAILED)");
    else
      LogPrintf(g_log, "Vulkan - instance creation failed: unknown error (code: %d)", static_cast<int>(r));
    // The library goes now: a failed detection leaves the collector
    // uninitialised, and ShutdownVulkanInfo then returns before releasing
    // anything, so the library would stay loaded until the process ends.
    releaseAll();
    return false;
  }
  readPhysicalDevices();

  releaseInstance();  // the records stay
  g_vk.initialised = true;
  return true;
}

void SetVulkanLibraryLoader(HMODULE (*load)()) { g_loadLibrary = load ? load : loadVulkanLoader; }

bool ShutdownVulkanInfo() {
  if (!g_vk.initialised) return true;
  releaseAll();
  g_vk.initialised = false;
  return true;
}

bool IsVulkanInfoReady() { return g_vk.initialised; }
VulkanInfo& GetVulkanInfo() { return g_vk; }
int GetVulkanDeviceCount() { return static_cast<int>(g_vk.devices.size()); }

const char* GetVulkanDeviceName(int index) {
  const VulkanPhysicalDeviceInfo* d = deviceAt(index);
  return d ? d->deviceName.c_str() : nullptr;
}

uint32_t GetVulkanDeviceVendorId(int index) {
  const VulkanPhysicalDeviceInfo* d = deviceAt(index);
  return d ? d->vendorId : 0;
}

uint32_t GetVulkanDeviceId(int index) {
  const VulkanPhysicalDeviceInfo* d = deviceAt(index);
  return d ? d->deviceId : 0;
}

bool GetVulkanDeviceApiVersion(int index, int* major, int* minor, int* patch) {
  const VulkanPhysicalDeviceInfo* d = deviceAt(index);
  if (!d) return false;
  if (major) *major = d->apiVersionMajor;
  if (minor) *minor = d->apiVersionMinor;
  if (patch) *patch = d->apiVersionPatch;
  return true;
}

const char* GetVulkanDeviceApiVersionString(int index) {
  if (index < 0 || static_cast<size_t>(index) >= g_vk.devices.size()) return nullptr;
  VulkanPhysicalDeviceInfo* d = g_vk.devices[static_cast<size_t>(index)].get();
  snprintf(d->apiVersionText, sizeof(d->apiVersionText), "%d.%d.%d", d->apiVersionMajor,
           d->apiVersionMinor, d->apiVersionPatch);
  return d->apiVersionText;
}

bool VulkanDeviceHasExtension(const VulkanPhysicalDeviceInfo* device, const char* name) {
  if (!device || !name) return false;
  for (const VkExtensionRecord& e : device->extensions)
    if (e.name == name) return true;
  return false;
}

const char* VulkanDriverIdName(int driverId) {
  static const char* const kNames[] = {
      "VK_DRIVER_ID_NULL",
      "VK_DRIVER_ID_AMD_PROPRIETARY_KHR",
      "VK_DRIVER_ID_AMD_OPEN_SOURCE_KHR",
      "VK_DRIVER_ID_MESA_RADV_KHR",
      "VK_DRIVER_ID_NVIDIA_PROPRIETARY_KHR",
      "VK_DRIVER_ID_INTEL_PROPRIETARY_WINDOWS_KHR",
      "VK_DRIVER_ID_INTEL_OPEN_SOURCE_MESA_KHR",
      "VK_DRIVER_ID_IMAGINATION_PROPRIETARY_KHR",
      "VK_DRIVER_ID_QUALCOMM_PROPRIETARY_KHR",
      "VK_DRIVER_ID_ARM_PROPRIETARY_KHR",
      "VK_DRIVER_ID_GOOGLE_SWIFTSHADER",
      "VK_DRIVER_ID_GGP_PROPRIETARY",
      "VK_DRIVER_ID_BROADCOM_PROPRIETARY",
      "VK_DRIVER_ID_MESA_LLVMPIPE",
      "VK_DRIVER_ID_MOLTENVK",
      "VK_DRIVER_ID_COREAVI_PROPRIETARY",
      "VK_DRIVER_ID_JUICE_PROPRIETARY",
      "VK_DRIVER_ID_VERISILICON_PROPRIETARY",
      "VK_DRIVER_ID_MESA_TURNIP",
      "VK_DRIVER_ID_MESA_V3DV",
      "VK_DRIVER_ID_MESA_PANVK",
      "VK_DRIVER_ID_SAMSUNG_PROPRIETARY",
      "VK_DRIVER_ID_MESA_VENUS",
      "VK_DRIVER_ID_MESA_DOZEN",
      "VK_DRIVER_ID_MESA_NVK",
      "VK_DRIVER_ID_IMAGINATION_OPEN_SOURCE_MESA",
  };
  const int count = static_cast<int>(sizeof(kNames) / sizeof(kNames[0]));
  if (driverId < 0 || driverId >= count) return "VK_DRIVER_ID_UNKNOWN";
  return kNames[driverId];
}

const char* VulkanDeviceTypeName(uint32_t type) {
  static const char* const kNames[] = {
      "VK_PHYSICAL_DEVICE_TYPE_OTHER", "VK_PHYSICAL_DEVICE_TYPE_INTEGRATED_GPU",
      "VK_PHYSICAL_DEVICE_TYPE_DISCRETE_GPU", "VK_PHYSICAL_DEVICE_TYPE_VIRTUAL_GPU",
      "VK_PHYSICAL_DEVICE_TYPE_CPU"};
  if (type >= sizeof(kNames) / sizeof(kNames[0])) return "VK_PHYSICAL_DEVICE_TYPE_UNKNOWN";
  return kNames[type];
}

void FormatVkLimitFloat(char* buf, size_t size, const char* name, float v) {
  snprintf(buf, size, " %s: %f", name, static_cast<double>(v));
}
void FormatVkLimitUint(char* buf, size_t size, const char* name, uint32_t v) {
  snprintf(buf, size, " %s: %u", name, v);
}
// Signed limits print signed: "minTexelOffset: -8", not 4294967288.
void FormatVkLimitInt(char* buf, size_t size, const char* name, int32_t v) {
  snprintf(buf, size, " %s: %d", name, v);
}
void FormatVkLimitUint64(char* buf, size_t size, const char* name, uint64_t v) {
  snprintf(buf, size, " %s: %llu", name, static_cast<unsigned long long>(v));
}
void FormatVkLimitFloat2(char* buf, size_t size, const char* name, const float v[2]) {
  snprintf(buf, size, " %s: <%f ; %f>", name, static_cast<double>(v[0]), static_cast<double>(v[1]));
}
void FormatVkLimitUint2(char* buf, size_t size, const char* name, const uint32_t v[2]) {
  snprintf(buf, size, " %s: <%u; %u>", name, v[0], v[1]);
}
void FormatVkLimitUint3(char* buf, size_t size, const char* name, const uint32_t v[3]) {
  snprintf(buf, size, " %s: <%u; %u; %u>", name, v[0], v[1], v[2]);
}

const VkLimitRow* FindVkLimitRow(const char* name) {
  if (!name) return nullptr;
  for (size_t k = 0; k < kVkLimitRowCount; ++k)
    if (strcmp(kVkLimitRows[k].name, name) == 0) return &kVkLimitRows[k];
  return nullptr;
}

void FormatVkLimitRow(char* buf, size_t size, const VkPhysicalDeviceLimits& limits,
                      const VkLimitRow& row) {
  const unsigned char* base = reinterpret_cast<const unsigned char*>(&limits) + row.offset;
  switch (row.kind) {
    case kVkUint:
    case kVkSampleFlags:
    case kVkBool: {
      uint32_t v;
      memcpy(&v, base, sizeof(v));
      FormatVkLimitUint(buf, size, row.name, v);
      break;
    }
    case kVkInt: {
      int32_t v;
      memcpy(&v, base, sizeof(v));
      FormatVkLimitInt(buf, size, row.name, v);
      break;
    }
    case kVkUint64: {
      uint64_t v;
      memcpy(&v, base, sizeof(v));
      FormatVkLimitUint64(buf, size, row.name, v);
      break;
    }
    case kVkSize: {
      size_t v;
      memcpy(&v, base, sizeof(v));
      FormatVkLimitUint64(buf, size, row.name, v);
      break;
    }
    case kVkFloat: {
      float v;
      memcpy(&v, base, sizeof(v));
      FormatVkLimitFloat(buf, size, row.name, v);
      break;
    }
    case kVkUint2: {
      uint32_t v[2];
      memcpy(v, base, sizeof(v));
      FormatVkLimitUint2(buf, size, row.name, v);
      break;
    }
    case kVkUint3: {
      uint32_t v[3];
      memcpy(v, base, sizeof(v));
      FormatVkLimitUint3(buf, size, row.name, v);
      break;
    }
    case kVkFloat2: {
      float v[2];
      memcpy(v, base, sizeof(v));
      FormatVkLimitFloat2(buf, size, row.name, v);
      break;
    }
  }
}

VkBool32 VkFeatureValue(const VkPhysicalDeviceFeatures& features, const VkBoolRow& row) {
  VkBool32 v;
  memcpy(&v, reinterpret_cast<const unsigned char*>(&features) + row.offset, sizeof(v));
  return v;
}

VkBool32 VkSparseValue(const VkPhysicalDeviceSparseProperties& sparse, const VkBoolRow& row) {
  VkBool32 v;
  memcpy(&v, reinterpret_cast<const unsigned char*>(&sparse) + row.offset, sizeof(v));
  return v;
}
