// The GPU's ray-tracing pipeline and acceleration-structure properties: read
// and logged when the logical device is made, and answered by name (Vulkan2
// only).
#include <cstddef>
#include <cstring>

#include "vk_raytracing.h"

namespace {
struct PropertyField {
  const char* name;
  size_t offset;
};
#define QV_RT_FIELD(type, name) {#name, offsetof(type, name)}
const PropertyField kPipelineProperties[] = {
    QV_RT_FIELD(VkPhysicalDeviceRayTracingPipelinePropertiesKHR, shaderGroupHandleSize),
    QV_RT_FIELD(VkPhysicalDeviceRayTracingPipelinePropertiesKHR, maxRayRecursionDepth),
    QV_RT_FIELD(VkPhysicalDeviceRayTracingPipelinePropertiesKHR, maxShaderGroupStride),
    QV_RT_FIELD(VkPhysicalDeviceRayTracingPipelinePropertiesKHR, shaderGroupBaseAlignment),
    QV_RT_FIELD(VkPhysicalDeviceRayTracingPipelinePropertiesKHR, shaderGroupHandleCaptureReplaySize),
    QV_RT_FIELD(VkPhysicalDeviceRayTracingPipelinePropertiesKHR, maxRayDispatchInvocationCount),
    QV_RT_FIELD(VkPhysicalDeviceRayTracingPipelinePropertiesKHR, shaderGroupHandleAlignment),
    QV_RT_FIELD(VkPhysicalDeviceRayTracingPipelinePropertiesKHR, maxRayHitAttributeSize),
};
const PropertyField kStructureCounts[] = {
    QV_RT_FIELD(VkPhysicalDeviceAccelerationStructurePropertiesKHR, maxGeometryCount),
    QV_RT_FIELD(VkPhysicalDeviceAccelerationStructurePropertiesKHR, maxInstanceCount),
    QV_RT_FIELD(VkPhysicalDeviceAccelerationStructurePropertiesKHR, maxPrimitiveCount),
};
const PropertyField kStructureLimits[] = {
    QV_RT_FIELD(VkPhysicalDeviceAccelerationStructurePropertiesKHR, maxPerStageDescriptorAccelerationStructures),
    QV_RT_FIELD(VkPhysicalDeviceAccelerationStructurePropertiesKHR,
                maxPerStageDescriptorUpdateAfterBindAccelerationStructures),
    QV_RT_FIELD(VkPhysicalDeviceAccelerationStructurePropertiesKHR, maxDescriptorSetAccelerationStructures),
    QV_RT_FIELD(VkPhysicalDeviceAccelerationStructurePropertiesKHR,
                maxDescriptorSetUpdateAfterBindAccelerationStructures),
    QV_RT_FIELD(VkPhysicalDeviceAccelerationStructurePropertiesKHR, minAccelerationStructureScratchOffsetAlignment),
};
#undef QV_RT_FIELD

// Answers a query by name: the named field of block into value (left alone
// when no field matches); true whenever a name is given.
template <typename T, size_t N>
bool answer_property(const PropertyField (&fields)[N], const void* block, const char* name, T* value) {
  if (!name) return false;
  for (const PropertyField& f : fields) {
    if (strcmp(f.name, name) != 0) continue;
    if (value) memcpy(value, static_cast<const char*>(block) + f.offset, sizeof(T));
    break;
  }
  return true;
}
}  // namespace

void VulkanPLugin::log_raytracing_properties(VkGpuRecord* gpu, VkDeviceRecord* device) {
  PFN_vkGetPhysicalDeviceProperties2 query = device->functions.vkGetPhysicalDeviceProperties2;
  if (!query) return;
  VkPhysicalDeviceRayTracingPipelinePropertiesKHR& p = gpu->raytracing_pipeline_properties;
  VkPhysicalDeviceAccelerationStructurePropertiesKHR& a = gpu->acceleration_structure_properties;
  p = {};
  p.sType = VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_RAY_TRACING_PIPELINE_PROPERTIES_KHR;
  a = {};
  a.sType = VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_ACCELERATION_STRUCTURE_PROPERTIES_KHR;
  VkPhysicalDeviceProperties2 props{};
  props.sType = VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_PROPERTIES_2;
  props.pNext = &p;
  query(gpu->physical_device, &props);
  p.pNext = nullptr;
  props.pNext = &a;
  query(gpu->physical_device, &props);
  a.pNext = nullptr;
  tracef("- %s:", "VK_KHR_ray_tracing_pipeline");
  for (const PropertyField& f : kPipelineProperties) {
    uint32_t value = 0;
    memcpy(&value, reinterpret_cast<const char*>(&p) + f.offset, sizeof(value));
    tracef("  - %s: %lu", f.name, static_cast<unsigned long>(value));
  }
  tracef("- %s:", "VK_KHR_acceleration_structure");
  for (const PropertyField& f : kStructureCounts) {
    uint64_t value = 0;
    memcpy(&value, reinterpret_cast<const char*>(&a) + f.offset, sizeof(value));
    tracef("  - %s: %llu", f.name, static_cast<unsigned long long>(value));
  }
  for (const PropertyField& f : kStructureLimits) {
    uint32_t value = 0;
    memcpy(&value, reinterpret_cast<const char*>(&a) + f.offset, sizeof(value));
    tracef("  - %s: %lu", f.name, static_cast<unsigned long>(value));
  }
}

bool VulkanPLugin::gpu_get_raytracing_pipeline_property(tvc::RendererGpu* gpu, const char* name, unsigned* value) {
  const VkGpuRecord* record = gpu_record(gpu ? gpu : current_gpu);
  return record && answer_property(kPipelineProperties, &record->raytracing_pipeline_properties, name, value);
}

bool VulkanPLugin::gpu_get_acceleration_structure_property(tvc::RendererGpu* gpu, const char* name, uint64_t* value) {
  const VkGpuRecord* record = gpu_record(gpu ? gpu : current_gpu);
  return record && answer_property(kStructureCounts, &record->acceleration_structure_properties, name, value);
}

bool VulkanPLugin::gpu_get_acceleration_structure_descriptor_limit(tvc::RendererGpu* gpu, const char* name,
                                                                   unsigned* value) {
  const VkGpuRecord* record = gpu_record(gpu ? gpu : current_gpu);
  return record && answer_property(kStructureLimits, &record->acceleration_structure_properties, name, value);
}
