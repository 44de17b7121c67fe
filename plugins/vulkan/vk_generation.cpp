// How the first generation differs from Vulkan2: a Vulkan 1.0 renderer with
// no ray tracing, no device groups and no debug messenger, which records
// into the command lists the host opens.
#include <algorithm>
#include <cstring>

#include "vk_device.h"
#include "vk_generation.h"
#include "vk_plugin.h"
#include "vk_resources.h"

namespace generation {

const char* const kPluginName = "Vulkan";
const char* const kPluginDescription =
    "Vulkan renderer (Windows, Linux). This Vulkan plugin is deprecated. Please use the Vulkan2 plugin (demos must "
    "be recoded).";

bool resolves_newer_entry_points() { return false; }

// Codes added after the first generation was written: it names them unknown.
bool result_name_known(VkResult code) {
  return code != VK_ERROR_OUT_OF_POOL_MEMORY_KHR && code != VK_PIPELINE_COMPILE_REQUIRED_EXT;
}

// No option is read: validation stays off and the instance is 1.0.
bool reads_instance_options() { return false; }

bool asks_instance_extension(const char* name) { return strcmp(name, "VK_KHR_device_group_creation") != 0; }

bool logs_device_pointers() { return false; }

// No ray-tracing pipeline, device address or descriptor indexing.
const char* const kDeviceExtensions[] = {"VK_KHR_swapchain",         "VK_NV_ray_tracing",
                                         "VK_KHR_get_memory_requirements2", "VK_EXT_pci_bus_info",
                                         "VK_KHR_driver_properties", "VK_AMD_shader_core_properties"};

NameTable device_extensions() { return {kDeviceExtensions, sizeof(kDeviceExtensions) / sizeof(kDeviceExtensions[0])}; }

bool enables_raytracing_features() { return false; }

// One hundred descriptors of each of the eleven core types.
uint32_t descriptor_pool_sizes(VkDescriptorPoolSize* sizes, uint32_t room, bool, uint32_t* max_sets) {
  const uint32_t count = std::min<uint32_t>(room, VK_DESCRIPTOR_TYPE_INPUT_ATTACHMENT + 1);
  for (uint32_t type = 0; type < count; ++type) sizes[type] = {static_cast<VkDescriptorType>(type), 100};
  *max_sets = 1100;
  return count;
}

// The command-list path's pair: acquire -> list submit -> present.
bool makes_list_semaphores() { return true; }

// Primary lists may be submitted more than once.
VkCommandBufferUsageFlags list_begin_flags(bool primary) {
  return primary ? 0 : VK_COMMAND_BUFFER_USAGE_ONE_TIME_SUBMIT_BIT;
}

// No frame records: binds and draws go into the list the host opened.
bool lists_take_draws() { return true; }

// The list drawn into image i carries fence index i, so the acquisition of
// image i waits for exactly that list.
bool passes_set_fence_index() { return true; }

// The framebuffer array is looked for first: a pass that cannot begin keeps
// the clear values.
bool pass_checked_before_clear_values() { return true; }

// One stage per shader type in pipeline order: vertex, tessellation (only
// where the GPU tessellates), geometry, fragment, compute, mesh, task.
const int kShaderTypeOrder[] = {0, 3, 4, 2, 1, 5, 6, 7};

TypeOrder shader_type_order() { return {kShaderTypeOrder, sizeof(kShaderTypeOrder) / sizeof(kShaderTypeOrder[0])}; }

// Only memory that needs it is flushed: writes to memory that is not
// host-coherent would otherwise never reach the GPU.
bool unmap_flushes_coherent_memory() { return false; }

// Device buffers are only copied to and drawn from: no storage, no
// device addresses.
bool mesh_buffers_shader_readable() { return false; }

// A buffer binding covers the buffer's requested size.
bool binds_whole_buffers() { return false; }

// A combined image sampler cannot be written without a sampler it knows.
bool texture_binding_needs_sampler() { return true; }

bool texture_update_keeps_unset_stages() { return false; }

// The chosen format's optimal tiling must allow a blit or a transfer.
bool swapchain_readable_format(const VkFunctionTable& fn, VkPhysicalDevice physical, VkFormat format) {
  VkFormatProperties props{};
  if (fn.vkGetPhysicalDeviceFormatProperties) fn.vkGetPhysicalDeviceFormatProperties(physical, format, &props);
  const VkFormatFeatureFlags copyable = VK_FORMAT_FEATURE_BLIT_SRC_BIT | VK_FORMAT_FEATURE_TRANSFER_SRC_BIT;
  return (props.optimalTilingFeatures & copyable) != 0;
}

// R8G8B8A8, never swizzled: a blit converts into R, G, B, A; a copy keeps
// the surface's own order.
VkFormat readback_format() { return VK_FORMAT_R8G8B8A8_UNORM; }
bool readback_swizzles() { return false; }

int most_color_attachments() { return 1; }

// The device finishes first in any case.
bool finalize_waits_without_record() { return true; }

// A command that reaches into the framebuffer is drawn, its near edges
// raised to 0 and its far edges left as they are; a rectangle of zero width
// or height is drawn too, with a scissor of that extent. An inverted
// rectangle, or one whose far edge lies past what a scissor can hold, is
// not: no scissor can express it.
bool gui_scissor(float x0, float y0, float x1, float y1, float fb_width, float fb_height, VkRect2D* scissor) {
  if (!(x0 < fb_width && y0 < fb_height && x1 >= 0.0f && y1 >= 0.0f)) return false;
  x0 = std::max(0.0f, x0);
  y0 = std::max(0.0f, y0);
  if (x1 < x0 || y1 < y0 || x1 >= 2147483647.0f || y1 >= 2147483647.0f) return false;
  *scissor = {{static_cast<int32_t>(x0), static_cast<int32_t>(y0)},
              {static_cast<uint32_t>(x1 - x0), static_cast<uint32_t>(y1 - y0)}};
  return true;
}

// The source alpha is weighed by its own complement; the destination's drops.
void gui_alpha_blend(VkBlendFactor* src_alpha, VkBlendFactor* dst_alpha) {
  *src_alpha = VK_BLEND_FACTOR_ONE_MINUS_SRC_ALPHA;
  *dst_alpha = VK_BLEND_FACTOR_ZERO;
}

uint32_t gui_write_alignment(const VkPhysicalDeviceLimits&) { return 256; }

// The atlas's pixels are asked for before any object is made (the upload
// at the end asks again): the atlas is built whatever step fails later.
bool gui_builds_atlas_first() { return true; }

// One set of buffers: the lists the host opens are drawn one at a time.
bool gui_buffers_per_frame() { return false; }

}  // namespace generation

// Always Vulkan 1.0, whatever the options say; no version line.
void VulkanPLugin::describe_application(VkApplicationInfo* app, const int*, bool) {
  app->applicationVersion = 1;
  app->pEngineName = "Tavrin";
  app->engineVersion = 1;
  app->apiVersion = 0x400000u;
}

// ---- what the first generation leaves out

void VulkanPLugin::log_device_groups(VkInstanceRecord*) {}
void VulkanPLugin::create_messenger(const std::vector<std::string>&) {}
void VulkanPLugin::destroy_messenger() {}
void VulkanPLugin::log_raytracing_properties(VkGpuRecord*, VkDeviceRecord*) {}
void VulkanPLugin::release_device_raytracing(VkDeviceRecord*) {}
void VulkanPLugin::free_raytracing_objects() {}

// The list the host opened, the device's current one; null when none is
// open, and the GUI is then not drawn.
VkCommandListRecord* VulkanPLugin::gui_command_record(VkDeviceRecord* device) { return open_current_list(device); }
