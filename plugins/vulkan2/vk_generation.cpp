// How Vulkan2 differs from the first generation: Vulkan 1.0 or 1.2 as the
// host asks, ray tracing where the driver has it, device groups and the
// debug messenger reported, and frames of its own to record into.
#include <algorithm>
#include <cinttypes>

#include "vk_device.h"
#include "vk_generation.h"
#include "vk_names.h"
#include "vk_plugin.h"
#include "vk_resources.h"

namespace generation {

const char* const kPluginName = "Vulkan2";
const char* const kPluginDescription = "Vulkan renderer plugin (Windows, Linux)";

bool resolves_newer_entry_points() { return true; }
bool result_name_known(VkResult) { return true; }
bool reads_instance_options() { return true; }
bool asks_instance_extension(const char*) { return true; }
bool logs_device_pointers() { return true; }

const char* const kDeviceExtensions[] = {
    "VK_KHR_swapchain",           "VK_EXT_pci_bus_info",           "VK_KHR_driver_properties",
    "VK_AMD_shader_core_properties", "VK_NV_ray_tracing",          "VK_KHR_get_memory_requirements2",
    "VK_KHR_acceleration_structure", "VK_KHR_ray_tracing_pipeline", "VK_KHR_buffer_device_address",
    "VK_KHR_deferred_host_operations", "VK_EXT_descriptor_indexing", "VK_KHR_spirv_1_4",
    "VK_KHR_shader_float_controls", "VK_KHR_maintenance3",         "VK_KHR_pipeline_library"};

NameTable device_extensions() { return {kDeviceExtensions, sizeof(kDeviceExtensions) / sizeof(kDeviceExtensions[0])}; }

bool enables_raytracing_features() { return true; }

// Acceleration-structure descriptors exist only with their extension.
uint32_t descriptor_pool_sizes(VkDescriptorPoolSize* sizes, uint32_t room, bool acceleration_structures,
                               uint32_t* max_sets) {
  const VkDescriptorPoolSize kSizes[5] = {{VK_DESCRIPTOR_TYPE_COMBINED_IMAGE_SAMPLER, 64},
                                          {VK_DESCRIPTOR_TYPE_UNIFORM_BUFFER, 64},
                                          {VK_DESCRIPTOR_TYPE_STORAGE_BUFFER, 64},
                                          {VK_DESCRIPTOR_TYPE_STORAGE_IMAGE, 64},
                                          {VK_DESCRIPTOR_TYPE_ACCELERATION_STRUCTURE_KHR, 64}};
  const uint32_t count = std::min<uint32_t>(room, acceleration_structures ? 5 : 4);
  std::copy(kSizes, kSizes + count, sizes);
  *max_sets = 320;
  return count;
}

// Frames carry their own semaphores.
bool makes_list_semaphores() { return false; }

VkCommandBufferUsageFlags list_begin_flags(bool) { return VK_COMMAND_BUFFER_USAGE_ONE_TIME_SUBMIT_BIT; }

// Binds and draws go into the current frame's buffer.
bool lists_take_draws() { return false; }
bool passes_set_fence_index() { return false; }

// New clear values are taken first, whether or not the pass then begins.
bool pass_checked_before_clear_values() { return false; }

TypeOrder shader_type_order() { return {nullptr, 0}; }

bool unmap_flushes_coherent_memory() { return true; }

// Storage too, and device addresses where the GPU has them (ray tracing).
bool mesh_buffers_shader_readable() { return true; }

bool binds_whole_buffers() { return true; }
bool texture_binding_needs_sampler() { return false; }
bool texture_update_keeps_unset_stages() { return true; }

// The surface's own answer is enough.
bool swapchain_readable_format(const VkFunctionTable&, VkPhysicalDevice, VkFormat) { return true; }

// B8G8R8A8: a plain copy from a B, G, R, A surface is swizzled back.
VkFormat readback_format() { return VK_FORMAT_B8G8R8A8_UNORM; }
bool readback_swizzles() { return true; }

int most_color_attachments() { return static_cast<int>(kMaxColorAttachments); }

bool finalize_waits_without_record() { return false; }

// The rectangle is clamped to the framebuffer.
bool gui_scissor(float x0, float y0, float x1, float y1, float fb_width, float fb_height, VkRect2D* scissor) {
  x0 = std::max(0.0f, x0);
  y0 = std::max(0.0f, y0);
  x1 = std::min(fb_width, x1);
  y1 = std::min(fb_height, y1);
  if (x0 > x1 || y0 > y1) return false;
  *scissor = {{static_cast<int32_t>(x0), static_cast<int32_t>(y0)},
              {static_cast<uint32_t>(x1 - x0), static_cast<uint32_t>(y1 - y0)}};
  return true;
}

void gui_alpha_blend(VkBlendFactor* src_alpha, VkBlendFactor* dst_alpha) {
  *src_alpha = VK_BLEND_FACTOR_ONE;
  *dst_alpha = VK_BLEND_FACTOR_ONE_MINUS_SRC_ALPHA;
}

uint32_t gui_write_alignment(const VkPhysicalDeviceLimits& limits) {
  return std::max<uint32_t>(1, static_cast<uint32_t>(limits.nonCoherentAtomSize));
}

bool gui_builds_atlas_first() { return false; }

// A frame in flight keeps its buffers while the next one is written.
bool gui_buffers_per_frame() { return true; }

}  // namespace generation

