// The kit on a real context: Wine's OpenGL (Mesa llvmpipe, a 4.5
// compatibility context) on hidden windows.
#include <GL/glew.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "demos/GlRenderContext.h"
#include "demos/GlTexture.h"
#include "demos/GlslProgram.h"
#include "demos/Matrix4.h"
#include "demos/SimpleMesh.h"
#include "tests/apiinfo/LogCapture.h"
#include "tests/demokit/TestImages.h"

namespace {

const int kSize = 64;
const char kClass[] = "DemoKitTestWindow";

HWND makeWindow() {
  static bool registered = false;
  HINSTANCE module = GetModuleHandleA(nullptr);
  if (!registered) {
    WNDCLASSA wc = {};
    wc.style = CS_OWNDC;
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = module;
    wc.lpszClassName = kClass;
    registered = RegisterClassA(&wc) != 0;
  }
  return CreateWindowExA(0, kClass, "kit", WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0, kSize, kSize,
                         nullptr, nullptr, module, nullptr);
}

struct Pixel {
  int r, g, b;
};

// Back-buffer pixel at (x, y), y from the bottom.
Pixel readPixel(int x, int y) {
  uint8_t p[4] = {};
  glReadBuffer(GL_BACK);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
  return {p[0], p[1], p[2]};
}

void expectPixel(Pixel e, Pixel a, const char* where) {
  EXPECT_NEAR(e.r, a.r, 2) << where;
  EXPECT_NEAR(e.g, a.g, 2) << where;
  EXPECT_NEAR(e.b, a.b, 2) << where;
}

const Pixel kGreen = {0, 255, 0};

const char kColorVs[] =
    "#version 140\n"
    "in vec4 In_Position;\n"
    "uniform mat4 WorldViewProjectionMatrix;\n"
    "void main() { gl_Position = WorldViewProjectionMatrix * In_Position; }\n";
const char kColorFs[] =
    "#version 140\n"
    "uniform vec4 color;\n"
    "out vec4 Out_Color;\n"
    "void main() { Out_Color = color; }\n";
const char kTexturedVs[] =
    "#version 140\n"
    "in vec4 In_Position;\n"
    "in vec4 In_UV;\n"
    "uniform mat4 WorldViewProjectionMatrix;\n"
    "smooth out vec4 Vertex_Color;\n"
    "void main() { Vertex_Color = In_UV; gl_Position = WorldViewProjectionMatrix * In_Position; }\n";
const char kTexturedFs[] =
    "#version 140\n"
    "uniform sampler2D colorMap;\n"
    "smooth in vec4 Vertex_Color;\n"
    "out vec4 Out_Color;\n"
    "void main() { Out_Color = texture(colorMap, Vertex_Color.xy); }\n";

Matrix4 identity() {
  Matrix4 m;
  m[0] = m[5] = m[10] = m[15] = 1.0f;
  return m;
}

// ---- Context ----

TEST(GlContextTest, EveryTypeGivesAtLeastItsVersion) {
  struct Case {
    int type, major, minor;
  } cases[] = {{0, 2, 0}, {1, 3, 0}, {2, 3, 1}, {3, 3, 2}, {4, 4, 0}, {5, 4, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type);
    HWND w = makeWindow();
    ASSERT_NE(nullptr, w);
    GlRenderContext ctx;
    ASSERT_TRUE(ctx.create(w, kSize, kSize, 0, c.type));
    EXPECT_TRUE(ctx.isCreated());
    EXPECT_TRUE(ctx.isCurrent());
    EXPECT_EQ(ctx.renderContext(), wglGetCurrentContext());
    int major = 1, minor = 0;
    ASSERT_TRUE(GetGlVersion(&major, &minor));
    EXPECT_GE(major * 10 + minor, c.major * 10 + c.minor);
    if (c.type >= 3) {  // versions with profiles: the compatibility one
      GLint mask = 0;
      glGetIntegerv(GL_CONTEXT_PROFILE_MASK, &mask);
      EXPECT_TRUE(mask & GL_CONTEXT_COMPATIBILITY_PROFILE_BIT) << mask;
    }
    EXPECT_TRUE(MissingGlEntryPoints().empty()) << MissingGlEntryPoints().front();
    // The context starts cleared to opaque green, depth test on, culling on.
    expectPixel(kGreen, readPixel(kSize / 2, kSize / 2), "centre");
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    GLint depthFunc = 0;
    glGetIntegerv(GL_DEPTH_FUNC, &depthFunc);
    EXPECT_EQ(GL_LEQUAL, depthFunc);
    EXPECT_TRUE(ctx.makeCurrent());
    EXPECT_TRUE(ctx.swapBuffers());
    ctx.destroy();
    EXPECT_FALSE(ctx.isCreated());
    EXPECT_EQ(nullptr, wglGetCurrentContext());
    DestroyWindow(w);
  }
}

TEST(GlContextTest, RefusalsAndHarmlessTeardown) {
  GlRenderContext ctx;
  EXPECT_FALSE(ctx.makeCurrent());
  EXPECT_FALSE(ctx.create(nullptr, kSize, kSize, 0, 3));
  ctx.destroy();
  ctx.destroy();
  HWND w = makeWindow();
  EXPECT_FALSE(ctx.create(w, kSize, kSize, 0, 6));
  EXPECT_FALSE(ctx.create(w, kSize, kSize, 0, -1));
  EXPECT_FALSE(ctx.isCreated());
  EXPECT_EQ(nullptr, wglGetCurrentContext());
  DestroyWindow(w);
}

PixelFormatFacts format(int index, int samples, int sampleBuffers = 1) {
  return {index, 1, WGL_FULL_ACCELERATION_ARB, 1, 1, WGL_TYPE_RGBA_ARB, 24, 8, sampleBuffers, samples, 32};
}

TEST(MultisampleFormatTest, ExactCountElseMost) {
  std::vector<PixelFormatFacts> formats = {format(1, 0, 0), format(2, 2), format(3, 8), format(4, 4),
                                           format(5, 4),    format(6, 16), format(7, 32)};
  formats[6].stencilBits = 0;  // does not qualify
  struct Case {
    int samples, expected;
  } cases[] = {{4, 4}, {8, 3}, {2, 2}, {6, 6}, {64, 6}, {32, 6}};
  for (const Case& c : cases) EXPECT_EQ(c.expected, SelectMultisamplePixelFormat(formats, c.samples)) << c.samples;
  // Nothing multisampled that qualifies: no format.
  std::vector<PixelFormatFacts> none = {format(1, 0, 0), format(2, 8)};
  none[1].depthBits = 32;
  EXPECT_EQ(0, SelectMultisamplePixelFormat(none, 4));
}

TEST(MultisampleFormatTest, MultisampledContextWhenOffered) {
  HWND w = makeWindow();
  GlRenderContext ctx;
  int chosen = ChooseMultisamplePixelFormat(4);
  ASSERT_TRUE(ctx.create(w, kSize, kSize, 4, 3));
  EXPECT_EQ(chosen != 0, ctx.isMultisampled());
  GLint samples = 0;
  glGetIntegerv(GL_SAMPLES, &samples);
  if (ctx.isMultisampled()) {
    EXPECT_GT(samples, 1);
    EXPECT_TRUE(glIsEnabled(GL_MULTISAMPLE));
  } else {
    EXPECT_EQ(0, samples);
  }
  ctx.destroy();
  DestroyWindow(w);
}

// ---- Programs, meshes and textures on one context ----

class GlKitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window = makeWindow();
    ASSERT_NE(nullptr, window);
    ASSERT_TRUE(ctx.create(window, kSize, kSize, 0, 3));
  }
  void TearDown() override {
    ctx.destroy();
    DestroyWindow(window);
  }
  void clear() {
    glClearColor(0, 1, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  }
  bool buildColorProgram(GlslProgram& p) {
    return p.compileVertexShader(kColorVs, sizeof(kColorVs)) && p.compilePixelShader(kColorFs, sizeof(kColorFs)) &&
           p.link();
  }
  void drawColored(GlslProgram& p, SimpleMesh& mesh, const Matrix4& m, float r, float g, float b) {
    ASSERT_TRUE(p.link());
    p.setUniformMatrix4("WorldViewProjectionMatrix", m.data());
    p.setUniform4f("color", r, g, b, 1);
    mesh.setAttribLocations(p.getAttribLocation("In_Position"), -1, -1, -1);
    mesh.draw({0, 0, 0, false});
    p.unbind();
  }
  HWND window = nullptr;
  GlRenderContext ctx;
};

