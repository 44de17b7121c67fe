// Entry point of the program.
#include <windows.h>

#include "app/Startup.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  return RunQuorvel(instance, commandLine);
}
