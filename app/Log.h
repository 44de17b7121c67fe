// The program's log file, the three message boxes and small utilities.
#pragma once
#include <windows.h>

#include <cstdint>

struct LogStream {
  LogStream();
  ~LogStream();
  LogStream(const LogStream&) = delete;
  LogStream& operator=(const LogStream&) = delete;

  // Opens the file for writing (truncated, shared with other processes).
  bool open(const char* path);
  void close();

  bool enabled;
  bool prefix;
  uint32_t lineCounter;
  HANDLE file;
  CRITICAL_SECTION lock;
};

extern LogStream g_log;

// One line: optional "hh:mm:ss | n >> " prefix, the text, a line feed.
// The whole line is written at once, so lines of several threads never mix.
void LogPrintf(LogStream& log, const char* format, ...) __attribute__((format(gnu_printf, 2, 3)));

void ShowErrorBox(const char* format, ...) __attribute__((format(gnu_printf, 1, 2)));
void ShowInfoBox(const char* format, ...) __attribute__((format(gnu_printf, 1, 2)));
void ShowWarningBox(const char* format, ...) __attribute__((format(gnu_printf, 1, 2)));

int GetWindowDpi(HWND window);
int ReadGlobalTimer(int reset);
float CelsiusToFahrenheit(float c);
int DivRoundUp(int a, int b);
uint32_t RoundUpToMultiple(uint32_t multiple, uint32_t value);
void OpenWithShell(const char* target);
bool IsPhysXOnGpu();
