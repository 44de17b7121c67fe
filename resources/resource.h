// Resource ids of the program.
#pragma once
#define IDD_INIT_PROGRESS 172
#define IDC_INIT_MESSAGE 1143
#define IDC_INIT_TITLE 1144
