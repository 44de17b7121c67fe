// GPU initialisation: queue families, the logical device, depth buffer,
// render passes, device semaphores and fences; their release.
#include "vk_device.h"
#include "vk_generation.h"
#include "vk_names.h"
#include "vk_resources.h"

#include <cstring>

namespace {

const char* const kDriverIdNames[] = {"VK_DRIVER_ID_NULL",
                                      "VK_DRIVER_ID_AMD_PROPRIETARY_KHR",
                                      "VK_DRIVER_ID_AMD_OPEN_SOURCE_KHR",
                                      "VK_DRIVER_ID_MESA_RADV_KHR",
                                      "VK_DRIVER_ID_NVIDIA_PROPRIETARY_KHR",
                                      "VK_DRIVER_ID_INTEL_PROPRIETARY_WINDOWS_KHR",
                                      "VK_DRIVER_ID_INTEL_OPEN_SOURCE_MESA_KHR",
                                      "VK_DRIVER_ID_IMAGINATION_PROPRIETARY_KHR",
                                      "VK_DRIVER_ID_QUALCOMM_PROPRIETARY_KHR",
                                      "VK_DRIVER_ID_ARM_PROPRIETARY_KHR"};

}  // namespace

const char* driver_id_name(uint32_t driver_id) {
  return driver_id < sizeof(kDriverIdNames) / sizeof(kDriverIdNames[0]) ? kDriverIdNames[driver_id]
                                                                        : "VK_DRIVER_ID_UNKNOWN";
}

VkDeviceRecord::VkDeviceRecord() {
  reset_function_table(functions);
  submit_info.sType = VK_STRUCTURE_TYPE_SUBMIT_INFO;
}

VkDeviceRecord* VulkanPLugin::device_of(tvc::RendererGpu* gpu) {
  VkGpuRecord* record = gpu_record(gpu ? gpu : current_gpu);
  return record ? record->current_device : nullptr;
}

// ---- slots

bool VulkanPLugin::gpu_initialize(tvc::RendererGpu* gpu, tvc::RenderWindow* window) {
  VkGpuRecord* record = gpu_record(gpu);
  if (!record) return false;
  if (record->initialized) return true;
  tracef("--- initializing GPU %d...", record->index);

  // Without the queue families there is nothing to create a device for.
  if (!find_queue_family(record, window)) return false;

  bool made_device = false;
  if (!record->current_device) {
    VkDeviceRecord* device = new VkDeviceRecord;
    if (create_logical_device(record, device)) {
      record->devices.push_back(device);
      device->gpu_index = record->index;
      device->gpu = record;
      record->current_device = device;
      made_device = true;
    } else {
      delete device;
    }
  }
  // Stopped here without a device: going on would reach the swapchain's
  // creation with none.
  VkDeviceRecord* device = record->current_device;
  if (!device) return false;

  if (window) {
    // Every step of the window path must succeed: a half-built device is
    // released here, as nothing else would release it.
    const VkSwapchainRecord* swapchain = create_swapchain(record, device, window);
    bool ok = swapchain != nullptr;
    if (!ok) tracef_error("unable to create the swapchain for GPU %d.", record->index);
    // The swapchain's images may be clamped to the surface's limits: what is
    // drawn into them takes their size, not the window's.
    ok = ok && vk_depth_buffer_init(record, device, swapchain->width, swapchain->height);
    ok = ok && vk_render_pass_init(device);
    ok = ok && init_swapchain_frames(device, swapchain->width, swapchain->height);
    ok = ok && create_device_semaphores(device);
    for (int i = 0; ok && i < kDeviceFenceCount; ++i) {
      VkFenceCreateInfo info{};
      info.sType = VK_STRUCTURE_TYPE_FENCE_CREATE_INFO;
      info.flags = VK_FENCE_CREATE_SIGNALED_BIT;
      ok = device->functions.vkCreateFence(device->device, &info, nullptr, &device->fences[i]) == VK_SUCCESS;
    }
    if (!ok) {
      if (made_device) release_device(record, device, window);
      return false;
    }
  }
  record->initialized = true;
  tracef("--- GPU %d initialized ok", record->index);
  return true;
}

bool VulkanPLugin::gpu_cleanup(tvc::RendererGpu* gpu, tvc::RenderWindow* window) {
  VkGpuRecord* record = gpu_record(gpu);
  if (!record) return false;
  if (!record->initialized) return true;
  for (GpuLimitEntry* entry : record->limit_registry) delete entry;
  record->limit_registry.clear();
  for (GpuFeatureEntry* entry : record->feature_registry) delete entry;
  record->feature_registry.clear();
  if (record->current_device) release_device(record, record->current_device, window);
  record->initialized = false;
  return true;
}

bool VulkanPLugin::wait_for_gpu(tvc::RendererGpu* gpu) {
  VkGpuRecord* record = gpu_record(gpu);
  if (!record) return false;
  VkResult result = VK_NOT_READY;
  VkDeviceRecord* device = record->current_device;
  if (device && device->device) {
    result = wait_device_idle(device);
    if (result == VK_SUCCESS) return true;
  }
  tracef_error("wait_for_gpu failed - GPU: %s - err: %s.", record->name.c_str(), vk_result_to_string(result));
  return false;
}

