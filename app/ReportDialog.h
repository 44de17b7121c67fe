// The report dialog: the text report with its export buttons.
#pragma once
#include <windows.h>

INT_PTR CALLBACK ReportDialogProc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp);
