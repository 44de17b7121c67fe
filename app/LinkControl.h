// Hyperlink statics: blue text, a hand cursor, underlined while the mouse is
// over them; a click reaches the dialog as WM_COMMAND with the control's id
// and the dialog opens the link itself. All state lives in window
// properties of the static and its parent.
#pragma once
#include <windows.h>

// Turns static control `id` of `dialog` into a hyperlink; always 1.
int MakeHyperlink(HWND dialog, int id);

LRESULT CALLBACK HyperlinkParentProc(HWND window, UINT msg, WPARAM wp, LPARAM lp);
LRESULT CALLBACK HyperlinkProc(HWND window, UINT msg, WPARAM wp, LPARAM lp);

// The text colour of a link (red 0, green 0, blue 192).
const COLORREF kHyperlinkColor = RGB(0, 0, 192);
