// Initialisation, the Vulkan instance, debug reporting and termination.
#include <cstdio>
#include <cstring>

#include "vk_generation.h"
#include "vk_names.h"
#include "vk_plugin.h"

namespace {

const char kDebugReport[] = "VK_EXT_debug_report";
const char kValidationFeatures[] = "VK_EXT_validation_features";
const char kProperties2[] = "VK_KHR_get_physical_device_properties2";

void add_requested(std::vector<RequestedName*>& list, const char* name, int gpu_index) {
  if (!name || !*name) return;
  RequestedName* entry = new RequestedName;
  entry->name = name;
  entry->gpu_index = gpu_index;
  list.push_back(entry);
}

struct ResultName {
  VkResult code;
  const char* name;
};

const ResultName kResultNames[] = {
    {VK_SUCCESS, "VK_SUCCESS"},
    {VK_NOT_READY, "VK_NOT_READY"},
    {VK_TIMEOUT, "VK_TIMEOUT"},
    {VK_EVENT_SET, "VK_EVENT_SET"},
    {VK_EVENT_RESET, "VK_EVENT_RESET"},
    {VK_INCOMPLETE, "VK_INCOMPLETE"},
    {VK_ERROR_OUT_OF_HOST_MEMORY, "VK_ERROR_OUT_OF_HOST_MEMORY"},
    {VK_ERROR_OUT_OF_DEVICE_MEMORY, "VK_ERROR_OUT_OF_DEVICE_MEMORY"},
    {VK_ERROR_INITIALIZATION_FAILED, "VK_ERROR_INITIALIZATION_FAILED"},
    {VK_ERROR_DEVICE_LOST, "VK_ERROR_DEVICE_LOST"},
    {VK_ERROR_MEMORY_MAP_FAILED, "VK_ERROR_MEMORY_MAP_FAILED"},
    {VK_ERROR_LAYER_NOT_PRESENT, "VK_ERROR_LAYER_NOT_PRESENT"},
    {VK_ERROR_EXTENSION_NOT_PRESENT, "VK_ERROR_EXTENSION_NOT_PRESENT"},
    {VK_ERROR_FEATURE_NOT_PRESENT, "VK_ERROR_FEATURE_NOT_PRESENT"},
    {VK_ERROR_INCOMPATIBLE_DRIVER, "VK_ERROR_INCOMPATIBLE_DRIVER"},
    {VK_ERROR_TOO_MANY_OBJECTS, "VK_ERROR_TOO_MANY_OBJECTS"},
    {VK_ERROR_FORMAT_NOT_SUPPORTED, "VK_ERROR_FORMAT_NOT_SUPPORTED"},
    {VK_ERROR_SURFACE_LOST_KHR, "VK_ERROR_SURFACE_LOST_KHR"},
    {VK_ERROR_NATIVE_WINDOW_IN_USE_KHR, "VK_ERROR_NATIVE_WINDOW_IN_USE_KHR"},
    {VK_SUBOPTIMAL_KHR, "VK_SUBOPTIMAL_KHR"},
    {VK_ERROR_OUT_OF_DATE_KHR, "VK_ERROR_OUT_OF_DATE_KHR"},
    {VK_ERROR_INCOMPATIBLE_DISPLAY_KHR, "VK_ERROR_INCOMPATIBLE_DISPLAY_KHR"},
    {VK_ERROR_VALIDATION_FAILED_EXT, "VK_ERROR_VALIDATION_FAILED_EXT"},
    {VK_ERROR_INVALID_SHADER_NV, "VK_ERROR_INVALID_SHADER_NV"},
    {VK_ERROR_OUT_OF_POOL_MEMORY_KHR, "VK_ERROR_OUT_OF_POOL_MEMORY_KHR"},
    {VK_ERROR_INVALID_DRM_FORMAT_MODIFIER_PLANE_LAYOUT_EXT, "VK_ERROR_INVALID_DRM_FORMAT_MODIFIER_PLANE_LAYOUT_EXT"},
    {VK_ERROR_FRAGMENTATION_EXT, "VK_ERROR_FRAGMENTATION_EXT"},
    {VK_ERROR_NOT_PERMITTED_EXT, "VK_ERROR_NOT_PERMITTED_EXT"},
    {VK_ERROR_FULL_SCREEN_EXCLUSIVE_MODE_LOST_EXT, "VK_ERROR_FULL_SCREEN_EXCLUSIVE_MODE_LOST_EXT"},
    {VK_ERROR_INVALID_DEVICE_ADDRESS_EXT, "VK_ERROR_INVALID_DEVICE_ADDRESS_EXT"},
    {VK_PIPELINE_COMPILE_REQUIRED_EXT, "VK_PIPELINE_COMPILE_REQUIRED_EXT"},
};

}  // namespace

