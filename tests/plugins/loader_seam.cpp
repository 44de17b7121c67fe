// Compiled only into the test build of the Vulkan2 plug-in: lets a test point
// the next initialize at a stand-in Vulkan loader.
#include "vk_functions.h"

// Null restores the shipped choice of loader.
extern "C" __declspec(dllexport) void tvc_plugin_set_vulkan_library(const char* file_name) {
  set_vulkan_library_name(file_name);
}