bool VulkanPLugin::gpu_is_device_extension_supported(tvc::RendererGpu* gpu, const char* name) {
  VkGpuRecord* record = gpu_record(gpu ? gpu : current_gpu);
  return record && name && offered(record->device_extension_names, name);
}

// ---- queue families and the logical device

bool VulkanPLugin::find_queue_family(VkGpuRecord* record, tvc::RenderWindow* window) {
  if (!record || !record->physical_device) return false;
  VkFunctionTable& fn = record->functions;
  if (!fn.vkGetPhysicalDeviceQueueFamilyProperties) return false;
  if (fn.vkGetPhysicalDeviceProperties) fn.vkGetPhysicalDeviceProperties(record->physical_device, &record->properties);
  if (fn.vkGetPhysicalDeviceMemoryProperties)
    fn.vkGetPhysicalDeviceMemoryProperties(record->physical_device, &record->memory_properties);
  if (record->memory_properties.memoryTypeCount > VK_MAX_MEMORY_TYPES)
    record->memory_properties.memoryTypeCount = VK_MAX_MEMORY_TYPES;

  uint32_t count = 0;
  fn.vkGetPhysicalDeviceQueueFamilyProperties(record->physical_device, &count, nullptr);
  if (count < 1) return false;
  const uint32_t kMaxFamilies = 64;
  if (count > kMaxFamilies) count = kMaxFamilies;
  delete[] record->queue_family_properties;
  record->queue_family_properties = new VkQueueFamilyProperties[count]();
  fn.vkGetPhysicalDeviceQueueFamilyProperties(record->physical_device, &count, record->queue_family_properties);
  if (count > kMaxFamilies) count = kMaxFamilies;
  record->queue_family_count = count;

  VkSurfaceRecord* surface = window ? surface_record(window) : nullptr;
  if (window && surface && surface->surface == VK_NULL_HANDLE) create_surface(window);
  const bool have_surface = surface && surface->surface != VK_NULL_HANDLE;

  int32_t graphics = -1, present = -1;
  for (uint32_t i = 0; i < count; ++i) {
    VkBool32 supports = VK_FALSE;
    if (have_surface && fn.vkGetPhysicalDeviceSurfaceSupportKHR &&
        fn.vkGetPhysicalDeviceSurfaceSupportKHR(record->physical_device, i, surface->surface, &supports) !=
            VK_SUCCESS)
      supports = VK_FALSE;
    const bool is_graphics = (record->queue_family_properties[i].queueFlags & VK_QUEUE_GRAPHICS_BIT) != 0;
    if (is_graphics && graphics < 0) graphics = static_cast<int32_t>(i);
    if (is_graphics && supports) {
      graphics = present = static_cast<int32_t>(i);
      break;
    }
    if (supports && present < 0) present = static_cast<int32_t>(i);
  }

  if (!window) {
    // No presenting: the device only needs a graphics queue.
    if (graphics < 0) {
      tracef_error("could not find a graphics queue for GPU %d. Initialization of GPU %d failed.", record->index,
                   record->index);
      return false;
    }
    record->graphics_queue_family = graphics;
    record->present_queue_family = graphics;
    return true;
  }
  if (have_surface) {
    if (graphics < 0 || present < 0) {
      tracef_error("could not find a graphics or a present queue for GPU %d. Initialization of GPU %d failed.",
                   record->index, record->index);
      return false;
    }
  } else if (graphics < 0) {
    tracef_error("could not find a graphics queue for GPU %d. Initialization of GPU %d failed.", record->index,
                 record->index);
    return false;
  }
  record->graphics_queue_family = graphics;
  record->present_queue_family = present;
  return true;
}

