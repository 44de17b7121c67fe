// A stand-in Vulkan loader for the renderer plug-in tests: what it offers and
// answers is set through fake_vk_configure, what it was asked is read back
// through fake_vk_state. It keeps the state the real thing has: fences,
// semaphores, acquired images and command-buffer recording. A call that would
// hang or is invalid on a real device (a wait on a fence no submit will
// signal, a wait on a semaphore with no signal pending, a submit of a buffer
// still recording, a command recorded outside recording) returns at once and
// is reported to the violation handler (tests fail there). So is the destroy
// of an object that a submit not yet seen to finish, or a command buffer
// still recording, uses, and the reset of a fence such a submit will signal
// (fake_vulkan_usage.inc).
#pragma once

#include <cstdint>

struct FakeVkDevice {
  uint32_t vendor_id;
  uint32_t device_id;
  uint32_t api_version;
  uint32_t driver_version;
  uint32_t device_type;
  char name[64];
  uint64_t heap_bytes;
};

struct FakeVkConfig {
  int32_t create_instance_result;  // a VkResult
  uint32_t device_count;           // at most 2
  FakeVkDevice devices[2];
  const char* instance_extensions[16];  // null-terminated lists
  const char* instance_layers[8];
  bool report_debug_messages;  // call each debug callback once when created
  // Logical devices, surfaces and swapchains.
  uint32_t queue_family_count;  // at most 4
  uint32_t queue_family_flags[4];
  uint32_t present_family_mask;  // bit i: family i can present to the surface
  int32_t create_device_result;
  int32_t create_surface_result;
  int32_t create_swapchain_result;
  int32_t present_result;
  uint32_t surface_min_images;
  uint32_t surface_max_images;
  uint32_t surface_width;  // the surface's current extent
  uint32_t surface_height;
  uint32_t surface_usage;
  uint32_t surface_format_count;  // at most 4
  int32_t surface_formats[4];
  uint32_t present_mode_count;  // at most 4
  int32_t present_modes[4];
  // Frames.
  int32_t acquire_result;     // a VkResult; nothing is acquired unless success
  bool acquire_out_of_range;  // hand out an index equal to the image count
  bool no_depth_format;       // no format can hold a depth buffer
  // Read-back: format features and the linear image's layout.
  uint32_t linear_bgra_features;     // linear tiling of B8G8R8A8_UNORM
  uint32_t optimal_surface_features;  // optimal tiling of every other colour format
  int32_t create_linear_image_result;
  int32_t allocate_memory_result;
  uint32_t row_pitch_padding;  // bytes past width x 4 in each row
  uint32_t layout_offset;      // where the first row starts
  // Ray tracing: the extensions, the extended property query and these
  // properties are offered only when raytracing is set.
  bool raytracing;
  uint32_t rt_handle_size;
  uint32_t rt_handle_alignment;
  uint32_t rt_base_alignment;
  uint32_t rt_max_recursion;
  uint32_t rt_scratch_alignment;
  // Device extensions offered besides the swapchain (null-terminated).
  const char* device_extensions[8];
  // Memory types of each physical device (0 types: one type with every
  // property); a resource allows every type of its device but the denied
  // ones (bit i: type i). Colour attachments and sampled depth-stencil
  // images (render-target depth) are optimal images that may deny further
  // types of their own.
  uint32_t memory_type_count[2];  // at most 4
  uint32_t memory_type_flags[2][4];
  uint32_t buffer_types_denied;
  uint32_t linear_image_types_denied;
  uint32_t optimal_image_types_denied;
  uint32_t color_attachment_types_denied;
  uint32_t depth_attachment_types_denied;
  // The surface's largest image extent; 0: 4096.
  uint32_t surface_max_width;
  uint32_t surface_max_height;
};

