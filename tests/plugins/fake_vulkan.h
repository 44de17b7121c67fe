// A stand-in Vulkan loader for the renderer plug-in tests: what it offers and
// answers is set through fake_vk_configure, what it was asked is read back
// through fake_vk_state.
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
};

typedef void (*fake_vk_configure_fn)(const FakeVkConfig*);
typedef const FakeVkState* (*fake_vk_state_fn)();
