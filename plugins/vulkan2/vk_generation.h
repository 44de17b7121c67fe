// What the two renderer generations do differently. The shared units call
// these and never ask which generation they are built for: each plug-in's
// own folder defines them in its vk_generation.cpp.
#pragma once

#include <cstddef>
#include <cstdint>

#include "vk_functions.h"

struct VkGpuRecord;

namespace generation {

// The name and description the plug-in reports to the framework.
extern const char* const kPluginName;
extern const char* const kPluginDescription;

// Entry points the loader asks the driver for beyond the common ones.
bool resolves_newer_entry_points();

// Instance: whether a result code has a name this generation knows, whether
// the host's options are read, and which offered instance extensions are
// asked for (VulkanPLugin::describe_application fills the application info).
bool result_name_known(VkResult code);
bool reads_instance_options();
bool asks_instance_extension(const char* name);

// Physical devices: whether each one's handle is logged.
bool logs_device_pointers();

// Logical devices: the extensions asked for when offered, whether the ray
// tracing features are switched on, the descriptor pool's sizes, and whether
// the command-list path's acquire and present semaphores are made.
struct NameTable {
  const char* const* names;
  size_t count;
};
NameTable device_extensions();
bool enables_raytracing_features();
// Fills sizes (room entries at least); returns how many and sets max_sets.
uint32_t descriptor_pool_sizes(VkDescriptorPoolSize* sizes, uint32_t room, bool acceleration_structures,
                               uint32_t* max_sets);
bool makes_list_semaphores();

// Command lists: the flags a list begins with, whether binds and draws go
// into the list the host opened, whether a pass on swapchain image i gives
// the list fence index i, and whether a pass begun with new clear values
// looks for its pass and framebuffer before it takes the values.
VkCommandBufferUsageFlags list_begin_flags(bool primary);
bool lists_take_draws();
bool passes_set_fence_index();
bool pass_checked_before_clear_values();

// Programs: one module per shader type, staged in this order (an empty
// table: one stage per module in the order they were made).
struct TypeOrder {
  const int* types;
  size_t count;
};
TypeOrder shader_type_order();

// Buffers and meshes: whether unmapping flushes host-coherent memory too,
// and whether mesh buffers may be read by shaders (storage, addresses).
bool unmap_flushes_coherent_memory();
bool mesh_buffers_shader_readable();

// Descriptor sets: whether a buffer binding covers the whole allocation,
// whether a texture binding needs a known sampler, and whether an update
// with no stages keeps the binding's stages.
bool binds_whole_buffers();
bool texture_binding_needs_sampler();
bool texture_update_keeps_unset_stages();

// Swapchain and read-back: whether the chosen format's tiling must allow
// the copy, the read-back image's format, and whether its bytes are put
// back into R, G, B, A after a plain copy from a B, G, R, A surface.
bool swapchain_readable_format(const VkFunctionTable& fn, VkPhysicalDevice physical, VkFormat format);
VkFormat readback_format();
bool readback_swizzles();

// Render targets: the most colour attachments one keeps, and whether a
// finalize without a record lets the device finish.
int most_color_attachments();
bool finalize_waits_without_record();

// The GUI overlay: its scissor for a clip rectangle in framebuffer pixels
// (false: not drawn), its alpha blend factors, the alignment of its buffer
// writes, whether the font atlas is built before any object is made, and
// whether each frame in flight has buffers of its own.
bool gui_scissor(float x0, float y0, float x1, float y1, float fb_width, float fb_height, VkRect2D* scissor);
void gui_alpha_blend(VkBlendFactor* src_alpha, VkBlendFactor* dst_alpha);
uint32_t gui_write_alignment(const VkPhysicalDeviceLimits& limits);
bool gui_builds_atlas_first();
bool gui_buffers_per_frame();

}  // namespace generation
