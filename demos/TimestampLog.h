// A small text log over a file: lines optionally start with the local time
// and a line counter ("hh:mm:ss | n >> ").
#pragma once
#include <windows.h>

#include <cstdint>

class TimestampLog {
 public:
  TimestampLog();
  ~TimestampLog();
  TimestampLog(const TimestampLog&) = delete;
  TimestampLog& operator=(const TimestampLog&) = delete;

  // Counter 0, prefix on; when enabled the file is opened for writing,
  // appended to or truncated, shared with other processes. False when an
  // enabled log cannot open its file.
  bool open(const char* path, bool append, bool enabled);
  // One line with its end; nothing when the log is not enabled.
  void writeLine(const char* text);
  void close();

 private:
  bool m_enabled;
  bool m_prefix;
  uint32_t m_counter;
  HANDLE m_file;
};
