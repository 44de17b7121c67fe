// The main window: its tabs, the demo that the command line asks for, and
// the modal loop that start-up runs.
#pragma once
#include <windows.h>

// Runs the main window as a modal dialog; returns when it has closed.
void RunMainWindow(HINSTANCE instance);

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp);

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
