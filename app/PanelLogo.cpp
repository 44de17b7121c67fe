#include "app/PanelLogo.h"

#include <cstring>

HINSTANCE PanelModule(HWND window) {
  return reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE));
}

void PaintLogoOver(HWND panel, HBITMAP bitmap, int area) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(panel, &ps);
  HWND control = GetDlgItem(panel, area);
  if (bitmap && dc && control) {
    RECT r;
    GetClientRect(control, &r);
    MapWindowPoints(control, panel, reinterpret_cast<POINT*>(&r), 2);
    BITMAP info;
    HDC mem = CreateCompatibleDC(dc);
    if (mem && GetObjectA(bitmap, sizeof info, &info)) {
      HGDIOBJ old = SelectObject(mem, bitmap);
      // Halftone stretching needs the brush origin set again.
      SetStretchBltMode(dc, HALFTONE);
      SetBrushOrgEx(dc, 0, 0, nullptr);
      StretchBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, mem, 0, 0, info.bmWidth, info.bmHeight,
                 SRCAND);
      SelectObject(mem, old);
    }
    if (mem) DeleteDC(mem);
  }
  EndPaint(panel, &ps);
}

void PaintPanelLogo(HWND panel, HBITMAP* bitmap, int resource, int area) {
  if (!*bitmap) *bitmap = LoadBitmapA(PanelModule(panel), MAKEINTRESOURCEA(resource));
  PaintLogoOver(panel, *bitmap, area);
}

void SetTextIfChanged(HWND control, const char* text) {
  if (!control) return;
  if (!text) text = "";
  char shown[260];
  const size_t length = strlen(text);
  // A longer shown text comes back cut to the buffer, so longer than `text`.
  if (length < sizeof(shown) - 1 && GetWindowTextA(control, shown, sizeof(shown)) == static_cast<int>(length) &&
      memcmp(shown, text, length) == 0)
    return;
  SetWindowTextA(control, text);
}

bool HideOnOkOrCancel(HWND dialog, WPARAM wp) {
  if (LOWORD(wp) != IDOK && LOWORD(wp) != IDCANCEL) return false;
  ShowWindow(dialog, SW_HIDE);
  return true;
}
