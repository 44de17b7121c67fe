// The yardstick of bench/fur_bench.sh: the fur cube's picture drawn with
// plain OpenGL in a loop of its own (no engine, no demo thread, no lock, no
// HUD): a full-window background quad, the inner box and the fur shells
// with the same GLSL program, textures and sizes as the demo.
//
// Usage: fur_bare.exe WIDTH HEIGHT DURATION_MS FUR_COLOR_JPEG
// Prints "avg_fps N" with N the truncated mean of the one-second frame
// counts, as the demos count them.
#include <GL/glew.h>
#include <GL/wglew.h>
#include <windows.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>

#include "bench/BareLoop.h"
#include "demos/FurShaders.h"
#include "lumaq.h"

namespace {

struct Vertex {
  float p[3], n[3], uv[2];
};

struct Mesh {
  GLuint vbo = 0, ibo = 0;
  GLsizei count = 0;
};

// A box of size s with segs x segs quads per face, normals outwards.
Mesh makeBox(float s, int segs) {
  std::vector<Vertex> v;
  std::vector<unsigned> idx;
  const float h = s / 2;
  const float faces[6][4][3] = {{{-h, -h, h}, {s, 0, 0}, {0, s, 0}, {0, 0, 1}},
                                {{h, -h, -h}, {-s, 0, 0}, {0, s, 0}, {0, 0, -1}},
                                {{h, -h, h}, {0, 0, -s}, {0, s, 0}, {1, 0, 0}},
                                {{-h, -h, -h}, {0, 0, s}, {0, s, 0}, {-1, 0, 0}},
                                {{-h, h, h}, {s, 0, 0}, {0, 0, -s}, {0, 1, 0}},
                                {{-h, -h, -h}, {s, 0, 0}, {0, 0, s}, {0, -1, 0}}};
  for (const auto& f : faces) {
    unsigned base = static_cast<unsigned>(v.size());
    for (int j = 0; j <= segs; ++j)
      for (int i = 0; i <= segs; ++i) {
        float a = static_cast<float>(i) / segs, b = static_cast<float>(j) / segs;
        Vertex x;
        for (int k = 0; k < 3; ++k) {
          x.p[k] = f[0][k] + f[1][k] * a + f[2][k] * b;
          x.n[k] = f[3][k];
        }
        x.uv[0] = a;
        x.uv[1] = b;
        v.push_back(x);
      }
    unsigned row = static_cast<unsigned>(segs + 1);
    for (int j = 0; j < segs; ++j)
      for (int i = 0; i < segs; ++i) {
        unsigned c = base + static_cast<unsigned>(j) * row + static_cast<unsigned>(i);
        idx.insert(idx.end(), {c, c + 1, c + row + 1, c, c + row + 1, c + row});
      }
  }
  Mesh m;
  glGenBuffers(1, &m.vbo);
  glGenBuffers(1, &m.ibo);
  glBindBuffer(GL_ARRAY_BUFFER, m.vbo);
  glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(v.size() * sizeof(Vertex)), v.data(), GL_STATIC_DRAW);
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, m.ibo);
  glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(idx.size() * 4), idx.data(), GL_STATIC_DRAW);
  m.count = static_cast<GLsizei>(idx.size());
  return m;
}

void bindMesh(const Mesh& m) {
  glBindBuffer(GL_ARRAY_BUFFER, m.vbo);
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, m.ibo);
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_NORMAL_ARRAY);
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  glVertexPointer(3, GL_FLOAT, sizeof(Vertex), reinterpret_cast<void*>(0));
  glNormalPointer(GL_FLOAT, sizeof(Vertex), reinterpret_cast<void*>(12));
  glTexCoordPointer(2, GL_FLOAT, sizeof(Vertex), reinterpret_cast<void*>(24));
}

GLuint texture(int w, int h, const unsigned char* rgba) {
  GLuint t;
  glGenTextures(1, &t);
  glBindTexture(GL_TEXTURE_2D, t);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
  return t;
}