bool VulkanPLugin::create_logical_device(VkGpuRecord* record, VkDeviceRecord* device) {
  if (!record || !device || !record->functions.vkCreateDevice || record->graphics_queue_family < 0) return false;
  const std::vector<std::string>& extensions_offered = record->device_extension_names;

  UniqueNameList extensions;
  const generation::NameTable asked = generation::device_extensions();
  for (size_t i = 0; i < asked.count; ++i)
    if (offered(extensions_offered, asked.names[i])) extensions.add(asked.names[i]);
  UniqueNameList layers;
  for (const RequestedName* r : requested_device_layers)
    if ((r->gpu_index == -1 || r->gpu_index == record->index) && offered(record->device_layer_names, r->name.c_str()))
      layers.add(r->name.c_str());
  for (const RequestedName* r : requested_device_extensions)
    if ((r->gpu_index == -1 || r->gpu_index == record->index) && offered(extensions_offered, r->name.c_str()))
      extensions.add(r->name.c_str());

  VkPhysicalDeviceFeatures2 features2{};
  features2.sType = VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_FEATURES_2;
  features2.features = record->features;
  void** tail = &features2.pNext;
  VkPhysicalDeviceMeshShaderFeaturesNV mesh{};
  mesh.sType = VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_MESH_SHADER_FEATURES_NV;
  if (offered(extensions_offered, "VK_NV_mesh_shader")) {
    extensions.add("VK_NV_mesh_shader");
    mesh.taskShader = VK_TRUE;
    mesh.meshShader = VK_TRUE;
    *tail = &mesh;
    tail = &mesh.pNext;
  }
  VkPhysicalDeviceAccelerationStructureFeaturesKHR acceleration{};
  acceleration.sType = VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_ACCELERATION_STRUCTURE_FEATURES_KHR;
  VkPhysicalDeviceRayTracingPipelineFeaturesKHR ray_tracing{};
  ray_tracing.sType = VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_RAY_TRACING_PIPELINE_FEATURES_KHR;
  VkPhysicalDeviceBufferDeviceAddressFeatures address{};
  address.sType = VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_BUFFER_DEVICE_ADDRESS_FEATURES;
  VkPhysicalDeviceDescriptorIndexingFeatures indexing{};
  indexing.sType = VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_DESCRIPTOR_INDEXING_FEATURES;
  if (generation::enables_raytracing_features() && offered(extensions_offered, "VK_KHR_ray_tracing_pipeline")) {
    acceleration.accelerationStructure = VK_TRUE;
    ray_tracing.rayTracingPipeline = VK_TRUE;
    address.bufferDeviceAddress = VK_TRUE;
    indexing.shaderSampledImageArrayNonUniformIndexing = VK_TRUE;
    indexing.shaderStorageBufferArrayNonUniformIndexing = VK_TRUE;
    indexing.runtimeDescriptorArray = VK_TRUE;
    *tail = &acceleration;
    acceleration.pNext = &ray_tracing;
    ray_tracing.pNext = &address;
    address.pNext = &indexing;
  }

  const float priority = 0.0f;
  VkDeviceQueueCreateInfo queues[2] = {};
  uint32_t queue_count = 1;
  queues[0].sType = VK_STRUCTURE_TYPE_DEVICE_QUEUE_CREATE_INFO;
  queues[0].queueFamilyIndex = static_cast<uint32_t>(record->graphics_queue_family);
  queues[0].queueCount = 1;
  queues[0].pQueuePriorities = &priority;
  // A separate present family needs its own queue at creation.
  if (record->present_queue_family >= 0 && record->present_queue_family != record->graphics_queue_family) {
    queues[1] = queues[0];
    queues[1].queueFamilyIndex = static_cast<uint32_t>(record->present_queue_family);
    queue_count = 2;
  }

  VkDeviceCreateInfo info{};
  info.sType = VK_STRUCTURE_TYPE_DEVICE_CREATE_INFO;
  info.queueCreateInfoCount = queue_count;
  info.pQueueCreateInfos = queues;
  info.enabledLayerCount = layers.count;
  info.ppEnabledLayerNames = layers.count ? layers.names : nullptr;
  info.enabledExtensionCount = extensions.count;
  info.ppEnabledExtensionNames = extensions.count ? extensions.names : nullptr;
  // The extended feature block can only be chained where the instance
  // offers the extended queries; elsewhere the plain block is handed in.
  const bool chain = instance_record && instance_record->properties2 != Properties2Source::kNone;
  if (chain)
    info.pNext = &features2;
  else
    info.pEnabledFeatures = &features2.features;

  VkDevice handle = nullptr;
  VkResult result = record->functions.vkCreateDevice(record->physical_device, &info, nullptr, &handle);
  if (result != VK_SUCCESS || !handle) {
    tvc::LogMgr::get()->tracef_error("[Vulkan] unable to create a device (err: %s).",
                                     vk_result_to_string(result == VK_SUCCESS ? VK_ERROR_INITIALIZATION_FAILED
                                                                              : result));
    return false;
  }
  device->instance = record->instance;
  device->physical_device = record->physical_device;
  device->device = handle;
  device->functions.library = record->functions.library;
  load_global_entry_points(device->functions);
  load_instance_entry_points(device->functions, record->instance,
                             instance_record ? instance_record->properties2 : Properties2Source::kCore);
  load_device_entry_points(device->functions, record->instance, handle);
  VkFunctionTable& fn = device->functions;
  if (!fn.vkDestroyDevice || !fn.vkGetDeviceQueue || !fn.vkCreateCommandPool) {
    if (fn.vkDestroyDevice) fn.vkDestroyDevice(handle, nullptr);
    device->device = nullptr;
    tvc::LogMgr::get()->tracef_error("[Vulkan] unable to create a device (err: %s).",
                                     vk_result_to_string(VK_ERROR_INITIALIZATION_FAILED));
    return false;
  }

  device->graphics_family = static_cast<uint32_t>(record->graphics_queue_family);
  fn.vkGetDeviceQueue(handle, device->graphics_family, 0, &device->graphics_queue);
  device->present_family =
      record->present_queue_family >= 0 ? static_cast<uint32_t>(record->present_queue_family) : device->graphics_family;
  fn.vkGetDeviceQueue(handle, device->present_family, 0, &device->present_queue);

  VkCommandPoolCreateInfo pool{};
  pool.sType = VK_STRUCTURE_TYPE_COMMAND_POOL_CREATE_INFO;
  pool.flags = VK_COMMAND_POOL_CREATE_RESET_COMMAND_BUFFER_BIT;
  pool.queueFamilyIndex = device->graphics_family;
  result = fn.vkCreateCommandPool(handle, &pool, nullptr, &device->command_pool);
  if (result != VK_SUCCESS) {
    tracef_error("unable to create a command pool for a logical device (err: %s).", vk_result_to_string(result));
    device->command_pool = VK_NULL_HANDLE;
    fn.vkDestroyDevice(handle, nullptr);
    device->device = nullptr;
    return false;
  }

  VkDescriptorPoolCreateInfo descriptors{};
  descriptors.sType = VK_STRUCTURE_TYPE_DESCRIPTOR_POOL_CREATE_INFO;
  descriptors.flags = VK_DESCRIPTOR_POOL_CREATE_FREE_DESCRIPTOR_SET_BIT;
  VkDescriptorPoolSize sizes[VK_DESCRIPTOR_TYPE_INPUT_ATTACHMENT + 1];
  descriptors.poolSizeCount = generation::descriptor_pool_sizes(
      sizes, VK_DESCRIPTOR_TYPE_INPUT_ATTACHMENT + 1, extensions.contains("VK_KHR_acceleration_structure"),
      &descriptors.maxSets);
  descriptors.pPoolSizes = sizes;
  if (!fn.vkCreateDescriptorPool ||
      fn.vkCreateDescriptorPool(handle, &descriptors, nullptr, &device->descriptor_pool) != VK_SUCCESS)
    device->descriptor_pool = VK_NULL_HANDLE;

  log_device_properties(record, device);
  return true;
}

