// Stand-in for the outside demo framework "tvl_x32": traces, plug-in search
// path and loading, XML demo scenes with small scripts, 3D windows drawn by
// the framework's own OpenGL renderer or by a renderer plug-in, frames,
// window size and mouse input. One AppEngine per host; every call runs on
// the caller's thread.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "tvc.h"
#include "tvc_services.h"

#ifdef TVL_BUILDING_LIBRARY
#define TVL_API __declspec(dllexport)
#else
#define TVL_API __declspec(dllimport)
#endif

#define TVL_PRINTF(fmt, args) __attribute__((format(gnu_printf, fmt, args)))

namespace tvl {

struct Scene;
struct Window3d;
struct PluginEntry;

// The framework's own renderer: an OpenGL context on the host window.
class TVL_API GlRenderer : public tvc::Renderer {
 public:
  GlRenderer();
  ~GlRenderer() override;
  // Creates the context on the window (pixel format with the given bits) and
  // makes it current on the calling thread; major 0 asks for a plain context.
  bool create_context(void* hwnd, int color_bits, int depth_bits, int major, int minor, bool core_profile);
  void destroy_context();
  // Version of the context that was created, 0.0 without one.
  void get_context_version(int* major, int* minor) const;
  void clear(float r, float g, float b, float a);
  void swap_buffers();
  // Whether the context lists the extension.
  bool has_extension(const char* name) const;
  // True while the context is current on the calling thread.
  bool is_current() const;
  // The window's back buffer as RGBA rows, bottom row first.
  bool read_pixels(int width, int height, std::vector<unsigned char>* rgba) const;
  const char* get_renderer_model() override;
  const char* get_renderer_vendor() override;
  const char* get_renderer_version() override;

 private:
  void* m_hwnd;
  void* m_dc;
  void* m_context;
  int m_major;
  int m_minor;
  char m_model[256];
  char m_vendor[256];
  char m_version[256];
};

class TVL_API AppEngine {
 public:
  // Receives every trace line (without header) with the user pointer.
  typedef void (*TraceCallback)(const char* text, void* user);
  enum TraceLevel { kTraceError = 1, kTraceWarning = 2, kTraceInfo = 3 };
  enum { kMaxSceneBytes = 1 << 20 };

  // Receives each drawn frame of a 3D window, read back before the swap or
  // the present (through the renderer plug-in's read-back): RGBA rows,
  // bottom row first. Called on the rendering thread.
  typedef void (*FrameObserver)(int window_id, const unsigned char* rgba, int width, int height, void* user);

  AppEngine();
  ~AppEngine();
  // For hosts that check what a scene draws (tests); null: nothing is read
  // back. Set it while no demo runs.
  static void set_frame_observer(FrameObserver observer, void* user);
  AppEngine(const AppEngine&) = delete;
  AppEngine& operator=(const AppEngine&) = delete;
  const char* get_version() const;

  // ---- traces
  // file may be null (no trace file); lines above level are dropped; append
  // keeps what the file holds.
  bool init_traces(const char* file, int level, bool append);
  // 0: bare lines in the file, 1: "[hh:mm:ss] " and a level mark.
  void traces_set_header_type(int type);
  void trace_install_callback(TraceCallback callback, void* user);
  void cleanup_traces();
  void trace(const char* format, ...) TVL_PRINTF(2, 3);
  void trace_warning(const char* format, ...) TVL_PRINTF(2, 3);
  void trace_error(const char* format, ...) TVL_PRINTF(2, 3);
  void trace_line(int level, const char* text);

  // ---- application
  void set_app_name(const char* name);
  void setVersion(int major, int minor, int release, int build);
  void set_xml_root_node_name(const char* name);
  void set_scripting_module_lib_prefix(const char* prefix);
  bool init();
  bool load_core_image_plugins();
  void set_lua_scripts_share_state(bool shared);
  bool set_scripting_libs_directory(const char* path);
  bool cleanup();
  static const char* get_app_directory();

  // ---- plug-ins
  bool add_dir_to_plugin_search_path(const char* path);
  // Id > 0, the same id again (one more reference) for a plug-in already
  // loaded from the same file; -1 when no folder of the search path gives a
  // loadable plug-in.
  int load_plugin(const char* file);
  // One reference less; at none the plug-in is terminated, destroyed and its
  // library freed. Gives the references left (0 also for an unknown id).
  int unload_plugin(int id);

  // ---- scenes and 3D windows
  bool lumaq_start();
  void lumaq_stop();
  bool lumaq_load_xml_scene_graph(const char* file, int default_width, int default_height);
  void lumaq_cleanup_server_scene_graph();
  // Values of the scene's index-th window; "" / 0 without one.
  const char* lumaq_get_window3d_renderer_type(int index);
  unsigned lumaq_get_window3d_gpu_index_by_index(int index);
  int lumaq_get_window3d_gl_version_major_by_index(int index);
  int lumaq_get_window3d_gl_version_minor_by_index(int index);
  int lumaq_get_window3d_gl_core_profile_by_index(int index);
  // A 3D window on the host window *hwnd_ptr, drawn by the renderer plug-in
  // of that file, or by the framework's OpenGL renderer without one. Id > 0,
  // or -1.
  int lumaq_create_window3d_v2(const char* plugin_file, const char* title, void* hwnd_ptr, bool fullscreen,
                               int monitor, int width, int height, int color_bits, int depth_bits,
                               const char* extra, int gl_major, int gl_minor, int gl_core_profile, bool vsync,
                               bool debug_context, bool borderless, unsigned gpu_index, void* user);
  tvc::Renderer* lumaq_get_renderer(int id);
  tvc::RenderWindow* lumaq_get_render_window(int id);
  bool lumaq_kill_window3d(int id);
  void lumaq_abort_compile_at_first_error(bool abort);
  bool lumaq_compile_scene_window(int id);
  bool lumaq_update_window3d_scene_data(int id);
  bool lumaq_run_scripts_init(int id);
  bool lumaq_render_frame_v2(int id, float time, bool swap);
  bool lumaq_update_window_size(int id, int width, int height);
  bool lumaq_event_mouse_down(int id, int button, int x, int y, int flags);
  bool lumaq_event_mouse_up(int id, int button, int x, int y, int flags);
  bool lumaq_event_mouse_move(int id, int x, int y, int flags);
  // Mouse position and held buttons (bit n-1 for button n) of a window.
  bool lumaq_get_mouse_state(int id, int* x, int* y, int* buttons);
  bool tvl_imgui_terminate(int id);

 private:
  Window3d* find_window(int id);
  PluginEntry* find_plugin(int id);
  void release_window(Window3d* window);
  bool create_plugin_renderer(Window3d* window, const char* plugin_file, unsigned gpu_index);
  bool render_plugin_frame(Window3d* window);
  bool run_scripts(Window3d* window, int run_mode);
  bool has_required_feature(Window3d* window);
  bool create_content(Window3d* window);
  void draw_gl_frame(Window3d* window, bool swap);

  FILE* m_trace_file;
  int m_trace_level;
  int m_header_type;
  TraceCallback m_callback;
  void* m_callback_user;

  std::string m_app_name;
  int m_version[4];
  std::string m_root_node_name;
  std::string m_lib_prefix;
  std::string m_libs_dir;
  bool m_initialized;
  bool m_scripts_share_state;

  std::vector<std::string> m_plugin_dirs;
  std::vector<PluginEntry*> m_plugins;

  bool m_started;
  bool m_abort_at_first_error;
  Scene* m_scene;
  std::vector<Window3d*> m_windows;
};

}  // namespace tvl
