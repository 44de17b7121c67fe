// Tab panels that are not part of this build yet: empty panels.
#include "app/Panels.h"

namespace {
INT_PTR emptyPanel(UINT msg) { return msg == WM_INITDIALOG ? TRUE : FALSE; }
}  // namespace

INT_PTR CALLBACK GpuPanelProc(HWND, UINT msg, WPARAM, LPARAM) { return emptyPanel(msg); }
INT_PTR CALLBACK OpenGlPanelProc(HWND, UINT msg, WPARAM, LPARAM) { return emptyPanel(msg); }
INT_PTR CALLBACK CudaPanelProc(HWND, UINT msg, WPARAM, LPARAM) { return emptyPanel(msg); }
INT_PTR CALLBACK OpenClPanelProc(HWND, UINT msg, WPARAM, LPARAM) { return emptyPanel(msg); }
INT_PTR CALLBACK VulkanPanelProc(HWND, UINT msg, WPARAM, LPARAM) { return emptyPanel(msg); }
INT_PTR CALLBACK DemosPanelProc(HWND, UINT msg, WPARAM, LPARAM) { return emptyPanel(msg); }
INT_PTR CALLBACK ToolsPanelProc(HWND, UINT msg, WPARAM, LPARAM) { return emptyPanel(msg); }
bool RefreshGlMemory() { return false; }
void RefreshGpuPanel(HWND, int) {}
