// The yardstick of bench/torus_bench.sh: the illuminated torus drawn with
// plain OpenGL in a loop of its own (no demo thread, no demo kit, no logo,
// no slot timer): the same GLSL program, 200-segment torus, 13 lights and
// rotation as the demo, in a window of the same client size.
//
// Usage: torus_bare.exe WIDTH HEIGHT DURATION_MS
// Prints "avg_fps N" with N the truncated mean of the one-second frame
// counts, as the demos count them.
#include <GL/glew.h>
#include <GL/wglew.h>
#include <windows.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/BareLoop.h"
#include "demos/Gl3TorusShaders.h"

namespace {

GLuint shader(GLenum type, const std::string& text) {
  GLuint s = glCreateShader(type);
  const char* p = text.c_str();
  glShaderSource(s, 1, &p, nullptr);
  glCompileShader(s);
  GLint ok = 0;
  glGetShaderiv(s, GL_COMPILE_STATUS, &ok);
  return ok ? s : 0;
}

// Positions, normals and indices of the demo's torus (ring 4, tube 1.5).
struct Torus {
  std::vector<float> positions, normals;
  std::vector<unsigned> indices;
};

Torus makeTorus(float ring, float tube, int n) {
  Torus t;
  const float step = 360.0f * 0.017453292f / n;
  for (int i = 0; i <= n; ++i) {
    float b = step * i;
    for (int j = 0; j <= n; ++j) {
      float a = step * j, x = ring + tube * std::cos(a), y = tube * std::sin(a);
      float px = x * std::cos(b), pz = -x * std::sin(b);
      float nx = std::cos(b) * (x - ring), nz = -std::sin(b) * (x - ring);
      float len = std::sqrt(nx * nx + y * y + nz * nz);
      t.positions.insert(t.positions.end(), {px, y, pz, 1.0f});
      t.normals.insert(t.normals.end(), {len > 0 ? nx / len : 0, len > 0 ? y / len : 0, len > 0 ? nz / len : 0, 0});
    }
  }
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) {
      unsigned b = static_cast<unsigned>(i * (n + 1) + j), r = static_cast<unsigned>(n + 1);
      t.indices.insert(t.indices.end(), {b, b + r, b + 1, b + 1, b + r, b + r + 1});
    }
  return t;
}

// The column-major matrices of the demo: projection, look-at from (0, 0, 10)
// and the Euler rotation.
void projection(float* m, float aspect) {
  const float f = 1.0f / std::tan(0.5235987901687622f);
  for (int i = 0; i < 16; ++i) m[i] = 0;
  m[0] = f / aspect, m[5] = f, m[10] = -1.004008f, m[11] = -1, m[14] = -2.004008f;
}

void rotation(float* m, float a, float b, float c) {
  const float k = 0.017453292f;
  float ca = std::cos(a * k), sa = std::sin(a * k), cb = std::cos(b * k), sb = std::sin(b * k);
  float cc = std::cos(c * k), sc = std::sin(c * k);
  for (int i = 0; i < 16; ++i) m[i] = 0;
  m[0] = cb * cc + sa * sb * sc, m[1] = cb * sc - sa * sb * cc, m[2] = ca * sb;
  m[4] = -ca * sc, m[5] = ca * cc, m[6] = sa;
  m[8] = sa * cb * sc - sb * cc, m[9] = -sb * sc - sa * cb * cc, m[10] = ca * cb, m[15] = 1;
}

