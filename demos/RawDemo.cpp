#include "demos/RawDemo.h"

#include <atomic>
#include <cmath>
#include <cstdio>
#include <memory>
#include <new>

#include "app/AppState.h"
#include "app/Log.h"
#include "app/OpenClInfo.h"
#include "demos/BenchmarkResult.h"
#include "demos/DemoFps.h"
#include "demos/DemoImages.h"
#include "demos/GlTexture.h"
#include "demos/SimpleMesh.h"
#include "detect/RenderWindow.h"

namespace {

const int kLogoSide = 128;

std::atomic<RawDemoFrameObserver> g_frameObserver{nullptr};

// The corner logo: its program, quad and texture, all owned by the thread.
class DemoLogoCorner {
 public:
  DemoLogoCorner() : m_position(-1), m_uv(-1), m_hasTexture(false) {}
  GlslProgram& program() { return m_program; }

  void setUp() {
    m_program.link();
    m_program.setUniform1i("colorMap", 0);
    Matrix4 ortho;
    BuildOrthoMatrix(ortho, 0.0f, 1.0f, 0.0f, 1.0f, -1.0f, 1.0f);
    m_program.setUniformMatrix4("WorldViewProjectionMatrix", ortho.data());
    m_position = m_program.getAttribLocation("In_Position");
    m_uv = m_program.getAttribLocation("In_UV");
    m_program.unbind();
    m_quad.buildQuad();
    m_quad.setAttribLocations(m_position, -1, -1, m_uv);
    EmbeddedImage logo = DemoLogoImage();
    // A picture that does not decode leaves the demo without its corner.
    m_hasTexture = logo.data && m_texture.loadFromMemory(logo.data, logo.size) && m_texture.createGlTexture();
  }

  void draw(int width) {
    if (!m_hasTexture) return;
    const GlEntryPoints& g = g_glEntryPoints;
    glViewport(width - kLogoSide, 0, kLogoSide, kLogoSide);
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    if (g.ActiveTexture) g.ActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, m_texture.textureName());
    m_program.link();
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    m_quad.draw({0, 1, 0, false});
    glBindTexture(GL_TEXTURE_2D, 0);
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
  }

  void release() {
    m_texture.release();
    m_program.release();
    m_quad.releaseBuffers();
    m_quad.free();
    m_hasTexture = false;
  }

 private:
  GlslProgram m_program;
  SimpleMesh m_quad;
  GlTexture m_texture;
  GLint m_position;
  GLint m_uv;
  bool m_hasTexture;
};

bool meetsVersion(const RawDemo& demo, int major, int minor) {
  if (demo.needsOpenGl4()) {
    if (major >= 4) return true;
    ShowErrorBox("Ouch! This demo requires at least an OpenGL 4.0 support.\n\rBye...");
    return false;
  }
  if (major >= 4 || (major == 3 && minor != 0)) return true;
  ShowErrorBox("Ouch! This demo requires at least an OpenGL 3.1 support.\n\rBye...");
  return false;
}

// The frame loop of a set-up demo until its stop flag or the benchmark
// duration ends it.
void runFrames(RawDemo& demo, GlRenderContext& context, DemoLogoCorner& logo) {
  DemoSlot* s = demo.slot();
  HWND window = s->window;
  s->timer.reset();
  DemoFpsStart(s->fps, static_cast<unsigned>(s->timer.elapsedMs()));
  demo.start();
  while (!s->stopFlag) {
    unsigned delta = DemoFpsAddTime(s->fps, static_cast<unsigned>(s->timer.elapsedMs()));
    if (DemoFpsDurationReached(s->fps, static_cast<unsigned>(g_app.demoDurationMs))) break;
    context.makeCurrent();
    glViewport(0, 0, demo.width(), demo.height());
    demo.frame(static_cast<float>(delta) * 0.001f, static_cast<float>(s->fps.elapsedMs) * 0.001f);
    logo.draw(demo.width());
    demo.observeFrame(kFrameStageFinal);
    context.swapBuffers();
    bool windowCloses = s->fps.windowMs >= 1000;
    DemoFpsCountFrame(s->fps);
    if (windowCloses) {
      char title[256];
      demo.formatFpsTitle(title, sizeof(title), s->fps.currentFps);
      SetWindowTextA(window, title);
    }
    Sleep(static_cast<DWORD>(g_app.demoSleepMs));
  }
}

}  // namespace

