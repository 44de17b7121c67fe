// The secure loader: bare names only, the system folder only, and a
// preload whose failure is reported by every later load.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "NvTestSupport.h"
#include "detect/SecureLoader.h"

namespace {

std::wstring systemDirectory() {
  wchar_t dir[MAX_PATH] = {};
  UINT n = GetSystemDirectoryW(dir, MAX_PATH);
  return std::wstring(dir, n);
}

const char* originOf(HMODULE module) {
  auto origin = reinterpret_cast<FakeOriginFn>(
      reinterpret_cast<void*>(GetProcAddress(module, "FakeOrigin")));
  return origin ? origin() : "(no FakeOrigin export)";
}

class SecureLoaderTest : public ::testing::Test {
 protected:
  void TearDown() override { SecureLoaderResetForTests(nullptr, 0, 0); }
};

TEST_F(SecureLoaderTest, NamesWithADirectoryPartAreRefused) {
  const std::wstring inSystem = systemDirectory() + L"\\" + NvapiLibraryName();
  const wchar_t* names[] = {L"subdir\\nvapi.dll", L"x:/dir/nvapi.dll", L"/nvapi.dll",
                            L"nvapi.dll/", inSystem.c_str()};
  for (const wchar_t* name : names) {
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(nullptr, SecureLoadSystemLibrary(name, LOAD_LIBRARY_SEARCH_SYSTEM32));
    EXPECT_EQ(static_cast<DWORD>(ERROR_BAD_ARGUMENTS), GetLastError());
  }
}

TEST_F(SecureLoaderTest, TheSystemCopyLoadsNotTheOneBesideTheProgram) {
  // A copy with another origin lies beside this program (the bin folder).
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring beside(self);
  beside = beside.substr(0, beside.find_last_of(L'\\') + 1) + NvapiLibraryName();
  ASSERT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(beside.c_str()));

  struct Case {
    const char* what;
    int osLevel;
    DWORD flags;
  } cases[] = {
      {"system32 search", 0, LOAD_LIBRARY_SEARCH_SYSTEM32},
      {"unsafe flags are dropped", 0,
       LOAD_WITH_ALTERED_SEARCH_PATH | LOAD_LIBRARY_SEARCH_APPLICATION_DIR |
           LOAD_LIBRARY_SEARCH_DEFAULT_DIRS | LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR},
      {"older system: full path", 7600, LOAD_LIBRARY_SEARCH_SYSTEM32},
  };
  for (const Case& c : cases) {
    SecureLoaderResetForTests(nullptr, 0, c.osLevel);
    HMODULE module = SecureLoadSystemLibrary(NvapiLibraryName(), c.flags);
    ASSERT_NE(nullptr, module) << c.what << ": error " << GetLastError();
    EXPECT_STREQ("system", originOf(module)) << c.what;
    FreeLibrary(module);
  }
}

TEST_F(SecureLoaderTest, ALibraryMissingFromTheSystemFolderIsNotFound) {
  EXPECT_EQ(nullptr, SecureLoadSystemLibrary(L"qv_not_installed.dll", LOAD_LIBRARY_SEARCH_SYSTEM32));
  EXPECT_EQ(static_cast<DWORD>(ERROR_MOD_NOT_FOUND), GetLastError());
}

TEST_F(SecureLoaderTest, SystemPathJoinsTheSystemFolderAndTheName) {
  EXPECT_EQ(nullptr, SecureSystemPath(nullptr));
  wchar_t* path = SecureSystemPath(L"x.dll");
  ASSERT_NE(nullptr, path);
  EXPECT_EQ(systemDirectory() + L"\\x.dll", std::wstring(path));
  LocalFree(path);
}

// Missing preload libraries are fine; one that exists but fails to load
// stops every later load, which reports that failure, not success.
TEST_F(SecureLoaderTest, PreloadFailureIsReportedByEveryLaterLoad) {
  const wchar_t* tolerated[] = {L"version.dll", L"qv_not_installed.dll"};
  SecureLoaderResetForTests(tolerated, 2, 0);
  HMODULE module = SecureLoadSystemLibrary(NvapiLibraryName(), LOAD_LIBRARY_SEARCH_SYSTEM32);
  EXPECT_NE(nullptr, module);
  if (module) FreeLibrary(module);

  const wchar_t* failing[] = {L"version.dll", L"qvbadinit.dll"};
  for (int fullPath = 0; fullPath < 2; ++fullPath) {
    SecureLoaderResetForTests(failing, 2, fullPath ? 7600 : 9200);
    for (int attempt = 0; attempt < 2; ++attempt) {
      SetLastError(ERROR_SUCCESS);
      EXPECT_EQ(nullptr, SecureLoadSystemLibrary(NvapiLibraryName(), LOAD_LIBRARY_SEARCH_SYSTEM32))
          << "attempt " << attempt;
      EXPECT_EQ(static_cast<DWORD>(ERROR_DLL_INIT_FAILED), GetLastError()) << "attempt " << attempt;
    }
  }
}

}  // namespace