// The demo's noise layers: hairs seeded by their count.
std::vector<GLuint> noiseTextures(int count, int size, int density) {
  std::vector<GLuint> out;
  std::vector<unsigned char> px(static_cast<size_t>(size) * size * 4);
  for (int i = 0; i < count; ++i) {
    float d = 1.0f - static_cast<float>(i) / count;
    float g = std::fmin(0.9f, std::fmax(0.3f, 1.0f - d));
    for (size_t k = 0; k < px.size(); k += 4) {
      px[k] = px[k + 1] = px[k + 2] = static_cast<unsigned char>(g * 255.0f + 0.5f);
      px[k + 3] = 0;
    }
    int hairs = static_cast<int>(density * d);
    srand(static_cast<unsigned>(hairs));
    for (int n = 0; n < hairs; ++n) {
      int x = static_cast<int>(static_cast<long long>(rand()) * size / 32768);
      int y = static_cast<int>(static_cast<long long>(rand()) * size / 32768);
      unsigned char* p = &px[(static_cast<size_t>(y) * size + x) * 4];
      p[0] = p[1] = p[2] = static_cast<unsigned char>((1.0f - d) * 255.0f + 0.5f);
      p[3] = static_cast<unsigned char>(d * 255.0f + 0.5f);
    }
    out.push_back(texture(size, size, px.data()));
  }
  return out;
}

GLuint program() {
  const char* sources[2] = {kFurVertexShader, kFurPixelShader};
  const GLenum types[2] = {GL_VERTEX_SHADER, GL_FRAGMENT_SHADER};
  GLuint p = glCreateProgram();
  for (int i = 0; i < 2; ++i) {
    GLuint s = glCreateShader(types[i]);
    glShaderSource(s, 1, &sources[i], nullptr);
    glCompileShader(s);
    glAttachShader(p, s);
  }
  glLinkProgram(p);
  GLint ok = 0;
  glGetProgramiv(p, GL_LINK_STATUS, &ok);
  return ok ? p : 0;
}

void setLight(GLenum light, float x, float y, float z) {
  const float pos[4] = {x, y, z, 1}, amb[4] = {0.3f, 0.3f, 0.3f, 1}, dif[4] = {0.8f, 0.8f, 0.6f, 1};
  glLightfv(light, GL_POSITION, pos);
  glLightfv(light, GL_AMBIENT, amb);
  glLightfv(light, GL_DIFFUSE, dif);
  glEnable(light);
}

