// Small helpers the tab panels share.
#pragma once
#include <windows.h>

// The module a panel was created from (its templates and bitmaps).
HINSTANCE PanelModule(HWND window);
// Paints a logo bitmap (loaded once into *bitmap) over the placeholder
// control `area`, combined with SRCAND, inside WM_PAINT.
void PaintPanelLogo(HWND panel, HBITMAP* bitmap, int resource, int area);