namespace {
const char kDebugUtils[] = "VK_EXT_debug_utils";
}  // namespace

void VulkanPLugin::describe_application(VkApplicationInfo* app, const int version[4], bool vulkan12) {
  app->applicationVersion = (static_cast<uint32_t>(version[0]) << 22) | (static_cast<uint32_t>(version[1]) << 12) |
                            static_cast<uint32_t>(version[2]);
  app->apiVersion = vulkan12 ? 0x402000u : 0x400000u;
  tracef(vulkan12 ? "instance version: %lu (Vulkan 1.2)" : "instance version: %lu (Vulkan 1.0)",
         static_cast<unsigned long>(app->apiVersion));
}

void VulkanPLugin::create_messenger(const std::vector<std::string>& enabled) {
  VkFunctionTable& fn = instance_record->functions;
  if (fn.vkCreateDebugUtilsMessengerEXT && offered(enabled, kDebugUtils)) {
    VkDebugUtilsMessengerCreateInfoEXT info{};
    info.sType = VK_STRUCTURE_TYPE_DEBUG_UTILS_MESSENGER_CREATE_INFO_EXT;
    info.messageSeverity = VK_DEBUG_UTILS_MESSAGE_SEVERITY_INFO_BIT_EXT;
    info.messageType = VK_DEBUG_UTILS_MESSAGE_TYPE_GENERAL_BIT_EXT | VK_DEBUG_UTILS_MESSAGE_TYPE_VALIDATION_BIT_EXT;
    info.pfnUserCallback = &VulkanPLugin::dbgUtilsMessengerFunc;
    fn.vkCreateDebugUtilsMessengerEXT(instance_record->instance, &info, nullptr, &messenger_handle);
  }
}

void VulkanPLugin::destroy_messenger() {
  if (!instance_record) return;
  VkFunctionTable& fn = instance_record->functions;
  if (fn.vkDestroyDebugUtilsMessengerEXT && messenger_handle != VK_NULL_HANDLE) {
    fn.vkDestroyDebugUtilsMessengerEXT(instance_record->instance, messenger_handle, nullptr);
    messenger_handle = VK_NULL_HANDLE;
  }
}

VkBool32 VKAPI_PTR VulkanPLugin::dbgUtilsMessengerFunc(VkDebugUtilsMessageSeverityFlagBitsEXT,
                                                       VkDebugUtilsMessageTypeFlagsEXT,
                                                       const VkDebugUtilsMessengerCallbackDataEXT* data, void*) {
  const char* text = (data && data->pMessage) ? data->pMessage : "";
  tvc::LogMgr::get()->tracef("[Vulkan2] dbgUtilsMessengerFunc() - msg: %s", text);
  return VK_FALSE;
}

void VulkanPLugin::log_device_groups(VkInstanceRecord* record) {
  VkFunctionTable& fn = record->functions;
  bool groups = false;
  for (const std::string& name : record->extension_names)
    if (name == "VK_KHR_device_group_creation") groups = true;
  if (!groups) {
    tracef("VK_KHR_device_group_creation not supported.");
  } else {
    tracef("VK_KHR_device_group_creation supported.");
    if (fn.vkEnumeratePhysicalDeviceGroupsKHR) {
      uint32_t group_count = 0;
      fn.vkEnumeratePhysicalDeviceGroupsKHR(record->instance, &group_count, nullptr);
      tracef("PhysicalDeviceGroupCount: %d", static_cast<int>(group_count));
      if (group_count) {
        VkPhysicalDeviceGroupProperties blank{};
        blank.sType = VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_GROUP_PROPERTIES;
        std::vector<VkPhysicalDeviceGroupProperties> group_props(group_count, blank);
        fn.vkEnumeratePhysicalDeviceGroupsKHR(record->instance, &group_count, group_props.data());
        for (uint32_t g = 0; g < group_count && g < group_props.size(); ++g) {
          const VkPhysicalDeviceGroupProperties& group = group_props[g];
          uint32_t members = group.physicalDeviceCount;
          if (members > VK_MAX_DEVICE_GROUP_SIZE) members = VK_MAX_DEVICE_GROUP_SIZE;
          tracef("- PhysicalDeviceGroup[%d]:", static_cast<int>(g));
          tracef("  -- physicalDeviceCount: %d", static_cast<int>(group.physicalDeviceCount));
          for (uint32_t j = 0; j < members; ++j)
            tracef("  ---- physicalDevices[%d] pointer: 0x%8" PRIXPTR, static_cast<int>(j),
                   handle_bits(group.physicalDevices[j]));
        }
      }
    }
  }
}

// The current frame's.
VkCommandListRecord* VulkanPLugin::gui_command_record(VkDeviceRecord* device) {
  return device->current_frame ? device->current_frame->command_record : nullptr;
}
