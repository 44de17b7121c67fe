// Entry points the demo framework calls after loading this plug-in.
#include <new>

#include "vk_plugin.h"

extern "C" __declspec(dllexport) tvc::Plugin* tvc_plugin_create() {
  return new (std::nothrow) VulkanPLugin("Vulkan2");
}

extern "C" __declspec(dllexport) void tvc_plugin_destroy(tvc::Plugin* plugin) { delete plugin; }
