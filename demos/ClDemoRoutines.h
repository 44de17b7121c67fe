// Thread routines of the four OpenCL demos, each over its demo slot.
#pragma once
#include <windows.h>

DWORD WINAPI ClJuliaThread(void* slot);
DWORD WINAPI ClParticlesThread(void* slot);
DWORD WINAPI ClDeformerThread(void* slot);
DWORD WINAPI ClPostFxThread(void* slot);