const char* vk_result_to_string(VkResult result) {
  static char text[128];
  const char* name = "VK_ERROR_UNKNOWN";
  for (const ResultName& entry : kResultNames)
    if (entry.code == result && generation::result_name_known(result)) name = entry.name;
  snprintf(text, sizeof(text), "%s (%d)", name, static_cast<int>(result));
  return text;
}

// ---- initialize / terminate

bool VulkanPLugin::initialize() {
  if (initialized) return true;
  tvc::Plugin::initialize();

  // A failed instance creation left the library and the instance record:
  // this try uses them again, so the library is loaded once.
  if (!loader_library) {
    loader_library = load_vulkan_library();
    if (!loader_library) {
      tracef_error("unable to load Vulkan core library.");
      return false;
    }
    if (verbose) tracef("Vulkan core library (%s) loaded ok.", vulkan_library_name());
  }

  if (generation::reads_instance_options() && find_option("vulkan_enable_validation_layer")) validation_enabled = true;

  if (!instance_record) {
    instance_record = new VkInstanceRecord;
    reset_function_table(instance_record->functions);
    instance_record->functions.library = loader_library;
    load_global_entry_points(instance_record->functions);
  }

  if (!create_instance(instance_record)) return false;  // library and record stay for the next try

  VkFunctionTable& fn = instance_record->functions;
  if (validation_enabled) {
    // Callbacks only for the extensions the instance was created with.
    const std::vector<std::string>& enabled = instance_record->enabled_extensions;
    if (fn.vkCreateDebugReportCallbackEXT && offered(enabled, kDebugReport)) {
      VkDebugReportCallbackCreateInfoEXT info{};
      info.sType = VK_STRUCTURE_TYPE_DEBUG_REPORT_CALLBACK_CREATE_INFO_EXT;
      info.flags = 0x1F;
      info.pfnCallback = &VulkanPLugin::debug_report_callback;
      fn.vkCreateDebugReportCallbackEXT(instance_record->instance, &info, nullptr, &report_callback_handle);
    }
    create_messenger(enabled);
  }

  log_physical_devices(instance_record, 0);
  if (initialize_all) gpu_initialize_all();
  initialized = 1;
  return true;
}

// Frees the instance record and the loader library.
void VulkanPLugin::release_instance_and_library() {
  delete instance_record;
  instance_record = nullptr;
  if (loader_library) {
    FreeLibrary(loader_library);
    loader_library = nullptr;
  }
}

bool VulkanPLugin::terminate() {
  // Not initialised: only what a failed instance creation kept is left.
  if (!initialized) {
    release_instance_and_library();
    return true;
  }
  // Contexts hold device objects: they go while their devices live.
  free_raytracing_objects();
  // Every logical device goes before the instance, and every window's
  // surface with it: none may outlive the instance they were made from.
  for (size_t i = 0; i < gpu_list.size(); ++i) gpu_cleanup(gpu_list[i], get_current_render_window());
  // Devices of GPUs the host killed or never finished are released too.
  for (VkGpuRecord* record : gpu_records) release_gpu_devices(record);
  for (tvc::RenderWindow* window : render_windows) render_window_destroy_surface(window);

  if (instance_record) {
    VkFunctionTable& fn = instance_record->functions;
    if (fn.vkDestroyDebugReportCallbackEXT && report_callback_handle != VK_NULL_HANDLE) {
      fn.vkDestroyDebugReportCallbackEXT(instance_record->instance, report_callback_handle, nullptr);
      report_callback_handle = VK_NULL_HANDLE;
    }
  }
  destroy_messenger();
  clear_requested_names();
  // No GPU object may outlive its record, nor a record its instance.
  release_gpus();

  if (instance_record) {
    if (instance_record->functions.vkDestroyInstance && instance_record->instance)
      instance_record->functions.vkDestroyInstance(instance_record->instance, nullptr);
    instance_record->instance = nullptr;
    reset_function_table(instance_record->functions);
    tracef_debug("Vulkan instance cleaned up.");
  }
  object_owner_map.clear();
  descriptor_set_map.clear();
  release_instance_and_library();
  tvc::Plugin::terminate();
  initialized = 0;
  return true;
}

