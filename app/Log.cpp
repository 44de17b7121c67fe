#include "app/Log.h"

#include <shellapi.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "lumaq.h"

LogStream g_log;

namespace {

void closeFile(HANDLE* file) {
  if (*file != INVALID_HANDLE_VALUE) {
    CloseHandle(*file);
    *file = INVALID_HANDLE_VALUE;
  }
}

}  // namespace

LogStream::LogStream()
    : enabled(true), prefix(false), lineCounter(0), file(INVALID_HANDLE_VALUE), lock(SRWLOCK_INIT) {}

LogStream::~LogStream() { close(); }

// The file changes only under the lock: a line being written never has its
// handle closed, or reused for another file, under it.
bool LogStream::open(const char* path) {
  AcquireSRWLockExclusive(&lock);
  closeFile(&file);
  file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                     CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  const bool opened = file != INVALID_HANDLE_VALUE;
  ReleaseSRWLockExclusive(&lock);
  return opened;
}

void LogStream::close() {
  AcquireSRWLockExclusive(&lock);
  closeFile(&file);
  ReleaseSRWLockExclusive(&lock);
}

namespace {
const int kLogLineSize = 32768;
const int kBoxTextSize = 32000;
}  // namespace

void LogPrintf(LogStream& log, const char* format, ...) {
  if (!log.enabled) return;
  char* line = static_cast<char*>(malloc(kLogLineSize + 64));
  if (!line) return;
  AcquireSRWLockExclusive(&log.lock);
  int used = 0;
  if (log.prefix) {
    SYSTEMTIME t;
    GetLocalTime(&t);
    used = snprintf(line, 64, "%.2i:%.2i:%.2i | %u >> ", t.wHour, t.wMinute, t.wSecond,
                    log.lineCounter);
    if (used < 0) used = 0;
    ++log.lineCounter;
  }
  va_list args;
  va_start(args, format);
  int n = vsnprintf(line + used, kLogLineSize, format, args);
  va_end(args);
  if (n < 0) n = 0;
  if (n > kLogLineSize - 1) n = kLogLineSize - 1;  // text past the buffer is cut
  used += n;
  line[used++] = '\n';
  if (log.file != INVALID_HANDLE_VALUE) {
    DWORD written = 0;
    WriteFile(log.file, line, static_cast<DWORD>(used), &written, nullptr);
  }
  ReleaseSRWLockExclusive(&log.lock);
  free(line);
}

namespace {

// Each box formats into its own buffer: boxes of two threads may be open at
// the same time.
void showBox(const char* caption, UINT icon, int traceLevel, const char* format, va_list args) {
  char* text = static_cast<char*>(calloc(kBoxTextSize, 1));
  if (!text) return;
  vsnprintf(text, kBoxTextSize, format, args);
  MessageBoxA(nullptr, text, caption, MB_OK | icon);
  Korveth_nsp::kvTraceMgr::getInstance()->logTrace(traceLevel, text);
  free(text);
}

}  // namespace

void ShowErrorBox(const char* format, ...) {
  va_list args;
  va_start(args, format);
  showBox("Quorvel Error", MB_ICONERROR, 1, format, args);
  va_end(args);
}

void ShowInfoBox(const char* format, ...) {
  va_list args;
  va_start(args, format);
  showBox("Quorvel Info", MB_ICONINFORMATION, 4, format, args);
  va_end(args);
}

void ShowWarningBox(const char* format, ...) {
  va_list args;
  va_start(args, format);
  showBox("Quorvel Warning", MB_ICONWARNING, 2, format, args);
  va_end(args);
}

int GetWindowDpi(HWND window) {
  typedef UINT(WINAPI * GetDpiForWindowFn)(HWND);
  static GetDpiForWindowFn getDpi = nullptr;
  if (!getDpi) {
    HMODULE user = GetModuleHandleA("User32");
    if (user)
      getDpi = reinterpret_cast<GetDpiForWindowFn>(
          reinterpret_cast<void*>(GetProcAddress(user, "GetDpiForWindow")));
  }
  if (getDpi) {
    UINT dpi = getDpi(window);
    if (dpi > 0) return static_cast<int>(dpi);
  }
  HDC dc = GetDC(window);
  if (!dc) return 0;
  int dpi = GetDeviceCaps(dc, LOGPIXELSX);
  ReleaseDC(window, dc);
  return dpi;
}

float CelsiusToFahrenheit(float c) { return c * 1.8f + 32.0f; }

int DivRoundUp(int a, int b) {
  if (b == 0) return 0;
  return a / b + (a % b != 0 ? 1 : 0);
}

uint32_t RoundUpToMultiple(uint32_t multiple, uint32_t value) {
  if (multiple == 0) return value;
  uint32_t rest = value % multiple;
  return rest == 0 ? value : value + multiple - rest;
}

void OpenWithShell(const char* target) {
  if (!target || !*target) return;
  ShellExecuteA(nullptr, "open", target, nullptr, nullptr, SW_SHOWNORMAL);
}
