// Pieces of the main window and its GPU and Tools tabs that are reached
// from outside their own files (the panels themselves are in Panels.h).
#pragma once
#include <windows.h>

// The seven tabs in display order: text, item parameter and panel.
struct MainTab {
  const char* text;
  int param;
  int panel;  // PanelIndex
  int dialog;  // template id
};
extern const MainTab kMainTabs[7];

// The panel that a tab's item parameter selects; -1 for none.
int PanelOfTabParam(int param);

// Starts the demo that a start switch of the command line names (the
// first one given), as the main window does once it is up.
void StartDemoOfSwitches(HWND window);

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
