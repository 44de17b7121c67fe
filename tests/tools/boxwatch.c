/* Watches for the program's message boxes, records them and closes them, so
 * that no headless run waits on a box and tests can check what it said.
 *
 *   boxwatch.exe OUTFILE MAX_MS [STOPFILE]
 *
 * Every top-level box captioned "Quorvel Error", "Quorvel Info" or
 * "Quorvel Warning" is appended to OUTFILE as one line "caption<TAB>text"
 * (line breaks in the text become blanks), then closed. The watcher ends
 * after MAX_MS or as soon as STOPFILE exists. */
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define MAX_SEEN 256
#define MSGBOX_TEXT_ID 0xFFFF

static const char* const kCaptions[] = {"Quorvel Error", "Quorvel Info", "Quorvel Warning"};
static HWND g_seen[MAX_SEEN];
static int g_seenCount;
static const char* g_outFile;

static int seen(HWND hwnd) {
  for (int i = 0; i < g_seenCount; ++i)
    if (g_seen[i] == hwnd) return 1;
  return 0;
}

static BOOL CALLBACK findLongestStatic(HWND child, LPARAM param) {
  char cls[32], text[4096];
  char* best = (char*)param;
  if (GetClassNameA(child, cls, sizeof cls) && lstrcmpiA(cls, "Static") == 0 &&
      GetWindowTextA(child, text, sizeof text) > (int)strlen(best))
    memcpy(best, text, strlen(text) + 1);
  return TRUE;
}

static void record(const char* caption, HWND box) {
  char text[4096] = "";
  if (!GetDlgItemTextA(box, MSGBOX_TEXT_ID, text, sizeof text))
    EnumChildWindows(box, findLongestStatic, (LPARAM)text);
  for (char* p = text; *p; ++p)
    if (*p == '\r' || *p == '\n' || *p == '\t') *p = ' ';
  FILE* f = fopen(g_outFile, "ab");
  if (f) {
    fprintf(f, "%s\t%s\n", caption, text);
    fclose(f);
  }
}

static BOOL CALLBACK checkWindow(HWND hwnd, LPARAM unused) {
  (void)unused;
  char caption[256];
  if (!IsWindowVisible(hwnd) || !GetWindowTextA(hwnd, caption, sizeof caption)) return TRUE;
  for (size_t i = 0; i < sizeof kCaptions / sizeof kCaptions[0]; ++i) {
    if (strcmp(caption, kCaptions[i]) != 0) continue;
    if (!seen(hwnd)) {
      record(caption, hwnd);
      if (g_seenCount < MAX_SEEN) g_seen[g_seenCount++] = hwnd;
      PostMessageA(hwnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    } else {
      PostMessageA(hwnd, WM_CLOSE, 0, 0); /* still open: close it harder */
    }
  }
  return TRUE;
}

int main(int argc, char** argv) {
  if (argc < 3) {
    fprintf(stderr, "usage: boxwatch OUTFILE MAX_MS [STOPFILE]\n");
    return 2;
  }
  g_outFile = argv[1];
  DWORD maxMs = (DWORD)strtoul(argv[2], NULL, 10);
  const char* stopFile = argc > 3 ? argv[3] : NULL;
  DWORD start = GetTickCount();
  while (GetTickCount() - start < maxMs) {
    EnumWindows(checkWindow, 0);
    if (stopFile && GetFileAttributesA(stopFile) != INVALID_FILE_ATTRIBUTES) break;
    Sleep(50);
  }
  EnumWindows(checkWindow, 0);
  return 0;
}
