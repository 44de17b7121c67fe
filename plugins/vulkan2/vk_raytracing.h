// Ray-tracing contexts (acceleration structures, ray-tracing pipelines,
// shader binding tables, the output image) and the storage images that
// shaders write.
#pragma once

#include <cstdint>
#include <vector>

#include "vk_resources.h"

// One buffer with its own memory.
struct RtBufferRecord {
  VkBuffer buffer = VK_NULL_HANDLE;
  VkDeviceMemory memory = VK_NULL_HANDLE;
  VkDeviceSize requested_size = 0;
  uint32_t allocation_size = 0;
  uint32_t reserved = 0;
  VkDeviceAddress address = 0;  // 0 unless made for device addresses
};

struct VkStorageImageRecord {
  int32_t id = 0;
  VkDeviceMemory memory = VK_NULL_HANDLE;
  VkImage image = VK_NULL_HANDLE;
  VkImageView view = VK_NULL_HANDLE;
  VkFormat format = VK_FORMAT_R8G8B8A8_UNORM;
  int32_t width = 0;
  int32_t height = 0;
  VkDeviceRecord* device = nullptr;  // the device that made the objects
};

struct BlasEntry {
  VkAccelerationStructureKHR structure = VK_NULL_HANDLE;
  RtBufferRecord* buffer = nullptr;
  VkDeviceAddress address = 0;
};

struct VkRayTracingContext {
  tvc::RendererGpu* gpu = nullptr;
  VkDeviceRecord* device = nullptr;  // null once the GPU was cleaned up
  VkGpuRecord* gpu_record = nullptr;
  VkPhysicalDeviceRayTracingPipelinePropertiesKHR pipeline_properties{};
  VkPhysicalDeviceAccelerationStructurePropertiesKHR acceleration_properties{};
  std::vector<BlasEntry> blas;
  std::vector<tvc::GeometryCore*> geometries;
  std::vector<VkAccelerationStructureInstanceKHR> instances;
  uint32_t recursion_depth = 1;
  VkAccelerationStructureKHR tlas = VK_NULL_HANDLE;
  RtBufferRecord* tlas_buffer = nullptr;
  RtBufferRecord* scratch_buffer = nullptr;
  RtBufferRecord* instance_buffer = nullptr;
  RtBufferRecord* sbt_buffer = nullptr;
  VkStridedDeviceAddressRegionKHR raygen_region{};
  VkStridedDeviceAddressRegionKHR miss_region{};
  VkStridedDeviceAddressRegionKHR hit_region{};
  VkStorageImageRecord output_image;
  tvc::GpuProgramData* program = nullptr;
  // The BLAS index each instance names: a rebuild of the BLASes points the
  // instances at the new structures.
  std::vector<uint32_t> instance_blas;
  // The TLAS was built over BLASes since destroyed: it is built anew before
  // rays are traced through it again.
  bool tlas_stale = false;
  // The instance count of the TLAS's last build that succeeded, 0 when its
  // last build failed: an update keeps the count of the build it updates.
  uint32_t tlas_count = 0;
};

// Shader-binding-table layout of a program's groups.
struct SbtLayout {
  uint32_t aligned_handle = 0;
  VkDeviceSize raygen_size = 0, miss_size = 0, hit_size = 0;
  uint32_t raygen_count = 0, miss_count = 0, hit_count = 0, group_count = 0;
};
// handle_alignment 0 stands for 32.
SbtLayout sbt_layout(uint32_t handle_size, uint32_t handle_alignment, uint32_t base_alignment, uint32_t raygen,
                     uint32_t miss, uint32_t closest_hit, uint32_t any_hit, uint32_t intersection);
