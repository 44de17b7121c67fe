/* Finds a top-level dialog of the program by one of its controls.
 *
 *   wintool.exe dialog-text CONTROL_ID TIMEOUT_MS [close]
 *
 * Waits up to TIMEOUT_MS for a visible top-level window that has a child
 * control with CONTROL_ID, prints the control's text on one line and, with
 * "close", posts WM_CLOSE to that window. Exit code 0 when found, 1 when
 * not, 2 on bad usage. */
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int g_controlId;
static HWND g_found;

static BOOL CALLBACK check(HWND hwnd, LPARAM unused) {
  (void)unused;
  if (!IsWindowVisible(hwnd)) return TRUE;
  if (!GetDlgItem(hwnd, g_controlId)) return TRUE;
  g_found = hwnd;
  return FALSE;
}

int main(int argc, char** argv) {
  if (argc < 4 || strcmp(argv[1], "dialog-text") != 0) {
    fprintf(stderr, "usage: wintool dialog-text CONTROL_ID TIMEOUT_MS [close]\n");
    return 2;
  }
  g_controlId = atoi(argv[2]);
  DWORD timeoutMs = (DWORD)strtoul(argv[3], NULL, 10);
  DWORD start = GetTickCount();
  while (!g_found && GetTickCount() - start < timeoutMs) {
    EnumWindows(check, 0);
    if (!g_found) Sleep(100);
  }
  if (!g_found) {
    printf("not found\n");
    return 1;
  }
  char text[1024] = "";
  GetDlgItemTextA(g_found, g_controlId, text, sizeof text);
  printf("%s\n", text);
  fflush(stdout);
  if (argc > 4 && strcmp(argv[4], "close") == 0) PostMessageA(g_found, WM_CLOSE, 0, 0);
  return 0;
}
