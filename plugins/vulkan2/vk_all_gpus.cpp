// Every GPU at once: the host may have the plug-in initialise all GPUs (at
// its own initialisation, or now) and clean them all up.
#include "vk_plugin.h"

void VulkanPLugin::gpu_set_initialize_all_flag() { initialize_all = true; }

bool VulkanPLugin::gpu_initialize_all() {
  const size_t count = gpu_list.size();
  for (size_t i = 0; i < count && i < gpu_list.size(); ++i) gpu_initialize(gpu_list[i], nullptr);
  initialize_all = true;
  return true;
}

bool VulkanPLugin::gpu_cleanup_all() {
  for (size_t i = 0; i < gpu_list.size(); ++i) gpu_cleanup(gpu_list[i], nullptr);
  return true;
}