ShaderDialect ChooseShaderDialect(int minorVersion, bool openGl4Demo) {
  if (openGl4Demo) return kGlsl400Core;
  return minorVersion >= 2 ? kGlsl150Core : kGlsl140;
}

std::string ShaderText(ShaderDialect dialect, const char* body) {
  static const char* const kVersionLines[] = {"#version 140\n", "#version 150 core\n", "#version 400 core\n"};
  return std::string(kVersionLines[dialect]) + (body ? body : "");
}

void SetRawDemoFrameObserver(RawDemoFrameObserver observer) { g_frameObserver = observer; }

RawDemo::RawDemo(DemoSlot* slot)
    : m_slot(slot), m_width(0), m_height(0), m_glMajor(1), m_glMinor(0), m_dialect(kGlsl140) {}

RawDemo::~RawDemo() {}

void RawDemo::observeFrame(int stage) const {
  RawDemoFrameObserver observer = g_frameObserver;
  if (observer) observer(m_slot, stage, m_width, m_height);
}

bool RawDemo::buildProgram(GlslProgram& program, const char* vertexBody, const char* fragmentBody) {
  std::string vs = ShaderText(m_dialect, vertexBody), fs = ShaderText(m_dialect, fragmentBody);
  auto log = [&program]() { return program.getInfoLog() ? program.getInfoLog() : ""; };
  if (!program.compileVertexShader(vs.c_str(), vs.size() + 1)) {
    ShowErrorBox("Vertex shader creation failed: %s", log());
    return false;
  }
  if (!program.compilePixelShader(fs.c_str(), fs.size() + 1)) {
    ShowErrorBox("Pixel shader creation failed: %s", log());
    return false;
  }
  if (!program.link()) {
    ShowErrorBox("Shader program creation failed: %s", log());
    return false;
  }
  return true;
}

bool RawDemo::compileStage(GlslProgram& program, int stage, const char* body) {
  std::string text = ShaderText(m_dialect, body);
  if (program.compileShader(stage, text.c_str(), text.size() + 1)) return true;
  const char* log = program.getInfoLog() ? program.getInfoLog() : "";
  if (stage == GlslProgram::kTessControl)
    ShowErrorBox("Tessellation control shader creation failed: %s", log);
  else if (stage == GlslProgram::kTessEvaluation)
    ShowErrorBox("Tessellation evaluation shader creation failed: %s", log);
  else if (stage == GlslProgram::kVertex)
    ShowErrorBox("Vertex shader creation failed: %s", log);
  else
    ShowErrorBox("Pixel shader creation failed: %s", log);
  return false;
}

