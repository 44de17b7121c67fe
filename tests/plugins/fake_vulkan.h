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
};

typedef void (*fake_vk_configure_fn)(const FakeVkConfig*);
typedef const FakeVkState* (*fake_vk_state_fn)();
