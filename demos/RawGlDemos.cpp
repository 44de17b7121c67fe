#include "demos/RawGlDemos.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "app/AppState.h"
#include "app/Log.h"
#include "demos/DemoCatalogue.h"
#include "demos/Gl3TorusShaders.h"
#include "demos/RawDemo.h"
#include "demos/SimpleMesh.h"

namespace {

const char kTriangleVertexBody[] =
    "in vec4 In_Position;\n"
    "in vec4 In_Color;\n"
    "uniform mat4 WorldViewProjectionMatrix;\n"
    "smooth out vec4 vertexColor;\n"
    "void main() {\n"
    "  vertexColor = In_Color;\n"
    "  gl_Position = WorldViewProjectionMatrix * In_Position;\n"
    "}\n";

const char kTriangleFragmentBody[] =
    "smooth in vec4 vertexColor;\n"
    "out vec4 Out_Color;\n"
    "void main() { Out_Color = vertexColor; }\n";


// The tessellation demo's stages, all "400 core".
const char kTessVertexBody[] =
    "in vec4 In_Position;\n"
    "uniform mat4 WorldViewProjectionMatrix;\n"
    "void main() { gl_Position = WorldViewProjectionMatrix * In_Position; }\n";

const char kTessControlBody[] =
    "layout(vertices = 3) out;\n"
    "uniform float tessLevelOuter;\n"
    "uniform float tessLevelInner;\n"
    "out vec4 controlColor[];\n"
    "void main() {\n"
    "  vec4 p = gl_in[gl_InvocationID].gl_Position;\n"
    "  gl_out[gl_InvocationID].gl_Position = p;\n"
    "  float shade = (1.0 + sin(p.y)) * 0.5;\n"
    "  controlColor[gl_InvocationID] = vec4(1.0 - shade, shade, 0.0, 1.0);\n"
    "  if (gl_InvocationID == 0) {\n"
    "    gl_TessLevelOuter[0] = tessLevelOuter;\n"
    "    gl_TessLevelOuter[1] = tessLevelOuter;\n"
    "    gl_TessLevelOuter[2] = tessLevelOuter;\n"
    "    gl_TessLevelInner[0] = tessLevelInner;\n"
    "  }\n"
    "}\n";

const char kTessEvaluationBody[] =
    "layout(triangles, equal_spacing, ccw) in;\n"
    "in vec4 controlColor[];\n"
    "out vec4 evaluationColor;\n"
    "void main() {\n"
    "  vec3 b = gl_TessCoord;\n"
    "  gl_Position = b.x * gl_in[0].gl_Position + b.y * gl_in[1].gl_Position + b.z * gl_in[2].gl_Position;\n"
    "  evaluationColor = b.x * controlColor[0] + b.y * controlColor[1] + b.z * controlColor[2];\n"
    "}\n";

const char kTessFragmentBody[] =
    "in vec4 evaluationColor;\n"
    "out vec4 Out_Color;\n"
    "void main() { Out_Color = evaluationColor; }\n";

float randomUnit() { return static_cast<float>(rand()) / 16384.0f - 1.0f; }

// The OpenGL demos' titles name the context version.
class Gl3Demo : public RawDemo {
 public:
  Gl3Demo(DemoSlot* slot, int row, const char* titleName, const char* test)
      : RawDemo(slot), m_row(row), m_titleName(titleName), m_test(test) {}
  const char* creationFailureMessage() const override { return "OpenGL 3.2 window creation failed!"; }
  const char* catalogueName() const override { return kGlDemoCatalogue[m_row].name; }
  void formatFpsTitle(char* text, size_t size, unsigned fps) const override {
    snprintf(text, size, "%dFPS, OpenGL %d.%d %s - %s", static_cast<int>(fps), glMajor(), glMinor(), m_titleName, kAppName);
  }
  std::string testName() const override { return m_test; }

 protected:
  void releaseGl() {
    m_program.release();
    m_mesh.releaseBuffers();
    m_mesh.free();
  }
  float aspect() const { return height() > 0 ? static_cast<float>(width()) / height() : 1.0f; }