struct FakeVkState {
  int instances_created;
  int instances_destroyed;
  uint32_t requested_api_version;
  bool create_info_has_validation_features;
  char enabled_extensions[64][64];
  uint32_t enabled_extension_count;
  char enabled_layers[16][64];
  uint32_t enabled_layer_count;
  int report_callbacks_created;
  int report_callbacks_destroyed;
  uint32_t report_callback_flags;
  int messengers_created;
  int messengers_destroyed;
  int devices_created;
  int devices_destroyed;
  int surfaces_created;
  int surfaces_destroyed;
  int swapchains_created;
  int live_objects;  // device objects created and not yet destroyed
  uint32_t device_queue_create_count;
  uint32_t device_queue_families[2];
  uint32_t swapchain_min_images;
  int32_t swapchain_format;
  int32_t swapchain_present_mode;
  uint32_t swapchain_usage;
  uint32_t swapchain_width;
  uint32_t swapchain_height;
  int submits;
  int presents;
  int render_passes_begun;
  int render_passes_ended;
  int violations;
  char last_violation[256];
  int empty_submits;  // batches without a command buffer
  int barriers;
  int blits;
  int image_copies;
  int executed_secondaries;
  int queue_idle_waits;
  uint32_t linear_width;  // the last linear image made
  uint32_t linear_height;
  // Resources: calls that make an object or bind or map memory (each can be
  // made to fail), and what was recorded with them.
  int resource_calls;
  int draws;
  int buffer_copies;
  int pipelines_bound;
  int descriptor_sets_bound;
  int push_constants;
  int descriptor_sets_live;  // allocated from a pool and not freed
  // Ray tracing.
  int structures_live;  // acceleration structures made and not destroyed
  int structure_builds;
  int tlas_builds;
  int traces;
  uint32_t trace_width;
  uint32_t trace_height;
  uint32_t rt_group_count;  // of the last ray-tracing pipeline
  // The application info of the last instance created.
  char application_name[32];
  char engine_name[32];
  uint32_t application_version;
  uint32_t engine_version;
  // Entry points asked for by name, from the instance or the device.
  char asked_names[256][48];
  uint32_t asked_name_count;
  // The last logical device: its extensions and the structure types chained
  // behind its VkPhysicalDeviceFeatures2.
  char device_extensions[24][48];
  uint32_t device_extension_count;
  int32_t device_feature_chain[8];
  uint32_t device_feature_chain_length;
  // The last descriptor pool: its set limit and {type, count} sizes.
  uint32_t descriptor_pool_max_sets;
  uint32_t descriptor_pool_sizes[16][2];
  uint32_t descriptor_pool_size_count;
  uint32_t buffer_usages;  // every usage bit a buffer was made with
  int flushes;
  int32_t scissor[4];          // the last scissor set: x, y, width, height
  uint64_t last_buffer_range;  // of the last buffer descriptor written
  uint32_t pipeline_stages[8];  // of the last graphics pipeline, in order
  uint32_t pipeline_stage_count;
  uint32_t memory_types_used;  // bit i: memory was allocated from type i
  // Swapchain-sized objects: the last depth-stencil image and framebuffer.
  uint32_t depth_image_width;
  uint32_t depth_image_height;
  uint32_t framebuffer_width;
  uint32_t framebuffer_height;
};

typedef void (*fake_vk_configure_fn)(const FakeVkConfig*);
// Makes the n-th resource call from now fail (0: none fails).
typedef void (*fake_vk_fail_call_fn)(int n);
typedef const FakeVkState* (*fake_vk_state_fn)();
typedef void (*fake_vk_violation_handler)(const char* what, void* user);
typedef void (*fake_vk_set_violation_handler_fn)(fake_vk_violation_handler, void* user);
// 1: signalled, 0: unsignalled, -1: no such fence.
typedef int (*fake_vk_fence_state_fn)(uint64_t fence);
// The pattern the fake writes at pixel (x, y) of a mapped linear image.
inline void fake_vk_pixel(uint32_t x, uint32_t y, unsigned char out[4]) {
  out[0] = static_cast<unsigned char>(x);
  out[1] = static_cast<unsigned char>(y);
  out[2] = static_cast<unsigned char>(0x40 + ((x + y) & 0x3F));
  out[3] = 0xC0;
}
