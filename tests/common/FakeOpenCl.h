// The stand-in OpenCL library (tests/fakes/opencl) in place of the system's
// for as long as one of these lives: the collector loads it through its
// library loader, fills the OpenCL table from it and keeps it for the entry
// points. A table that g_app held before is set aside and put back after.
// It is a library of our own, so it serves the 32-bit tier as well.
#pragma once
#include <windows.h>

#include <cstddef>
#include <string>

#include "app/AppState.h"
#include "app/OpenClInfo.h"

class FakeOpenCl {
 public:
  FakeOpenCl()
      : m_library(g_app.openClLibrary), m_platforms(g_app.clPlatforms), m_platformCount(g_app.clPlatformCount) {
    g_app.openClLibrary = nullptr;
    g_app.clPlatforms = nullptr;
    g_app.clPlatformCount = 0;
    ResetClEntryPoints();
    // The tests' own hold on the library keeps its controls between detections.
    m_control = LoadLibraryA(path().c_str());
    SetOpenClLibraryLoader([] { return LoadLibraryA(path().c_str()); });
    announceBuildLogSize(0);
  }
  ~FakeOpenCl() {
    ShutdownOpenCl();
    SetOpenClLibraryLoader(nullptr);
    if (m_control) FreeLibrary(m_control);
    // The stand-in is unloaded now: no entry point may stay cached into it.
    // The collector's shutdown above forgets them as well; this does not
    // rely on that.
    ResetClEntryPoints();
    g_app.openClLibrary = m_library;
    g_app.clPlatforms = m_platforms;
    g_app.clPlatformCount = m_platformCount;
  }
  FakeOpenCl(const FakeOpenCl&) = delete;
  FakeOpenCl& operator=(const FakeOpenCl&) = delete;

  bool loaded() const { return m_control != nullptr; }

  // The size the build-log query answers; 0: the log's own.
  void announceBuildLogSize(size_t size) {
    auto set = reinterpret_cast<void (*)(size_t)>(control("qvFakeClAnnounceBuildLogSize"));
    if (set) set(size);
  }
  // Contexts, queues, programs and kernels not yet released; -1 without the library.
  int liveObjects() const {
    auto live = reinterpret_cast<int (*)()>(control("qvFakeClLiveObjects"));
    return live ? live() : -1;
  }

  static std::string path() {
    char module[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, module, sizeof(module));
    std::string folder(module);
    folder.erase(folder.find_last_of("\\/") + 1);
    return folder + "fakeopencl\\qv_fake_opencl.dll";
  }

 private:
  void* control(const char* name) const {
    return m_control ? reinterpret_cast<void*>(GetProcAddress(m_control, name)) : nullptr;
  }

  HMODULE m_control = nullptr;
  HMODULE m_library;
  OpenClPlatformInfo* m_platforms;
  int m_platformCount;
};
