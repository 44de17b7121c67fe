// Demo scenes and their 3D windows.
#include <GL/glew.h>

#include <cstring>
#include <memory>

#include "tvl_internal.h"

namespace tvl {

namespace {
// Held while the observer is changed or called: once a change returns, the
// old observer and its user pointer are no longer in use.
SRWLOCK g_frame_observer_lock = SRWLOCK_INIT;
AppEngine::FrameObserver g_frame_observer = nullptr;
void* g_frame_observer_user = nullptr;
}  // namespace

void AppEngine::set_frame_observer(FrameObserver observer, void* user) {
  AcquireSRWLockExclusive(&g_frame_observer_lock);
  g_frame_observer = observer;
  g_frame_observer_user = user;
  ReleaseSRWLockExclusive(&g_frame_observer_lock);
}

bool AppEngine::lumaq_start() {
  if (m_started) {
    trace_warning("Engine already started.");
    return false;
  }
  m_started = true;
  return true;
}

void AppEngine::lumaq_stop() {
  if (!m_started) return;
  while (!m_windows.empty()) lumaq_kill_window3d(m_windows.back()->id);
  m_started = false;
}

bool AppEngine::lumaq_load_xml_scene_graph(const char* file, int default_width, int default_height) {
  if (!m_started || !file || !*file) return false;
  lumaq_cleanup_server_scene_graph();
  HANDLE h = CreateFileA(file, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    trace_error("Scene %s: the file does not open.", file);
    return false;
  }
  LARGE_INTEGER size{};
  std::string data;
  bool read_ok = GetFileSizeEx(h, &size) && size.QuadPart <= kMaxSceneBytes;
  if (read_ok) {
    data.resize(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    read_ok = data.empty() || (ReadFile(h, &data[0], static_cast<DWORD>(data.size()), &got, nullptr) &&
                               got == data.size());
  }
  CloseHandle(h);
  if (!read_ok) {
    trace_error("Scene %s: unreadable or larger than %d bytes.", file, static_cast<int>(kMaxSceneBytes));
    return false;
  }
  XmlNode root;
  std::string error;
  std::unique_ptr<Scene> scene(new Scene);
  if (!parse_xml(data.data(), data.size(), &root, &error) ||
      !build_scene(root, m_root_node_name.c_str(), scene.get(), &error)) {
    trace_error("Scene %s: %s", file, error.c_str());
    return false;
  }
  scene->file = file;
  for (SceneWindow& w : scene->windows) {
    if (w.width <= 0) w.width = default_width;
    if (w.height <= 0) w.height = default_height;
  }
  m_scene = scene.release();
  trace("Scene %s loaded: %d window(s), %d script(s).", file, static_cast<int>(m_scene->windows.size()),
        static_cast<int>(m_scene->scripts.size()));
  return true;
}

void AppEngine::lumaq_cleanup_server_scene_graph() {
  while (!m_windows.empty()) lumaq_kill_window3d(m_windows.back()->id);
  delete m_scene;
  m_scene = nullptr;
}

const char* AppEngine::lumaq_get_window3d_renderer_type(int index) {
  if (!m_scene || index < 0 || static_cast<size_t>(index) >= m_scene->windows.size()) return "";
  return m_scene->windows[static_cast<size_t>(index)].renderer_type.c_str();
}

#define TVL_SCENE_WINDOW_VALUE(field)                                                                   \
  if (!m_scene || index < 0 || static_cast<size_t>(index) >= m_scene->windows.size()) return 0; \
  return m_scene->windows[static_cast<size_t>(index)].field

unsigned AppEngine::lumaq_get_window3d_gpu_index_by_index(int index) { TVL_SCENE_WINDOW_VALUE(gpu_index); }
int AppEngine::lumaq_get_window3d_gl_version_major_by_index(int index) { TVL_SCENE_WINDOW_VALUE(gl_major); }
int AppEngine::lumaq_get_window3d_gl_version_minor_by_index(int index) { TVL_SCENE_WINDOW_VALUE(gl_minor); }
int AppEngine::lumaq_get_window3d_gl_core_profile_by_index(int index) { TVL_SCENE_WINDOW_VALUE(gl_core_profile); }

Window3d* AppEngine::find_window(int id) {
  for (Window3d* w : m_windows)
    if (w->id == id) return w;
  return nullptr;
}

bool AppEngine::create_plugin_renderer(Window3d* window, const char* plugin_file, unsigned gpu_index) {
  window->plugin_id = load_plugin(plugin_file);
  tvc::Plugin* plugin = tvc::Kernel::get()->get_plugin(window->plugin_id);
  if (!plugin) {
    trace_error("Renderer plugin %s not found in the plugin search path.", plugin_file);
    return false;
  }
  if (plugin->get_type() != 1) {
    trace_error("Plugin %s is not a renderer.", plugin_file);
    return false;
  }
  tvc::Renderer* renderer = static_cast<tvc::Renderer*>(plugin);
  window->renderer = renderer;
  renderer->set_app_version(m_version[0], m_version[1], m_version[2], m_version[3]);
  if (!renderer->initialize()) {
    trace_error("Renderer %s: initialization failed.", plugin->get_name());
    return false;
  }
  tvc::RendererGpu* gpu = renderer->gpu_get_by_index(gpu_index);
  if (gpu) renderer->gpu_set_current(gpu);
  else trace_warning("Renderer %s: no GPU %u, the current GPU is kept.", plugin->get_name(), gpu_index);
  window->gpu = renderer->gpu_get_current();

  tvc::RenderWindow* rw = renderer->render_window_create();
  if (!rw) {
    trace_warning("Renderer %s offers no render window: frames are not presented.", plugin->get_name());
    return true;
  }
  window->render_window = rw;
  tvc::RenderWindowDesc desc{};
  desc.width = window->width;
  desc.height = window->height;
  desc.native_window = &window->hwnd;
  desc.vsync = 0;
  if (!renderer->render_window_init(rw, &desc, 0) || !renderer->gpu_initialize(window->gpu, rw)) {
    // The demo still runs, its scripts included; nothing is shown.
    trace_warning("Renderer %s: the render window cannot be set up: frames are not presented.", plugin->get_name());
    renderer->render_window_kill(rw);
    window->render_window = nullptr;
    return true;
  }
  // A scene that needs a device extension is refused before any frame.
  const std::string& needed = m_scene->windows[0].device_extension;
  if (!needed.empty() && !renderer->gpu_is_device_extension_supported(window->gpu, needed.c_str())) {
    trace_error("Renderer %s: the GPU does not offer %s, which the demo needs.", plugin->get_name(), needed.c_str());
    return false;
  }
  window->frame_calls = m_scene->windows[0].renderer_type == "Vulkan2";
  return true;
}

// The first generation's list for swapchain image i, made on first use; it
// carries fence index i, so acquiring image i again waits for that list.
static tvc::GpuCommandList* image_list(Window3d* w, unsigned image) {
  tvc::Renderer* r = w->renderer;
  if (image >= r->swapchain_get_image_count(w->gpu)) return nullptr;
  while (w->image_lists.size() <= image) {
    tvc::GpuCommandList* list = r->command_list_get_default(w->gpu, 0);
    if (!list) return nullptr;
    r->command_list_set_fence_index(list, static_cast<int>(w->image_lists.size()));
    w->image_lists.push_back(list);
  }
  return w->image_lists[image];
}

// What the scene's content gets for the window's next frame.
static FrameInput frame_input(Window3d* w) {
  w->elapsed += w->time;
  FrameInput in{};
  in.time = w->elapsed;
  in.dt = w->time;
  in.width = w->width;
  in.height = w->height;
  in.mouse_x = w->mouse_x;
  in.mouse_y = w->mouse_y;
  in.mouse_buttons = w->mouse_buttons;
  in.mouse_seen = w->mouse_seen;
  memcpy(in.clear_color, w->clear_color, sizeof(in.clear_color));
  return in;
}

// Hands the frame to the observer, under its lock.
static void observe_frame(int window_id, const std::vector<unsigned char>& rgba, int width, int height) {
  if (g_frame_observer) g_frame_observer(window_id, rgba.data(), width, height, g_frame_observer_user);
}

// The plug-in's frame read back after its submit: top row first, in B, G,
// R, A from the Vulkan2 renderer and R, G, B, A from the first generation;
// the observer gets R, G, B, A rows bottom first.
static void observe_plugin_frame(Window3d* w) {
  AcquireSRWLockExclusive(&g_frame_observer_lock);
  int size = 0, width = 0, height = 0;
  if (g_frame_observer) w->renderer->get_color_buffer_size(&size, &width, &height);
  if (width > 0 && height > 0 && size == width * height * 4) {
    std::vector<unsigned char> read(static_cast<size_t>(size)), rgba(static_cast<size_t>(size));
    w->renderer->read_color_buffer(read.data());
    const size_t row = static_cast<size_t>(width) * 4;
    for (int y = 0; y < height; ++y) {
      const unsigned char* from = &read[static_cast<size_t>(height - 1 - y) * row];
      unsigned char* to = &rgba[static_cast<size_t>(y) * row];
      for (size_t x = 0; x < row; x += 4) {
        to[x] = from[x + (w->frame_calls ? 2 : 0)];
        to[x + 1] = from[x + 1];
        to[x + 2] = from[x + (w->frame_calls ? 0 : 2)];
        to[x + 3] = from[x + 3];
      }
    }
    observe_frame(w->id, rgba, width, height);
  }
  ReleaseSRWLockExclusive(&g_frame_observer_lock);
}

// The scene content's binds and draws inside the window's render pass.
static void record_plugin_frame(Window3d* w, const FrameInput& in) {
  if (!w->plugin_content) return;
  w->renderer->set_viewport_and_scissor(w->gpu, 0, 0, w->render_window->get_width(), w->render_window->get_height());
  w->plugin_content->record(in);
}

// One frame of a Vulkan renderer plug-in. The content's off-screen passes
// come first; the Vulkan2 renderer records the frame between begin and end
// and submits it; the first generation records the list of the acquired
// image and submits it. The frame is read back for an observer before it
// is presented.
bool AppEngine::render_plugin_frame(Window3d* w) {
  tvc::Renderer* r = w->renderer;
  // Not every system reports a resized surface as out of date: the swapchain
  // follows the window's new size before the frame.
  if (w->size_changed) {
    w->size_changed = false;
    if (!r->swapchain_recreate(w->gpu, w->render_window)) trace_warning("Window %d: the swapchain was not resized.", w->id);
  }
  if (!r->frame_acquire(w->gpu, w->render_window)) return false;
  const FrameInput in = frame_input(w);
  if (w->plugin_content) w->plugin_content->frame(in);
  bool ok = true;
  if (w->frame_calls) {
    ok = r->frame_begin(w->gpu, true, true);
    if (ok) record_plugin_frame(w, in);
    ok = ok && r->frame_end(w->gpu, true, true);
    ok = ok && r->frame_submit(w->gpu, 0);
  } else {
    tvc::GpuCommandList* list = image_list(w, r->swapchain_get_image_index(w->gpu));
    ok = list && r->command_list_open(list);
    if (ok) {
      const bool pass = r->command_list_begin_swapchain_render_pass(list, 0);
      if (pass) {
        record_plugin_frame(w, in);
        r->command_list_end_render_pass(list);
      }
      ok = r->command_list_close(list) && pass;
      ok = ok && r->command_list_submit(list);
    }
  }
  if (ok) observe_plugin_frame(w);
  return r->frame_present(w->gpu, w->render_window) && ok;
}

int AppEngine::lumaq_create_window3d_v2(const char* plugin_file, const char* title, void* hwnd_ptr, bool fullscreen,
                                        int monitor, int width, int height, int color_bits, int depth_bits,
                                        const char* extra, int gl_major, int gl_minor, int gl_core_profile,
                                        bool vsync, bool debug_context, bool borderless, unsigned gpu_index,
                                        void* user) {
  (void)title, (void)fullscreen, (void)monitor, (void)extra, (void)vsync, (void)debug_context, (void)borderless,
      (void)user;
  if (!m_started || !m_scene) {
    trace_error("3D window: no scene loaded.");
    return -1;
  }
  HWND hwnd = hwnd_ptr ? *static_cast<HWND*>(hwnd_ptr) : nullptr;
  if (!hwnd || !IsWindow(hwnd)) {
    trace_error("3D window: no host window.");
    return -1;
  }
  Window3d* window = new Window3d;
  window->id = tvc::utils::gen_id();
  window->hwnd = hwnd;
  window->width = width;
  window->height = height;
  m_windows.push_back(window);

  bool ok = false;
  if (plugin_file && *plugin_file) {
    ok = create_plugin_renderer(window, plugin_file, gpu_index);
  } else if (strcmp(m_scene->windows[0].renderer_type.c_str(), "OpenGL") == 0) {
    window->gl = new GlRenderer;
    window->renderer = window->gl;
    ok = window->gl->create_context(hwnd, color_bits, depth_bits, gl_major, gl_minor, gl_core_profile != 0);
    if (ok) {
      window->render_window = new tvc::RenderWindow;
      window->own_render_window = true;
      window->render_window->native_window = hwnd;
      window->render_window->update_size(static_cast<unsigned>(width), static_cast<unsigned>(height));
    } else {
      trace_error("OpenGL %d.%d context creation failed.", gl_major, gl_minor);
    }
  } else {
    trace_error("No renderer for the type \"%s\".", m_scene->windows[0].renderer_type.c_str());
  }
  if (!ok) {
    lumaq_kill_window3d(window->id);
    return -1;
  }
  return window->id;
}

tvc::Renderer* AppEngine::lumaq_get_renderer(int id) {
  Window3d* w = find_window(id);
  return w ? w->renderer : nullptr;
}

tvc::RenderWindow* AppEngine::lumaq_get_render_window(int id) {
  Window3d* w = find_window(id);
  return w ? w->render_window : nullptr;
}

void AppEngine::release_window(Window3d* w) {
  // The scene's GPU objects go with its context; they are deleted one by
  // one only where that context is current.
  if (w->content && w->gl && !w->gl->is_current()) (void)w->content.release();
  // A plug-in's content gives its objects back through the renderer, which
  // is still there.
  w->content.reset();
  w->plugin_content = nullptr;
  if (w->gl) {
    w->gl->destroy_context();
    delete w->gl;
  } else if (w->renderer) {
    if (w->render_window) {
      w->image_lists.clear();  // the GPU clean-up frees the lists
      w->renderer->gpu_cleanup(w->gpu, w->render_window);
      w->renderer->render_window_kill(w->render_window);
    }
    w->renderer->terminate();
  }
  if (w->own_render_window) delete w->render_window;
  if (w->plugin_id > 0) unload_plugin(w->plugin_id);
  delete w;
}

bool AppEngine::lumaq_kill_window3d(int id) {
  for (size_t i = 0; i < m_windows.size(); ++i) {
    if (m_windows[i]->id != id) continue;
    Window3d* w = m_windows[i];
    m_windows.erase(m_windows.begin() + static_cast<std::ptrdiff_t>(i));
    release_window(w);
    return true;
  }
  return false;
}

void AppEngine::lumaq_abort_compile_at_first_error(bool abort) { m_abort_at_first_error = abort; }

bool AppEngine::lumaq_compile_scene_window(int id) {
  Window3d* w = find_window(id);
  if (!w || !m_scene) return false;
  w->init_commands.clear();
  w->frame_commands.clear();
  bool ok = true;
  for (const SceneScript& s : m_scene->scripts) {
    std::string error;
    if (!compile_script(s, s.run_mode == kRunInit ? &w->init_commands : &w->frame_commands, &error)) {
      trace_error("Compile error: %s", error.c_str());
      ok = false;
      if (m_abort_at_first_error) break;
    }
  }
  w->compiled = ok && create_content(w);
  return w->compiled;
}

// Whether an OpenGL window's context offers the feature the scene's content
// needs; a missing feature is named in the trace.
bool AppEngine::has_required_feature(Window3d* w) {
  const ContentDesc& desc = m_scene->content;
  const char* feature = desc.requires_feature.c_str();
  if (!*feature) return true;
  if (w->gl) {
    int major = 0, minor = 0;
    w->gl->get_context_version(&major, &minor);
    if (w->gl->has_extension(feature) || (desc.requires_version != 0 && major * 10 + minor >= desc.requires_version))
      return true;
    trace_error("%s is not supported by this OpenGL %d.%d context: the demo cannot run.", feature, major, minor);
    return false;
  }
  return true;  // Vulkan windows check their device extension when they are made
}

// The scene's content: its programs and geometry, on an OpenGL window or
// through the renderer plug-in of a window that presents frames.
bool AppEngine::create_content(Window3d* w) {
  w->content.reset();
  w->plugin_content = nullptr;
  const ContentDesc& desc = m_scene->content;
  if (!has_required_feature(w)) return false;
  const bool by_plugin = !w->gl && w->renderer && w->render_window;
  if (desc.kind.empty() || (!w->gl && !by_plugin)) return true;
  PluginSceneContent* plugin_content = by_plugin ? create_plugin_content(desc.kind) : nullptr;
  std::unique_ptr<SceneContent> content(by_plugin ? plugin_content : create_gl_content(desc.kind));
  if (!content) {
    trace_error("Unknown scene content \"%s\".", desc.kind.c_str());
    return false;
  }
  if (plugin_content) plugin_content->attach(w->renderer, w->gpu, w->width, w->height);
  const size_t slash = m_scene->file.find_last_of("/\\");
  m_scene->content.folder = slash == std::string::npos ? "" : m_scene->file.substr(0, slash + 1);
  if (!content->init(m_scene->content, this)) {
    trace_error("Scene content \"%s\" could not be set up.", desc.kind.c_str());
    return false;
  }
  w->content = std::move(content);
  w->plugin_content = plugin_content;
  return true;
}

bool AppEngine::lumaq_update_window3d_scene_data(int id) {
  Window3d* w = find_window(id);
  if (!w || !m_scene) return false;
  memcpy(w->clear_color, m_scene->windows[0].clear_color, sizeof(w->clear_color));
  return true;
}

namespace {

const DWORD kHoldLimitMs = 60000;

void hold_until_set(const char* event_name) {
  HANDLE event = CreateEventA(nullptr, TRUE, FALSE, event_name);
  if (!event) return;
  WaitForSingleObject(event, kHoldLimitMs);
  CloseHandle(event);
}

}  // namespace

bool AppEngine::run_scripts(Window3d* w, int run_mode) {
  const std::vector<ScriptCommand>& commands = run_mode == kRunInit ? w->init_commands : w->frame_commands;
  for (const ScriptCommand& c : commands) {
    switch (c.op) {
      case kOpTrace: trace("%s", c.text.c_str()); break;
      case kOpClearColor: memcpy(w->clear_color, c.values, sizeof(w->clear_color)); break;
      case kOpTraceMouse:
        trace("mouse x=%d y=%d buttons=%d", w->mouse_x, w->mouse_y, w->mouse_buttons);
        break;
      case kOpError:
        trace_error("Script error (line %d): %s", c.line, c.text.c_str());
        return false;
      case kOpHold:
        hold_until_set(c.text.c_str());
        break;
    }
  }
  return true;
}

bool AppEngine::lumaq_run_scripts_init(int id) {
  Window3d* w = find_window(id);
  if (!w || !w->compiled) return false;
  return run_scripts(w, kRunInit);
}

bool AppEngine::lumaq_render_frame_v2(int id, float time, bool swap) {
  Window3d* w = find_window(id);
  if (!w || !w->compiled) return false;
  w->time = time;
  if (!run_scripts(w, kRunFrame)) return false;
  if (w->gl) {
    draw_gl_frame(w, swap);
    return true;
  }
  if (w->render_window && w->renderer) {
    w->renderer->set_clear_color_4f(w->clear_color[0], w->clear_color[1], w->clear_color[2], w->clear_color[3]);
    return render_plugin_frame(w);
  }
  return true;
}

void AppEngine::draw_gl_frame(Window3d* w, bool swap) {
  const FrameInput in = frame_input(w);
  if (w->content) {
    w->content->frame(in);
  } else {
    glViewport(0, 0, w->width, w->height);
    w->gl->clear(w->clear_color[0], w->clear_color[1], w->clear_color[2], w->clear_color[3]);
  }
  AcquireSRWLockExclusive(&g_frame_observer_lock);
  if (g_frame_observer) {
    std::vector<unsigned char> pixels;
    if (w->gl->read_pixels(w->width, w->height, &pixels)) observe_frame(w->id, pixels, w->width, w->height);
  }
  ReleaseSRWLockExclusive(&g_frame_observer_lock);
  if (swap) w->gl->swap_buffers();
}

bool AppEngine::lumaq_update_window_size(int id, int width, int height) {
  Window3d* w = find_window(id);
  if (!w || width < 0 || height < 0) return false;
  w->width = width;
  w->height = height;
  if (w->render_window) w->render_window->update_size(static_cast<unsigned>(width), static_cast<unsigned>(height));
  w->size_changed = !w->gl;
  trace("Window %d resized to %dx%d.", id, width, height);
  return true;
}

bool AppEngine::lumaq_event_mouse_down(int id, int button, int x, int y, int flags) {
  (void)flags;
  Window3d* w = find_window(id);
  if (!w || button < 1 || button > 8) return false;
  w->mouse_buttons |= 1 << (button - 1);
  w->mouse_x = x;
  w->mouse_y = y;
  w->mouse_seen = true;
  return true;
}

bool AppEngine::lumaq_event_mouse_up(int id, int button, int x, int y, int flags) {
  (void)flags;
  Window3d* w = find_window(id);
  if (!w || button < 1 || button > 8) return false;
  w->mouse_buttons &= ~(1 << (button - 1));
  w->mouse_x = x;
  w->mouse_y = y;
  w->mouse_seen = true;
  return true;
}

bool AppEngine::lumaq_event_mouse_move(int id, int x, int y, int flags) {
  (void)flags;
  Window3d* w = find_window(id);
  if (!w) return false;
  w->mouse_x = x;
  w->mouse_y = y;
  w->mouse_seen = true;
  return true;
}

bool AppEngine::lumaq_get_mouse_state(int id, int* x, int* y, int* buttons) {
  Window3d* w = find_window(id);
  if (!w) return false;
  if (x) *x = w->mouse_x;
  if (y) *y = w->mouse_y;
  if (buttons) *buttons = w->mouse_buttons;
  return true;
}

// The GUI overlay lives in the renderers; the framework keeps no state of it.
bool AppEngine::tvl_imgui_terminate(int id) { return id == 0 || find_window(id) != nullptr; }

}  // namespace tvl