TEST_F(GlKitTest, ProgramDrawsMeshes) {
  GlslProgram p;
  ASSERT_TRUE(buildColorProgram(p)) << (p.getInfoLog() ? p.getInfoLog() : "");
  GLint current = 0;
  glGetIntegerv(GL_CURRENT_PROGRAM, &current);
  EXPECT_EQ(static_cast<GLint>(p.programName()), current);

  SimpleMesh tri;
  ASSERT_TRUE(tri.buildTriangle());
  clear();
  drawColored(p, tri, identity(), 1, 0, 0);
  EXPECT_EQ(static_cast<GLenum>(GL_NO_ERROR), glGetError());
  expectPixel({255, 0, 0}, readPixel(kSize / 2, kSize / 4), "inside the triangle");
  expectPixel(kGreen, readPixel(2, kSize - 3), "top-left corner");

  // A new shape after the first draw is uploaded again.
  ASSERT_TRUE(tri.buildQuad());
  glDisable(GL_CULL_FACE);  // the quad winds clockwise
  clear();
  drawColored(p, tri, identity(), 0, 0, 1);
  expectPixel({0, 0, 255}, readPixel(kSize - 4, kSize - 4), "quad's top right");
  expectPixel(kGreen, readPixel(4, 4), "outside the quad");

  // A torus with 32-bit indices, lying flat, seen edge-on.
  SimpleMesh torus;
  ASSERT_TRUE(torus.buildTorus(0.6f, 0.3f, 182));
  ASSERT_EQ(2, torus.indexWidth());
  clear();
  drawColored(p, torus, identity(), 1, 1, 0);
  EXPECT_EQ(static_cast<GLenum>(GL_NO_ERROR), glGetError());
  expectPixel({255, 255, 0}, readPixel(kSize * 7 / 8, kSize / 2), "torus edge");
  expectPixel(kGreen, readPixel(kSize / 2, kSize - 4), "above the torus");
  torus.releaseBuffers();
  tri.releaseBuffers();
  p.release();
}

