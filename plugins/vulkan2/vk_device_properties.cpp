// The PCI bus, driver and shader-core properties of a GPU by name, as the
// host asks for them by slot.
#include <cstring>

#include "vk_device.h"

bool VulkanPLugin::gpu_get_pci_bus_info(tvc::RendererGpu* gpu, const char* name, unsigned* value) {
  VkGpuRecord* record = gpu_record(gpu);
  return record && read_pci_bus_info(*record, name, value);
}

bool VulkanPLugin::gpu_get_driver_property(tvc::RendererGpu* gpu, const char* name, unsigned* value, char* text) {
  VkGpuRecord* record = gpu_record(gpu);
  return record && read_driver_property(*record, name, value, text);
}

bool VulkanPLugin::gpu_get_shader_core_property(tvc::RendererGpu* gpu, const char* name, unsigned* value) {
  VkGpuRecord* record = gpu_record(gpu);
  if (!record || !name || strcmp(name, "wavefrontSize") == 0) return false;
  return read_shader_core_property(*record, name, value);
}
