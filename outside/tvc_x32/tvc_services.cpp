#include "tvc_services.h"

#include <windows.h>

#define VK_NO_PROTOTYPES
#include <vulkan/vulkan.h>

#include <cstring>

namespace tvc {

// ---- Kernel

Kernel::Kernel() {
  for (Entry& e : m_entries) e = Entry{0, nullptr};
}

Kernel* Kernel::get() {
  static Kernel instance;
  return &instance;
}

int Kernel::add_plugin(Plugin* plugin) {
  if (!plugin) return -1;
  for (Entry& e : m_entries) {
    if (e.plugin) continue;
    e.id = utils::gen_id();
    e.plugin = plugin;
    return e.id;
  }
  return -1;
}

Plugin* Kernel::get_plugin(int id) const {
  if (id <= 0) return nullptr;
  for (const Entry& e : m_entries)
    if (e.plugin && e.id == id) return e.plugin;
  return nullptr;
}

bool Kernel::remove_plugin(int id) {
  if (id <= 0) return false;
  for (Entry& e : m_entries) {
    if (e.plugin && e.id == id) {
      e = Entry{0, nullptr};
      return true;
    }
  }
  return false;
}

// ---- Timer

namespace {
Timer::TimeSource g_time_source = nullptr;
void* g_time_user = nullptr;

uint64_t now_microseconds() {
  if (g_time_source) return g_time_source(g_time_user);
  LARGE_INTEGER frequency, counter;
  if (!QueryPerformanceFrequency(&frequency) || frequency.QuadPart <= 0) return GetTickCount64() * 1000u;
  QueryPerformanceCounter(&counter);
  const uint64_t f = static_cast<uint64_t>(frequency.QuadPart);
  const uint64_t c = static_cast<uint64_t>(counter.QuadPart);
  return (c / f) * 1000000u + (c % f) * 1000000u / f;
}
}  // namespace

void Timer::set_time_source(TimeSource source, void* user) {
  g_time_source = source;
  g_time_user = user;
}

Timer::Timer() : m_start(now_microseconds()) {}
void Timer::reset() { m_start = now_microseconds(); }
unsigned long Timer::getMicroseconds() const {
  return static_cast<unsigned long>((now_microseconds() - m_start) & 0xFFFFFFFFu);
}

// ---- utils

namespace utils {

bool check_vulkan_support() {
  // The system's loader only, as the plug-ins load it.
  HMODULE library = LoadLibraryExW(L"vulkan-1.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (!library) return false;
  bool supported = false;
  auto get_proc = reinterpret_cast<PFN_vkGetInstanceProcAddr>(
      reinterpret_cast<void (*)()>(GetProcAddress(library, "vkGetInstanceProcAddr")));
  auto create = get_proc ? reinterpret_cast<PFN_vkCreateInstance>(get_proc(nullptr, "vkCreateInstance")) : nullptr;
  VkInstance instance = nullptr;
  VkInstanceCreateInfo info{};
  info.sType = VK_STRUCTURE_TYPE_INSTANCE_CREATE_INFO;
  if (create && create(&info, nullptr, &instance) == VK_SUCCESS && instance) {
    auto enumerate = reinterpret_cast<PFN_vkEnumeratePhysicalDevices>(get_proc(instance, "vkEnumeratePhysicalDevices"));
    auto destroy = reinterpret_cast<PFN_vkDestroyInstance>(get_proc(instance, "vkDestroyInstance"));
    uint32_t count = 0;
    if (enumerate && enumerate(instance, &count, nullptr) == VK_SUCCESS && count > 0) supported = true;
    if (destroy) destroy(instance, nullptr);
  }
  FreeLibrary(library);
  return supported;
}

void thread_sleep(unsigned milliseconds) { Sleep(milliseconds); }

const char* get_app_directory() {
  static char directory[MAX_PATH + 1];
  char path[MAX_PATH + 1];
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) {  // failed or truncated: use the current folder
    copy_text(directory, sizeof(directory), ".\\");
    return directory;
  }
  path[n] = '\0';
  char* slash = strrchr(path, '\\');
  char* other = strrchr(path, '/');
  if (other > slash) slash = other;
  if (slash)
    slash[1] = '\0';
  else
    copy_text(path, sizeof(path), ".\\");
  copy_text(directory, sizeof(directory), path);
  return directory;
}

}  // namespace utils

}  // namespace tvc
