/* A library planted beside the program under the name of a system library
 * (OpenCL.dll, vulkan-1.dll, nvcuda.dll). It offers no entry points; when
 * anything loads it, it leaves a file named after itself with ".loaded"
 * appended, so that a test can tell it was picked up. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID reserved) {
  (void)reserved;
  if (reason == DLL_PROCESS_ATTACH) {
    char path[MAX_PATH + 8];
    DWORD n = GetModuleFileNameA(self, path, MAX_PATH);
    if (n > 0 && n < MAX_PATH) {
      memcpy(path + n, ".loaded", 8);
      HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
      if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    }
  }
  return TRUE;
}
