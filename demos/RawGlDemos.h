// The raw OpenGL demos: the OpenGL 3 torus and triangle and the OpenGL 4
// tessellation demo, as thread routines over their demo slots.
#pragma once
#include <windows.h>

#include <string>

DWORD WINAPI Gl3TorusThread(void* slot);
DWORD WINAPI Gl3TriangleThread(void* slot);
DWORD WINAPI Gl4TessellationThread(void* slot);

// The torus program's bodies (without their #version line): the loops run
// over the 13 lights as a constant with the fix on, else to the uniform
// "numLights".
std::string Gl3TorusVertexBody(bool constantLoop);
std::string Gl3TorusFragmentBody(bool constantLoop);
const int kGl3TorusLights = 13;
