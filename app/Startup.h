// The program's whole life on the UI thread: start-up, detection, report
// or main window, shutdown.
#pragma once
#include <windows.h>

// Returns the process exit code: 0, or non-zero when report mode fails.
int RunQuorvel(HINSTANCE instance, const char* commandLine);

INT_PTR CALLBACK InitProgressDialogProc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp);
