// Resource ids of the program.
#pragma once
#define IDD_INIT_PROGRESS 172
#define IDC_INIT_MESSAGE 1143
#define IDC_INIT_TITLE 1144
#define IDD_REPORT 141
#define IDC_REPORT_TEXT 1090
#define IDC_REPORT_XML_EXPORT 1092
#define IDC_REPORT_TXT_EXPORT 1093
#include "main_window.h"
#include "panels.h"
#include "demos.h"
