// Thread routines of the engine demos drawn over the shared pattern
// (EngineDemo.h); each takes its DemoSlot.
#pragma once
#include <windows.h>

DWORD WINAPI ToonShadingThread(void* slot);
DWORD WINAPI SimpleTorusThread(void* slot);
DWORD WINAPI VertexTextureFetchThread(void* slot);
DWORD WINAPI SoftShadowsThread(void* slot);
