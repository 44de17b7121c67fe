#include "demos/TimestampLog.h"

#include <cstdio>
#include <cstring>
#include <string>

TimestampLog::TimestampLog() : m_enabled(false), m_prefix(false), m_counter(0), m_file(INVALID_HANDLE_VALUE) {}

TimestampLog::~TimestampLog() { close(); }

bool TimestampLog::open(const char* path, bool append, bool enabled) {
  close();
  m_counter = 0;
  m_enabled = enabled;
  m_prefix = true;
  if (!enabled) return true;
  if (!path) return false;
  m_file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                       append ? OPEN_ALWAYS : CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (m_file == INVALID_HANDLE_VALUE) return false;
  if (append) SetFilePointer(m_file, 0, nullptr, FILE_END);
  return true;
}

void TimestampLog::writeLine(const char* text) {
  if (!m_enabled || m_file == INVALID_HANDLE_VALUE) return;
  std::string line;
  if (m_prefix) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    char prefix[64];
    snprintf(prefix, sizeof(prefix), "%.2i:%.2i:%.2i | %u >> ", now.wHour, now.wMinute, now.wSecond, m_counter++);
    line = prefix;
  }
  line += text ? text : "";
  line += "\r\n";
  DWORD written = 0;
  WriteFile(m_file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  FlushFileBuffers(m_file);
}

void TimestampLog::close() {
  if (m_file != INVALID_HANDLE_VALUE) CloseHandle(m_file);
  m_file = INVALID_HANDLE_VALUE;
}