void VulkanPLugin::log_device_properties(VkGpuRecord* record, VkDeviceRecord* device) {
  PFN_vkGetPhysicalDeviceProperties2 query = device->functions.vkGetPhysicalDeviceProperties2;
  if (!query) return;
  const std::vector<std::string>& ext = record->device_extension_names;
  auto read = [&](void* block) {
    VkPhysicalDeviceProperties2 props{};
    props.sType = VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_PROPERTIES_2;
    props.pNext = block;
    query(record->physical_device, &props);
  };
  if (offered(ext, "VK_NV_ray_tracing")) {
    VkPhysicalDeviceRayTracingPropertiesNV& p = record->nv_raytracing_properties;
    p = {};
    p.sType = VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_RAY_TRACING_PROPERTIES_NV;
    read(&p);
    p.pNext = nullptr;
    tracef("- VK_NV_ray_tracing:");
    tracef("  - shaderGroupHandleSize => %lu", static_cast<unsigned long>(p.shaderGroupHandleSize));
    tracef("  - maxRecursionDepth => %lu", static_cast<unsigned long>(p.maxRecursionDepth));
    tracef("  - maxShaderGroupStride => %lu", static_cast<unsigned long>(p.maxShaderGroupStride));
    tracef("  - shaderGroupBaseAlignment => %lu", static_cast<unsigned long>(p.shaderGroupBaseAlignment));
    tracef("  - maxGeometryCount => %lu", static_cast<unsigned long>(p.maxGeometryCount));
    tracef("  - maxInstanceCount => %lu", static_cast<unsigned long>(p.maxInstanceCount));
    tracef("  - maxTriangleCount => %lu", static_cast<unsigned long>(p.maxTriangleCount));
    tracef("  - maxDescriptorSetAccelerationStructures => %lu",
           static_cast<unsigned long>(p.maxDescriptorSetAccelerationStructures));
  }
  if (offered(ext, "VK_KHR_ray_tracing_pipeline")) log_raytracing_properties(record, device);
  if (offered(ext, "VK_NV_mesh_shader")) {
    VkPhysicalDeviceMeshShaderPropertiesNV& p = record->mesh_shader_properties;
    p = {};
    p.sType = VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_MESH_SHADER_PROPERTIES_NV;
    read(&p);
    p.pNext = nullptr;
    tracef("- VK_NV_mesh_shader:");
    tracef("  - maxDrawMeshTasksCount => %d", static_cast<int>(p.maxDrawMeshTasksCount));
    tracef("  - maxTaskWorkGroupInvocations => %d", static_cast<int>(p.maxTaskWorkGroupInvocations));
    tracef("  - maxTaskWorkGroupSize => [%d;%d;%d]", static_cast<int>(p.maxTaskWorkGroupSize[0]),
           static_cast<int>(p.maxTaskWorkGroupSize[1]), static_cast<int>(p.maxTaskWorkGroupSize[2]));
    tracef("  - maxTaskTotalMemorySize => %d", static_cast<int>(p.maxTaskTotalMemorySize));
    tracef("  - maxTaskOutputCount => %d", static_cast<int>(p.maxTaskOutputCount));
    tracef("  - maxMeshWorkGroupInvocations => %d", static_cast<int>(p.maxMeshWorkGroupInvocations));
    tracef("  - maxMeshTotalMemorySize => %d", static_cast<int>(p.maxMeshTotalMemorySize));
    tracef("  - maxMeshOutputVertices => %d", static_cast<int>(p.maxMeshOutputVertices));
    tracef("  - maxMeshOutputPrimitives => %d", static_cast<int>(p.maxMeshOutputPrimitives));
    tracef("  - maxMeshMultiviewViewCount => %d", static_cast<int>(p.maxMeshMultiviewViewCount));
    tracef("  - meshOutputPerVertexGranularity => %d", static_cast<int>(p.meshOutputPerVertexGranularity));
    tracef("  - meshOutputPerPrimitiveGranularity => %d", static_cast<int>(p.meshOutputPerPrimitiveGranularity));
  }
  if (offered(ext, "VK_EXT_pci_bus_info")) {
    VkPhysicalDevicePCIBusInfoPropertiesEXT& p = record->pci_bus_info;
    p = {};
    p.sType = VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_PCI_BUS_INFO_PROPERTIES_EXT;
    read(&p);
    p.pNext = nullptr;
    tracef("- VK_EXT_pci_bus_info:");
    tracef("  - pciDomain => %d", static_cast<int>(p.pciDomain));
    tracef("  - pciBus => %d", static_cast<int>(p.pciBus));
    tracef("  - pciDevice => %d", static_cast<int>(p.pciDevice));
    tracef("  - pciFunction => %d", static_cast<int>(p.pciFunction));
  }
  if (offered(ext, "VK_KHR_driver_properties")) {
    VkPhysicalDeviceDriverPropertiesKHR& p = record->driver_properties;
    p = {};
    p.sType = VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_DRIVER_PROPERTIES;
    read(&p);
    p.pNext = nullptr;
    p.driverName[VK_MAX_DRIVER_NAME_SIZE - 1] = '\0';
    p.driverInfo[VK_MAX_DRIVER_INFO_SIZE - 1] = '\0';
    const uint32_t id = static_cast<uint32_t>(p.driverID);
    tracef("- VK_KHR_driver_properties:");
    tracef("  - driver name: %s", bounded(p.driverName, VK_MAX_DRIVER_NAME_SIZE).c_str());
    tracef("  - driver ID: %s (%d)", driver_id_name(id), static_cast<int>(id));
    tracef("  - driver conformance version: %d.%d.%d.%d:", p.conformanceVersion.major, p.conformanceVersion.minor,
           p.conformanceVersion.subminor, p.conformanceVersion.patch);
    tracef("  - driver info: %s", bounded(p.driverInfo, VK_MAX_DRIVER_INFO_SIZE).c_str());
  }
  if (offered(ext, "VK_AMD_shader_core_properties")) {
    VkPhysicalDeviceShaderCorePropertiesAMD& p = record->shader_core_properties;
    p = {};
    p.sType = VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_SHADER_CORE_PROPERTIES_AMD;
    read(&p);
    p.pNext = nullptr;
    tracef("- VK_AMD_shader_core_properties:");
    tracef("  - shader engines: %d", static_cast<int>(p.shaderEngineCount));
    tracef("  - compute units per shader engine: %d", static_cast<int>(p.computeUnitsPerShaderArray));
    tracef("  - SIMD per compute unit: %d", static_cast<int>(p.simdPerComputeUnit));
    tracef("  - wavefronts per SIMD: %d", static_cast<int>(p.wavefrontsPerSimd));
    tracef("  - threads per wavefront: %d", static_cast<int>(p.wavefrontSize));
    tracef("  - scalar registers per SIMD: %d", static_cast<int>(p.sgprsPerSimd));
    tracef("  - vector registers per SIMD: %d", static_cast<int>(p.vgprsPerSimd));
  }
}

