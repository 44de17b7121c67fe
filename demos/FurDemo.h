// The fur cube demo (slot 3).
#pragma once
#include <windows.h>

#include "demos/DemoSlot.h"

DWORD WINAPI FurDemoThread(void* slot);
// The noise textures of the fur shells, into the fur settings' texture
// array; each texture's hairs are seeded by their count, so every run makes
// the same textures. Needs the slot's render window current.
void BuildFurLayerTextures(DemoSlot* slot);