TEST_F(GlKitTest, RelinkOnlyBindsAndReleaseDeletes) {
  GlslProgram p;
  ASSERT_TRUE(buildColorProgram(p));
  GLuint name = p.programName();
  p.unbind();
  std::vector<std::string> log = CaptureLog([&] { EXPECT_TRUE(p.link()); });
  EXPECT_TRUE(log.empty());
  GLint current = 0;
  glGetIntegerv(GL_CURRENT_PROGRAM, &current);
  EXPECT_EQ(static_cast<GLint>(name), current);
  p.setUniform1f("no_such_uniform", 1.0f);
  p.setUniform1i("no_such_uniform", 1);
  EXPECT_EQ(static_cast<GLenum>(GL_NO_ERROR), glGetError());
  EXPECT_EQ(-1, p.getAttribLocation("no_such_attribute"));
  p.unbind();
  p.release();
  EXPECT_EQ(0u, p.programName());
  EXPECT_FALSE(g_glEntryPoints.IsProgram(name));
  EXPECT_FALSE(p.link());
}

TEST_F(GlKitTest, SourceWithoutTerminatorCompiles) {
  std::vector<char> vs(kColorVs, kColorVs + strlen(kColorVs));
  vs.push_back('#');  // garbage right behind the counted bytes
  GlslProgram p;
  EXPECT_TRUE(p.compileVertexShader(vs.data(), vs.size() - 1));
  EXPECT_TRUE(p.compileShader(GlslProgram::kPixel, kColorFs, strlen(kColorFs)));
  EXPECT_TRUE(p.link());
  EXPECT_FALSE(p.compileVertexShader(nullptr, 10));
  EXPECT_FALSE(p.compileVertexShader(kColorVs, 0));
  p.release();
}

