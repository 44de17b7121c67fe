// Services of the core graphics library beyond the plug-in and renderer
// classes: the plug-in registry, the timer and a few utilities. Hosts and the demo framework use them.
#pragma once

#include <cstdint>

#include "tvc.h"

namespace tvc {

// The registry of loaded plug-ins by id.
class TVC_API Kernel {
 public:
  enum { kMaxPlugins = 64 };
  static Kernel* get();
  // A fresh id > 0, or -1 when the plug-in is null or the registry is full.
  int add_plugin(Plugin* plugin);
  Plugin* get_plugin(int id) const;
  bool remove_plugin(int id);

 private:
  Kernel();
  struct Entry {
    int id;
    Plugin* plugin;
  };
  Entry m_entries[kMaxPlugins];
};

// Microsecond timer over the performance counter.
class TVC_API Timer {
 public:
  // A clock in microseconds; tests install one to drive time themselves.
  typedef uint64_t (*TimeSource)(void* user);
  // Process-wide; null restores the performance counter.
  static void set_time_source(TimeSource source, void* user);

  Timer();
  void reset();
  // Microseconds since the last reset, wrapping at 32 bits.
  unsigned long getMicroseconds() const;

 private:
  uint64_t m_start;
};

namespace utils {
// True when a Vulkan loader is installed and offers at least one device.
TVC_API bool check_vulkan_support();
TVC_API void thread_sleep(unsigned milliseconds);
// Folder of the running program, ending in a separator.
TVC_API const char* get_app_directory();
}  // namespace utils

}  // namespace tvc