  int m_row;
  const char* m_titleName;
  const char* m_test;
  GlslProgram m_program;
  SimpleMesh m_mesh;
};

class TorusDemo : public Gl3Demo {
 public:
  explicit TorusDemo(DemoSlot* slot)
      : Gl3Demo(slot, 1, "Torus", "GL3_IlluminatedTorus"), m_angle(90.0f) {}

  RawDemoSetup setup() override {
    Matrix4 view, projection, world = IdentityMatrix4();
    BuildDemoView(view, 0.0f, 0.0f, 10.0f);
    BuildDemoProjection(projection, aspect());
    makeLights();
    bool fix = g_app.gl3TorusRadeonFix;
    if (!buildProgram(m_program, Gl3TorusVertexBody(fix).c_str(), Gl3TorusFragmentBody(fix).c_str()))
      return kSetupGlFailed;
    m_program.setUniformMatrix4("WorldMatrix", world.data());
    m_program.setUniformMatrix4("ViewMatrix", view.data());
    m_program.setUniformMatrix4("ProjectionMatrix", projection.data());
    m_program.setUniformArray("lightsPosition", kGl3TorusLights, &m_lightPositions[0].x);
    m_program.setUniformArray("lightsDiffuse", kGl3TorusLights, &m_lightColors[0].x);
    m_program.setUniform1i("numLights", kGl3TorusLights);
    GLint position = m_program.getAttribLocation("In_Position");
    GLint normal = m_program.getAttribLocation("In_Normal");
    GLint color = m_program.getAttribLocation("In_Color");
    m_program.unbind();
    m_mesh.buildTorus(4.0f, 1.5f, 200);
    m_mesh.setAttribLocations(position, normal, color, -1);
    FillWithoutCulling();
    return kSetupReady;
  }

  void frame(float dt, float) override {
    ClearColorAndDepth(0.0f, 0.0f, 0.1f);
    Matrix4 world;
    SpinWorld(world, m_angle, dt);
    m_program.link();
    m_program.setUniformMatrix4("WorldMatrix", world.data());
    m_mesh.draw({1, 0, 1, false});
  }

  void release() override { releaseGl(); }

 private:
  // Lights on a sphere of radius 20 around the torus, in random colours.
  void makeLights() {
    for (int i = 0; i < kGl3TorusLights; ++i) {
      float x = randomUnit(), y = randomUnit(), z = randomUnit();
      float length = std::sqrt(x * x + y * y + z * z);
      float scale = length > 0.0f ? 20.0f / length : 0.0f;
      SetVector4(m_lightPositions[i], x * scale, y * scale, z * scale, 1.0f);
      float r = rand() * 0.5f / 32768.0f + 0.1f, g = rand() * 0.5f / 32768.0f + 0.1f;
      float b = rand() * 0.7f / 32768.0f + 0.1f;
      SetVector4(m_lightColors[i], r, g, b, 1.0f);
    }
  }

  float m_angle;
  Vector4 m_lightPositions[kGl3TorusLights];
  Vector4 m_lightColors[kGl3TorusLights];
};

class TriangleDemo : public Gl3Demo {
 public:
  explicit TriangleDemo(DemoSlot* slot)
      : Gl3Demo(slot, 2, "Triangle", "GL3_TriangleOfDeath") {}

  RawDemoSetup setup() override {
    Matrix4 view, projection, world = IdentityMatrix4();
    BuildDemoView(view, 0.0f, 0.0f, 2.0f);
    BuildDemoProjection(projection, aspect());
    MultiplyMatrix4(view, m_worldViewProjection, world);
    MultiplyMatrix4(projection, m_worldViewProjection, m_worldViewProjection);
    if (!buildProgram(m_program, kTriangleVertexBody, kTriangleFragmentBody)) return kSetupGlFailed;
    GLint position = m_program.getAttribLocation("In_Position");
    GLint color = m_program.getAttribLocation("In_Color");
    m_program.unbind();
    m_mesh.buildTriangle();
    m_mesh.setAttribLocations(position, -1, color, -1);
    FillWithoutCulling();
    return kSetupReady;
  }

  void frame(float, float) override {
    ClearColorAndDepth(0.0f, 0.0f, 0.0f);
    m_program.link();
    m_program.setUniformMatrix4("WorldViewProjectionMatrix", m_worldViewProjection.data());
    m_mesh.draw({0, 0, 1, false});
  }

