// Loading of driver libraries from the Windows system directory only.
//
// A library planted beside the program or anywhere on the search path must
// never be picked up in place of the driver's own copy. These helpers accept
// a bare file name and load it from the system directory alone, after
// loading a fixed set of system libraries the same way so that their later
// implicit loads cannot be redirected either.
#pragma once

#include <windows.h>

// Loads a library by bare file name (no '\\' or '/') from the system
// directory. flags are LoadLibraryExW flags (callers pass
// LOAD_LIBRARY_SEARCH_SYSTEM32, 0x800). Null on failure; the thread's last
// error tells why (ERROR_BAD_ARGUMENTS for a name with a path separator).
HMODULE SecureLoadSystemLibrary(const wchar_t* name, DWORD flags);

// The system-directory load itself (no name check).
HMODULE SecureLoadLibraryEx(const wchar_t* name, DWORD flags);

// One-time preload of the system libraries; 1 when done, 0 on failure.
// fullPath != 0 loads them by full system-directory path with no flags.
int SecurePreloadSystemDlls(int fullPath);

// The system directory joined with name, in a zero-initialised LocalAlloc'ed
// string the caller frees with LocalFree. Null for a null name or when
// allocation fails.
wchar_t* SecureSystemPath(const wchar_t* name);

// Test seam: forgets the OS level and the preload as at process start
// (the preloaded libraries stay loaded), and sets the libraries that the
// preload loads (null: the standard six) and the OS level to assume
// (0: ask the system; 7600 or 9200).
void SecureLoaderResetForTests(const wchar_t* const* preloadNames, int count, int osLevel);