DWORD RunRawDemo(RawDemo& demo) {
  DemoSlot* s = demo.slot();
  HWND window = s->window;
  if (!demo.probe()) {
    PostDemoEndCloses(window, false);
    return 0;
  }
  std::unique_ptr<GlRenderContext> context(new (std::nothrow) GlRenderContext);
  if (!context) {
    PostDemoEndCloses(window, false);
    return 0;
  }
  DemoLogoCorner logo;
  // Every exit after this point frees what exists, with the context current
  // while it exists, and closes the demo window.
  auto teardown = [&]() {
    demo.release();
    logo.release();
    context->destroy();
  };
  auto openGlExit = [&]() -> DWORD {
    teardown();
    PostDemoEndCloses(window, false);
    return 0;
  };
  if (demo.usesOpenCl() && !HasClDevices()) {
    ShowErrorBox("OpenCL is not supported on this system.\n\rBye...");
    return openGlExit();
  }
  RECT client = {0, 0, 0, 0};
  GetClientRect(window, &client);
  demo.m_width = s->clientWidth = client.right - client.left;
  demo.m_height = s->clientHeight = client.bottom - client.top;
  int type = demo.needsOpenGl4() ? GlRenderContext::kTypeGl40 : GlRenderContext::kTypeGl32;
  if (!context->create(window, demo.m_width, demo.m_height, s->msaaSamples, type)) {
    ShowErrorBox("%s", demo.creationFailureMessage());
    return openGlExit();
  }
  char title[512];
  snprintf(title, sizeof(title), "%s - %s - [ThreadID=%d]", kAppName, demo.catalogueName(),
           static_cast<int>(GetCurrentThreadId()));
  SetWindowTextA(window, title);
  int major = 1, minor = 0;
  GetGlVersion(&major, &minor);
  demo.m_glMajor = major;
  demo.m_glMinor = minor;
  if (!meetsVersion(demo, major, minor)) return openGlExit();
  demo.m_dialect = ChooseShaderDialect(minor, demo.needsOpenGl4());

  RawDemoSetup setup = demo.setup();
  if (setup == kSetupClFailed) {
    teardown();
    PostDemoEndCloses(window, true);
    return 0;
  }
  if (setup != kSetupReady) return openGlExit();
  if (!demo.buildProgram(logo.program(), kTexturedQuadVertexBody, kTexturedQuadFragmentBody))
    return openGlExit();
  logo.setUp();
  s->drawing = 1;

  runFrames(demo, *context, logo);

  demo.finishRun();
  WriteBenchmarkResult(s, demo.testName().c_str());
  demo.release();
  logo.release();
  s->doneFlag = 1;
  context->destroy();
  context.reset();
  PostDemoEndCloses(window, true);
  return 0;
}

void BuildDemoProjection(Matrix4& m, float aspect) {
  const float f = 1.0f / std::tan(0.5235987901687622f);
  m = Matrix4();
  m[0] = f / aspect;
  m[5] = f;
  m[10] = -1.004008f;
  m[11] = -1.0f;
  m[14] = -2.004008f;
}

void BuildDemoView(Matrix4& m, float eyeX, float eyeY, float eyeZ) {
  Vector4 eye, target, up;
  SetVector4(eye, eyeX, eyeY, eyeZ, 1.0f);
  SetVector4(target, 0.0f, 0.0f, 0.0f, 1.0f);
  SetVector4(up, 0.0f, 1.0f, 0.0f, 0.0f);
  BuildLookAtMatrix(m, eye, target, up);
}

Matrix4 IdentityMatrix4() {
  Matrix4 m;
  m[0] = m[5] = m[10] = m[15] = 1.0f;
  return m;
}

void ClearColorAndDepth(float red, float green, float blue) {
  glClearColor(red, green, blue, 1.0f);
  glEnable(GL_DEPTH_TEST);
  glClearDepth(1.0);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void FillWithoutCulling() {
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  glDisable(GL_CULL_FACE);
}

void SpinWorld(Matrix4& world, float& angle, float dt) {
  BuildRotationMatrix(world, angle, angle - 90.0f, angle - 90.0f);
  angle += dt * 14.5f;
}

const char kTexturedQuadVertexBody[] =
    "in vec4 In_Position;\n"
    "in vec4 In_UV;\n"
    "uniform mat4 WorldViewProjectionMatrix;\n"
    "smooth out vec4 Vertex_Color;\n"
    "void main() {\n"
    "  Vertex_Color = In_UV;\n"
    "  gl_Position = WorldViewProjectionMatrix * In_Position;\n"
    "}\n";

const char kTexturedQuadFragmentBody[] =
    "uniform sampler2D colorMap;\n"
    "smooth in vec4 Vertex_Color;\n"
    "out vec4 Out_Color;\n"
    "void main() { Out_Color = texture(colorMap, Vertex_Color.xy); }\n";