GLuint arrayBuffer(const std::vector<float>& data) {
  GLuint b = 0;
  glGenBuffers(1, &b);
  glBindBuffer(GL_ARRAY_BUFFER, b);
  glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(data.size() * 4), data.data(), GL_STATIC_DRAW);
  return b;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    fprintf(stderr, "usage: torus_bare WIDTH HEIGHT DURATION_MS\n");
    return 2;
  }
  const int width = atoi(argv[1]), height = atoi(argv[2]);
  const unsigned duration = static_cast<unsigned>(atoi(argv[3]));
  HWND window = MakeBareWindow("torus_bare", width, height);
  HDC dc = GetDC(window);
  SetBasicPixelFormat(dc);
  HGLRC rc = wglCreateContext(dc);
  wglMakeCurrent(dc, rc);
  if (glewInit() != GLEW_OK) return 1;

  const std::string version = "#version 150 core\n";
  GLuint vs = shader(GL_VERTEX_SHADER, version + Gl3TorusVertexBody(true));
  GLuint fs = shader(GL_FRAGMENT_SHADER, version + Gl3TorusFragmentBody(true));
  if (!vs || !fs) return 1;
  GLuint prog = glCreateProgram();
  glAttachShader(prog, vs);
  glAttachShader(prog, fs);
  glLinkProgram(prog);
  glUseProgram(prog);

  // The demo's lights, from the same unseeded random numbers.
  float lightPositions[kGl3TorusLights * 4], lightColors[kGl3TorusLights * 4];
  for (int i = 0; i < kGl3TorusLights; ++i) {
    float x = rand() / 16384.0f - 1, y = rand() / 16384.0f - 1, z = rand() / 16384.0f - 1;
    float len = std::sqrt(x * x + y * y + z * z), s = len > 0 ? 20.0f / len : 0;
    float* p = &lightPositions[i * 4];
    p[0] = x * s, p[1] = y * s, p[2] = z * s, p[3] = 1;
    float* c = &lightColors[i * 4];
    c[0] = rand() * 0.5f / 32768.0f + 0.1f, c[1] = rand() * 0.5f / 32768.0f + 0.1f;
    c[2] = rand() * 0.7f / 32768.0f + 0.1f, c[3] = 1;
  }
  float view[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, -10, 1}, proj[16], world[16];
  projection(proj, static_cast<float>(width) / height);
  glUniformMatrix4fv(glGetUniformLocation(prog, "ViewMatrix"), 1, GL_FALSE, view);
  glUniformMatrix4fv(glGetUniformLocation(prog, "ProjectionMatrix"), 1, GL_FALSE, proj);
  glUniform4fv(glGetUniformLocation(prog, "lightsPosition"), kGl3TorusLights, lightPositions);
  glUniform4fv(glGetUniformLocation(prog, "lightsDiffuse"), kGl3TorusLights, lightColors);
  GLint worldLocation = glGetUniformLocation(prog, "WorldMatrix");

  Torus torus = makeTorus(4.0f, 1.5f, 200);
  GLint position = glGetAttribLocation(prog, "In_Position"), normal = glGetAttribLocation(prog, "In_Normal");
  GLint color = glGetAttribLocation(prog, "In_Color");
  GLuint positions = arrayBuffer(torus.positions), normals = arrayBuffer(torus.normals);
  GLuint indices = 0;
  glGenBuffers(1, &indices);
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indices);
  glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(torus.indices.size() * 4), torus.indices.data(),
               GL_STATIC_DRAW);
  glBindBuffer(GL_ARRAY_BUFFER, positions);
  glEnableVertexAttribArray(static_cast<GLuint>(position));
  glVertexAttribPointer(static_cast<GLuint>(position), 4, GL_FLOAT, GL_FALSE, 0, nullptr);
  glBindBuffer(GL_ARRAY_BUFFER, normals);
  glEnableVertexAttribArray(static_cast<GLuint>(normal));
  glVertexAttribPointer(static_cast<GLuint>(normal), 4, GL_FLOAT, GL_FALSE, 0, nullptr);
  if (color >= 0) glVertexAttrib4f(static_cast<GLuint>(color), 1, 1, 1, 1);  // the demo's white vertices

  glViewport(0, 0, width, height);
  glEnable(GL_DEPTH_TEST);
  glDisable(GL_CULL_FACE);
  BareFps fps;
  float angle = 90.0f;
  for (;;) {
    unsigned now = fps.tick();
    if (now >= duration) break;
    glClearColor(0, 0, 0.1f, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    rotation(world, angle, angle - 90, angle - 90);
    angle += fps.delta * 0.001f * 14.5f;
    glUniformMatrix4fv(worldLocation, 1, GL_FALSE, world);
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(torus.indices.size()), GL_UNSIGNED_INT, nullptr);
    SwapBuffers(dc);
    fps.frame();
  }
  EndBareLoop(window, dc, rc, fps);
  return 0;
}
