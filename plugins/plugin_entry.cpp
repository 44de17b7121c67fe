// Entry points the demo framework calls after loading this plug-in.
#include <windows.h>

#include <cstring>
#include <new>

#include "vk_plugin.h"

extern "C" __declspec(dllexport) tvc::Plugin* tvc_plugin_create() {
  void* memory = ::operator new(sizeof(VulkanPLugin));
  memset(memory, 0, sizeof(VulkanPLugin));
  return new (memory) VulkanPLugin();
}

extern "C" __declspec(dllexport) int tvc_plugin_destroy(tvc::Plugin* plugin) {
  if (!plugin) return 0;
  delete plugin;
  return 1;
}

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