// ---- instance

bool VulkanPLugin::enumerate_instance_extensions(VkInstanceRecord* record) {
  if (!record || !record->functions.vkEnumerateInstanceExtensionProperties) return false;
  uint32_t count = 0;
  if (record->functions.vkEnumerateInstanceExtensionProperties(nullptr, &count, nullptr) != VK_SUCCESS) {
    tracef_error("unable to list the instance extensions.");
    return false;
  }
  if (count == 0) {
    if (verbose) tracef("# instance extensions: 0");
    return true;
  }
  std::vector<VkExtensionProperties> props(count);
  if (record->functions.vkEnumerateInstanceExtensionProperties(nullptr, &count, props.data()) != VK_SUCCESS) {
    tracef_error("unable to read the instance extensions.");
    return false;
  }
  if (verbose) tracef("Instance extensions: %u", count);
  for (uint32_t i = 0; i < count && i < props.size(); ++i) {
    std::string name(props[i].extensionName, strnlen(props[i].extensionName, VK_MAX_EXTENSION_NAME_SIZE));
    if (verbose) tracef("- %u/ %s (spec version: %d)", i + 1, name.c_str(), static_cast<int>(props[i].specVersion));
    record->extension_names.push_back(name);
  }
  return true;
}

bool VulkanPLugin::enumerate_instance_layers(VkInstanceRecord* record) {
  if (!record || !record->functions.vkEnumerateInstanceLayerProperties) return false;
  uint32_t count = 0;
  if (record->functions.vkEnumerateInstanceLayerProperties(&count, nullptr) != VK_SUCCESS) {
    tracef_error("unable to list the instance layers.");
    return false;
  }
  if (count == 0) {
    if (verbose) tracef("# instance layers: 0");
    return true;
  }
  std::vector<VkLayerProperties> props(count);
  if (record->functions.vkEnumerateInstanceLayerProperties(&count, props.data()) != VK_SUCCESS) {
    tracef_error("unable to read the instance layers.");
    return false;
  }
  if (verbose) tracef("Instance layers: %u", count);
  for (uint32_t i = 0; i < count && i < props.size(); ++i) {
    std::string name(props[i].layerName, strnlen(props[i].layerName, VK_MAX_EXTENSION_NAME_SIZE));
    uint32_t s = props[i].specVersion;
    if (verbose)
      tracef("- %u/ %s (spec version: %d.%d.%d)", i + 1, name.c_str(), static_cast<int>(s >> 22),
             static_cast<int>((s >> 12) & 0x3FF), static_cast<int>(s & 0xFFF));
    record->layer_names.push_back(name);
  }
  return true;
}

