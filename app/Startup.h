// The program's whole life on the UI thread: start-up, detection, report
// or main window, shutdown.
#pragma once
#include <windows.h>

// Returns the process exit code: 0, or non-zero when report mode fails.
int RunQuorvel(HINSTANCE instance, const char* commandLine);

// The shutdown after the main window or report mode; false when a demo
// thread was still running at its end.
bool ShutdownQuorvel();
// The shutdown after a framework demo run alone; false when a thread of
// that demo was still running at its end.
bool ShutdownFrameworkDemoMode();

class Scanrik;
// Test seam: how start-up starts the detection library on the facade; false
// fails start-up. Null restores the program's own start.
typedef bool (*DetectionStart)(Scanrik* facade);
void SetDetectionStart(DetectionStart start);

INT_PTR CALLBACK InitProgressDialogProc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp);