void material(float ar, float ag, float ab, float dr, float dg, float db) {
  const float a[4] = {ar, ag, ab, 1}, d[4] = {dr, dg, db, 1};
  glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, a);
  glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, d);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    fprintf(stderr, "usage: fur_bare WIDTH HEIGHT DURATION_MS FUR_COLOR_JPEG\n");
    return 2;
  }
  const int width = atoi(argv[1]), height = atoi(argv[2]);
  const unsigned duration = static_cast<unsigned>(atoi(argv[3]));
  // A first context finds the WGL extensions; the drawing window then gets
  // a pixel format without multisampling, as the demo asks for.
  HWND dummy = MakeBareWindow("fur_bare", 8, 8);
  HDC dummyDc = GetDC(dummy);
  SetBasicPixelFormat(dummyDc);
  HGLRC dummyRc = wglCreateContext(dummyDc);
  wglMakeCurrent(dummyDc, dummyRc);
  if (glewInit() != GLEW_OK || !wglChoosePixelFormatARB) return 1;
  wglMakeCurrent(nullptr, nullptr);
  wglDeleteContext(dummyRc);
  ReleaseDC(dummy, dummyDc);
  DestroyWindow(dummy);

  HWND window = MakeBareWindow("fur_bare", width, height);
  HDC dc = GetDC(window);
  const int attributes[] = {WGL_DRAW_TO_WINDOW_ARB, 1, WGL_SUPPORT_OPENGL_ARB, 1, WGL_DOUBLE_BUFFER_ARB, 1,
                            WGL_PIXEL_TYPE_ARB, WGL_TYPE_RGBA_ARB, WGL_COLOR_BITS_ARB, 32, WGL_DEPTH_BITS_ARB, 24,
                            WGL_STENCIL_BITS_ARB, 8, WGL_SAMPLE_BUFFERS_ARB, 0, WGL_SAMPLES_ARB, 0, 0};
  int format = 0;
  UINT count = 0;
  if (!wglChoosePixelFormatARB(dc, attributes, nullptr, 1, &format, &count) || count == 0) return 1;
  PIXELFORMATDESCRIPTOR pfd = {};
  DescribePixelFormat(dc, format, sizeof(pfd), &pfd);
  SetPixelFormat(dc, format, &pfd);
  HGLRC rc = wglCreateContext(dc);
  wglMakeCurrent(dc, rc);
  int w = 0, h = 0, n = 0;
  unsigned char* furColor = stbi_load(argv[4], &w, &h, &n, 4);
  if (!furColor) return 1;
  GLuint colorTex = texture(w, h, furColor);
  stbi_image_free(furColor);
  std::vector<GLuint> noise = noiseTextures(10, 512, 350000);
  GLuint prog = program();
  if (!prog) return 1;
  Mesh fur = makeBox(80, 8), inner = makeBox(79, 4);
  glUseProgram(prog);
  glUniform1f(glGetUniformLocation(prog, "UVScale"), 1.0f);
  glUniform1i(glGetUniformLocation(prog, "tigerMap"), 0);
  glUniform1i(glGetUniformLocation(prog, "furMap"), 1);
  glUseProgram(0);

  glViewport(0, 0, width, height);
  // Only the engine's matrix arithmetic is borrowed, to place the camera.
  using Korveth_nsp::kvMatrix4;
  using Korveth_nsp::kvVector4;
  glMatrixMode(GL_PROJECTION);
  glLoadMatrixf(kvMatrix4::perspective(60.0f, static_cast<float>(width) / height, 1.0f, 4000.0f).m);
  glMatrixMode(GL_MODELVIEW);
  glLoadMatrixf(kvMatrix4::lookAt(kvVector4(0, 20, 140, 1), kvVector4(0, 0, 0, 1), kvVector4(0, 1, 0, 0)).m);
  float view[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, view);
  glUseProgram(prog);
  glUniformMatrix4fv(glGetUniformLocation(prog, "mv"), 1, GL_FALSE, view);
  glUseProgram(0);
  setLight(GL_LIGHT0, -20, 50, 100);
  setLight(GL_LIGHT1, 20, -50, 100);
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_CULL_FACE);

  BareFps fps;
  for (;;) {
    unsigned now = fps.tick();
    if (now >= duration) break;
    float t = now * 0.001f;
    glClearColor(0.4f, 0.4f, 0.4f, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    // Background: the whole window, no depth.
    glDisable(GL_DEPTH_TEST);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, colorTex);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0), glVertex2f(-1, -1), glTexCoord2f(1, 0), glVertex2f(1, -1);
    glTexCoord2f(1, 1), glVertex2f(1, 1), glTexCoord2f(0, 1), glVertex2f(-1, 1);
    glEnd();
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glEnable(GL_DEPTH_TEST);
    // The spinning inner box, lit and textured.
    glPushMatrix();
    glRotatef(3 * t, 0, 0, 1);
    glRotatef(7 * t, 0, 1, 0);
    glRotatef(11 * t, 1, 0, 0);
    glEnable(GL_LIGHTING);
    material(0.4f, 0.4f, 0.4f, 0.8f, 0.8f, 0.8f);
    bindMesh(inner);
    glDrawElements(GL_TRIANGLES, inner.count, GL_UNSIGNED_INT, nullptr);
    glDisable(GL_LIGHTING);
    // The shells.
    material(0.4f, 0.3f, 0.2f, 0.9f, 0.8f, 0.8f);
    glDepthMask(GL_FALSE);
    glDisable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    bindMesh(fur);
    glUseProgram(prog);
    GLint furLength = glGetUniformLocation(prog, "FurLength"), layer = glGetUniformLocation(prog, "Layer");
    for (int i = 0; i < 100; ++i) {
      float s = (i + 1) / 100.0f;
      glUniform1f(furLength, s * 20.0f);
      glUniform1f(layer, s);
      glActiveTexture(GL_TEXTURE1);
      glBindTexture(GL_TEXTURE_2D, noise[static_cast<size_t>(i / 10)]);
      glActiveTexture(GL_TEXTURE0);
      glDrawElements(GL_TRIANGLES, fur.count, GL_UNSIGNED_INT, nullptr);
    }
    glUseProgram(0);
    glDisable(GL_BLEND);
    glEnable(GL_CULL_FACE);
    glDepthMask(GL_TRUE);
    glPopMatrix();
    SwapBuffers(dc);
    fps.frame();
  }
  EndBareLoop(window, dc, rc, fps);
  return 0;
}
