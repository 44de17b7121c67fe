// What a demo scene draws: the scene file names a content kind, its GPU
// programs (shader files next to the scene) and its parameters; the kind's
// small code in the framework builds the geometry and drives the frames.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace tvc {
class Renderer;
class RendererGpu;
}  // namespace tvc

namespace tvl {

class AppEngine;

struct ProgramDesc {
  std::string name;
  std::vector<std::string> files;  // stage from the extension; ".spv" after it: a SPIR-V binary
};

struct ContentDesc {
  std::string kind;  // empty: the window is only cleared
  // A feature the kind needs beyond the context's version: an extension
  // name, satisfied by the extension or by a context of requires_version
  // (major * 10 + minor, 0 = only the extension).
  std::string requires_feature;
  int requires_version = 0;
  std::vector<ProgramDesc> programs;
  std::vector<std::pair<std::string, std::string>> params;
  std::string folder;  // the scene file's folder, ending in a separator

  const char* param(const char* name, const char* fallback) const;
  float param_f(const char* name, float fallback) const;
  int param_i(const char* name, int fallback) const;
};

struct FrameInput {
  float time;  // seconds since the first frame
  float dt;
  int width, height;
  int mouse_x, mouse_y;  // client coordinates, y down
  int mouse_buttons;
  bool mouse_seen;  // false until the first mouse event
  float clear_color[4];
};

// Width over height of the frame; 1 while the window has no height yet.
inline float aspect_of(const FrameInput& in) {
  return in.height > 0 ? static_cast<float>(in.width) / static_cast<float>(in.height) : 1.0f;
}

class SceneContent {
 public:
  virtual ~SceneContent() {}
  // On the thread whose context is current; false (after an error trace)
  // when the scene cannot run.
  virtual bool init(const ContentDesc& desc, AppEngine* engine) = 0;
  virtual void frame(const FrameInput& in) = 0;
};

// A scene drawn through a renderer plug-in's slots (pipelines, meshes,
// textures, render targets, descriptor sets, push constants). frame() runs
// before the window's render pass begins (off-screen passes); record() runs
// inside it, after the viewport and scissor cover the window.
class PluginSceneContent : public SceneContent {
 public:
  // The renderer, its GPU and the window's size at creation; before init.
  void attach(tvc::Renderer* renderer, tvc::RendererGpu* gpu, int width, int height) {
    m_renderer = renderer;
    m_gpu = gpu;
    m_width = width;
    m_height = height;
  }
  virtual void record(const FrameInput& in) = 0;

 protected:
  tvc::Renderer* m_renderer = nullptr;
  tvc::RendererGpu* m_gpu = nullptr;
  int m_width = 0, m_height = 0;
};

// One row of a scene-kind table: the kind's name in the scene file and what
// makes its content.
template <typename Content>
struct SceneKind {
  const char* name;
  Content* (*make)();
};

template <typename Content, typename Kind>
Content* make_content() {
  return new Kind;
}

// The content of the named kind, or null when the table has no such kind.
template <typename Content, size_t N>
Content* content_of_kind(const SceneKind<Content> (&kinds)[N], const std::string& name) {
  for (const SceneKind<Content>& k : kinds)
    if (name == k.name) return k.make();
  return nullptr;
}

// The OpenGL kinds; null for a kind the framework does not know.
SceneContent* create_gl_content(const std::string& kind);
// The kinds drawn through a renderer plug-in; null for an unknown kind.
PluginSceneContent* create_plugin_content(const std::string& kind);

}  // namespace tvl
