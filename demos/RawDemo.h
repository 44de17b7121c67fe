// The pattern every raw OpenGL and OpenCL demo thread follows: its own
// OpenGL context on the demo window, a version requirement, the demo's
// set-up, a frame loop with FPS statistics and the FPS in the window title,
// the benchmark row, teardown and the closing of the demo window. A demo
// supplies its own steps by deriving from RawDemo; RunRawDemo does the rest.
#pragma once
#include <windows.h>

#include <cstddef>
#include <string>

#include "demos/DemoSlot.h"
#include "demos/GlRenderContext.h"
#include "demos/GlslProgram.h"
#include "demos/Matrix4.h"

// Which #version line the inline shaders open with.
enum ShaderDialect { kGlsl140, kGlsl150Core, kGlsl400Core };

// Contexts from 3.2 on (minor version 2 or more) take "150 core", the others
// "140"; the OpenGL 4 demo always "400 core".
ShaderDialect ChooseShaderDialect(int minorVersion, bool openGl4Demo);
// The shader text: the dialect's #version line, then the body.
std::string ShaderText(ShaderDialect dialect, const char* body);

// How a demo's own set-up ended: ready, or which exit follows.
enum RawDemoSetup { kSetupReady, kSetupGlFailed, kSetupClFailed };

// Test seam: called on the demo thread with the demo's context current and
// the frame in the back buffer, once after the demo's scene (stage 0, only
// demos that filter the scene afterwards call it) and once when the frame is
// complete, logo included, right before the swap (stage 1).
enum RawDemoFrameStage { kFrameStageScene = 0, kFrameStageFinal = 1 };
typedef void (*RawDemoFrameObserver)(const DemoSlot* slot, int stage, int width, int height);
void SetRawDemoFrameObserver(RawDemoFrameObserver observer);

class RawDemo {
 public:
  explicit RawDemo(DemoSlot* slot);
  virtual ~RawDemo();
  RawDemo(const RawDemo&) = delete;
  RawDemo& operator=(const RawDemo&) = delete;

  // Before the context object exists; false after the demo's own message.
  virtual bool probe() { return true; }
  virtual bool usesOpenCl() const { return false; }
  virtual bool needsOpenGl4() const { return false; }
  virtual const char* creationFailureMessage() const = 0;
  // The catalogue row name shown in the first title.
  virtual const char* catalogueName() const = 0;
  // The demo's objects, with the context current and the dialect chosen.
  virtual RawDemoSetup setup() = 0;
  // Right before the frame loop, after the timer was reset.
  virtual void start() {}
  // One frame's drawing; dt and t in seconds.
  virtual void frame(float dt, float t) = 0;
  virtual void formatFpsTitle(char* text, size_t size, unsigned fps) const = 0;
  virtual std::string testName() const = 0;
  // At the normal end of a run, before the benchmark row.
  virtual void finishRun() {}
  // Frees what setup made (OpenCL objects first); safe after a partial set-up
  // and called with the context current.
  virtual void release() = 0;

  DemoSlot* slot() const { return m_slot; }
  int width() const { return m_width; }
  int height() const { return m_height; }
  int glMajor() const { return m_glMajor; }
  int glMinor() const { return m_glMinor; }
  ShaderDialect dialect() const { return m_dialect; }

  // Runs the observer seam for a stage (a no-op without an observer).
  void observeFrame(int stage) const;

 protected:
  // Compiles and links a vertex/fragment pair in the chosen dialect; on a
  // failure shows the stage's message and returns false.
  bool buildProgram(GlslProgram& program, const char* vertexBody, const char* fragmentBody);
  // A further stage (tessellation control or evaluation), with its message.
  bool compileStage(GlslProgram& program, int stage, const char* body);

 private:
  friend DWORD RunRawDemo(RawDemo& demo);
  DemoSlot* m_slot;
  int m_width;
  int m_height;
  int m_glMajor;
  int m_glMinor;
  ShaderDialect m_dialect;
};

// The thread routine's body over a demo: every exit of the pattern ends
// here, with the demo window closed. Returns the thread's exit code 0.
DWORD RunRawDemo(RawDemo& demo);

// The camera shared by the raw demos: a 60-degree vertical field of view,
// near 1 and far 500.
void BuildDemoProjection(Matrix4& m, float aspect);
// A look-at view from eye to the origin with up (0, 1, 0).
void BuildDemoView(Matrix4& m, float eyeX, float eyeY, float eyeZ);
Matrix4 IdentityMatrix4();
// The frame start of the demos with depth: clear to the colour and depth 1.
void ClearColorAndDepth(float red, float green, float blue);
// Filled polygons without face culling, as every demo draws.
void FillWithoutCulling();
// The spinning world of the torus demos: rotation by the Euler angles
// (angle, angle - 90, angle - 90); the angle then turns 14.5 degrees a second.
void SpinWorld(Matrix4& world, float& angle, float dt);
// The textured-quad program pair of the logo, also used by the demos that
// show an image over the whole window.
extern const char kTexturedQuadVertexBody[];
extern const char kTexturedQuadFragmentBody[];