bool VulkanPLugin::create_instance(VkInstanceRecord* record) {
  if (!record || !record->functions.vkCreateInstance) return false;
  if (record->instance) return true;

  record->extension_names.clear();
  record->layer_names.clear();
  enumerate_instance_extensions(record);
  enumerate_instance_layers(record);

  int app_version[4] = {0, 0, 0, 0};
  get_app_version(app_version);
  const bool vulkan12 = generation::reads_instance_options() && find_option("vulkan1.2");
  VkApplicationInfo app{};
  app.sType = VK_STRUCTURE_TYPE_APPLICATION_INFO;
  app.pApplicationName = "Tavrin";
  describe_application(&app, app_version, vulkan12);

  RepeatingNameList extensions;
  RepeatingNameList layers;
  const std::vector<std::string>& ext_offered = record->extension_names;
  const std::vector<std::string>& layer_offered = record->layer_names;
  for (const char* name :
       {"VK_KHR_surface", kProperties2, "VK_KHR_device_group_creation", "VK_KHR_win32_surface"})
    if (offered(ext_offered, name) && generation::asks_instance_extension(name))
      extensions.add(name);

  bool debug_printf = false;
  if (validation_enabled) {
    if (offered(ext_offered, "VK_KHR_shader_non_semantic_info") && extensions.add("VK_KHR_shader_non_semantic_info"))
      debug_printf = true;
    if (offered(ext_offered, kDebugReport)) extensions.add(kDebugReport);
    if (offered(ext_offered, kValidationFeatures) && extensions.add(kValidationFeatures)) debug_printf = true;
    if (offered(layer_offered, "VK_LAYER_KHRONOS_validation")) {
      layers.add("VK_LAYER_KHRONOS_validation");
    } else {
      for (const char* name : {"VK_LAYER_LUNARG_standard_validation", "VK_LAYER_LUNARG_parameter_validation",
                               "VK_LAYER_LUNARG_core_validation", "VK_LAYER_LUNARG_object_tracker"})
        if (offered(layer_offered, name)) layers.add(name);
    }
  }
  for (const RequestedName* r : requested_instance_layers)
    if (offered(layer_offered, r->name.c_str())) layers.add(r->name.c_str());
  for (const RequestedName* r : requested_instance_extensions)
    if (offered(ext_offered, r->name.c_str())) extensions.add(r->name.c_str());

  // Debug printf goes through the validation features, when they are enabled.
  VkValidationFeatureEnableEXT printf_feature = VK_VALIDATION_FEATURE_ENABLE_DEBUG_PRINTF_EXT;
  VkValidationFeaturesEXT features{};
  features.sType = VK_STRUCTURE_TYPE_VALIDATION_FEATURES_EXT;
  features.enabledValidationFeatureCount = 1;
  features.pEnabledValidationFeatures = &printf_feature;

  VkInstanceCreateInfo info{};
  info.sType = VK_STRUCTURE_TYPE_INSTANCE_CREATE_INFO;
  info.pNext = (validation_enabled && debug_printf && extensions.contains(kValidationFeatures)) ? &features : nullptr;
  info.pApplicationInfo = &app;
  info.enabledLayerCount = layers.count;
  info.ppEnabledLayerNames = layers.count ? layers.names : nullptr;
  info.enabledExtensionCount = extensions.count;
  info.ppEnabledExtensionNames = extensions.count ? extensions.names : nullptr;

  VkInstance instance = nullptr;
  VkResult result = record->functions.vkCreateInstance(&info, nullptr, &instance);
  if (result != VK_SUCCESS) {
    if (result == VK_ERROR_INCOMPATIBLE_DRIVER)
      tracef_error("Vulkan instance creation failed (code: VK_ERROR_INCOMPATIBLE_DRIVER).");
    else
      tracef_error("Vulkan instance creation failed: unknown error (%d).", static_cast<int>(result));
    return false;
  }
  record->instance = instance;
  record->enabled_extensions.assign(extensions.names, extensions.names + extensions.count);
  record->properties2 = vulkan12                         ? Properties2Source::kCore
                        : extensions.contains(kProperties2) ? Properties2Source::kKhr
                                                            : Properties2Source::kNone;
  load_global_entry_points(record->functions);
  load_instance_entry_points(record->functions, instance, record->properties2);
  tracef_debug("Vulkan instance created ok. Entry points initialized ok.");
  return true;
}

// ---- debug callbacks