// ---- depth buffer

bool VulkanPLugin::find_depth_format(VkGpuRecord* record, VkFormat* format) {
  if (!record || !format || !record->functions.vkGetPhysicalDeviceFormatProperties) return false;
  const VkFormat candidates[] = {VK_FORMAT_D24_UNORM_S8_UINT, VK_FORMAT_D32_SFLOAT_S8_UINT, VK_FORMAT_D32_SFLOAT,
                                 VK_FORMAT_D16_UNORM_S8_UINT, VK_FORMAT_D16_UNORM};
  for (VkFormat candidate : candidates) {
    VkFormatProperties props{};
    record->functions.vkGetPhysicalDeviceFormatProperties(record->physical_device, candidate, &props);
    if (props.optimalTilingFeatures & VK_FORMAT_FEATURE_DEPTH_STENCIL_ATTACHMENT_BIT) {
      *format = candidate;
      return true;
    }
  }
  return false;
}

bool VulkanPLugin::vk_depth_buffer_init(VkGpuRecord* record, VkDeviceRecord* device, uint32_t width,
                                        uint32_t height) {
  if (!device) return false;
  if (device->depth_buffer) return true;
  VkFormat format = VK_FORMAT_UNDEFINED;
  if (!find_depth_format(record, &format)) {
    tracef_error("vk_depth_buffer_init() failed - unable to find a depth format!");
    return false;
  }
  VkDepthBufferRecord* depth = new VkDepthBufferRecord;
  depth->id = tvc::utils::gen_id();
  depth->format = format;
  device->depth_buffer = depth;
  register_object(depth->id, device);
  VkFunctionTable& fn = device->functions;

  VkImageCreateInfo image{};
  image.sType = VK_STRUCTURE_TYPE_IMAGE_CREATE_INFO;
  image.imageType = VK_IMAGE_TYPE_2D;
  image.format = format;
  image.extent = {width, height, 1};
  image.mipLevels = 1;
  image.arrayLayers = 1;
  image.samples = VK_SAMPLE_COUNT_1_BIT;
  image.tiling = VK_IMAGE_TILING_OPTIMAL;
  image.usage = VK_IMAGE_USAGE_DEPTH_STENCIL_ATTACHMENT_BIT | VK_IMAGE_USAGE_TRANSIENT_ATTACHMENT_BIT;
  image.sharingMode = VK_SHARING_MODE_EXCLUSIVE;
  image.initialLayout = VK_IMAGE_LAYOUT_UNDEFINED;
  VkResult result = fn.vkCreateImage(device->device, &image, nullptr, &depth->image);
  if (result == VK_SUCCESS) {
    VkMemoryRequirements needs{};
    fn.vkGetImageMemoryRequirements(device->device, depth->image, &needs);
    // Device-local, else the first type the image allows (never one it does
    // not allow), else no depth buffer.
    const int type =
        find_memory_type(record, needs.memoryTypeBits, VK_MEMORY_PROPERTY_DEVICE_LOCAL_BIT, kAnyAllowedMemory);
    VkMemoryAllocateInfo alloc{};
    alloc.sType = VK_STRUCTURE_TYPE_MEMORY_ALLOCATE_INFO;
    alloc.allocationSize = needs.size;
    alloc.memoryTypeIndex = static_cast<uint32_t>(type);
    result = type < 0 ? VK_ERROR_OUT_OF_DEVICE_MEMORY
                      : fn.vkAllocateMemory(device->device, &alloc, nullptr, &depth->memory);
    if (result != VK_SUCCESS) depth->memory = VK_NULL_HANDLE;
  } else {
    depth->image = VK_NULL_HANDLE;
  }
  if (result == VK_SUCCESS) result = fn.vkBindImageMemory(device->device, depth->image, depth->memory, 0);
  if (result == VK_SUCCESS) {
    VkImageViewCreateInfo view{};
    view.sType = VK_STRUCTURE_TYPE_IMAGE_VIEW_CREATE_INFO;
    view.image = depth->image;
    view.viewType = VK_IMAGE_VIEW_TYPE_2D;
    view.format = format;
    view.components = {VK_COMPONENT_SWIZZLE_R, VK_COMPONENT_SWIZZLE_G, VK_COMPONENT_SWIZZLE_B,
                       VK_COMPONENT_SWIZZLE_A};
    const bool stencil = format == VK_FORMAT_D16_UNORM_S8_UINT || format == VK_FORMAT_D24_UNORM_S8_UINT ||
                         format == VK_FORMAT_D32_SFLOAT_S8_UINT;
    view.subresourceRange.aspectMask =
        stencil ? (VK_IMAGE_ASPECT_DEPTH_BIT | VK_IMAGE_ASPECT_STENCIL_BIT) : VK_IMAGE_ASPECT_DEPTH_BIT;
    view.subresourceRange.levelCount = 1;
    view.subresourceRange.layerCount = 1;
    result = fn.vkCreateImageView(device->device, &view, nullptr, &depth->view);
    if (result != VK_SUCCESS) depth->view = VK_NULL_HANDLE;
  }
  if (result != VK_SUCCESS) {
    vk_depth_buffer_release(device);
    tracef_error("vk_depth_buffer_init() failed (err: %s).", vk_result_to_string(result));
    return false;
  }
  tracef_debug("init depth buffer ok.");
  return true;
}

