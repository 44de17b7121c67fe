#include "tvl.h"

#include <cstdarg>
#include <cstring>
#include <ctime>

#include "tvl_internal.h"

namespace tvl {

namespace {
const size_t kTraceLineSize = 4096;

// Plug-ins trace through the core library's log: their lines join ours.
void forward_core_log(int level, const char* text, void* user) {
  int own = AppEngine::kTraceInfo;
  if (level == tvc::LogMgr::kError) own = AppEngine::kTraceError;
  if (level == tvc::LogMgr::kWarning) own = AppEngine::kTraceWarning;
  static_cast<AppEngine*>(user)->trace_line(own, text);
}
}  // namespace

AppEngine::AppEngine()
    : m_trace_file(nullptr),
      m_trace_level(kTraceInfo),
      m_header_type(0),
      m_callback(nullptr),
      m_callback_user(nullptr),
      m_version{0, 0, 0, 0},
      m_root_node_name("scene"),
      m_initialized(false),
      m_scripts_share_state(false),
      m_started(false),
      m_abort_at_first_error(false),
      m_scene(nullptr) {}

AppEngine::~AppEngine() {
  cleanup();
  cleanup_traces();
}

const char* AppEngine::get_version() const { return "0.2.0"; }

// ---- traces

bool AppEngine::init_traces(const char* file, int level, bool append) {
  cleanup_traces();
  m_trace_level = level;
  if (file && *file) m_trace_file = fopen(file, append ? "a" : "w");
  tvc::LogMgr::get()->set_sink(&forward_core_log, this);
  return !file || !*file || m_trace_file != nullptr;
}

void AppEngine::traces_set_header_type(int type) { m_header_type = type; }

void AppEngine::trace_install_callback(TraceCallback callback, void* user) {
  m_callback = callback;
  m_callback_user = user;
}

void AppEngine::cleanup_traces() {
  tvc::LogMgr::get()->set_sink(nullptr, nullptr);
  if (m_trace_file) fclose(m_trace_file);
  m_trace_file = nullptr;
}

void AppEngine::trace_line(int level, const char* text) {
  if (!text) text = "";
  if (level > m_trace_level) return;
  if (m_trace_file) {
    if (m_header_type == 1) {
      time_t now = time(nullptr);
      struct tm local = {};
      localtime_s(&local, &now);
      const char* mark = level == kTraceError ? "(E) " : level == kTraceWarning ? "(W) " : "";
      fprintf(m_trace_file, "[%.2d:%.2d:%.2d] %s", local.tm_hour, local.tm_min, local.tm_sec, mark);
    }
    fprintf(m_trace_file, "%s\n", text);
    fflush(m_trace_file);
  }
  if (m_callback) m_callback(text, m_callback_user);
}

#define TVL_FORMAT_AND_TRACE(level)                \
  char line[kTraceLineSize];                       \
  va_list args;                                    \
  va_start(args, format);                          \
  vsnprintf(line, sizeof(line), format ? format : "", args); \
  va_end(args);                                    \
  line[sizeof(line) - 1] = '\0';                   \
  trace_line(level, line)

void AppEngine::trace(const char* format, ...) { TVL_FORMAT_AND_TRACE(kTraceInfo); }
void AppEngine::trace_warning(const char* format, ...) { TVL_FORMAT_AND_TRACE(kTraceWarning); }
void AppEngine::trace_error(const char* format, ...) { TVL_FORMAT_AND_TRACE(kTraceError); }

// ---- application

void AppEngine::set_app_name(const char* name) { m_app_name = name ? name : ""; }

void AppEngine::setVersion(int major, int minor, int release, int build) {
  m_version[0] = major;
  m_version[1] = minor;
  m_version[2] = release;
  m_version[3] = build;
}

void AppEngine::set_xml_root_node_name(const char* name) {
  if (name && *name) m_root_node_name = name;
}

void AppEngine::set_scripting_module_lib_prefix(const char* prefix) { m_lib_prefix = prefix ? prefix : ""; }

bool AppEngine::init() {
  if (m_initialized) return true;
  trace("Application: %s %d.%d.%d.%d", m_app_name.c_str(), m_version[0], m_version[1], m_version[2], m_version[3]);
  m_initialized = true;
  return true;
}

// Images are read by the renderers themselves: nothing to load here.
bool AppEngine::load_core_image_plugins() { return m_initialized; }

void AppEngine::set_lua_scripts_share_state(bool shared) { m_scripts_share_state = shared; }

bool AppEngine::set_scripting_libs_directory(const char* path) {
  if (!path || !*path) return false;
  m_libs_dir = path;
  trace("Scripting libs directory: %s", path);
  return true;
}

bool AppEngine::cleanup() {
  lumaq_cleanup_server_scene_graph();  // also kills every 3D window
  lumaq_stop();
  while (!m_plugins.empty()) {
    PluginEntry* entry = m_plugins.back();
    entry->references = 1;
    unload_plugin(entry->id);
  }
  m_plugin_dirs.clear();
  m_initialized = false;
  return true;
}

const char* AppEngine::get_app_directory() { return tvc::utils::get_app_directory(); }

// ---- plug-ins

bool AppEngine::add_dir_to_plugin_search_path(const char* path) {
  if (!path || !*path) return false;
  for (const std::string& d : m_plugin_dirs)
    if (d == path) return true;
  m_plugin_dirs.push_back(path);
  return true;
}

PluginEntry* AppEngine::find_plugin(int id) {
  for (PluginEntry* e : m_plugins)
    if (e->id == id) return e;
  return nullptr;
}

int AppEngine::load_plugin(const char* file) {
  if (!file || !*file) return -1;
  std::vector<std::string> candidates;
  const bool has_folder = strchr(file, '\\') || strchr(file, '/') || strchr(file, ':');
  if (has_folder) candidates.push_back(file);
  else
    for (const std::string& d : m_plugin_dirs) {
      std::string path = d;
      if (path.back() != '/' && path.back() != '\\') path += '\\';
      candidates.push_back(path + file);
    }
  for (const std::string& candidate : candidates) {
    char full[MAX_PATH];
    DWORD n = GetFullPathNameA(candidate.c_str(), sizeof(full), full, nullptr);
    if (n == 0 || n >= sizeof(full)) continue;
    for (PluginEntry* e : m_plugins) {
      if (_stricmp(e->path.c_str(), full) == 0) {
        ++e->references;
        return e->id;
      }
    }
    if (GetFileAttributesA(full) == INVALID_FILE_ATTRIBUTES) continue;
    HMODULE module = LoadLibraryA(full);
    if (!module) {
      trace_warning("Plugin %s: the library does not load.", full);
      continue;
    }
    auto create = reinterpret_cast<tvc_plugin_create_fn>(
        reinterpret_cast<void (*)()>(GetProcAddress(module, "tvc_plugin_create")));
    auto destroy = reinterpret_cast<tvc_plugin_destroy_fn>(
        reinterpret_cast<void (*)()>(GetProcAddress(module, "tvc_plugin_destroy")));
    tvc::Plugin* plugin = create && destroy ? create() : nullptr;
    if (!plugin) {
      trace_warning("Plugin %s: no plug-in object.", full);
      FreeLibrary(module);
      continue;
    }
    const int id = tvc::Kernel::get()->add_plugin(plugin);
    if (id <= 0) {
      destroy(plugin);
      FreeLibrary(module);
      return -1;
    }
    PluginEntry* entry = new PluginEntry;
    entry->id = id;
    entry->references = 1;
    entry->path = full;
    entry->module = module;
    entry->plugin = plugin;
    entry->destroy = destroy;
    // Renderers are initialised by the window that uses them, with its options.
    if (plugin->get_type() != 1) entry->initialized_here = plugin->initialize();
    m_plugins.push_back(entry);
    return id;
  }
  return -1;
}

int AppEngine::unload_plugin(int id) {
  PluginEntry* entry = find_plugin(id);
  if (!entry) return 0;
  if (--entry->references > 0) return entry->references;
  if (entry->initialized_here) entry->plugin->terminate();
  tvc::Kernel::get()->remove_plugin(entry->id);
  entry->destroy(entry->plugin);
  FreeLibrary(entry->module);
  for (size_t i = 0; i < m_plugins.size(); ++i)
    if (m_plugins[i] == entry) m_plugins.erase(m_plugins.begin() + static_cast<std::ptrdiff_t>(i));
  delete entry;
  return 0;
}

}  // namespace tvl
