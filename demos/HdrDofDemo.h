// The HDR, depth of field and radial blur demo (slot 15).
#pragma once
#include <windows.h>

DWORD WINAPI HdrDofThread(void* slot);
