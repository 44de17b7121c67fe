// The bridge between the program and the outside demo framework: a flat set
// of functions over one state object. Strings passed in are borrowed; strings
// returned stay owned by the bridge or the framework. Failures are false, -1
// or "" plus a trace line; nothing is thrown. The bridge starts no thread and
// takes no lock: the host calls it from one thread at a time.
#pragma once

#ifdef STV_BUILDING_LIBRARY
#define STV_API __declspec(dllexport)
#else
#define STV_API __declspec(dllimport)
#endif

namespace stv {

// Receives every trace line of the framework with the user pointer.
typedef void (*TraceCallback)(const char* text, void* user);

// ---- names, versions and the notice line: taken at the next initialize_v2
// A null or empty name keeps the old one; the four ints are always stored.
STV_API void set_sdk_name_and_version(const char* name, int major, int minor, int release, int build);
STV_API void set_host_app_name_and_version(const char* name, int major, int minor, int release, int build);
STV_API void set_copyright(const char* text);

// ---- start and end of the framework
// initialize_v2 ("./_log.txt", null, null).
STV_API bool initialize();
// True at once when already initialised. trace_file may be null.
STV_API bool initialize_v2(const char* trace_file, TraceCallback callback, void* user);
// Ends a running demo first; true when not initialised.
STV_API bool terminate();

// ---- folders and plug-ins (after initialize_v2)
// Null: the program folder followed by "libs/".
STV_API bool set_libs_dir(const char* folder);
// Adds a plug-in search folder; null: the program folder followed by "plugins/".
STV_API bool set_plugins_dir(const char* folder);
// Plug-in id > 0, or -1.
STV_API int load_plugin(const char* file);
STV_API bool unload_plugin(int id);

// ---- utilities
STV_API void thread_sleep(unsigned milliseconds);
// Folder of the running program, with a trailing separator.
STV_API const char* get_app_directory();

// ---- demo run: demo_init, the frames and demo_terminate on one thread
// hwnd_ptr points to the host window's handle; gpu_index 0xFFFFFFFF takes
// the scene's choice.
STV_API bool demo_init(const char* xml, void* hwnd_ptr, int width, int height, const char* extra, unsigned gpu_index);
STV_API bool demo_frame(float time);
STV_API bool demo_resize(int width, int height);
STV_API bool demo_terminate();

// ---- frame timer
// Both give the timer's current value in microseconds.
STV_API float timer_reset();
STV_API float timer_update();
STV_API float timer_get_dt();            // seconds of the last frame
STV_API float timer_get_elapsed_time();  // seconds since the reset
STV_API int timer_get_fps();             // frames of the last completed one-second window
STV_API int timer_get_avg_fps();
STV_API int timer_get_frame_counter();

// ---- the running demo's renderer; "" without one
STV_API const char* renderer_get_model();
STV_API const char* renderer_get_vendor();
// The OpenGL version text, or the Vulkan API version for a Vulkan renderer.
STV_API const char* renderer_get_opengl_version();

// ---- mouse input to the running demo
STV_API bool event_mouse_button(int button, bool down, int x, int y);
STV_API bool event_mouse_move(int x, int y);

}  // namespace stv
