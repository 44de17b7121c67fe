// Tab panels that are not part of this build yet: empty panels.
#include "app/Panels.h"

namespace {
INT_PTR emptyPanel(UINT msg) { return msg == WM_INITDIALOG ? TRUE : FALSE; }
}  // namespace

INT_PTR CALLBACK DemosPanelProc(HWND, UINT msg, WPARAM, LPARAM) { return emptyPanel(msg); }
