// Installs a variant of the fake AMD display library into the system
// directory of the test's Wine prefix, and sets its scenario.
#pragma once
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/fakes/adl/fake_adl.h"

inline std::wstring SystemDirectory() {
  wchar_t dir[MAX_PATH];
  UINT n = GetSystemDirectoryW(dir, MAX_PATH);
  return std::wstring(dir, n) + L"\\";
}

inline std::wstring BinDirectory() {
  wchar_t path[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring p(path, n);
  return p.substr(0, p.find_last_of(L"\\/") + 1);
}

// The fake library installed under the given names for one test's life.
class InstalledFake {
 public:
  InstalledFake(const wchar_t* variant, std::vector<std::wstring> names) : m_names(std::move(names)) {
    removeAll();
    std::wstring source = BinDirectory() + L"fake_adl_" + variant + L".dll";
    for (const std::wstring& n : m_names) m_ok = CopyFileW(source.c_str(), (SystemDirectory() + n).c_str(), FALSE) && m_ok;
  }
  ~InstalledFake() {
    if (m_module) FreeLibrary(m_module);
    removeAll();
  }
  InstalledFake(const InstalledFake&) = delete;
  InstalledFake& operator=(const InstalledFake&) = delete;
  bool ok() const { return m_ok; }

  // Loads the installed copy (the same module the code under test will get)
  // and hands it the scenario; the module stays loaded until destruction.
  bool configure(const FakeAdlScenario& s) {
    if (!load()) return false;
    auto fn = reinterpret_cast<FakeAdlConfigureFn>(
        reinterpret_cast<void*>(GetProcAddress(m_module, "FakeAdl_Configure")));
    if (!fn) return false;
    fn(&s);
    return true;
  }
  FakeAdlStats stats() {
    FakeAdlStats st = {};
    if (load()) {
      auto fn = reinterpret_cast<FakeAdlStatsFn>(
          reinterpret_cast<void*>(GetProcAddress(m_module, "FakeAdl_GetStats")));
      if (fn) fn(&st);
    }
    return st;
  }

  static void removeAll() {
    DeleteFileW((SystemDirectory() + L"atiadlxx.dll").c_str());
    DeleteFileW((SystemDirectory() + L"atiadlxy.dll").c_str());
  }

 private:
  bool load() {
    if (!m_module && !m_names.empty()) m_module = LoadLibraryW((SystemDirectory() + m_names[0]).c_str());
    return m_module != nullptr;
  }
  std::vector<std::wstring> m_names;
  HMODULE m_module = nullptr;
  bool m_ok = true;
};

// One adapter with plain values; callers change what their case needs.
inline FakeAdlAdapter MakeAdapter(int index, int bus, const char* udid, int odVersion) {
  FakeAdlAdapter a = {};
  a.adapterIndex = index;
  a.bus = bus;
  a.exists = 1;
  snprintf(a.udid, sizeof(a.udid), "%s", udid);
  snprintf(a.name, sizeof(a.name), "Adapter %d", index);
  snprintf(a.displayName, sizeof(a.displayName), "\\\\.\\DISPLAY%d", index + 1);
  snprintf(a.driverPathExt, sizeof(a.driverPathExt), "{test}\\%04d", index);
  a.odVersion = odVersion;
  a.coreGeneration = 2;
  a.coreUnits = 36;
  a.corePes = 64;
  a.coreRops = 32;
  a.memSize = 8LL << 30;
  snprintf(a.memType, sizeof(a.memType), "GDDR5");
  a.memBandwidth = 256000;
  a.displays = 1;
  return a;
}