VkBool32 VKAPI_PTR VulkanPLugin::debug_report_callback(VkDebugReportFlagsEXT flags, VkDebugReportObjectTypeEXT type,
                                                       uint64_t, size_t, int32_t code, const char* layer_prefix,
                                                       const char* message, void*) {
  tvc::LogMgr* log = tvc::LogMgr::get();
  const char* prefix = layer_prefix ? layer_prefix : "";
  const char* text = message ? message : "";
  const int object_type = static_cast<int>(type);
  if (flags & VK_DEBUG_REPORT_INFORMATION_BIT_EXT)
    log->tracef_debug("[Vulkan2] (VK_DEBUG_REPORT_INFORMATION_BIT_EXT) [%s] Code %d (object type: %d): %s", prefix,
                      code, object_type, text);
  else if (flags & VK_DEBUG_REPORT_WARNING_BIT_EXT)
    log->tracef_warning("[Vulkan2] (VK_DEBUG_REPORT_WARNING_BIT_EXT) [%s] Code %d (object type: %d): %s", prefix,
                        code, object_type, text);
  else if (flags & VK_DEBUG_REPORT_PERFORMANCE_WARNING_BIT_EXT)
    log->tracef_warning("[Vulkan2] (VK_DEBUG_REPORT_PERFORMANCE_WARNING_BIT_EXT) [%s] Code %d (object type: %d): %s",
                        prefix, code, object_type, text);
  else if (flags & VK_DEBUG_REPORT_DEBUG_BIT_EXT)
    log->tracef_debug("[Vulkan2] (VK_DEBUG_REPORT_DEBUG_BIT_EXT) [%s] Code %d (object type: %d): %s", prefix, code,
                      object_type, text);
  else if (flags & VK_DEBUG_REPORT_ERROR_BIT_EXT)
    log->tracef_error("[Vulkan2] (VK_DEBUG_REPORT_ERROR_BIT_EXT) [%s] Code %d (object type: %d): %s", prefix, code,
                      object_type, text);
  return VK_FALSE;
}

// ---- requests and queries

void VulkanPLugin::add_instance_layer(const char* name) { add_requested(requested_instance_layers, name, -1); }
void VulkanPLugin::add_device_layer(const char* name, int gpu_index) {
  add_requested(requested_device_layers, name, gpu_index);
}
void VulkanPLugin::add_instance_extension(const char* name) { add_requested(requested_instance_extensions, name, -1); }
void VulkanPLugin::add_device_extension(const char* name, int gpu_index) {
  add_requested(requested_device_extensions, name, gpu_index);
}

void VulkanPLugin::clear_requested_names() {
  for (std::vector<RequestedName*>* list : {&requested_instance_layers, &requested_device_layers,
                                            &requested_instance_extensions, &requested_device_extensions}) {
    for (RequestedName* entry : *list) delete entry;
    list->clear();
  }
}

int VulkanPLugin::get_instance_extension_count(int) {
  return instance_record ? static_cast<int>(instance_record->extension_names.size()) : 0;
}

const char* VulkanPLugin::get_instance_extension_name(int, unsigned index) {
  if (!instance_record || index >= instance_record->extension_names.size()) return nullptr;
  return instance_record->extension_names[index].c_str();
}

int VulkanPLugin::get_instance_layer_count(int) {
  return instance_record ? static_cast<int>(instance_record->layer_names.size()) : 0;
}

const char* VulkanPLugin::get_instance_layer_name(int, unsigned index) {
  if (!instance_record || index >= instance_record->layer_names.size()) return nullptr;
  return instance_record->layer_names[index].c_str();
}

int VulkanPLugin::get_gpu_count(int) { return instance_record ? gpu_get_count() : 0; }

const char* VulkanPLugin::get_gpu_name(int, int gpu_index) {
  VkGpuRecord* record = gpu_record_at(gpu_index);
  return record ? record->name.c_str() : nullptr;
}

unsigned VulkanPLugin::get_gpu_vendor_id(int, int gpu_index) {
  VkGpuRecord* record = gpu_record_at(gpu_index);
  return record ? record->vendor_id : 0;
}

unsigned VulkanPLugin::get_gpu_device_id(int, int gpu_index) {
  VkGpuRecord* record = gpu_record_at(gpu_index);
  return record ? record->device_id : 0;
}

int VulkanPLugin::get_device_layer_count(int, int gpu_index) {
  VkGpuRecord* record = gpu_record_at(gpu_index);
  return record ? static_cast<int>(record->device_layer_names.size()) : 0;
}

const char* VulkanPLugin::get_device_layer_name(int, int gpu_index, unsigned index) {
  VkGpuRecord* record = gpu_record_at(gpu_index);
  if (!record || index >= record->device_layer_names.size()) return nullptr;
  return record->device_layer_names[index].c_str();
}

int VulkanPLugin::get_device_extension_count(int, int gpu_index) {
  VkGpuRecord* record = gpu_record_at(gpu_index);
  return record ? static_cast<int>(record->device_extension_names.size()) : 0;
}