bool VulkanPLugin::vk_depth_buffer_release(VkDeviceRecord* device) {
  if (!device || !device->depth_buffer) return true;
  VkDepthBufferRecord* depth = device->depth_buffer;
  unregister_object(depth->id);
  VkFunctionTable& fn = device->functions;
  if (depth->view != VK_NULL_HANDLE) fn.vkDestroyImageView(device->device, depth->view, nullptr);
  if (depth->image != VK_NULL_HANDLE) fn.vkDestroyImage(device->device, depth->image, nullptr);
  if (depth->memory != VK_NULL_HANDLE) fn.vkFreeMemory(device->device, depth->memory, nullptr);
  delete depth;
  device->depth_buffer = nullptr;
  return true;
}

// ---- render passes

bool VulkanPLugin::vk_render_pass_init(VkDeviceRecord* device) {
  if (!device) return false;
  if (device->rp1) return true;
  if (!device->swapchain) return false;

  VkAttachmentDescription attachments[2] = {};
  attachments[0].format = device->swapchain->format;
  attachments[0].samples = VK_SAMPLE_COUNT_1_BIT;
  attachments[0].storeOp = VK_ATTACHMENT_STORE_OP_STORE;
  attachments[0].stencilLoadOp = VK_ATTACHMENT_LOAD_OP_DONT_CARE;
  attachments[0].stencilStoreOp = VK_ATTACHMENT_STORE_OP_DONT_CARE;
  attachments[0].initialLayout = VK_IMAGE_LAYOUT_UNDEFINED;
  attachments[0].finalLayout = VK_IMAGE_LAYOUT_PRESENT_SRC_KHR;
  attachments[1].format = device->depth_buffer ? device->depth_buffer->format : VK_FORMAT_UNDEFINED;
  attachments[1].samples = VK_SAMPLE_COUNT_1_BIT;
  attachments[1].storeOp = VK_ATTACHMENT_STORE_OP_DONT_CARE;
  attachments[1].stencilLoadOp = VK_ATTACHMENT_LOAD_OP_DONT_CARE;
  attachments[1].stencilStoreOp = VK_ATTACHMENT_STORE_OP_DONT_CARE;
  attachments[1].initialLayout = VK_IMAGE_LAYOUT_UNDEFINED;
  attachments[1].finalLayout = VK_IMAGE_LAYOUT_DEPTH_STENCIL_ATTACHMENT_OPTIMAL;

  VkAttachmentReference colour = {0, VK_IMAGE_LAYOUT_COLOR_ATTACHMENT_OPTIMAL};
  VkAttachmentReference depth = {1, VK_IMAGE_LAYOUT_DEPTH_STENCIL_ATTACHMENT_OPTIMAL};
  VkSubpassDescription subpass{};
  subpass.pipelineBindPoint = VK_PIPELINE_BIND_POINT_GRAPHICS;
  subpass.colorAttachmentCount = 1;
  subpass.pColorAttachments = &colour;
  subpass.pDepthStencilAttachment = device->depth_buffer ? &depth : nullptr;

  VkSubpassDependency dependencies[2] = {};
  dependencies[0].srcSubpass = VK_SUBPASS_EXTERNAL;
  dependencies[0].dstSubpass = 0;
  dependencies[0].srcStageMask = VK_PIPELINE_STAGE_BOTTOM_OF_PIPE_BIT;
  dependencies[0].dstStageMask = VK_PIPELINE_STAGE_COLOR_ATTACHMENT_OUTPUT_BIT;
  dependencies[0].srcAccessMask = VK_ACCESS_MEMORY_READ_BIT;
  dependencies[0].dstAccessMask = VK_ACCESS_COLOR_ATTACHMENT_READ_BIT | VK_ACCESS_COLOR_ATTACHMENT_WRITE_BIT;
  dependencies[0].dependencyFlags = VK_DEPENDENCY_BY_REGION_BIT;
  dependencies[1].srcSubpass = 0;
  dependencies[1].dstSubpass = VK_SUBPASS_EXTERNAL;
  dependencies[1].srcStageMask = VK_PIPELINE_STAGE_COLOR_ATTACHMENT_OUTPUT_BIT;
  dependencies[1].dstStageMask = VK_PIPELINE_STAGE_BOTTOM_OF_PIPE_BIT;
  dependencies[1].srcAccessMask = VK_ACCESS_COLOR_ATTACHMENT_READ_BIT | VK_ACCESS_COLOR_ATTACHMENT_WRITE_BIT;
  dependencies[1].dstAccessMask = VK_ACCESS_MEMORY_READ_BIT;
  dependencies[1].dependencyFlags = VK_DEPENDENCY_BY_REGION_BIT;

  VkRenderPassCreateInfo info{};
  info.sType = VK_STRUCTURE_TYPE_RENDER_PASS_CREATE_INFO;
  // Without a depth buffer the pass has the colour attachment only.
  info.attachmentCount = device->depth_buffer ? 2 : 1;
  info.pAttachments = attachments;
  info.subpassCount = 1;
  info.pSubpasses = &subpass;
  info.dependencyCount = 2;
  info.pDependencies = dependencies;

  VkRenderPassRecord** passes[2] = {&device->rp1, &device->rp2};
  for (int p = 0; p < 2; ++p) {
    const VkAttachmentLoadOp load = p == 0 ? VK_ATTACHMENT_LOAD_OP_CLEAR : VK_ATTACHMENT_LOAD_OP_DONT_CARE;
    attachments[0].loadOp = load;
    attachments[1].loadOp = load;
    VkRenderPass pass = VK_NULL_HANDLE;
    VkResult result = device->functions.vkCreateRenderPass(device->device, &info, nullptr, &pass);
    if (result != VK_SUCCESS) {
      tracef_error(p == 0 ? "vk_render_pass_init() failed (err: %s) - rp1." : "vk_render_pass_init() failed (err: %s) - rp2.",
                   vk_result_to_string(result));
      vk_render_pass_release(device);
      return false;
    }
    VkRenderPassRecord* record = new VkRenderPassRecord;
    record->id = tvc::utils::gen_id();
    record->render_pass = pass;
    register_object(record->id, device);
    *passes[p] = record;
  }
  tracef_debug("vk_render_pass_init() ok.");
  return true;
}

