#include "stv.h"

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "tvc.h"
#include "tvc_services.h"
#include "tvl.h"

namespace stv {

namespace {

const int kApiOpenGL = 1;
const int kApiVulkan = 5;
const unsigned kSceneGpu = 0xFFFFFFFFu;

// One 3D window of the framework on a host window.
struct DemoWindow {
  int id = 0;
  tvc::Renderer* renderer = nullptr;          // owned by the framework
  tvc::RenderWindow* render_window = nullptr;  // owned by the framework
  HWND host_window = nullptr;
  int reserved = 0;
};

struct BridgeState {
  std::string sdk_name = "STV";
  int sdk_version[4] = {0, 3, 2, 0};
  std::string host_name;
  int host_version[4] = {0, 0, 0, 0};
  std::string notice = "STV bridge - runs the demos of the Tavrin demo framework in a host window.";
  bool initialized = false;
  DemoWindow* current = nullptr;
  int current_id = 0;
  std::vector<DemoWindow*> windows;
  DWORD host_thread = 0;
  bool input_attached = false;

  tvc::Timer timer;
  float dt = 0.0f;
  float window_seconds = 0.0f;
  unsigned long last_time = 0;
  float elapsed = 0.0f;
  int frame_counter = 0;
  int frames_in_window = 0;
  int fps = 0;
  int avg_fps = 0;

