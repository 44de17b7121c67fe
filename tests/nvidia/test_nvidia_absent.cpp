// Without the NVIDIA driver in the system folder (run in a Wine prefix
// without the stand-ins; a "planted" copy lies beside this program).
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "FakeDisplays.h"
#include "NvTestSupport.h"
#include "detect/HardwareCaps.h"

namespace {

// Calls an operation with zero or null for every argument.
template <typename... Args>
int callWithDefaults(int (*operation)(Args...)) {
  return operation(Args{}...);
}

std::wstring besideProgram(const wchar_t* name) {
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring path(self);
  return path.substr(0, path.find_last_of(L'\\') + 1) + name;
}

TEST(AbsentDriver, EveryOperationAnswersLibraryNotFoundAndCountsStayZero) {
  NvapiResetForTests();
  ASSERT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(besideProgram(NvapiLibraryName()).c_str()))
      << "the planted copy should lie beside the program";
  struct Operation {
    const char* name;
    int (*call)();
  } operations[] = {
#define QV_ROW(name, id, params, args) {#name, [] { return callWithDefaults(&name); }},
      QV_NVAPI_OPERATIONS(QV_ROW)
#undef QV_ROW
  };
  for (const Operation& op : operations) EXPECT_EQ(kNvapiLibraryNotFound, op.call()) << op.name;
  EXPECT_EQ(kNvapiLibraryNotFound, NvapiInitialize());
  EXPECT_EQ(kNvapiLibraryNotFound, NvapiLoadLibrary());
  EXPECT_EQ(0, NvapiReferenceCount());
  EXPECT_FALSE(NvapiIsLoaded());
  SetLastError(ERROR_SUCCESS);
  EXPECT_EQ(nullptr, SecureLoadSystemLibrary(NvapiLibraryName(), LOAD_LIBRARY_SEARCH_SYSTEM32));
  EXPECT_EQ(static_cast<DWORD>(ERROR_MOD_NOT_FOUND), GetLastError());
}

TEST(AbsentDriver, NoRecordAndEveryQueryFails) {
  NvapiResetForTests();
  FakeDisplays displays({{"PCI\\VEN_10DE&DEV_1C82&SUBSYS_37511458&REV_A1", "\\\\.\\DISPLAY1",
                          "NVIDIA GeForce GTX 1050 Ti", "k0"}});
  HardwareCaps caps;
  caps.init();
  EXPECT_EQ(0, caps.getNvidiaPhysicalGpuCount());
  EXPECT_EQ(0, caps.getNvidiaLogicalGpuCount());
  ASSERT_EQ(0, DetectionGpuList().count()) << "no record of any kind for an NVIDIA slot";
  float f = 0;
  int id = 5;
  EXPECT_FALSE(caps.NVAPI_GetClockFrequencies(0, 0, &f, &f));
  EXPECT_FALSE(caps.readNvidiaCurrentClocks(0, &id, &f, &f, &f, &f));
  EXPECT_EQ(-1, id) << "the P-state id of a failed read";
  EXPECT_FALSE(caps.readNvidiaPowerChannels(0, &f, &f));
  EXPECT_EQ(0, caps.getNvidiaCoreCount(0));
  EXPECT_EQ(0, caps.getNvidiaGpuMemoryKB(0));
  EXPECT_FALSE(caps.NVIDIA_ControlPanelData_Read()) << "no nvcpl.dll in the system folder";
}

// Runs last: installs a system copy to show that a later call loads it.
TEST(AbsentDriver, ZLaterCallRetriesTheLoad) {
  NvapiResetForTests();
  char text[kNvShortString] = {};
  ASSERT_EQ(kNvapiLibraryNotFound, NvAPI_GetInterfaceVersionString(text));

  const char* fakes = getenv("QV_NV_FAKE_DIR");
  ASSERT_NE(nullptr, fakes) << "run through run_nvidia.sh";
  std::wstring source(fakes, fakes + strlen(fakes));
  source += L"\\";
  source += NvapiLibraryName();
  wchar_t* target = SecureSystemPath(NvapiLibraryName());
  ASSERT_NE(nullptr, target);
  ASSERT_TRUE(CopyFileW(source.c_str(), target, FALSE)) << GetLastError();

  EXPECT_EQ(kNvapiOk, NvAPI_GetInterfaceVersionString(text));
  EXPECT_STREQ("Fake NVAPI R472", text);
  auto origin = reinterpret_cast<FakeOriginFn>(
      reinterpret_cast<void*>(GetProcAddress(NvapiLibraryHandle(), "FakeOrigin")));
  ASSERT_NE(nullptr, origin);
  EXPECT_STREQ("system", origin());

  NvapiResetForTests();
  EXPECT_TRUE(DeleteFileW(target)) << GetLastError();
  LocalFree(target);
}

}  // namespace
