// Stand-in for the outside core graphics library "tvc_x32": the plug-in base
// classes and the services the bridge and the renderer plug-ins rely on.
#pragma once

#ifdef TVC_BUILDING_LIBRARY
#define TVC_API __declspec(dllexport)
#else
#define TVC_API __declspec(dllimport)
#endif

namespace tvc {

// Trace log: plain, error, warning and debug levels.
class TVC_API LogMgr {
 public:
  enum Level { kPlain = 0, kError = 1, kWarning = 2, kDebug = 3 };
  typedef void (*Sink)(int level, const char* text, void* user);
  static LogMgr* get_instance();
  void trace(int level, const char* format, ...) __attribute__((format(gnu_printf, 3, 4)));
  // Tests capture trace lines here.
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
  virtual ~Plugin();
  virtual const char* get_name() const = 0;
};

// Base of the renderer plug-ins.
class TVC_API Renderer : public Plugin {
 public:
  Renderer();
  ~Renderer() override;
};

namespace utils {
// Process-wide unique object ids (never 0).
TVC_API unsigned gen_id();
}  // namespace utils

}  // namespace tvc

// Every plug-in exports these two.
typedef tvc::Plugin* (*tvc_plugin_create_fn)();
typedef void (*tvc_plugin_destroy_fn)(tvc::Plugin*);