  ~BridgeState() {
    for (DemoWindow* w : windows) delete w;
  }
};

BridgeState g_state;
tvl::AppEngine* g_engine = nullptr;

void attach_input(bool attach) {
  const DWORD self = GetCurrentThreadId();
  if (g_state.host_thread == 0 || g_state.host_thread == self) return;
  if (attach == g_state.input_attached) return;
  if (AttachThreadInput(self, g_state.host_thread, attach ? TRUE : FALSE) || !attach) g_state.input_attached = attach;
}


int demo_window_create(const char* plugin_file, void* hwnd_ptr, int width, int height, const char* extra,
                       int gl_major, int gl_minor, unsigned gpu_index, int core_profile) {
  if (!g_state.initialized || !g_engine || !hwnd_ptr) return 0;
  const int id = g_engine->lumaq_create_window3d_v2(plugin_file, nullptr, hwnd_ptr, false, -1, width, height, 32, 16,
                                                    extra, gl_major, gl_minor, core_profile, true, false, false,
                                                    gpu_index, nullptr);
  if (id < 1) {
    g_engine->trace_error("ERROR: unable to create the 3D window.");
    return id;
  }
  DemoWindow* window = new DemoWindow;
  g_state.windows.push_back(window);
  if (!g_state.current) {
    g_state.current = window;
    g_state.current_id = id;
  }
  window->id = id;
  window->host_window = *static_cast<HWND*>(hwnd_ptr);
  window->renderer = g_engine->lumaq_get_renderer(id);
  window->render_window = g_engine->lumaq_get_render_window(id);

  tvc::Renderer* renderer = window->renderer;
  if (!renderer) return id;
  if (renderer->get_api_type() == kApiOpenGL) {
    // The framework's own renderer.
    tvl::GlRenderer* gl = static_cast<tvl::GlRenderer*>(renderer);
    int major = 0, minor = 0;
    gl->get_context_version(&major, &minor);
    g_engine->trace("OpenGL %d.%d context created OK.", major, minor);
    renderer->set_current_render_window(window->render_window);
    g_engine->trace("OpenGL renderer model: %s", renderer->get_renderer_model());
    g_engine->trace("OpenGL renderer vendor: %s", renderer->get_renderer_vendor());
    g_engine->trace("OpenGL API version: %s", renderer->get_renderer_version());
  } else if (renderer->get_api_type() == kApiVulkan) {
    g_engine->trace("Vulkan renderer initialized OK.");
    const char* name = renderer->gpu_get_name(renderer->gpu_get_by_index(gpu_index));
    g_engine->trace("Vulkan GPU %d: %s", static_cast<int>(gpu_index), name ? name : "");
  }
  return id;
}

bool demo_window_kill(int id) {
  for (size_t i = 0; i < g_state.windows.size(); ++i) {
    DemoWindow* w = g_state.windows[i];
    if (w->id != id) continue;
    if (id > 0 && g_engine) g_engine->lumaq_kill_window3d(id);
    g_state.windows.erase(g_state.windows.begin() + static_cast<std::ptrdiff_t>(i));
    if (w == g_state.current) {
      g_state.current = nullptr;
      g_state.current_id = 0;
    }
    delete w;
    return true;
  }
  return false;
}

// After a failed demo_init: its window goes; the engine started for it
// stays started, and the next demo_init goes on from there.
bool fail_demo_init(int window_id) {
  if (window_id > 0) demo_window_kill(window_id);
  return false;
}

const char* current_renderer_text(const char* (tvc::Renderer::*getter)()) {
  if (!g_state.current || !g_state.current->renderer) return "";
  const char* text = (g_state.current->renderer->*getter)();
  return text ? text : "";
}

}  // namespace

// ---- names and versions

void set_sdk_name_and_version(const char* name, int major, int minor, int release, int build) {
  if (name && *name) g_state.sdk_name = name;
  const int v[4] = {major, minor, release, build};
  memcpy(g_state.sdk_version, v, sizeof(v));
}

void set_host_app_name_and_version(const char* name, int major, int minor, int release, int build) {
  if (name && *name) g_state.host_name = name;
  const int v[4] = {major, minor, release, build};
  memcpy(g_state.host_version, v, sizeof(v));
}

void set_copyright(const char* text) {
  if (text && *text) g_state.notice = text;
}

// ---- initialisation

bool initialize() { return initialize_v2("./_log.txt", nullptr, nullptr); }

bool initialize_v2(const char* trace_file, TraceCallback callback, void* user) {
  if (g_state.initialized) return true;
  g_state.host_thread = GetCurrentThreadId();
  g_engine = new tvl::AppEngine;
  g_engine->init_traces(trace_file, 3, true);
  g_engine->traces_set_header_type(1);
  g_engine->trace_install_callback(callback, user);

  const char* sdk = g_state.sdk_name.c_str();
  const int* v = g_state.sdk_version;
  if (!g_state.host_name.empty()) {
    g_engine->trace("%s (host app: %s) %d.%d.%d.%d initialization in progress...", sdk, g_state.host_name.c_str(),
                    v[0], v[1], v[2], v[3]);
    g_engine->set_app_name(g_state.host_name.c_str());
    const int* h = g_state.host_version;
    g_engine->setVersion(h[0], h[1], h[2], h[3]);
  } else {
    g_engine->trace("%s %d.%d.%d.%d initialization in progress...", sdk, v[0], v[1], v[2], v[3]);
    g_engine->setVersion(v[0], v[1], v[2], v[3]);
    g_engine->set_app_name(sdk);
  }
  // The notice is text, never a format.
  if (!g_state.notice.empty()) g_engine->trace("%s", g_state.notice.c_str());

  g_engine->set_xml_root_node_name("quellin");
  g_engine->set_scripting_module_lib_prefix("vy_");
  g_engine->init();
  g_engine->load_core_image_plugins();
  set_libs_dir(nullptr);
  set_plugins_dir(nullptr);
  g_engine->set_lua_scripts_share_state(false);
  g_state.initialized = true;
  g_engine->trace("%s initialized OK.", sdk);
  return true;
}

bool terminate() {
  if (!g_state.initialized) return true;
  if (!g_engine) return false;
  // A demo still running ends first: its windows belong to the framework.
  if (g_state.current_id > 0) demo_terminate();
  while (!g_state.windows.empty()) demo_window_kill(g_state.windows.back()->id);
  g_engine->trace_install_callback(nullptr, nullptr);
  g_engine->cleanup();
  g_engine->trace("%s terminated OK.", g_state.sdk_name.c_str());
  g_engine->cleanup_traces();
  delete g_engine;
  g_engine = nullptr;
  g_state.initialized = false;
  return true;
}

// ---- folders and plug-ins

bool set_libs_dir(const char* folder) {
  if (!g_engine) return false;
  std::string path = folder ? folder : std::string(tvl::AppEngine::get_app_directory()) + "libs/";
  return g_engine->set_scripting_libs_directory(path.c_str());
}

bool set_plugins_dir(const char* folder) {
  if (!g_engine) return false;
  std::string path = folder ? folder : std::string(tvl::AppEngine::get_app_directory()) + "plugins/";
  g_engine->add_dir_to_plugin_search_path(path.c_str());
  g_engine->trace("Plugin search path: %s", path.c_str());
  return true;
}

int load_plugin(const char* file) {
  if (!g_engine || !file || !*file) return -1;
  const int id = g_engine->load_plugin(file);
  if (id <= 0) return -1;
  g_engine->trace("Plugin %s successfully loaded", file);
  return id;
}

bool unload_plugin(int id) {
  if (!g_engine) return false;
  tvc::Plugin* plugin = tvc::Kernel::get()->get_plugin(id);
  // Copied: the plug-in object is gone once the framework unloads it.
  std::string name = plugin && plugin->get_name() ? plugin->get_name() : "";
  const int r = g_engine->unload_plugin(id);
  if (r < 1)
    g_engine->trace("Plugin %s unloaded.", name.c_str());
  else
    g_engine->trace("Plugin %s is still referenced. Unloading failed.", name.c_str());
  return true;
}

// ---- utilities

void thread_sleep(unsigned milliseconds) { tvc::utils::thread_sleep(milliseconds); }

const char* get_app_directory() { return tvc::utils::get_app_directory(); }

// ---- demo run

bool demo_init(const char* xml, void* hwnd_ptr, int width, int height, const char* extra, unsigned gpu_index) {
  if (!g_state.initialized || !g_engine || !xml || !*xml) return false;
  // One demo at a time: a second start would take over the running demo's
  // window and engine.
  if (g_state.current_id > 0) {
    g_engine->trace_error("A demo is already running: %s not started.", xml);
    return false;
  }
  g_engine->lumaq_start();
  timer_reset();
  if (!g_engine->lumaq_load_xml_scene_graph(xml, 800, 600)) {
    g_engine->trace_error("Unable to load the demo %s.", xml);
    return fail_demo_init(0);
  }

  const char* plugin = nullptr;
  const char* type = g_engine->lumaq_get_window3d_renderer_type(0);
  if (type && (strcmp(type, "Vulkan") == 0 || strcmp(type, "Vulkan2") == 0) && tvc::utils::check_vulkan_support())
    plugin = strcmp(type, "Vulkan") == 0 ? "plugin_tvc_vulkan_x32.dll" : "plugin_tvc_vulkan2_x32.dll";

  if (gpu_index == kSceneGpu) gpu_index = g_engine->lumaq_get_window3d_gpu_index_by_index(0);
  const int major = g_engine->lumaq_get_window3d_gl_version_major_by_index(0);
  const int minor = g_engine->lumaq_get_window3d_gl_version_minor_by_index(0);
  const int core = g_engine->lumaq_get_window3d_gl_core_profile_by_index(0);

  const int id = demo_window_create(plugin, hwnd_ptr, width, height, extra, major, minor, gpu_index, core);
  if (id < 1) {
    g_engine->trace_error("Unable to create the 3D window.");
    return fail_demo_init(0);
  }
  if (g_state.current_id < 1) {
    g_engine->trace_error("Unable to compile the demo.");
    return fail_demo_init(id);
  }
  g_engine->lumaq_abort_compile_at_first_error(true);
  if (!g_engine->lumaq_compile_scene_window(g_state.current_id)) {
    g_engine->trace_error("Unable to compile the demo.");
    return fail_demo_init(id);
  }

  attach_input(true);
  if (g_state.current && g_state.current->host_window) SetFocus(g_state.current->host_window);
  g_engine->lumaq_update_window3d_scene_data(g_state.current_id);
  if (g_engine->lumaq_run_scripts_init(g_state.current_id)) {
    g_engine->trace("Demo initialized OK.");
    return true;
  }
  g_engine->trace_error("Unable to execute init scripts.");
  attach_input(false);
  return fail_demo_init(id);
}

bool demo_frame(float time) {
  if (g_state.current_id < 1 || !g_engine) return false;
  // A frame the framework could not render is reported, not hidden.
  return g_engine->lumaq_render_frame_v2(g_state.current_id, time, true);
}

bool demo_resize(int width, int height) {
  if (g_state.current_id < 1 || !g_engine) return false;
  g_engine->lumaq_update_window_size(g_state.current_id, width, height);
  return true;
}

bool demo_terminate() {
  if (g_state.current_id <= 0 || !g_engine) return false;
  g_engine->tvl_imgui_terminate(0);
  attach_input(false);
  demo_window_kill(g_state.current_id);
  g_engine->lumaq_cleanup_server_scene_graph();
  g_engine->lumaq_stop();
  g_engine->trace("Demo terminated OK.");
  return true;
}

// ---- frame timer

float timer_reset() {
  g_state.timer.reset();
  g_state.last_time = g_state.timer.getMicroseconds();
  g_state.dt = g_state.window_seconds = g_state.elapsed = 0.0f;
  g_state.frame_counter = g_state.frames_in_window = g_state.fps = g_state.avg_fps = 0;
  return static_cast<float>(g_state.last_time);
}

float timer_update() {
  const unsigned long now = g_state.timer.getMicroseconds();
  const uint32_t delta = static_cast<uint32_t>(now) - static_cast<uint32_t>(g_state.last_time);
  g_state.last_time = now;
  ++g_state.frames_in_window;
  ++g_state.frame_counter;
  g_state.dt = static_cast<float>(static_cast<double>(delta) * 0.000001);
  g_state.window_seconds += g_state.dt;
  g_state.elapsed += g_state.dt;
  if (g_state.window_seconds >= 1.0f) {
    g_state.fps = g_state.frames_in_window;
    g_state.frames_in_window = 0;
    g_state.window_seconds = 0.0f;
    g_state.avg_fps = static_cast<int>(static_cast<float>(g_state.frame_counter) / g_state.elapsed);
  }
  return static_cast<float>(now);
}

float timer_get_dt() { return g_state.dt; }
float timer_get_elapsed_time() { return g_state.elapsed; }
int timer_get_fps() { return g_state.fps; }
int timer_get_avg_fps() { return g_state.avg_fps; }
int timer_get_frame_counter() { return g_state.frame_counter; }

// ---- renderer strings

const char* renderer_get_model() { return current_renderer_text(&tvc::Renderer::get_renderer_model); }
const char* renderer_get_vendor() { return current_renderer_text(&tvc::Renderer::get_renderer_vendor); }
const char* renderer_get_opengl_version() { return current_renderer_text(&tvc::Renderer::get_renderer_version); }

// ---- mouse input

bool event_mouse_button(int button, bool down, int x, int y) {
  if (!g_engine) return false;
  return down ? g_engine->lumaq_event_mouse_down(g_state.current_id, button, x, y, 0)
              : g_engine->lumaq_event_mouse_up(g_state.current_id, button, x, y, 0);
}

bool event_mouse_move(int x, int y) {
  if (!g_engine) return false;
  return g_engine->lumaq_event_mouse_move(g_state.current_id, x, y, 0);
}

}  // namespace stv

// The library needs nothing at load or unload.
BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
