// Ray tracing: contexts with their bottom- and top-level acceleration
// structures, ray-tracing pipelines, shader binding tables and output image,
// and their descriptor-set bindings; the storage images shaders write. Their
// properties, storage-image bindings and copies have units of their own.
//
// Every build runs on a one-time command buffer and has finished when the
// operation returns. A context refuses every operation, with a line in the
// log, when its device lacks the ray-tracing extensions or is gone.
#include "vk_raytracing.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>

namespace {
const VkBufferUsageFlags kInstanceUsage = 0xA0000;  // device address, build input
const VkBufferUsageFlags kStorageUsage = 0x120000;  // acceleration-structure storage, device address
const VkBufferUsageFlags kScratchUsage = 0x20020;   // device address, storage buffer
const VkBufferUsageFlags kSbtUsage = 0x20400;       // device address, binding table
const VkMemoryPropertyFlags kHostMemory = VK_MEMORY_PROPERTY_HOST_VISIBLE_BIT | VK_MEMORY_PROPERTY_HOST_COHERENT_BIT;

enum ShaderKind { kRaygen = 8, kAnyHit = 9, kClosestHit = 10, kMiss = 11, kIntersection = 12 };

VkDeviceSize align_up(VkDeviceSize value, VkDeviceSize alignment) {
  return alignment > 1 ? (value + alignment - 1) / alignment * alignment : value;
}

bool has_name(const std::vector<std::string>& names, const char* name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

// One buffer with its own memory; null (nothing left behind) on failure.
RtBufferRecord* create_rt_buffer(const VkGpuRecord* gpu, VkDeviceRecord* device, VkDeviceSize size,
                                 VkBufferUsageFlags usage, VkMemoryPropertyFlags required) {
  if (size == 0) return nullptr;
  VkFunctionTable& fn = device->functions;
  BufferCalls calls = device_buffer_calls(device);
  calls.memory_requirements2 = fn.vkGetBufferMemoryRequirements2;
  // The required properties, else the first type the buffer allows (never
  // one it does not allow), else no buffer.
  const MemoryTypeChoice memory_type = [&](uint32_t bits) {
    return find_memory_type(gpu, bits, required, kAnyAllowedMemory);
  };
  const bool addressed = (usage & VK_BUFFER_USAGE_SHADER_DEVICE_ADDRESS_BIT) != 0;
  VkMemoryAllocateFlagsInfo flags{};
  flags.sType = VK_STRUCTURE_TYPE_MEMORY_ALLOCATE_FLAGS_INFO;
  flags.flags = addressed ? VK_MEMORY_ALLOCATE_DEVICE_ADDRESS_BIT : 0;
  BufferObjects made;
  BufferStep step = kBufferCreate;
  const VkResult result = make_buffer_objects(calls, size, usage, memory_type, &flags, &made, &step);
  if (result != VK_SUCCESS) {
    if (made.memory != VK_NULL_HANDLE) fn.vkFreeMemory(device->device, made.memory, nullptr);
    if (made.buffer != VK_NULL_HANDLE) fn.vkDestroyBuffer(device->device, made.buffer, nullptr);
    return nullptr;
  }
  RtBufferRecord* record = new RtBufferRecord;
  record->requested_size = size;
  record->buffer = made.buffer;
  record->memory = made.memory;
  record->allocation_size = static_cast<uint32_t>(made.needs.size);
  if (addressed) {
    VkBufferDeviceAddressInfo address{};
    address.sType = VK_STRUCTURE_TYPE_BUFFER_DEVICE_ADDRESS_INFO;
    address.buffer = record->buffer;
    record->address = fn.vkGetBufferDeviceAddressKHR(device->device, &address);
  }
  return record;
}

void release_rt_buffer(VkDeviceRecord* device, RtBufferRecord*& record) {
  if (!record) return;
  if (device && device->device) {
    if (record->memory != VK_NULL_HANDLE) device->functions.vkFreeMemory(device->device, record->memory, nullptr);
    if (record->buffer != VK_NULL_HANDLE) device->functions.vkDestroyBuffer(device->device, record->buffer, nullptr);
  }
  delete record;
  record = nullptr;
}

bool write_rt_buffer(VkDeviceRecord* device, RtBufferRecord* record, const void* data, VkDeviceSize size) {
  void* mapped = nullptr;
  if (!record || size > record->requested_size ||
      device->functions.vkMapMemory(device->device, record->memory, 0, size, 0, &mapped) != VK_SUCCESS)
    return false;
  memcpy(mapped, data, static_cast<size_t>(size));
  device->functions.vkUnmapMemory(device->device, record->memory);
  return true;
}

// The scratch address rounded up to the device's scratch-offset alignment
// (the buffer has room for the rounding).
VkDeviceAddress scratch_address(const VkRayTracingContext* context, const RtBufferRecord* scratch) {
  return align_up(scratch->address, context->acceleration_properties.minAccelerationStructureScratchOffsetAlignment);
}

VkDeviceSize scratch_room(const VkRayTracingContext* context, VkDeviceSize size) {
  return size + context->acceleration_properties.minAccelerationStructureScratchOffsetAlignment;
}

void build_barrier(VkDeviceRecord* device, VkCommandBuffer commands, VkAccessFlags src, VkAccessFlags dst,
                   VkPipelineStageFlags src_stage) {
  VkMemoryBarrier barrier{};
  barrier.sType = VK_STRUCTURE_TYPE_MEMORY_BARRIER;
  barrier.srcAccessMask = src;
  barrier.dstAccessMask = dst;
  device->functions.vkCmdPipelineBarrier(commands, src_stage, VK_PIPELINE_STAGE_ACCELERATION_STRUCTURE_BUILD_BIT_KHR, 0,
                                         1, &barrier, 0, nullptr, 0, nullptr);
}

void destroy_structure(VkDeviceRecord* device, VkAccelerationStructureKHR& structure) {
  if (structure != VK_NULL_HANDLE && device && device->device)
    device->functions.vkDestroyAccelerationStructureKHR(device->device, structure, nullptr);
  structure = VK_NULL_HANDLE;
}

// An acceleration structure of the given size with its own storage buffer.
bool create_structure(const VkGpuRecord* gpu, VkDeviceRecord* device, VkAccelerationStructureTypeKHR type,
                      VkDeviceSize size, VkAccelerationStructureKHR* structure, RtBufferRecord** buffer,
                      VkResult* result) {
  *buffer = create_rt_buffer(gpu, device, size, kStorageUsage, VK_MEMORY_PROPERTY_DEVICE_LOCAL_BIT);
  *result = VK_ERROR_OUT_OF_DEVICE_MEMORY;
  if (!*buffer) return false;
  VkAccelerationStructureCreateInfoKHR info{};
  info.sType = VK_STRUCTURE_TYPE_ACCELERATION_STRUCTURE_CREATE_INFO_KHR;
  info.buffer = (*buffer)->buffer;
  info.size = size;
  info.type = type;
  *result = device->functions.vkCreateAccelerationStructureKHR(device->device, &info, nullptr, structure);
  if (*result != VK_SUCCESS) {
    *structure = VK_NULL_HANDLE;
    release_rt_buffer(device, *buffer);
    return false;
  }
  return true;
}

// The 3 x 4 row-major transform of an instance from a column-major matrix.
VkTransformMatrixKHR instance_transform(const tvc::mat4* m) {
  VkTransformMatrixKHR t{};
  for (int row = 0; row < 3; ++row)
    for (int column = 0; column < 4; ++column) t.matrix[row][column] = m->m[column * 4 + row];
  return t;
}

}  // namespace

SbtLayout sbt_layout(uint32_t handle_size, uint32_t handle_alignment, uint32_t base_alignment, uint32_t raygen,
                     uint32_t miss, uint32_t closest_hit, uint32_t any_hit, uint32_t intersection) {
  SbtLayout l;
  l.aligned_handle = static_cast<uint32_t>(align_up(handle_size, handle_alignment ? handle_alignment : 32));
  l.raygen_count = raygen;
  l.miss_count = miss;
  // Any-hit and intersection groups are hit groups: they sit in the hit region.
  l.hit_count = closest_hit + any_hit + intersection;
  l.group_count = raygen + miss + l.hit_count;
  l.raygen_size = align_up(static_cast<VkDeviceSize>(l.aligned_handle) * raygen, base_alignment);
  l.miss_size = align_up(static_cast<VkDeviceSize>(l.aligned_handle) * miss, base_alignment);
  l.hit_size = align_up(static_cast<VkDeviceSize>(l.aligned_handle) * l.hit_count, base_alignment);
  return l;
}

// ---- shared helpers

bool VulkanPLugin::raytracing_supported(VkDeviceRecord* device) {
  VkGpuRecord* gpu = device ? device_gpu(device) : nullptr;
  if (!gpu || !device->device) return false;
  const VkFunctionTable& fn = device->functions;
  return has_name(gpu->device_extension_names, "VK_KHR_acceleration_structure") &&
         has_name(gpu->device_extension_names, "VK_KHR_ray_tracing_pipeline") &&
         has_name(gpu->device_extension_names, "VK_KHR_buffer_device_address") && fn.vkGetBufferDeviceAddressKHR &&
         fn.vkGetAccelerationStructureBuildSizesKHR && fn.vkCreateAccelerationStructureKHR &&
         fn.vkDestroyAccelerationStructureKHR && fn.vkCmdBuildAccelerationStructuresKHR &&
         fn.vkGetAccelerationStructureDeviceAddressKHR && fn.vkCreateRayTracingPipelinesKHR &&
         fn.vkGetRayTracingShaderGroupHandlesKHR && fn.vkCmdTraceRaysKHR;
}

VkRayTracingContext* VulkanPLugin::raytracing_context(int index, const char* operation) {
  if (index < 0 || static_cast<size_t>(index) >= raytracing_contexts.size() || !raytracing_contexts[index]) {
    tracef_error("%s - ray-tracing context %d does not exist.", operation, index);
    return nullptr;
  }
  VkRayTracingContext* context = raytracing_contexts[index];
  if (!context->device) {
    tracef_error("%s - ray-tracing context %d lost its GPU (cleaned up).", operation, index);
    return nullptr;
  }
  return context;
}

VkCommandBuffer VulkanPLugin::recording_buffer(tvc::GpuCommandList* list, VkDeviceRecord* device) {
  VkCommandListRecord* record = list_record(list);
  if (record && record->command_buffer) return record->command_buffer;
  return active_command_buffer(device);
}

// ---- storage images

VkStorageImageRecord* VulkanPLugin::storage_image_find(int id) {
  for (VkStorageImageRecord* image : storage_images)
    if (image->id == id) return image;
  return nullptr;
}

bool VulkanPLugin::storage_image_create_objects(VkDeviceRecord* device, VkGpuRecord* gpu, unsigned width,
                                                unsigned height, int pixel_format, VkStorageImageRecord* record) {
  if (!device || !gpu || width == 0 || height == 0) return false;
  VkFormat format = pixel_format == tvc::PF_SWAPCHAIN && device->swapchain ? device->swapchain->format
                                                                           : pixel_format_to_vk_format(pixel_format);
  // A format shaders cannot write would make every later use invalid.
  VkFormatProperties props{};
  gpu->functions.vkGetPhysicalDeviceFormatProperties(gpu->physical_device, format, &props);
  if (!(props.optimalTilingFeatures & VK_FORMAT_FEATURE_STORAGE_IMAGE_BIT)) {
    tracef_error("storage image - format %d cannot be a storage image on GPU %s.", static_cast<int>(format),
                 gpu->name.c_str());
    return false;
  }
  ImageRequest request =
      image_2d_request(format, width, height,
                       VK_IMAGE_USAGE_TRANSFER_SRC_BIT | VK_IMAGE_USAGE_SAMPLED_BIT | VK_IMAGE_USAGE_STORAGE_BIT);
  request.preferred = VK_MEMORY_PROPERTY_DEVICE_LOCAL_BIT;
  request.view_aspect = VK_IMAGE_ASPECT_COLOR_BIT;
  ImageObjects objects;
  const VkResult result = create_image_objects(device, gpu, request, &objects);
  if (result != VK_SUCCESS) {
    tracef_error("storage image - creation failed (%ux%u) - err: %s.", width, height, vk_result_to_string(result));
    return false;
  }
  VkCommandBuffer commands = begin_one_time_commands(device, true);
  if (!commands || !transition_image_layout(device, commands, objects.image, VK_IMAGE_LAYOUT_UNDEFINED,
                                            VK_IMAGE_LAYOUT_GENERAL) ||
      !end_one_time_commands(device, commands)) {
    release_image_objects(device, &objects);
    tracef_error("storage image - the layout change failed.");
    return false;
  }
  record->image = objects.image;
  record->memory = objects.memory;
  record->view = objects.view;
  record->format = format;
  record->width = static_cast<int32_t>(width);
  record->height = static_cast<int32_t>(height);
  record->device = device;
  return true;
}

void VulkanPLugin::storage_image_release_objects(VkStorageImageRecord* record) {
  if (record->device && record->device->device) {
    ImageObjects objects{record->image, record->memory, record->view, 0, 0};
    release_image_objects(record->device, &objects);
  }
  record->image = VK_NULL_HANDLE;
  record->memory = VK_NULL_HANDLE;
  record->view = VK_NULL_HANDLE;
  record->width = record->height = 0;
}

// ---- release

void VulkanPLugin::release_raytracing_context(VkRayTracingContext* context) {
  VkDeviceRecord* device = context->device;
  for (BlasEntry& entry : context->blas) {
    destroy_structure(device, entry.structure);
    release_rt_buffer(device, entry.buffer);
  }
  context->blas.clear();
  destroy_structure(device, context->tlas);
  context->tlas_stale = false;
  context->tlas_count = 0;
  release_rt_buffer(device, context->tlas_buffer);
  release_rt_buffer(device, context->scratch_buffer);
  release_rt_buffer(device, context->instance_buffer);
  release_rt_buffer(device, context->sbt_buffer);
  context->raygen_region = context->miss_region = context->hit_region = VkStridedDeviceAddressRegionKHR{};
  storage_image_release_objects(&context->output_image);
  context->geometries.clear();
}

void VulkanPLugin::release_device_raytracing(VkDeviceRecord* device) {
  for (VkRayTracingContext* context : raytracing_contexts) {
    if (!context || context->device != device) continue;
    release_raytracing_context(context);
    context->device = nullptr;
  }
  for (size_t i = storage_images.size(); i-- > 0;) {
    VkStorageImageRecord* image = storage_images[i];
    if (image->device != device) continue;
    storage_image_release_objects(image);
    storage_images.erase(storage_images.begin() + static_cast<std::ptrdiff_t>(i));
    delete image;
  }
}

void VulkanPLugin::free_raytracing_objects() {
  for (VkRayTracingContext* context : raytracing_contexts) {
    if (!context) continue;
    if (context->device) release_raytracing_context(context);
    delete context;
  }
  raytracing_contexts.clear();
  for (VkStorageImageRecord* image : storage_images) {
    storage_image_release_objects(image);
    delete image;
  }
  storage_images.clear();
}

int VulkanPLugin::vk_create_storage_image(tvc::RendererGpu* gpu, unsigned width, unsigned height, int format) {
  VkDeviceRecord* device = device_of(gpu);
  VkStorageImageRecord* record = new VkStorageImageRecord;
  if (!storage_image_create_objects(device, device ? device_gpu(device) : nullptr, width, height, format, record)) {
    if (!device) tracef_error("vk_create_storage_image - no GPU device.");
    delete record;
    return -1;
  }
  record->id = tvc::utils::gen_id();
  storage_images.push_back(record);
  return record->id;
}

void VulkanPLugin::vk_kill_storage_image(tvc::RendererGpu*, int id) {
  VkStorageImageRecord* record = storage_image_find(id);
  if (!record) return;
  storage_image_release_objects(record);
  erase_from(storage_images, record);
  delete record;
}

// ---- descriptor-set bindings of ray-tracing objects

int VulkanPLugin::descriptorset_add_acceleration_structure(int id, int context_index, int binding, unsigned stages) {
  VkDescriptorSetRecord* set = descriptorset_lookup(id);
  VkRayTracingContext* context = raytracing_context(context_index, "descriptorset_add_acceleration_structure");
  if (!set || !context) return -1;
  VkDescriptorBindingRecord* b = new_binding(binding, VK_DESCRIPTOR_TYPE_ACCELERATION_STRUCTURE_KHR, stages);
  b->acceleration.sType = VK_STRUCTURE_TYPE_WRITE_DESCRIPTOR_SET_ACCELERATION_STRUCTURE_KHR;
  b->acceleration.accelerationStructureCount = 1;
  // The context's own field: a rebuilt TLAS is what the next update writes.
  b->acceleration.pAccelerationStructures = &context->tlas;
  return descriptorset_add(set, b);
}

void VulkanPLugin::refresh_structure_bindings(VkRayTracingContext* context, bool write_now) {
  for (VkDescriptorSetRecord* set : context->device->descriptor_sets) {
    bool names = false;
    for (const VkDescriptorBindingRecord* b : set->bindings)
      names = names || (b->type == VK_DESCRIPTOR_TYPE_ACCELERATION_STRUCTURE_KHR &&
                        b->acceleration.pAccelerationStructures == &context->tlas);
    if (!names) continue;
    set->dirty = true;
    if (write_now && set->descriptor_set != VK_NULL_HANDLE) descriptorset_update(set->id);
  }
}

int VulkanPLugin::descriptorset_add_raytracing_storage_image(int id, int context_index, int binding,
                                                             unsigned stages) {
  VkDescriptorSetRecord* set = descriptorset_lookup(id);
  VkRayTracingContext* context = raytracing_context(context_index, "descriptorset_add_raytracing_storage_image");
  if (!set || !context || context->output_image.view == VK_NULL_HANDLE) return -1;
  VkDescriptorBindingRecord* b = new_binding(binding, VK_DESCRIPTOR_TYPE_STORAGE_IMAGE, stages);
  b->image_info = {VK_NULL_HANDLE, context->output_image.view, VK_IMAGE_LAYOUT_GENERAL};
  return descriptorset_add(set, b);
}

bool VulkanPLugin::descriptorset_update_raytracing_storage_image(int id, int index, int context_index, int binding,
                                                                 unsigned stages) {
  VkDescriptorSetRecord* set = descriptorset_lookup(id);
  VkDescriptorBindingRecord* b = descriptorset_binding(set, index);
  VkRayTracingContext* context = raytracing_context(context_index, "descriptorset_update_raytracing_storage_image");
  if (!b || !context || b->type != VK_DESCRIPTOR_TYPE_STORAGE_IMAGE || context->output_image.view == VK_NULL_HANDLE)
    return false;
  return update_image_binding(set, b, {VK_NULL_HANDLE, context->output_image.view, VK_IMAGE_LAYOUT_GENERAL}, binding,
                              stages);
}

bool VulkanPLugin::descriptorset_bind_raytracing(tvc::GpuCommandList* list, int id) {
  VkDescriptorSetRecord* set = descriptorset_lookup(id);
  VkDeviceRecord* device = set ? object_owner(id) : nullptr;
  if (!set || set->descriptor_set == VK_NULL_HANDLE || set->pipeline_layout == VK_NULL_HANDLE) {
    tracef_error("descriptorset_bind_raytracing - descriptorset %d is not built.", id);
    return false;
  }
  if (!raytracing_supported(device)) {
    tracef_error("descriptorset_bind_raytracing - the GPU offers no ray tracing.");
    return false;
  }
  VkCommandBuffer commands = recording_buffer(list, device);
  if (!commands) {
    tracef_error("descriptorset_bind_raytracing - nothing is recording.");
    return false;
  }
  device->functions.vkCmdBindDescriptorSets(commands, VK_PIPELINE_BIND_POINT_RAY_TRACING_KHR, set->pipeline_layout, 0,
                                            1, &set->descriptor_set, 0, nullptr);
  return true;
}

// ---- contexts

int VulkanPLugin::vk_raytracing_create(tvc::RendererGpu* gpu) {
  VkDeviceRecord* device = device_of(gpu);
  VkGpuRecord* record = device ? device_gpu(device) : nullptr;
  if (!record || !raytracing_supported(device)) {
    tracef_error("vk_raytracing_create - %s offers no ray tracing (VK_KHR_acceleration_structure, "
                 "VK_KHR_ray_tracing_pipeline).",
                 record ? record->name.c_str() : "no GPU device");
    return -1;
  }
  VkRayTracingContext* context = new VkRayTracingContext;
  context->gpu = gpu ? gpu : current_gpu;
  context->device = device;
  context->gpu_record = record;
  context->pipeline_properties = record->raytracing_pipeline_properties;
  context->acceleration_properties = record->acceleration_structure_properties;
  context->output_image.id = tvc::utils::gen_id();
  raytracing_contexts.push_back(context);
  return static_cast<int>(raytracing_contexts.size()) - 1;
}

int VulkanPLugin::vk_raytracing_add_mesh(int index, tvc::GeometryCore* geometry) {
  VkRayTracingContext* context = raytracing_context(index, "vk_raytracing_add_mesh");
  if (!context) return -1;
  if (!mesh_record(geometry)) {
    tracef_error("vk_raytracing_add_mesh - the geometry has no GPU buffers.");
    return -1;
  }
  context->geometries.push_back(geometry);
  return static_cast<int>(context->geometries.size()) - 1;
}

bool VulkanPLugin::vk_raytracing_kill(int index) {
  VkRayTracingContext* context = raytracing_context(index, "vk_raytracing_kill");
  if (!context) return false;
  release_raytracing_context(context);
  return true;
}

bool VulkanPLugin::vk_raytracing_set_ray_recursion_depth(int index, unsigned depth) {
  VkRayTracingContext* context = raytracing_context(index, "vk_raytracing_set_ray_recursion_depth");
  if (!context) return false;
  const uint32_t max_depth = context->pipeline_properties.maxRayRecursionDepth;
  context->recursion_depth = std::min<uint32_t>(depth, max_depth);
  tracef("ray_recursion_depth set to %lu (max: %lu)", static_cast<unsigned long>(context->recursion_depth),
         static_cast<unsigned long>(max_depth));
  return true;
}

// ---- acceleration structures

bool VulkanPLugin::vk_raytracing_build_blas(int index) {
  VkRayTracingContext* context = raytracing_context(index, "vk_raytracing_build_blas");
  if (!context) return false;
  // A rebuild replaces the list: the previous structures go first, once no
  // work can still trace through them. The TLAS built over them is stale.
  if (!context->blas.empty()) {
    if (!idle_before_replacing(context->device)) {
      tracef_error("vk_raytracing_build_blas - a command buffer of the device is recording: the structures in use "
                   "stay.");
      return false;
    }
    for (BlasEntry& entry : context->blas) {
      destroy_structure(context->device, entry.structure);
      release_rt_buffer(context->device, entry.buffer);
    }
    context->blas.clear();
    context->tlas_stale = context->tlas != VK_NULL_HANDLE;
  }
  const bool built = build_geometry_structures(context);
  // Instances name their BLAS by index: they follow the new structures; one
  // whose BLAS was not built again names none (the TLAS build refuses it).
  for (size_t i = 0; i < context->instances.size(); ++i) {
    const uint32_t blas = context->instance_blas[i];
    context->instances[i].accelerationStructureReference =
        blas < context->blas.size() ? context->blas[blas].address : 0;
  }
  return built;
}

// One BLAS per geometry of the context, appended in geometry order.
bool VulkanPLugin::build_geometry_structures(VkRayTracingContext* context) {
  VkDeviceRecord* device = context->device;
  VkFunctionTable& fn = device->functions;
  for (tvc::GeometryCore* geometry : context->geometries) {
    VkMeshRecord* mesh = mesh_record(geometry);
    if (!mesh || mesh->device_vertex_buffer == VK_NULL_HANDLE || mesh->device_index_buffer == VK_NULL_HANDLE) {
      tracef_error("vk_raytracing_build_blas - a geometry has no vertex or index buffer.");
      return false;
    }
    VkBufferDeviceAddressInfo address{};
    address.sType = VK_STRUCTURE_TYPE_BUFFER_DEVICE_ADDRESS_INFO;
    address.buffer = mesh->device_vertex_buffer;
    const VkDeviceAddress vertices = fn.vkGetBufferDeviceAddressKHR(device->device, &address);
    address.buffer = mesh->device_index_buffer;
    const VkDeviceAddress indices = fn.vkGetBufferDeviceAddressKHR(device->device, &address);

    VkAccelerationStructureGeometryKHR shape{};
    shape.sType = VK_STRUCTURE_TYPE_ACCELERATION_STRUCTURE_GEOMETRY_KHR;
    shape.geometryType = VK_GEOMETRY_TYPE_TRIANGLES_KHR;
    shape.flags = VK_GEOMETRY_OPAQUE_BIT_KHR;
    VkAccelerationStructureGeometryTrianglesDataKHR& t = shape.geometry.triangles;
    t.sType = VK_STRUCTURE_TYPE_ACCELERATION_STRUCTURE_GEOMETRY_TRIANGLES_DATA_KHR;
    t.vertexFormat = VK_FORMAT_R32G32B32A32_SFLOAT;
    t.vertexData.deviceAddress = vertices;
    t.vertexStride = geometry->interleaved ? 64 : 0;
    t.maxVertex = geometry->vertex_count;
    t.indexType = geometry->index_size == 16 ? VK_INDEX_TYPE_UINT16 : VK_INDEX_TYPE_UINT32;
    t.indexData.deviceAddress = indices;

    VkAccelerationStructureBuildGeometryInfoKHR build{};
    build.sType = VK_STRUCTURE_TYPE_ACCELERATION_STRUCTURE_BUILD_GEOMETRY_INFO_KHR;
    build.type = VK_ACCELERATION_STRUCTURE_TYPE_BOTTOM_LEVEL_KHR;
    build.flags = VK_BUILD_ACCELERATION_STRUCTURE_PREFER_FAST_TRACE_BIT_KHR;
    build.mode = VK_BUILD_ACCELERATION_STRUCTURE_MODE_BUILD_KHR;
    build.geometryCount = 1;
    build.pGeometries = &shape;
    const uint32_t triangles = geometry->face_count;
    VkAccelerationStructureBuildSizesInfoKHR sizes{};
    sizes.sType = VK_STRUCTURE_TYPE_ACCELERATION_STRUCTURE_BUILD_SIZES_INFO_KHR;
    fn.vkGetAccelerationStructureBuildSizesKHR(device->device, VK_ACCELERATION_STRUCTURE_BUILD_TYPE_DEVICE_KHR, &build,
                                               &triangles, &sizes);
    BlasEntry entry;
    VkResult result = VK_SUCCESS;
    if (!create_structure(context->gpu_record, device, VK_ACCELERATION_STRUCTURE_TYPE_BOTTOM_LEVEL_KHR,
                          sizes.accelerationStructureSize, &entry.structure, &entry.buffer, &result)) {
      tracef_error("vk_raytracing_build_blas - acceleration structure creation failed - err: %s.",
                   vk_result_to_string(result));
      return false;
    }
    RtBufferRecord* scratch = create_rt_buffer(context->gpu_record, device, scratch_room(context, sizes.buildScratchSize),
                                               kScratchUsage, VK_MEMORY_PROPERTY_DEVICE_LOCAL_BIT);
    VkCommandBuffer commands = scratch ? begin_one_time_commands(device, true) : nullptr;
    bool built = false;
    if (commands) {
      build.dstAccelerationStructure = entry.structure;
      build.scratchData.deviceAddress = scratch_address(context, scratch);
      VkAccelerationStructureBuildRangeInfoKHR range{triangles, 0, 0, 0};
      const VkAccelerationStructureBuildRangeInfoKHR* ranges = &range;
      fn.vkCmdBuildAccelerationStructuresKHR(commands, 1, &build, &ranges);
      VkMemoryBarrier barrier{};
      barrier.sType = VK_STRUCTURE_TYPE_MEMORY_BARRIER;
      barrier.srcAccessMask = VK_ACCESS_ACCELERATION_STRUCTURE_WRITE_BIT_KHR;
      barrier.dstAccessMask = VK_ACCESS_ACCELERATION_STRUCTURE_READ_BIT_KHR;
      fn.vkCmdPipelineBarrier(commands, VK_PIPELINE_STAGE_ACCELERATION_STRUCTURE_BUILD_BIT_KHR,
                              VK_PIPELINE_STAGE_ACCELERATION_STRUCTURE_BUILD_BIT_KHR, 0, 1, &barrier, 0, nullptr, 0,
                              nullptr);
      built = end_one_time_commands(device, commands);
    }
    release_rt_buffer(device, scratch);
    if (!built) {
      destroy_structure(device, entry.structure);
      release_rt_buffer(device, entry.buffer);
      tracef_error("vk_raytracing_build_blas - the build could not run.");
      return false;
    }
    VkAccelerationStructureDeviceAddressInfoKHR where{};
    where.sType = VK_STRUCTURE_TYPE_ACCELERATION_STRUCTURE_DEVICE_ADDRESS_INFO_KHR;
    where.accelerationStructure = entry.structure;
    entry.address = fn.vkGetAccelerationStructureDeviceAddressKHR(device->device, &where);
    context->blas.push_back(entry);
  }
  return true;
}

int VulkanPLugin::vk_raytracing_add_instance(int index, const tvc::mat4* transform, int blas, unsigned hit_group_offset,
                                             unsigned mask) {
  VkRayTracingContext* context = raytracing_context(index, "vk_raytracing_add_instance");
  if (!context) return -1;
  if (!transform || blas < 0 || static_cast<size_t>(blas) >= context->blas.size()) {
    tracef_error("vk_raytracing_add_instance - BLAS %d does not exist (%u built).", blas,
                 static_cast<unsigned>(context->blas.size()));
    return -1;
  }
  VkAccelerationStructureInstanceKHR instance{};
  instance.transform = instance_transform(transform);
  instance.instanceCustomIndex = static_cast<uint32_t>(context->instances.size()) & 0xFFFFFF;
  instance.mask = mask & 0xFF;
  instance.instanceShaderBindingTableRecordOffset = hit_group_offset & 0xFFFFFF;
  instance.flags = VK_GEOMETRY_INSTANCE_TRIANGLE_FACING_CULL_DISABLE_BIT_KHR;
  instance.accelerationStructureReference = context->blas[blas].address;
  context->instances.push_back(instance);
  context->instance_blas.push_back(static_cast<uint32_t>(blas));
  return static_cast<int>(context->instances.size()) - 1;
}

bool VulkanPLugin::vk_raytracing_update_instance(int index, int instance, const tvc::mat4* transform) {
  VkRayTracingContext* context = raytracing_context(index, "vk_raytracing_update_instance");
  if (!context) return false;
  if (!transform || instance < 0 || static_cast<size_t>(instance) >= context->instances.size()) {
    tracef_error("vk_raytracing_update_instance - instance %d does not exist.", instance);
    return false;
  }
  context->instances[instance].transform = instance_transform(transform);
  return true;
}

bool VulkanPLugin::vk_raytracing_update_instance_buffer(int index) {
  VkRayTracingContext* context = raytracing_context(index, "vk_raytracing_update_instance_buffer");
  if (!context) return false;
  const VkDeviceSize size = context->instances.size() * sizeof(VkAccelerationStructureInstanceKHR);
  // Instances added since the buffer was made do not fit: the next TLAS
  // build grows it.
  if (!context->instance_buffer || size == 0 || size > context->instance_buffer->requested_size) {
    tracef_error("vk_raytracing_update_instance_buffer - the instance buffer holds no room for %u instances.",
                 static_cast<unsigned>(context->instances.size()));
    return false;
  }
  return write_rt_buffer(context->device, context->instance_buffer, context->instances.data(), size);
}

bool VulkanPLugin::vk_raytracing_build_tlas(int index, bool update) {
  VkRayTracingContext* context = raytracing_context(index, "vk_raytracing_build_tlas");
  if (!context) return false;
  VkDeviceRecord* device = context->device;
  VkFunctionTable& fn = device->functions;
  const uint32_t count = static_cast<uint32_t>(context->instances.size());
  const VkDeviceSize size = count * sizeof(VkAccelerationStructureInstanceKHR);
  if (count == 0) {
    tracef_error("vk_raytracing_build_tlas - no instances.");
    return false;
  }
  for (uint32_t i = 0; i < count; ++i) {
    if (context->instance_blas[i] < context->blas.size()) continue;
    tracef_error("vk_raytracing_build_tlas - instance %u names BLAS %u, which is not built.", i,
                 context->instance_blas[i]);
    return false;
  }
  // A TLAS over destroyed BLASes, over another instance count or whose last
  // build failed is built anew, not updated; one in use is replaced only once
  // no work can still trace through it.
  update = update && context->tlas != VK_NULL_HANDLE && !context->tlas_stale && context->tlas_count == count;
  const bool replacing = !update && context->tlas != VK_NULL_HANDLE;
  if (replacing && !idle_before_replacing(device)) {
    tracef_error("vk_raytracing_build_tlas - a command buffer of the device is recording: the structures in use stay.");
    return false;
  }
  // The instance buffer grows with the instance list.
  if (context->instance_buffer && context->instance_buffer->requested_size < size)
    release_rt_buffer(device, context->instance_buffer);
  if (!context->instance_buffer)
    context->instance_buffer = create_rt_buffer(context->gpu_record, device, size, kInstanceUsage, kHostMemory);
  if (!write_rt_buffer(device, context->instance_buffer, context->instances.data(), size)) {
    tracef_error("vk_raytracing_build_tlas - the instance buffer could not be written.");
    return false;
  }
  context->tlas_count = 0;  // until this build has run
  VkAccelerationStructureGeometryKHR shape{};
  shape.sType = VK_STRUCTURE_TYPE_ACCELERATION_STRUCTURE_GEOMETRY_KHR;
  shape.geometryType = VK_GEOMETRY_TYPE_INSTANCES_KHR;
  shape.flags = VK_GEOMETRY_OPAQUE_BIT_KHR;
  shape.geometry.instances.sType = VK_STRUCTURE_TYPE_ACCELERATION_STRUCTURE_GEOMETRY_INSTANCES_DATA_KHR;
  shape.geometry.instances.arrayOfPointers = VK_FALSE;
  shape.geometry.instances.data.deviceAddress = context->instance_buffer->address;
  VkAccelerationStructureBuildGeometryInfoKHR build{};
  build.sType = VK_STRUCTURE_TYPE_ACCELERATION_STRUCTURE_BUILD_GEOMETRY_INFO_KHR;
  build.type = VK_ACCELERATION_STRUCTURE_TYPE_TOP_LEVEL_KHR;
  // The same flags for the size query and the build, which may be updated.
  build.flags = VK_BUILD_ACCELERATION_STRUCTURE_ALLOW_UPDATE_BIT_KHR |
                VK_BUILD_ACCELERATION_STRUCTURE_PREFER_FAST_TRACE_BIT_KHR;
  build.mode = VK_BUILD_ACCELERATION_STRUCTURE_MODE_BUILD_KHR;
  build.geometryCount = 1;
  build.pGeometries = &shape;
  VkAccelerationStructureBuildSizesInfoKHR sizes{};
  sizes.sType = VK_STRUCTURE_TYPE_ACCELERATION_STRUCTURE_BUILD_SIZES_INFO_KHR;
  fn.vkGetAccelerationStructureBuildSizesKHR(device->device, VK_ACCELERATION_STRUCTURE_BUILD_TYPE_DEVICE_KHR, &build,
                                             &count, &sizes);
  if (!update) {
    VkAccelerationStructureKHR tlas = VK_NULL_HANDLE;
    RtBufferRecord* buffer = nullptr;
    VkResult result = VK_SUCCESS;
    if (!create_structure(context->gpu_record, device, VK_ACCELERATION_STRUCTURE_TYPE_TOP_LEVEL_KHR,
                          sizes.accelerationStructureSize, &tlas, &buffer, &result)) {
      tracef_error("vk_raytracing_build_tlas - acceleration structure creation failed - err: %s.",
                   vk_result_to_string(result));
      return false;
    }
    destroy_structure(device, context->tlas);
    release_rt_buffer(device, context->tlas_buffer);
    context->tlas = tlas;
    context->tlas_buffer = buffer;
    context->tlas_stale = false;
    refresh_structure_bindings(context, replacing);
  }
  const VkDeviceSize scratch_size =
      scratch_room(context, update ? std::max(sizes.updateScratchSize, sizes.buildScratchSize) : sizes.buildScratchSize);
  if (context->scratch_buffer && context->scratch_buffer->requested_size < scratch_size)
    release_rt_buffer(device, context->scratch_buffer);
  if (!context->scratch_buffer)
    context->scratch_buffer = create_rt_buffer(context->gpu_record, device, scratch_size, kScratchUsage,
                                               VK_MEMORY_PROPERTY_DEVICE_LOCAL_BIT);
  VkCommandBuffer commands = context->scratch_buffer ? begin_one_time_commands(device, true) : nullptr;
  if (!commands) {
    tracef_error("vk_raytracing_build_tlas - no scratch buffer or command buffer for the build.");
    return false;
  }
  build.mode = update ? VK_BUILD_ACCELERATION_STRUCTURE_MODE_UPDATE_KHR : VK_BUILD_ACCELERATION_STRUCTURE_MODE_BUILD_KHR;
  build.srcAccelerationStructure = update ? context->tlas : VK_NULL_HANDLE;
  build.dstAccelerationStructure = context->tlas;
  build.scratchData.deviceAddress = scratch_address(context, context->scratch_buffer);
  VkAccelerationStructureBuildRangeInfoKHR range{count, 0, 0, 0};
  const VkAccelerationStructureBuildRangeInfoKHR* ranges = &range;
  build_barrier(device, commands, VK_ACCESS_TRANSFER_WRITE_BIT, VK_ACCESS_ACCELERATION_STRUCTURE_WRITE_BIT_KHR,
                VK_PIPELINE_STAGE_TRANSFER_BIT);
  fn.vkCmdBuildAccelerationStructuresKHR(commands, 1, &build, &ranges);
  if (!end_one_time_commands(device, commands)) return false;
  context->tlas_count = count;
  return true;
}

// ---- pipeline, binding table and trace

bool VulkanPLugin::vk_raytracing_create_pipeline(int index, tvc::GpuPipelineStateData* state, int set_id, int) {
  VkPipelineRecord* record = pipeline_record(state);
  VkRayTracingContext* context = raytracing_context(index, "vk_raytracing_create_pipeline");
  if (!record || !context) return false;
  VkDescriptorSetRecord* set = descriptorset_lookup(set_id);
  if (!set) {
    tracef_error("pipeline object (%s) - descriptor set is invalid. Pipeline build failed.", state->name);
    return false;
  }
  if (set->pipeline_layout == VK_NULL_HANDLE) {
    tracef_error("pipeline object (%s) - descriptorset has an invalid pipeline layout. Pipeline build failed.",
                 state->name);
    return false;
  }
  tvc::GpuProgramData* program = state->program;
  if (!program || program->module_count == 0) {
    tracef_error("pipeline object (%s) - no GPU program. Pipeline build failed.", state->name);
    return false;
  }
  // Stages of the ray-tracing modules in module order; every group names
  // the stage of its own module, whatever the order of the modules.
  std::vector<VkPipelineShaderStageCreateInfo> stages;
  std::vector<int> stage_of_module(program->module_count, -1);
  for (int m = 0; m < program->module_count; ++m) {
    const tvc::GpuProgramVkShaderModule& module = program->modules[m];
    const int kind = module.shader_type;
    if (kind < kRaygen || kind > kIntersection) continue;
    static const VkShaderStageFlagBits kStage[] = {VK_SHADER_STAGE_RAYGEN_BIT_KHR, VK_SHADER_STAGE_ANY_HIT_BIT_KHR,
                                                   VK_SHADER_STAGE_CLOSEST_HIT_BIT_KHR, VK_SHADER_STAGE_MISS_BIT_KHR,
                                                   VK_SHADER_STAGE_INTERSECTION_BIT_KHR};
    VkPipelineShaderStageCreateInfo stage{};
    stage.sType = VK_STRUCTURE_TYPE_PIPELINE_SHADER_STAGE_CREATE_INFO;
    stage.stage = kStage[kind - kRaygen];
    stage.module = (VkShaderModule)(module.module);
    stage.pName = module.entry_point[0] ? module.entry_point : "main";
    stage_of_module[m] = static_cast<int>(stages.size());
    stages.push_back(stage);
  }
  std::vector<VkRayTracingShaderGroupCreateInfoKHR> groups;
  for (int kind : {kRaygen, kMiss, kClosestHit, kAnyHit, kIntersection}) {
    for (int m = 0; m < program->module_count; ++m) {
      if (program->modules[m].shader_type != kind) continue;
      VkRayTracingShaderGroupCreateInfoKHR group{};
      group.sType = VK_STRUCTURE_TYPE_RAY_TRACING_SHADER_GROUP_CREATE_INFO_KHR;
      group.type = VK_RAY_TRACING_SHADER_GROUP_TYPE_TRIANGLES_HIT_GROUP_KHR;
      group.generalShader = group.closestHitShader = group.anyHitShader = group.intersectionShader =
          VK_SHADER_UNUSED_KHR;
      const uint32_t stage = static_cast<uint32_t>(stage_of_module[m]);
      if (kind == kRaygen || kind == kMiss) {
        group.type = VK_RAY_TRACING_SHADER_GROUP_TYPE_GENERAL_KHR;
        group.generalShader = stage;
      } else if (kind == kClosestHit) {
        group.closestHitShader = stage;
      } else if (kind == kAnyHit) {
        group.anyHitShader = stage;
      } else {
        group.type = VK_RAY_TRACING_SHADER_GROUP_TYPE_PROCEDURAL_HIT_GROUP_KHR;
        group.intersectionShader = stage;
      }
      groups.push_back(group);
    }
  }
  if (stages.empty()) {
    tracef_error("pipeline object (%s) - the GPU program has no ray-tracing module. Pipeline build failed.",
                 state->name);
    return false;
  }
  VkRayTracingPipelineCreateInfoKHR info{};
  info.sType = VK_STRUCTURE_TYPE_RAY_TRACING_PIPELINE_CREATE_INFO_KHR;
  info.stageCount = static_cast<uint32_t>(stages.size());
  info.pStages = stages.data();
  info.groupCount = static_cast<uint32_t>(groups.size());
  info.pGroups = groups.data();
  info.maxPipelineRayRecursionDepth = context->recursion_depth;
  info.layout = set->pipeline_layout;
  VkDeviceRecord* device = context->device;
  // Made again, the pipeline replaces the one before once no work can still
  // use that.
  if (record->pipeline != VK_NULL_HANDLE && !idle_before_replacing(device)) {
    tracef_error("raytracing pipeline (%s) - a command buffer of the device is recording. Pipeline build failed.",
                 state->name);
    return false;
  }
  VkPipeline pipeline = VK_NULL_HANDLE;
  const VkResult result = device->functions.vkCreateRayTracingPipelinesKHR(device->device, VK_NULL_HANDLE,
                                                                           VK_NULL_HANDLE, 1, &info, nullptr, &pipeline);
  if (result != VK_SUCCESS) {
    tracef_error("raytracing pipeline (%s) creation failed (err: %s).", state->name, vk_result_to_string(result));
    return false;
  }
  if (record->pipeline != VK_NULL_HANDLE) device->functions.vkDestroyPipeline(device->device, record->pipeline, nullptr);
  record->pipeline = pipeline;
  record->raytracing = true;
  return true;
}

bool VulkanPLugin::vk_raytracing_bind_pipeline(tvc::GpuCommandList* list, tvc::GpuPipelineStateData* state) {
  VkPipelineRecord* record = pipeline_record(state);
  if (!record) {
    tracef_error("vk_raytracing_bind_pipeline - no pipeline state.");
    return false;
  }
  if (!record->raytracing) {
    tracef_error("%s is a graphics pipeline, raytracing pipeline expected. Bound failed.", state->name);
    return false;
  }
  if (record->pipeline == VK_NULL_HANDLE) {
    tracef_error("%s is an invalid raytracing pipeline. Bound failed.", state->name);
    return false;
  }
  VkDeviceRecord* device = object_owner(state->id);
  VkCommandBuffer commands = recording_buffer(list, device);
  if (!device || !commands) {
    tracef_error("vk_raytracing_bind_pipeline - nothing is recording.");
    return false;
  }
  device->functions.vkCmdBindPipeline(commands, VK_PIPELINE_BIND_POINT_RAY_TRACING_KHR, record->pipeline);
  return true;
}

bool VulkanPLugin::vk_raytracing_create_output_image(int index, unsigned width, unsigned height, int format) {
  VkRayTracingContext* context = raytracing_context(index, "vk_raytracing_create_output_image");
  if (!context) return false;
  VkStorageImageRecord& image = context->output_image;
  if (image.view != VK_NULL_HANDLE && static_cast<unsigned>(image.width) == width &&
      static_cast<unsigned>(image.height) == height)
    return true;
  // The old image goes once no work can still write it: while a command
  // buffer of the device is recording (it may have bound a set that names
  // the old view) the replacement is refused and the old image stays; else
  // the device is waited idle first. The new one is made before the old one
  // goes, so that a failure leaves it as it was.
  if ((image.view != VK_NULL_HANDLE || image.image != VK_NULL_HANDLE) && !idle_before_replacing(context->device)) {
    tracef_error("vk_raytracing_create_output_image - a command buffer of the device is recording: the output image "
                 "stays.");
    return false;
  }
  VkStorageImageRecord made;
  made.id = image.id;
  if (!storage_image_create_objects(context->device, context->gpu_record, width, height, format, &made)) return false;
  const VkImageView old_view = image.view;
  storage_image_release_objects(&image);
  image = made;
  // The sets that bind the old view are written with the new one at their
  // next update.
  for (VkDescriptorSetRecord* set : context->device->descriptor_sets)
    for (VkDescriptorBindingRecord* b : set->bindings) {
      if (old_view == VK_NULL_HANDLE || b->type != VK_DESCRIPTOR_TYPE_STORAGE_IMAGE || b->image_info.imageView != old_view)
        continue;
      b->image_info.imageView = image.view;
      set->dirty = true;
    }
  return true;
}

bool VulkanPLugin::vk_raytracing_build_sbt(int index, tvc::GpuPipelineStateData* state) {
  VkPipelineRecord* record = pipeline_record(state);
  VkRayTracingContext* context = raytracing_context(index, "vk_raytracing_build_sbt");
  if (!record || !context) return false;
  if (!record->raytracing || record->pipeline == VK_NULL_HANDLE || !state->program) {
    tracef_error("vk_raytracing_build_sbt - %s has no raytracing pipeline.", state->name);
    return false;
  }
  uint32_t counts[5] = {0, 0, 0, 0, 0};  // by kind, raygen first
  const tvc::GpuProgramData* program = state->program;
  for (int m = 0; m < program->module_count; ++m) {
    const int kind = program->modules[m].shader_type;
    if (kind >= kRaygen && kind <= kIntersection) ++counts[kind - kRaygen];
  }
  const uint32_t raygen = counts[0], any_hit = counts[1], closest_hit = counts[2], miss = counts[3],
                 intersection = counts[4];
  const VkGpuRecord* gpu = context->gpu_record;
  const uint32_t handle_size = context->pipeline_properties.shaderGroupHandleSize;
  const SbtLayout l = sbt_layout(handle_size, gpu->raytracing_pipeline_properties.shaderGroupHandleAlignment,
                                 gpu->raytracing_pipeline_properties.shaderGroupBaseAlignment, raygen, miss,
                                 closest_hit, any_hit, intersection);
  const VkDeviceSize total = l.raygen_size + l.miss_size + l.hit_size;
  if (handle_size == 0 || l.group_count == 0 || total == 0) {
    tracef_error("vk_raytracing_build_sbt - no shader groups or handle size.");
    return false;
  }
  VkDeviceRecord* device = context->device;
  std::vector<uint8_t> handles(static_cast<size_t>(handle_size) * l.group_count, 0);
  const VkResult result = device->functions.vkGetRayTracingShaderGroupHandlesKHR(
      device->device, record->pipeline, 0, l.group_count, handles.size(), handles.data());
  if (result != VK_SUCCESS) {
    tracef_error("vk_raytracing_build_sbt - shader group handles not available - err: %s.",
                 vk_result_to_string(result));
    return false;
  }
  release_rt_buffer(device, context->sbt_buffer);
  context->sbt_buffer = create_rt_buffer(gpu, device, total, kSbtUsage, kHostMemory);
  std::vector<uint8_t> table(static_cast<size_t>(total), 0);
  auto place = [&](VkDeviceSize base, uint32_t first_group, uint32_t count) {
    for (uint32_t k = 0; k < count; ++k)
      memcpy(&table[static_cast<size_t>(base + static_cast<VkDeviceSize>(k) * l.aligned_handle)],
             &handles[static_cast<size_t>(first_group + k) * handle_size], handle_size);
  };
  place(0, 0, l.raygen_count);
  place(l.raygen_size, raygen, l.miss_count);
  place(l.raygen_size + l.miss_size, raygen + miss, l.hit_count);
  if (!write_rt_buffer(device, context->sbt_buffer, table.data(), total)) {
    tracef_error("vk_raytracing_build_sbt - the binding table could not be written.");
    return false;
  }
  const VkDeviceAddress address = context->sbt_buffer->address;
  context->raygen_region = {address, l.aligned_handle, static_cast<VkDeviceSize>(l.aligned_handle) * l.raygen_count};
  context->miss_region = {address + l.raygen_size, l.aligned_handle,
                          static_cast<VkDeviceSize>(l.aligned_handle) * l.miss_count};
  context->hit_region = {address + l.raygen_size + l.miss_size, l.aligned_handle,
                         static_cast<VkDeviceSize>(l.aligned_handle) * l.hit_count};
  context->program = state->program;
  return true;
}

bool VulkanPLugin::vk_raytracing_trace_rays(tvc::GpuCommandList* list, int index, unsigned width, unsigned height, int,
                                            int) {
  VkRayTracingContext* context = raytracing_context(index, "vk_raytracing_trace_rays");
  if (!context) return false;
  VkCommandBuffer commands = recording_buffer(list, context->device);
  if (!commands || !context->sbt_buffer) {
    tracef_error("vk_raytracing_trace_rays - %s.", commands ? "no shader binding table" : "nothing is recording");
    return false;
  }
  if (context->tlas_stale) {
    tracef_error("vk_raytracing_trace_rays - the TLAS was built over BLASes since rebuilt: build the TLAS again.");
    return false;
  }
  const VkStridedDeviceAddressRegionKHR callable{};
  context->device->functions.vkCmdTraceRaysKHR(commands, &context->raygen_region, &context->miss_region,
                                               &context->hit_region, &callable, width, height, 1);
  return true;
}
