// Stand-in for the outside core graphics library "tvc_x32": the plug-in base
// classes and the services the bridge and the renderer plug-ins rely on.
#pragma once

#include <cstddef>
#include <cstdint>

#ifdef TVC_BUILDING_LIBRARY
#define TVC_API __declspec(dllexport)
#else
#define TVC_API __declspec(dllimport)
#endif

#define TVC_PRINTF(fmt, args) __attribute__((format(gnu_printf, fmt, args)))

struct ImDrawData;

namespace tvc {

struct mat4 {
  float m[16];
};

struct vec4 {
  float x, y, z, w;
};

// Trace log: plain, error, warning and debug levels. Every line also goes to
// the debugger output; a sink (tests, hosts) receives each formatted line.
class TVC_API LogMgr {
 public:
  enum Level { kPlain = 0, kError = 1, kWarning = 2, kDebug = 3 };
  typedef void (*Sink)(int level, const char* text, void* user);

  static LogMgr* get();
  static LogMgr* get_instance() { return get(); }

  void tracef(const char* format, ...) TVC_PRINTF(2, 3);
  void tracef_warning(const char* format, ...) TVC_PRINTF(2, 3);
  void tracef_error(const char* format, ...) TVC_PRINTF(2, 3);
  void tracef_debug(const char* format, ...) TVC_PRINTF(2, 3);
  void trace(int level, const char* format, ...) TVC_PRINTF(3, 4);
  // Writes one finished line at a level.
  void write(int level, const char* text);
  void set_sink(Sink sink, void* user);

 private:
  LogMgr();
  Sink m_sink;
  void* m_sink_user;
};

// Base of every plug-in the framework loads from the plug-in folder.
class TVC_API Plugin {
 public:
  Plugin();
  virtual ~Plugin();  // slot 0
  // Slots 1 to 4: one trace line at the plain, warning, error, debug level.
  virtual void tracef(const char* format, ...) TVC_PRINTF(2, 3);
  virtual void tracef_warning(const char* format, ...) TVC_PRINTF(2, 3);
  virtual void tracef_error(const char* format, ...) TVC_PRINTF(2, 3);
  virtual void tracef_debug(const char* format, ...) TVC_PRINTF(2, 3);
  // Slots 5 and 6: a plug-in runs the base's first and last.
  virtual bool initialize();
  virtual bool terminate();
  virtual const char* get_name() const;

  void set_type(int type);
  void set_name(const char* name);
  void set_description(const char* text);
  void set_build_info(const char* text);
  void set_version(int major, int minor, int patch);
  int get_type() const { return m_type; }
  const char* get_description() const { return m_description; }
  const char* get_build_info() const { return m_build_info; }
  void get_version(int* major, int* minor, int* patch) const;

  // Read and written directly by the plug-ins and the host.
  unsigned char initialized;
  unsigned char verbose;

 private:
  int m_type;
  int m_version[3];
  char m_name[64];
  char m_description[256];
  char m_build_info[128];
};

class RendererGpu;
class RenderWindow;
class GpuCommandList;
class GpuPipelineStateData;
class TextureSampler;
class TextureData;
class GpuRenderTarget;
class GpuProgramData;
class GeometryCore;
class GpuBuffer;
struct MeshRenderRange;

// The window description a host hands to render_window_init: a block of
// 124 bytes whose third 32-bit word points to the window's HWND, whose byte
// at 35 is the sync option (nonzero: present in FIFO mode) and whose 32-bit
// word at 36 is the mailbox option (nonzero: never present in IMMEDIATE
// mode). Hosts built for either pointer size lay it out the same way, so it
// is packed to 4 bytes: a 64-bit build keeps 124 bytes and the offsets.
#pragma pack(push, 4)
struct RenderWindowDesc {
  int width;
  int height;
  void* native_window;  // points to the window's HWND
  unsigned char reserved[35 - 8 - sizeof(void*)];
  unsigned char vsync;
  int mailbox;
  unsigned char reserved_tail[124 - 40];
};
#pragma pack(pop)
static_assert(sizeof(RenderWindowDesc) == 124, "the window block is 124 bytes");
static_assert(offsetof(RenderWindowDesc, native_window) == 8, "the window pointer is the block's third word");
static_assert(offsetof(RenderWindowDesc, vsync) == 35, "the sync option is the block's byte 35");
static_assert(offsetof(RenderWindowDesc, mailbox) == 36, "the mailbox option is the block's word at 36");

// A GPU as the renderer hands it to its host. The library gives every GPU a
// fresh id; the renderer sets the index and its own record.
class TVC_API RendererGpu {
 public:
  RendererGpu();
  virtual ~RendererGpu();
  int id;
  int gpu_index;
  void* renderer_data;
};

// A recording object a renderer hands to its host: the renderer stores the
// kind and hangs its own record on it; the library gives it a fresh id.
class TVC_API GpuCommandList {
 public:
  GpuCommandList();
  virtual ~GpuCommandList();
  int kind;  // 1: secondary, every other value: primary
  void* renderer_data;
  int id;
};

// A native window a renderer draws into. The renderer creates and destroys
// it and hangs its own surface record on it; the size lives in the copied
// window description.
class TVC_API RenderWindow {
 public:
  RenderWindow();
  virtual ~RenderWindow();
  int get_width() const { return desc.width; }
  int get_height() const { return desc.height; }
  void update_size(unsigned width, unsigned height);
  // True while both sides are above zero (a minimised window has none).
  bool is_size_valid() const { return desc.width > 0 && desc.height > 0; }

  RenderWindowDesc desc;
  void* native_window;  // HWND
  void* device_context;  // HDC
  unsigned char surface_created;
  void* renderer_data;
};

// Base of the renderer plug-ins: the whole renderer interface, in slot order.
class TVC_API Renderer : public Plugin {
 public:
  enum { kMaxOptions = 32, kOptionLength = 64 };
  Renderer();
  ~Renderer() override;

  void set_api_name(const char* name);
  const char* get_api_name() const { return m_api_name; }
  void set_api_type(int type);  // 5: Vulkan
  int get_api_type() const { return m_api_type; }
  // Options a host sets before initialize; false when the list is full.
  bool set_option(const char* name);
  void clear_options();
  bool find_option(const char* name) const;
  void set_app_version(int major, int minor, int patch, int build);
  // Fills four ints: major, minor, patch, build.
  void get_app_version(int* version) const;
  RenderWindow* get_current_render_window() const { return m_current_window; }
  void set_current_render_window(RenderWindow* window) { m_current_window = window; }

#include "tvc_renderer_slots.h"

 private:
  char m_api_name[32];
  int m_api_type;
  int m_app_version[4];
  int m_option_count;
  char m_options[kMaxOptions][kOptionLength];
  RenderWindow* m_current_window;
  // Render targets made by the create and alloc slots, in creation order.
  enum { kMaxRenderTargets = 256 };
  GpuRenderTarget* m_render_targets[kMaxRenderTargets];
  int m_render_target_count;
  GpuRenderTarget* m_current_render_target;
};

namespace utils {
// A fresh id, never 0, unique among the objects of the process.
TVC_API int gen_id();
// Bounded copy that always ends with a zero byte (capacity > 0).
TVC_API void copy_text(char* destination, unsigned capacity, const char* source);
}  // namespace utils

}  // namespace tvc

#include "tvc_objects.h"
#include "tvc_scene.h"

// Every plug-in exports these two.
typedef tvc::Plugin* (*tvc_plugin_create_fn)();
typedef int (*tvc_plugin_destroy_fn)(tvc::Plugin*);
