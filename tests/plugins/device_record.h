// The plug-in's own record of a GPU's current logical device, for tests
// that look at what the device keeps.
#pragma once

#include "vk_device.h"

// The GPU's current logical device, or null.
inline VkDeviceRecord* device_record(tvc::RendererGpu* gpu) {
  VkGpuRecord* record = gpu ? static_cast<VkGpuRecord*>(gpu->renderer_data) : nullptr;
  return record ? record->current_device : nullptr;
}
