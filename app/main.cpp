// Entry point of the program.
#include <windows.h>

#include "app/AppState.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  ResetAppState();
  g_app.instance = instance;
  g_app.mainThreadId = GetCurrentThreadId();
  ParseCommandLine(commandLine);
  ReleaseAppState();
  return 0;
}