bool VulkanPLugin::vk_render_pass_release(VkDeviceRecord* device) {
  if (!device) return false;
  for (VkRenderPassRecord** pass : {&device->rp1, &device->rp2}) {
    if (!*pass) continue;
    unregister_object((*pass)->id);
    if ((*pass)->render_pass != VK_NULL_HANDLE)
      device->functions.vkDestroyRenderPass(device->device, (*pass)->render_pass, nullptr);
    delete *pass;
    *pass = nullptr;
  }
  return true;
}

// ---- device semaphores

bool VulkanPLugin::create_device_semaphores(VkDeviceRecord* device) {
  if (!device) return false;
  VkSemaphoreCreateInfo info{};
  info.sType = VK_STRUCTURE_TYPE_SEMAPHORE_CREATE_INFO;
  VkResult result = VK_SUCCESS;
  auto create = [&](VkSemaphore* field) {
    if (*field != VK_NULL_HANDLE) return true;
    result = device->functions.vkCreateSemaphore(device->device, &info, nullptr, field);
    if (result == VK_SUCCESS) return true;
    *field = VK_NULL_HANDLE;
    return false;
  };
#define QV_DEVICE_SEMAPHORE(field, message)                    \
  if (!create(&device->field)) {                               \
    tracef_error(message, vk_result_to_string(result));        \
    return false;                                              \
  }
  QV_DEVICE_SEMAPHORE(draw_semaphore, "unable to create a draw semaphore for a logical device (err: %s).")
  QV_DEVICE_SEMAPHORE(image_semaphore, "unable to create an image semaphore for a logical device (err: %s).")
  QV_DEVICE_SEMAPHORE(present_complete_semaphore,
                      "unable to create the present_complete semaphore for a logical device (err: %s).")
  QV_DEVICE_SEMAPHORE(render_complete_semaphore,
                      "unable to create the render_complete semaphore for a logical device (err: %s).")
  QV_DEVICE_SEMAPHORE(acquire_semaphore, "unable to create the acquire semaphore for a logical device (err: %s).")
  QV_DEVICE_SEMAPHORE(graphics_semaphore, "unable to create the graphics semaphore for a logical device (err: %s).")
#undef QV_DEVICE_SEMAPHORE
  if (generation::makes_list_semaphores()) {
    if (!create(&device->image_available_semaphore) || !create(&device->render_finished_semaphore)) {
      tracef_error("unable to create the swapchain semaphores for a logical device (err: %s).",
                   vk_result_to_string(result));
      return false;
    }
  }
  return true;
}

