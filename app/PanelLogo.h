// Small helpers the tab panels share.
#pragma once
#include <windows.h>

// The module a panel was created from (its templates and bitmaps).
HINSTANCE PanelModule(HWND window);
// Inside WM_PAINT: stretches a bitmap over the placeholder control `area`,
// combined with SRCAND. Without a bitmap it only validates the panel.
void PaintLogoOver(HWND panel, HBITMAP bitmap, int area);
// The same with a bitmap resource loaded once into *bitmap.
void PaintPanelLogo(HWND panel, HBITMAP* bitmap, int resource, int area);
// Sets a control's text unless it shows that text already (a null text is
// empty). Setting a text costs an edit control a new layout, its parent two
// notifications and a repaint, and the fields that the one-second refresh
// rewrites mostly read the same from one second to the next.
void SetTextIfChanged(HWND control, const char* text);
// WM_COMMAND of a modeless dialog that a tab's button shows again: OK and
// Cancel hide it rather than end it. True when the command was one of them.
bool HideOnOkOrCancel(HWND dialog, WPARAM wp);