TEST_F(GlKitTest, CompileFailuresKeepAndLogTheDriverText) {
  const char bad[] = "#version 400 core\nvoid main() { this is not glsl; }\n";
  struct Case {
    const char* name;
    std::function<bool(GlslProgram&)> compile;
    const char* logStart;
  } cases[] = {
      {"vertex", [&](GlslProgram& p) { return p.compileVertexShader(bad, sizeof(bad)); }, "Vertex Shader Error: "},
      {"pixel", [&](GlslProgram& p) { return p.compilePixelShader(bad, sizeof(bad)); }, "Pixel Shader Error: "},
      {"stage 0", [&](GlslProgram& p) { return p.compileShader(0, bad, sizeof(bad)); }, "Vertex shader error: "},
      {"stage 1", [&](GlslProgram& p) { return p.compileShader(1, bad, sizeof(bad)); }, "Pixel shader error: "},
      {"stage 2", [&](GlslProgram& p) { return p.compileShader(2, bad, sizeof(bad)); }, "Geometry shader error: "},
      {"stage 3", [&](GlslProgram& p) { return p.compileShader(3, bad, sizeof(bad)); },
       "Tessellation control shader error: "},
      {"stage 4", [&](GlslProgram& p) { return p.compileShader(4, bad, sizeof(bad)); },
       "Tessellation evaluation shader error: "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GlslProgram p;
    bool ok = true;
    std::vector<std::string> log = CaptureLog([&] { ok = c.compile(p); });
    EXPECT_FALSE(ok);
    ASSERT_NE(nullptr, p.getInfoLog());
    EXPECT_GT(strlen(p.getInfoLog()), 0u);
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(0u, log[0].find(c.logStart)) << log[0];
    EXPECT_NE(std::string::npos, log[0].find(std::string(p.getInfoLog()).substr(0, 10)));
    // A good shader after the failure compiles.
    EXPECT_TRUE(p.compilePixelShader(kColorFs, sizeof(kColorFs)));
    p.release();
    EXPECT_EQ(nullptr, p.getInfoLog());
  }
  GlslProgram p;
  EXPECT_FALSE(p.compileShader(5, kColorFs, sizeof(kColorFs)));
  EXPECT_FALSE(p.compileShader(-1, kColorFs, sizeof(kColorFs)));
  EXPECT_EQ(0u, p.programName());
}

TEST_F(GlKitTest, LinkFailureIsLoggedAndNotBound) {
  const char noMain[] = "#version 140\nin vec4 In_Position;\nvec4 f() { return In_Position; }\n";
  GlslProgram p;
  ASSERT_TRUE(p.compileVertexShader(noMain, sizeof(noMain)));
  ASSERT_TRUE(p.compilePixelShader(kColorFs, sizeof(kColorFs)));
  g_glEntryPoints.UseProgram(0);
  bool ok = true;
  std::vector<std::string> log = CaptureLog([&] { ok = p.link(); });
  EXPECT_FALSE(ok);
  ASSERT_NE(nullptr, p.getInfoLog());
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(0u, log[0].find("Shader program Error: ")) << log[0];
  GLint current = -1;
  glGetIntegerv(GL_CURRENT_PROGRAM, &current);
  EXPECT_EQ(0, current);
  p.release();
}

TEST_F(GlKitTest, TexturesUploadBottomUp) {
  // 3 x 2: an odd width, so 24-bit rows carry padding.
  const std::vector<Rgba> px = {{255, 0, 0, 255},     {0, 255, 0, 128}, {0, 0, 255, 10},
                                {255, 255, 255, 255}, {0, 0, 0, 64},    {200, 100, 50, 200}};
  struct Case {
    const char* name;
    std::vector<uint8_t> file;
    bool alpha;
  } cases[] = {{"bmp 24", MakeBmp(3, 2, px, 24), false},
               {"bmp 8", MakeBmp(3, 2, px, 8), false},
               {"tga 32", MakeTga(3, 2, px, false), true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GlTexture t;
    ASSERT_TRUE(t.loadFromMemory(c.file.data(), c.file.size()));
    EXPECT_TRUE(t.createGlTexture());
    ASSERT_NE(0u, t.textureName());
    GLint bound = 0, minFilter = 0, width = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<GLint>(t.textureName()), bound);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
    EXPECT_EQ(GL_NEAREST, minFilter);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    EXPECT_EQ(3, width);
    uint8_t texels[2 * 3 * 4] = {};
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 3; ++x) {
        const Rgba& e = px[static_cast<size_t>(1 - y) * 3 + x];  // texel row 0 is the bottom row
        const uint8_t* p = texels + (y * 3 + x) * 4;
        EXPECT_EQ(e.r, p[0]) << x << "," << y;
        EXPECT_EQ(e.g, p[1]) << x << "," << y;
        EXPECT_EQ(e.b, p[2]) << x << "," << y;
        EXPECT_EQ(c.alpha ? e.a : 255, p[3]) << x << "," << y;
      }
    GLuint name = t.textureName();
    t.release();
    EXPECT_FALSE(glIsTexture(name));
    EXPECT_EQ(0, t.width());
  }
  EXPECT_EQ(static_cast<GLenum>(GL_NO_ERROR), glGetError());
}

