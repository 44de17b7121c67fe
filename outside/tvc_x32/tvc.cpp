#include "tvc.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace tvc {

namespace {
const unsigned kLineSize = 4096;

void format_line(char* line, const char* format, va_list args) {
  if (!format) format = "";
  vsnprintf(line, kLineSize, format, args);
  line[kLineSize - 1] = '\0';
}
}  // namespace

#define TVC_FORMAT_AND_WRITE(level)          \
  char line[kLineSize];                      \
  va_list args;                              \
  va_start(args, format);                    \
  format_line(line, format, args);           \
  va_end(args);                              \
  LogMgr::get()->write(level, line)

// ---- LogMgr

LogMgr::LogMgr() : m_sink(nullptr), m_sink_user(nullptr) {}

LogMgr* LogMgr::get() {
  static LogMgr instance;
  return &instance;
}

void LogMgr::set_sink(Sink sink, void* user) {
  m_sink = sink;
  m_sink_user = user;
}

void LogMgr::write(int level, const char* text) {
  if (!text) text = "";
  if (m_sink) m_sink(level, text, m_sink_user);
  OutputDebugStringA(text);
  OutputDebugStringA("\n");
}

void LogMgr::tracef(const char* format, ...) { TVC_FORMAT_AND_WRITE(kPlain); }
void LogMgr::tracef_warning(const char* format, ...) { TVC_FORMAT_AND_WRITE(kWarning); }
void LogMgr::tracef_error(const char* format, ...) { TVC_FORMAT_AND_WRITE(kError); }
void LogMgr::tracef_debug(const char* format, ...) { TVC_FORMAT_AND_WRITE(kDebug); }

void LogMgr::trace(int level, const char* format, ...) { TVC_FORMAT_AND_WRITE(level); }

// ---- Plugin

Plugin::Plugin() : initialized(0), verbose(0), m_type(0), m_version{0, 0, 0} {
  m_name[0] = m_description[0] = m_build_info[0] = '\0';
}
Plugin::~Plugin() {}

void Plugin::tracef(const char* format, ...) { TVC_FORMAT_AND_WRITE(LogMgr::kPlain); }
void Plugin::tracef_warning(const char* format, ...) { TVC_FORMAT_AND_WRITE(LogMgr::kWarning); }
void Plugin::tracef_error(const char* format, ...) { TVC_FORMAT_AND_WRITE(LogMgr::kError); }
void Plugin::tracef_debug(const char* format, ...) { TVC_FORMAT_AND_WRITE(LogMgr::kDebug); }

bool Plugin::initialize() { return true; }
bool Plugin::terminate() { return true; }
const char* Plugin::get_name() const { return m_name; }

void Plugin::set_type(int type) { m_type = type; }
void Plugin::set_name(const char* name) { utils::copy_text(m_name, sizeof(m_name), name); }
void Plugin::set_description(const char* text) {
  utils::copy_text(m_description, sizeof(m_description), text);
}
void Plugin::set_build_info(const char* text) {
  utils::copy_text(m_build_info, sizeof(m_build_info), text);
}
void Plugin::set_version(int major, int minor, int patch) {
  m_version[0] = major;
  m_version[1] = minor;
  m_version[2] = patch;
}
void Plugin::get_version(int* major, int* minor, int* patch) const {
  if (major) *major = m_version[0];
  if (minor) *minor = m_version[1];
  if (patch) *patch = m_version[2];
}

// ---- GpuCommandList

GpuCommandList::GpuCommandList() : kind(0), renderer_data(nullptr), id(utils::gen_id()) {}
GpuCommandList::~GpuCommandList() {}

// ---- RendererGpu

RendererGpu::RendererGpu() : id(utils::gen_id()), gpu_index(0), renderer_data(nullptr) {}
RendererGpu::~RendererGpu() {}

// ---- RenderWindow

RenderWindow::RenderWindow()
    : native_window(nullptr), device_context(nullptr), surface_created(0), renderer_data(nullptr) {
  memset(&desc, 0, sizeof(desc));
}
RenderWindow::~RenderWindow() {}
void RenderWindow::update_size(unsigned width, unsigned height) {
  // Sizes beyond what an int holds are no window's size: taken as none.
  desc.width = width > 0x7FFFFFFFu ? 0 : static_cast<int>(width);
  desc.height = height > 0x7FFFFFFFu ? 0 : static_cast<int>(height);
}

// ---- Renderer

Renderer::Renderer()
    : m_api_type(0), m_app_version{0, 0, 0, 0}, m_option_count(0), m_current_window(nullptr) {
  m_api_name[0] = '\0';
}
Renderer::~Renderer() {}

void Renderer::set_api_name(const char* name) {
  utils::copy_text(m_api_name, sizeof(m_api_name), name);
}
void Renderer::set_api_type(int type) { m_api_type = type; }

bool Renderer::set_option(const char* name) {
  if (!name || !*name) return false;
  if (find_option(name)) return true;
  if (m_option_count >= kMaxOptions || strlen(name) >= kOptionLength) return false;
  utils::copy_text(m_options[m_option_count++], kOptionLength, name);
  return true;
}
void Renderer::clear_options() { m_option_count = 0; }
bool Renderer::find_option(const char* name) const {
  if (!name) return false;
  for (int i = 0; i < m_option_count; ++i)
    if (strcmp(m_options[i], name) == 0) return true;
  return false;
}

void Renderer::set_app_version(int major, int minor, int patch, int build) {
  m_app_version[0] = major;
  m_app_version[1] = minor;
  m_app_version[2] = patch;
  m_app_version[3] = build;
}
void Renderer::get_app_version(int* version) const {
  if (!version) return;
  for (int i = 0; i < 4; ++i) version[i] = m_app_version[i];
}

// ---- utils

namespace utils {
int gen_id() {
  static volatile LONG counter = 0;
  LONG id = InterlockedIncrement(&counter);
  if (id == 0) id = InterlockedIncrement(&counter);
  return static_cast<int>(id);
}

void copy_text(char* destination, unsigned capacity, const char* source) {
  if (!destination || capacity == 0) return;
  if (!source) source = "";
  size_t n = strnlen(source, capacity - 1);
  memcpy(destination, source, n);
  destination[n] = '\0';
}
}  // namespace utils

}  // namespace tvc
