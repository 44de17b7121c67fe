// The main window and its seven tab panels: dialog procedures and the calls
// the one-second refresh makes.
#pragma once
#include <windows.h>

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp);

INT_PTR CALLBACK GpuPanelProc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp);
INT_PTR CALLBACK OpenGlPanelProc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp);
INT_PTR CALLBACK CudaPanelProc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp);
INT_PTR CALLBACK OpenClPanelProc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp);
INT_PTR CALLBACK VulkanPanelProc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp);
INT_PTR CALLBACK DemosPanelProc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp);
INT_PTR CALLBACK ToolsPanelProc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp);

// The OpenGL tab's memory line; false without an OpenGL tab.
bool RefreshGlMemory();
// The GPU tab's sensor fields for a GPU.
void RefreshGpuPanel(HWND panel, int gpu);
