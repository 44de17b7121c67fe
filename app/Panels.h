// The seven tab panels of the main window: dialog procedures, the calls the
// one-second refresh makes, and the pieces of the GPU and Tools tabs that
// are reached from outside their own files.
#pragma once
#include <windows.h>

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

// GPU tab.
void FillGpuList(HWND panel);
// Copies the primary GPU name and the shown driver line for the demos.
void KeepGpuTextsForDemos(HWND panel);
bool FillGpuPanel(HWND panel, int index);
void RefreshGpuSensors(HWND panel, int index);
void ClearGpuFields(HWND panel);
void EnableGpuFields(HWND panel);
// The board name of a known board, null when the four ids match none.
const char* KnownBoardName(int vendor, int device, int subVendor, int subDevice);
// Forgets that the no-driver text has been shown (for tests).
void ResetGpuPanelState();

// Tools tab.
void FillToolsPanel(HWND panel);
void ResetToolsPanelForTests();
