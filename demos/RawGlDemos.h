// The raw OpenGL demos: the OpenGL 3 torus and triangle and the OpenGL 4
// tessellation demo, as thread routines over their demo slots.
#pragma once
#include <windows.h>


DWORD WINAPI Gl3TorusThread(void* slot);
DWORD WINAPI Gl3TriangleThread(void* slot);
DWORD WINAPI Gl4TessellationThread(void* slot);
