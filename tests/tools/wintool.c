/* Finds a top-level dialog of the program by one of its controls.
 *
 *   wintool.exe dialog-text CONTROL_ID TIMEOUT_MS [close]
 *
 * Waits up to TIMEOUT_MS for a visible top-level window that has a child
 * control with CONTROL_ID, prints the control's text on one line and, with
 * "close", posts WM_CLOSE to that window. Exit code 0 when found, 1 when
 * not, 2 on bad usage.
 *
 * Further commands find the window the same way:
 *   wintool.exe title CONTROL_ID TIMEOUT_MS          the window's title
 *   wintool.exe tab-texts CONTROL_ID TIMEOUT_MS      one line per tab of the
 *                                                   tab control CONTROL_ID
 *   wintool.exe select-tab CONTROL_ID INDEX TIMEOUT_MS
 *                                                   focuses (and so selects)
 *                                                   tab INDEX, as a click does
 *   wintool.exe child-text CONTROL_ID CHILD_ID TIMEOUT_MS
 *                                                   text, "visible"/"hidden"
 *                                                   and "enabled"/"disabled"
 *                                                   of the first descendant
 *                                                   CHILD_ID, tab-separated
 *   wintool.exe close CONTROL_ID TIMEOUT_MS         posts WM_CLOSE */
#include <windows.h>
#include <commctrl.h>
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

static int findWindow(DWORD timeoutMs) {
  DWORD start = GetTickCount();
  while (!g_found && GetTickCount() - start < timeoutMs) {
    EnumWindows(check, 0);
    if (!g_found) Sleep(100);
  }
  if (!g_found) printf("not found\n");
  return g_found != NULL;
}

static int g_childId;
static HWND g_child;

static BOOL CALLBACK findChild(HWND hwnd, LPARAM unused) {
  (void)unused;
  if (GetDlgCtrlID(hwnd) != g_childId) return TRUE;
  g_child = hwnd;
  return FALSE;
}

/* Reads the tab texts of a tab control of another process through memory
 * of that process: the control writes its answer there. */
static int printTabTexts(HWND tabs) {
  DWORD pid = 0;
  GetWindowThreadProcessId(tabs, &pid);
  HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
  if (!process) return 1;
  const SIZE_T textSize = 256;
  char* remote = (char*)VirtualAllocEx(process, NULL, sizeof(TCITEMA) + textSize, MEM_COMMIT, PAGE_READWRITE);
  if (!remote) {
    CloseHandle(process);
    return 1;
  }
  int count = (int)SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0);
  for (int i = 0; i < count; ++i) {
    TCITEMA item;
    memset(&item, 0, sizeof(item));
    item.mask = TCIF_TEXT | TCIF_PARAM;
    item.pszText = remote + sizeof(TCITEMA);
    item.cchTextMax = (int)textSize;
    char text[256] = "";
    SIZE_T done = 0;
    WriteProcessMemory(process, remote, &item, sizeof(item), &done);
    WriteProcessMemory(process, remote + sizeof(TCITEMA), text, sizeof(text), &done);
    SendMessageA(tabs, TCM_GETITEMA, (WPARAM)i, (LPARAM)remote);
    ReadProcessMemory(process, remote, &item, sizeof(item), &done);
    ReadProcessMemory(process, remote + sizeof(TCITEMA), text, sizeof(text), &done);
    text[sizeof(text) - 1] = '\0';
    printf("%s\t%ld\n", text, (long)item.lParam);
  }
  VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  CloseHandle(process);
  return 0;
}

static int otherCommand(int argc, char** argv) {
  const char* cmd = argv[1];
  int withIndex = strcmp(cmd, "select-tab") == 0 || strcmp(cmd, "child-text") == 0;
  if (argc < (withIndex ? 5 : 4)) return 2;
  g_controlId = atoi(argv[2]);
  DWORD timeoutMs = (DWORD)strtoul(argv[withIndex ? 4 : 3], NULL, 10);
  if (!findWindow(timeoutMs)) return 1;
  HWND control = GetDlgItem(g_found, g_controlId);
  char text[1024] = "";
  if (strcmp(cmd, "title") == 0) {
    GetWindowTextA(g_found, text, sizeof text);
    printf("%s\n", text);
  } else if (strcmp(cmd, "tab-texts") == 0) {
    if (printTabTexts(control) != 0) return 1;
  } else if (strcmp(cmd, "select-tab") == 0) {
    SendMessageA(control, TCM_SETCURFOCUS, (WPARAM)atoi(argv[3]), 0);
  } else if (strcmp(cmd, "child-text") == 0) {
    g_childId = atoi(argv[3]);
    EnumChildWindows(g_found, findChild, 0);
    if (!g_child) {
      printf("no child\n");
      return 1;
    }
    SendMessageTimeoutA(g_child, WM_GETTEXT, sizeof text, (LPARAM)text, SMTO_ABORTIFHUNG, 5000, NULL);
    text[sizeof text - 1] = '\0';
    printf("%s\t%s\t%s\n", text, IsWindowVisible(g_child) ? "visible" : "hidden",
           IsWindowEnabled(g_child) ? "enabled" : "disabled");
  } else if (strcmp(cmd, "close") == 0) {
    PostMessageA(g_found, WM_CLOSE, 0, 0);
  } else {
    return 2;
  }
  fflush(stdout);
  return 0;
}

int main(int argc, char** argv) {
  if (argc >= 2 && strcmp(argv[1], "dialog-text") != 0) {
    int rc = otherCommand(argc, argv);
    if (rc == 2) fprintf(stderr, "usage: see the head of wintool.c\n");
    return rc;
  }
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
