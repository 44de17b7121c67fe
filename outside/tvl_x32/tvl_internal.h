// Records of the demo framework that stay inside the library.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "tvl.h"
#include "tvl_content.h"

namespace tvl {

// One element of an XML document.
struct XmlNode {
  std::string name;
  std::vector<std::pair<std::string, std::string>> attributes;
  std::string text;
  std::vector<XmlNode> children;
  // The attribute's value, or fallback when absent.
  const char* attribute(const char* key, const char* fallback) const;
};

// Parses a whole document held in memory. On failure error gets a line
// naming the fault and its line number.
bool parse_xml(const char* data, size_t size, XmlNode* root, std::string* error);

enum ScriptRunMode { kRunInit = 1, kRunFrame = 2 };

struct SceneScript {
  std::string name;
  int run_mode = kRunInit;
  std::string source;
};

struct SceneWindow {
  std::string name;
  std::string renderer_type;
  unsigned gpu_index = 0;
  int gl_major = 0;
  int gl_minor = 0;
  int gl_core_profile = 0;
  int width = 0;
  int height = 0;
  float clear_color[4] = {0.0f, 0.0f, 0.0f, 1.0f};
  std::string device_extension;  // a Vulkan device extension the scene cannot run without
};

struct Scene {
  std::string file;
  std::vector<SceneWindow> windows;
  std::vector<SceneScript> scripts;
  ContentDesc content;
};

// Reads a scene from its XML root; error names the first fault.
bool build_scene(const XmlNode& root, const char* root_name, Scene* scene, std::string* error);

// kOpHold: waits, up to a minute, until the named event is set; a scene
// that stands for a demo caught in a long frame.
enum ScriptOp { kOpTrace, kOpClearColor, kOpTraceMouse, kOpError, kOpHold };

struct ScriptCommand {
  ScriptOp op;
  float values[4];
  std::string text;
  int line;
};

// Compiles one script's source; false with error at the first bad line.
bool compile_script(const SceneScript& script, std::vector<ScriptCommand>* commands, std::string* error);

struct Window3d {
  int id = 0;
  HWND hwnd = nullptr;
  int width = 0;
  int height = 0;
  tvc::Renderer* renderer = nullptr;
  GlRenderer* gl = nullptr;  // owned: the framework's own renderer
  int plugin_id = -1;        // the renderer plug-in, one reference held
  tvc::RenderWindow* render_window = nullptr;
  bool own_render_window = false;
  tvc::RendererGpu* gpu = nullptr;
  bool frame_calls = false;  // the Vulkan2 renderer: frames by begin, end and submit
  bool size_changed = false;  // a plug-in's swapchain is made again before the next frame
  // The first generation: one primary command list per swapchain image.
  std::vector<tvc::GpuCommandList*> image_lists;
  bool compiled = false;
  std::vector<ScriptCommand> init_commands;
  std::vector<ScriptCommand> frame_commands;
  float clear_color[4] = {0.0f, 0.0f, 0.0f, 1.0f};
  int mouse_x = 0;
  int mouse_y = 0;
  int mouse_buttons = 0;
  float time = 0.0f;
  float elapsed = 0.0f;     // seconds of frames drawn so far
  bool mouse_seen = false;  // a mouse event arrived
  std::unique_ptr<SceneContent> content;
  PluginSceneContent* plugin_content = nullptr;  // the content, when a plug-in draws it
};

struct PluginEntry {
  int id = 0;
  int references = 0;
  std::string path;  // full path, the key for a second load
  HMODULE module = nullptr;
  tvc::Plugin* plugin = nullptr;
  tvc_plugin_destroy_fn destroy = nullptr;
  bool initialized_here = false;
};

}  // namespace tvl
