// Loading of driver libraries from the Windows system directory only.
#include "detect/SecureLoader.h"

#include <cwchar>

namespace {

const int kLevelUnknown = 0;
const int kLevelModern = 9200;  // LOAD_LIBRARY_SEARCH_* flags understood
const int kLevelLegacy = 7600;

const wchar_t* const kStandardPreload[] = {L"msasn1.dll",   L"cryptnet.dll", L"drvstore.dll",
                                           L"devobj.dll",   L"wldp.dll",
                                           L"cryptbase.dll"};
const int kMaxPreload = 6;

int g_osLevel = kLevelUnknown;
int g_forcedOsLevel = 0;
int g_preloadResult = 0;
DWORD g_preloadError = ERROR_SUCCESS;
HMODULE g_preloaded[kMaxPreload] = {};
const wchar_t* const* g_preloadNames = kStandardPreload;
int g_preloadCount = kMaxPreload;

// Search flags that would let a load look outside the system directory.
const DWORD kUnsafeSearchFlags = LOAD_WITH_ALTERED_SEARCH_PATH | LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR |
                                 LOAD_LIBRARY_SEARCH_APPLICATION_DIR |
                                 LOAD_LIBRARY_SEARCH_USER_DIRS |
                                 LOAD_LIBRARY_SEARCH_DEFAULT_DIRS;
static_assert(kUnsafeSearchFlags == 0x1708, "unsafe search flags");

int osLevel() {
  if (g_forcedOsLevel) return g_forcedOsLevel;
  if (g_osLevel == kLevelUnknown) {
    OSVERSIONINFOEXW info = {};
    info.dwOSVersionInfoSize = sizeof(info);
    info.dwBuildNumber = 9200;
    DWORDLONG condition = VerSetConditionMask(0, VER_BUILDNUMBER, VER_GREATER_EQUAL);
    g_osLevel = VerifyVersionInfoW(&info, VER_BUILDNUMBER, condition) ? kLevelModern : kLevelLegacy;
  }
  return g_osLevel;
}

bool anyPreloaded() {
  for (HMODULE h : g_preloaded)
    if (h) return true;
  return false;
}

}  // namespace

wchar_t* SecureSystemPath(const wchar_t* name) {
  if (!name) return nullptr;
  UINT dirLength = GetSystemDirectoryW(nullptr, 0);  // with the terminator
  if (dirLength == 0) return nullptr;
  size_t nameLength = wcslen(name);
  size_t total = dirLength + 1 + nameLength + 1;
  wchar_t* path = static_cast<wchar_t*>(LocalAlloc(LPTR, total * sizeof(wchar_t)));
  if (!path) return nullptr;
  UINT written = GetSystemDirectoryW(path, dirLength);
  if (written == 0 || written >= dirLength) {
    LocalFree(path);
    return nullptr;
  }
  size_t at = written;
  if (at > 0 && path[at - 1] != L'\\') path[at++] = L'\\';
  wmemcpy(path + at, name, nameLength);
  path[at + nameLength] = L'\0';
  return path;
}

int SecurePreloadSystemDlls(int fullPath) {
  if (anyPreloaded()) {
    // Later callers see the failure of the preload, not a stale success.
    if (!g_preloadResult) SetLastError(g_preloadError);
    return g_preloadResult;
  }
  g_preloadResult = 0;
  g_preloadError = ERROR_SUCCESS;
  for (int i = 0; i < g_preloadCount && i < kMaxPreload; ++i) {
    wchar_t* path = fullPath ? SecureSystemPath(g_preloadNames[i]) : nullptr;
    if (fullPath && !path) {
      g_preloadError = ERROR_NOT_ENOUGH_MEMORY;
      SetLastError(g_preloadError);
      return 0;
    }
    HMODULE h = fullPath ? LoadLibraryExW(path, nullptr, 0)
                         : LoadLibraryExW(g_preloadNames[i], nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    DWORD error = h ? ERROR_SUCCESS : GetLastError();
    if (path) LocalFree(path);
    g_preloaded[i] = h;
    if (!h && error != ERROR_MOD_NOT_FOUND) {
      g_preloadError = error;
      SetLastError(error);
      return 0;
    }
  }
  g_preloadResult = 1;
  return 1;
}

HMODULE SecureLoadLibraryEx(const wchar_t* name, DWORD flags) {
  int level = osLevel();
  if (!SecurePreloadSystemDlls(level < kLevelModern)) return nullptr;
  flags &= ~kUnsafeSearchFlags;
  wchar_t* path = nullptr;
  if (level < kLevelModern) {
    flags &= ~static_cast<DWORD>(LOAD_LIBRARY_SEARCH_SYSTEM32);
    path = SecureSystemPath(name);
    if (!path) {  // never fall back to a search by bare name
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return nullptr;
    }
  } else {
    flags |= LOAD_LIBRARY_SEARCH_SYSTEM32;
  }
  HMODULE library = LoadLibraryExW(path ? path : name, nullptr, flags);
  if (path) {
    DWORD error = GetLastError();
    LocalFree(path);
    SetLastError(error);
  }
  return library;
}

HMODULE SecureLoadSystemLibrary(const wchar_t* name, DWORD flags) {
  SetLastError(ERROR_SUCCESS);
  if (!name || wcspbrk(name, L"\\/")) {
    SetLastError(ERROR_BAD_ARGUMENTS);
    return nullptr;
  }
  return SecureLoadLibraryEx(name, flags);
}

void SecureLoaderResetForTests(const wchar_t* const* preloadNames, int count, int level) {
  g_osLevel = kLevelUnknown;
  g_forcedOsLevel = level;
  g_preloadResult = 0;
  g_preloadError = ERROR_SUCCESS;
  for (HMODULE& h : g_preloaded) h = nullptr;
  g_preloadNames = preloadNames ? preloadNames : kStandardPreload;
  g_preloadCount = preloadNames ? count : kMaxPreload;
}
