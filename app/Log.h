// The program's log file, the three message boxes and the small utilities
// that need nothing of the application state (those are in AppUtilities.h).
#pragma once
#include <windows.h>

#include <cstdint>

// Threads that are never joined (the update check, a demo thread that did
// not stop) may log while the program's globals are destroyed: the stream's
// end closes the file under its lock and leaves the lock itself in place, so
// such a line waits for the end and is then dropped.
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
  // Needs neither set-up nor deletion: valid before the constructor has run
  // and after the destructor.
  SRWLOCK lock;
};

extern LogStream g_log;

// One line: optional "hh:mm:ss | n >> " prefix, the text, a line feed.
// The whole line is written at once, so lines of several threads never mix.
void LogPrintf(LogStream& log, const char* format, ...) __attribute__((format(gnu_printf, 2, 3)));

void ShowErrorBox(const char* format, ...) __attribute__((format(gnu_printf, 1, 2)));
void ShowInfoBox(const char* format, ...) __attribute__((format(gnu_printf, 1, 2)));
void ShowWarningBox(const char* format, ...) __attribute__((format(gnu_printf, 1, 2)));

int GetWindowDpi(HWND window);
float CelsiusToFahrenheit(float c);
int DivRoundUp(int a, int b);
uint32_t RoundUpToMultiple(uint32_t multiple, uint32_t value);
void OpenWithShell(const char* target);