// The corner-logo path: a textured quad through an orthographic projection.
TEST_F(GlKitTest, TexturedQuadShowsTheImage) {
  std::vector<Rgba> px(4, Rgba{200, 40, 120, 255});
  std::vector<uint8_t> file = MakeBmp(2, 2, px, 24);
  GlTexture tex;
  ASSERT_TRUE(tex.loadFromMemory(file.data(), file.size()));
  tex.createGlTexture();
  GlslProgram p;
  ASSERT_TRUE(p.compileVertexShader(kTexturedVs, sizeof(kTexturedVs)));
  ASSERT_TRUE(p.compilePixelShader(kTexturedFs, sizeof(kTexturedFs)));
  ASSERT_TRUE(p.link()) << p.getInfoLog();
  Matrix4 ortho;
  BuildOrthoMatrix(ortho, 0, 1, 0, 1, -1, 1);
  p.setUniform1i("colorMap", 0);
  p.setUniformMatrix4("WorldViewProjectionMatrix", ortho.data());
  SimpleMesh quad;
  ASSERT_TRUE(quad.buildQuad());
  quad.setAttribLocations(p.getAttribLocation("In_Position"), -1, -1, p.getAttribLocation("In_UV"));
  clear();
  glViewport(kSize / 2, 0, kSize / 2, kSize / 2);
  glDisable(GL_CULL_FACE);
  glDisable(GL_DEPTH_TEST);
  g_glEntryPoints.ActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, tex.textureName());
  quad.draw({0, 1, 0, false});
  glBindTexture(GL_TEXTURE_2D, 0);
  p.unbind();
  glViewport(0, 0, kSize, kSize);
  EXPECT_EQ(static_cast<GLenum>(GL_NO_ERROR), glGetError());
  expectPixel({200, 40, 120}, readPixel(kSize * 3 / 4, kSize / 4), "lower right quarter");
  expectPixel(kGreen, readPixel(kSize / 4, kSize / 4), "lower left quarter");
  quad.releaseBuffers();
  p.release();
  tex.release();
}

}  // namespace
