#include "tvc.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>

namespace tvc {

LogMgr::LogMgr() : m_sink(nullptr), m_sink_user(nullptr) {}

LogMgr* LogMgr::get_instance() {
  static LogMgr instance;
  return &instance;
}

void LogMgr::set_sink(Sink sink, void* user) {
  m_sink = sink;
  m_sink_user = user;
}

void LogMgr::trace(int level, const char* format, ...) {
  char line[4096];
  va_list args;
  va_start(args, format);
  vsnprintf(line, sizeof(line), format, args);
  va_end(args);
  if (m_sink) m_sink(level, line, m_sink_user);
  OutputDebugStringA(line);
  OutputDebugStringA("\n");
}

Plugin::Plugin() {}
Plugin::~Plugin() {}
Renderer::Renderer() {}
Renderer::~Renderer() {}

namespace utils {
unsigned gen_id() {
  static volatile LONG counter = 0;
  LONG id = InterlockedIncrement(&counter);
  if (id == 0) id = InterlockedIncrement(&counter);
  return static_cast<unsigned>(id);
}
}  // namespace utils

}  // namespace tvc