  void release() override { releaseGl(); }

 private:
  Matrix4 m_worldViewProjection;
};


class TessellationDemo : public Gl3Demo {
 public:
  explicit TessellationDemo(DemoSlot* slot)
      : Gl3Demo(slot, 0, "Tessellation", "GL4_Tessellation") {}
  bool needsOpenGl4() const override { return true; }
  const char* creationFailureMessage() const override { return "OpenGL 4.0 window creation failed!"; }

  RawDemoSetup setup() override {
    GLint maxLevel = 0;
    glGetIntegerv(GL_MAX_TESS_GEN_LEVEL, &maxLevel);
    char line[96];
    snprintf(line, sizeof(line), "GL 4 Tessellation: max_tess_level=%.1f", static_cast<double>(maxLevel));
    Korveth_nsp::kvTraceMgr::getInstance()->logTrace(1, line);
    clampLevel(g_app.tessLevelOuter, static_cast<float>(maxLevel));
    clampLevel(g_app.tessLevelInner, static_cast<float>(maxLevel));
    Matrix4 view, projection, world = IdentityMatrix4();
    BuildDemoView(view, 0.0f, 0.0f, 2.0f);
    BuildDemoProjection(projection, aspect());
    MultiplyMatrix4(view, m_worldViewProjection, world);
    MultiplyMatrix4(projection, m_worldViewProjection, m_worldViewProjection);
    if (!compileStage(m_program, GlslProgram::kVertex, kTessVertexBody) ||
        !compileStage(m_program, GlslProgram::kTessControl, kTessControlBody) ||
        !compileStage(m_program, GlslProgram::kTessEvaluation, kTessEvaluationBody) ||
        !compileStage(m_program, GlslProgram::kPixel, kTessFragmentBody))
      return kSetupGlFailed;
    if (!m_program.link()) {
      ShowErrorBox("Shader program creation failed: %s", m_program.getInfoLog() ? m_program.getInfoLog() : "");
      return kSetupGlFailed;
    }
    m_program.setUniformMatrix4("WorldViewProjectionMatrix", m_worldViewProjection.data());
    m_program.setUniform1f("tessLevelOuter", g_app.tessLevelOuter);
    m_program.setUniform1f("tessLevelInner", g_app.tessLevelInner);
    GLint position = m_program.getAttribLocation("In_Position");
    m_program.unbind();
    m_mesh.buildTriangle();
    m_mesh.setAttribLocations(position, -1, -1, -1);
    FillWithoutCulling();
    return kSetupReady;
  }

  void frame(float, float t) override {
    ClearColorAndDepth(0.0f, 0.0f, 0.0f);
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    m_program.link();
    m_program.setUniformMatrix4("WorldViewProjectionMatrix", m_worldViewProjection.data());
    if (g_app.tessLevelAnimation) {
      m_program.setUniform1f("tessLevelOuter", std::sin(t) * 28.0f + 32.0f);
      m_program.setUniform1f("tessLevelInner", std::cos(t) * 30.0f + 32.0f);
    }
    if (g_glEntryPoints.PatchParameteri) g_glEntryPoints.PatchParameteri(GL_PATCH_VERTICES, 3);
    m_mesh.draw({0, 0, 0, true});
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  }

  void release() override { releaseGl(); }

 private:
  // A level above the device's maximum becomes the maximum, then one below 1
  // becomes 1.
  static void clampLevel(float& level, float maximum) {
    if (level > maximum) level = maximum;
    if (level < 1.0f) level = 1.0f;
  }

  Matrix4 m_worldViewProjection;
};

}  // namespace

DWORD WINAPI Gl3TorusThread(void* slot) {
  TorusDemo demo(static_cast<DemoSlot*>(slot));
  return RunRawDemo(demo);
}

DWORD WINAPI Gl3TriangleThread(void* slot) {
  TriangleDemo demo(static_cast<DemoSlot*>(slot));
  return RunRawDemo(demo);
}

DWORD WINAPI Gl4TessellationThread(void* slot) {
  TessellationDemo demo(static_cast<DemoSlot*>(slot));
  return RunRawDemo(demo);
}
