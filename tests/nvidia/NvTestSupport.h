// Access to the stand-in driver libraries from the tests: the same DLLs
// that the program loads from the system folder.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "FakeNvapi.h"
#include "detect/SecureLoader.h"
#include "detect/nvidia/NvapiClient.h"

// A system-folder library held by the test for its lifetime, with typed
// access to its exports.
class SystemLibrary {
 public:
  explicit SystemLibrary(const wchar_t* name) {
    wchar_t* path = SecureSystemPath(name);
    if (path) {
      m_module = LoadLibraryW(path);
      LocalFree(path);
    }
  }
  ~SystemLibrary() {
    if (m_module) FreeLibrary(m_module);
  }
  SystemLibrary(const SystemLibrary&) = delete;
  SystemLibrary& operator=(const SystemLibrary&) = delete;
  HMODULE module() const { return m_module; }
  template <typename Fn>
  Fn get(const char* name) const {
    return m_module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(m_module, name)))
                    : nullptr;
  }

 private:
  HMODULE m_module = nullptr;
};

// The stand-in nvapi in a chosen scenario, with the client as at process
// start.
class FakeNvapi {
 public:
  explicit FakeNvapi(unsigned scenario = kFakeDefault) : m_lib(NvapiLibraryName()) {
    NvapiResetForTests();
    m_setScenario = m_lib.get<FakeNvapiSetScenarioFn>("FakeNvapiSetScenario");
    if (m_setScenario) m_setScenario(scenario);
  }
  ~FakeNvapi() {
    if (m_setScenario) m_setScenario(kFakeDefault);
    NvapiResetForTests();
  }
  bool installed() const { return m_setScenario != nullptr; }
  void setScenario(unsigned flags) { m_setScenario(flags); }
  int initCalls() const { return m_lib.get<FakeNvapiCountFn>("FakeNvapiInitCalls")(); }
  int hookCalls() const { return m_lib.get<FakeNvapiCountFn>("FakeNvapiHookCalls")(); }
  int queryCount(NvU32 id) const { return m_lib.get<FakeNvapiIdCountFn>("FakeNvapiQueryCount")(id); }
  int callCount(NvU32 id) const { return m_lib.get<FakeNvapiIdCountFn>("FakeNvapiCallCount")(id); }
  void hide(NvU32 id) const { m_lib.get<FakeNvapiHideFn>("FakeNvapiHide")(id); }
  void setArch(int gpu, NvU32 arch, NvU32 impl, NvU32 rev) const {
    m_lib.get<FakeNvapiSetArchFn>("FakeNvapiSetArch")(gpu, arch, impl, rev);
  }
  const SystemLibrary& library() const { return m_lib; }

 private:
  SystemLibrary m_lib;
  FakeNvapiSetScenarioFn m_setScenario = nullptr;
};

#define ASSERT_FAKE_INSTALLED(fake) \
  ASSERT_TRUE((fake).installed()) << "the stand-in nvapi is not in the system folder"