bool VulkanPLugin::release_device_semaphores(VkDeviceRecord* device) {
  if (!device) return false;
  for (VkSemaphore* s : {&device->draw_semaphore, &device->image_semaphore, &device->present_complete_semaphore,
                         &device->render_complete_semaphore, &device->graphics_semaphore,
                         &device->acquire_semaphore, &device->image_available_semaphore,
                         &device->render_finished_semaphore}) {
    if (*s != VK_NULL_HANDLE) device->functions.vkDestroySemaphore(device->device, *s, nullptr);
    *s = VK_NULL_HANDLE;
  }
  return true;
}

// ---- release

void VulkanPLugin::release_gpu_devices(VkGpuRecord* record) {
  if (!record) return;
  while (!record->devices.empty()) release_device(record, record->devices.back(), nullptr);
  record->current_device = nullptr;
  record->initialized = false;
}

void VulkanPLugin::release_device(VkGpuRecord* record, VkDeviceRecord* device, tvc::RenderWindow* window) {
  if (!record || !device) return;
  VkFunctionTable& fn = device->functions;
  if (device->device) wait_device_idle(device);
  release_retired_buffers(device, RetiredRelease::kAll);
  release_device_raytracing(device);
  release_text_overlay(device);
  release_gui_overlay(device);
  release_device_resources(device);
  release_command_lists(device);
  release_swapchain_frames(device);
  vk_render_pass_release(device);
  vk_depth_buffer_release(device);
  destroy_swapchain(device, window);
  release_device_semaphores(device);
  for (VkFence& fence : device->fences) {
    if (fence != VK_NULL_HANDLE) fn.vkDestroyFence(device->device, fence, nullptr);
    fence = VK_NULL_HANDLE;
  }
  for (auto it = record->devices.begin(); it != record->devices.end(); ++it) {
    if (*it == device) {
      record->devices.erase(it);
      break;
    }
  }
  if (record->current_device == device) record->current_device = nullptr;
  if (device->device) {
    if (device->command_buffer && device->command_pool != VK_NULL_HANDLE)
      fn.vkFreeCommandBuffers(device->device, device->command_pool, 1, &device->command_buffer);
    if (device->command_pool != VK_NULL_HANDLE) fn.vkDestroyCommandPool(device->device, device->command_pool, nullptr);
    if (device->descriptor_pool != VK_NULL_HANDLE)
      fn.vkDestroyDescriptorPool(device->device, device->descriptor_pool, nullptr);
    fn.vkDestroyDevice(device->device, nullptr);
  }
  // Ids the device still owns point nowhere from now on.
  for (auto it = object_owner_map.begin(); it != object_owner_map.end();) {
    if (it->second == device)
      it = object_owner_map.erase(it);
    else
      ++it;
  }
  delete device;
}
