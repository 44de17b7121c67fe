// A system library that exists but refuses to load (its initialisation
// fails), for the secure loader's preload tests.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  return reason == DLL_PROCESS_ATTACH ? FALSE : TRUE;
}
