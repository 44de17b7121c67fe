#include "detect/ScanrikLog.h"

#include <windows.h>

#include <cstdarg>

ScanrikLog::ScanrikLog() : m_enabled(false), m_stream(nullptr) {}

ScanrikLog::ScanrikLog(const char* fileName, bool append, bool enabled)
    : m_enabled(enabled), m_stream(nullptr) {
  if (enabled && fileName) m_stream = fopen(fileName, append ? "a" : "w");
}

ScanrikLog::~ScanrikLog() { close(); }

void ScanrikLog::close() {
  if (m_stream) {
    fflush(m_stream);
    fclose(m_stream);
    m_stream = nullptr;
  }
}

void ScanrikLog::write(const char* format, ...) {
  if (!m_enabled || !m_stream) return;
  char message[4096];
  va_list args;
  va_start(args, format);
  vsnprintf(message, sizeof(message), format, args);
  va_end(args);
  SYSTEMTIME t;
  GetLocalTime(&t);
  fprintf(m_stream, "%i/%i/%i @ %.2i:%.2i:%.2i >> %s\n", t.wYear, t.wMonth, t.wDay, t.wHour,
          t.wMinute, t.wSecond, message);
  fflush(m_stream);
}

ScanrikLog& VendorTraceLog() {
  static ScanrikLog log("_z.log", false, false);
  return log;
}
