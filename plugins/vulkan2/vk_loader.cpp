// Run-time loader of the Vulkan entry points.
#include <cstring>

#include "vk_generation.h"
#include "vk_functions.h"

namespace {
const char kDefaultLibrary[] = "vulkan-1.dll";
char g_library_name[MAX_PATH] = "vulkan-1.dll";

template <typename T>
T as_entry(FARPROC proc) {
  return reinterpret_cast<T>(reinterpret_cast<void (*)()>(proc));
}

template <typename T>
T as_entry(PFN_vkVoidFunction proc) {
  return reinterpret_cast<T>(proc);
}
}  // namespace

const char* vulkan_library_name() { return g_library_name; }

void set_vulkan_library_name(const char* file_name) {
  const char* name = (file_name && *file_name) ? file_name : kDefaultLibrary;
  size_t n = strnlen(name, sizeof(g_library_name) - 1);
  memcpy(g_library_name, name, n);
  g_library_name[n] = '\0';
}

// The Vulkan loader is a system library: the plug-in loads it from the system
// folder only, so that a copy planted beside the program or on the search
// path is never picked up (the search flag keeps its dependencies in the
// system folder too). A name a test has set is loaded as given.
HMODULE load_vulkan_library() {
  if (strcmp(g_library_name, kDefaultLibrary) != 0) return LoadLibraryA(g_library_name);
  HMODULE library = LoadLibraryExW(L"vulkan-1.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (library || GetLastError() != ERROR_INVALID_PARAMETER) return library;
  // A system without the search flags: the system folder's copy by full path.
  wchar_t path[MAX_PATH];
  const wchar_t kName[] = L"\\vulkan-1.dll";
  UINT n = GetSystemDirectoryW(path, MAX_PATH);
  if (n == 0 || n + sizeof(kName) / sizeof(kName[0]) > MAX_PATH) return nullptr;
  memcpy(path + n, kName, sizeof(kName));
  return LoadLibraryExW(path, nullptr, 0);
}

void reset_function_table(VkFunctionTable& table) {
#define QV_VK_RESET(level, name) table.name = nullptr;
  QV_VK_ENTRY_POINTS(QV_VK_RESET)
#undef QV_VK_RESET
}

bool load_global_entry_points(VkFunctionTable& table) {
  HMODULE lib = table.library;
  auto proc = [lib](const char* name) { return lib ? GetProcAddress(lib, name) : nullptr; };
  table.vkCreateInstance = as_entry<PFN_vkCreateInstance>(proc("vkCreateInstance"));
  table.vkEnumerateInstanceExtensionProperties =
      as_entry<PFN_vkEnumerateInstanceExtensionProperties>(proc("vkEnumerateInstanceExtensionProperties"));
  table.vkEnumerateInstanceLayerProperties =
      as_entry<PFN_vkEnumerateInstanceLayerProperties>(proc("vkEnumerateInstanceLayerProperties"));
  table.vkGetInstanceProcAddr = as_entry<PFN_vkGetInstanceProcAddr>(proc("vkGetInstanceProcAddr"));
  return true;
}

PFN_vkVoidFunction get_instance_proc(const VkFunctionTable& table, VkInstance instance, const char* name) {
  if (!table.vkGetInstanceProcAddr || !instance || !name) return nullptr;
  if (PFN_vkVoidFunction fn = table.vkGetInstanceProcAddr(instance, name)) return fn;
  if (!table.library) return nullptr;
  return as_entry<PFN_vkVoidFunction>(GetProcAddress(table.library, name));
}

bool load_instance_entry_points(VkFunctionTable& table, VkInstance instance, Properties2Source properties2) {
#define QV_VK_AT_GLOBAL(name)
#define QV_VK_AT_DEVICE(name)
#define QV_VK_AT_DEVICE_NEWER(name)
#define QV_VK_AT_INSTANCE(name) table.name = as_entry<PFN_##name>(get_instance_proc(table, instance, #name));
#define QV_VK_AT_INSTANCE_NEWER(name) \
  if (newer) QV_VK_AT_INSTANCE(name)
  const bool newer = generation::resolves_newer_entry_points();
#define QV_VK_LOAD(level, name) QV_VK_AT_##level(name)
  QV_VK_ENTRY_POINTS(QV_VK_LOAD)
#undef QV_VK_LOAD
#undef QV_VK_AT_GLOBAL
#undef QV_VK_AT_DEVICE
#undef QV_VK_AT_INSTANCE
#undef QV_VK_AT_DEVICE_NEWER
#undef QV_VK_AT_INSTANCE_NEWER
  // A 1.0 instance may only call the extended queries through the extension.
  if (properties2 == Properties2Source::kKhr) {
    table.vkGetPhysicalDeviceProperties2 = as_entry<PFN_vkGetPhysicalDeviceProperties2>(
        get_instance_proc(table, instance, "vkGetPhysicalDeviceProperties2KHR"));
    table.vkGetPhysicalDeviceFeatures2 = as_entry<PFN_vkGetPhysicalDeviceFeatures2>(
        get_instance_proc(table, instance, "vkGetPhysicalDeviceFeatures2KHR"));
  } else if (properties2 == Properties2Source::kNone) {
    table.vkGetPhysicalDeviceProperties2 = nullptr;
    table.vkGetPhysicalDeviceFeatures2 = nullptr;
  }
  return true;
}

bool load_device_entry_points(VkFunctionTable& table, VkInstance instance, VkDevice device) {
  // Device first, then the instance, then the library's own exports.
  auto device_proc = [&](const char* name) -> PFN_vkVoidFunction {
    if (!table.vkGetDeviceProcAddr || !device) return nullptr;
    if (PFN_vkVoidFunction fn = table.vkGetDeviceProcAddr(device, name)) return fn;
    return get_instance_proc(table, instance, name);
  };
#define QV_VK_AT_GLOBAL(name)
#define QV_VK_AT_INSTANCE(name)
#define QV_VK_AT_INSTANCE_NEWER(name)
#define QV_VK_AT_DEVICE(name) table.name = as_entry<PFN_##name>(device_proc(#name));
#define QV_VK_AT_DEVICE_NEWER(name) \
  if (newer) QV_VK_AT_DEVICE(name)
  const bool newer = generation::resolves_newer_entry_points();
#define QV_VK_LOAD(level, name) QV_VK_AT_##level(name)
  QV_VK_ENTRY_POINTS(QV_VK_LOAD)
#undef QV_VK_LOAD
#undef QV_VK_AT_GLOBAL
#undef QV_VK_AT_DEVICE
#undef QV_VK_AT_INSTANCE
#undef QV_VK_AT_DEVICE_NEWER
#undef QV_VK_AT_INSTANCE_NEWER
  return true;
}
