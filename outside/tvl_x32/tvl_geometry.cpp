// Matrices, meshes and layouts shared by the OpenGL and the plug-in scenes.
#include "tvl_geometry.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace tvl {
namespace geom {

namespace {
const float kPi = 3.14159265f;
}  // namespace

Mat4 identity() {
  Mat4 r{};
  r.m[0] = r.m[5] = r.m[10] = r.m[15] = 1.0f;
  return r;
}

Mat4 multiply(const Mat4& a, const Mat4& b) {
  Mat4 r{};
  for (int c = 0; c < 4; ++c)
    for (int row = 0; row < 4; ++row) {
      float s = 0.0f;
      for (int k = 0; k < 4; ++k) s += a.m[k * 4 + row] * b.m[c * 4 + k];
      r.m[c * 4 + row] = s;
    }
  return r;
}

Mat4 perspective(float fovy_degrees, float aspect, float z_near, float z_far) {
  Mat4 r{};
  const float f = 1.0f / std::tan(fovy_degrees * kPi / 360.0f);
  r.m[0] = f / (aspect > 0.0f ? aspect : 1.0f);
  r.m[5] = f;
  r.m[10] = (z_far + z_near) / (z_near - z_far);
  r.m[11] = -1.0f;
  r.m[14] = 2.0f * z_far * z_near / (z_near - z_far);
  return r;
}

Mat4 translate(float x, float y, float z) {
  Mat4 r = identity();
  r.m[12] = x;
  r.m[13] = y;
  r.m[14] = z;
  return r;
}

Mat4 rotate(float degrees, float x, float y, float z) {
  const float len = std::sqrt(x * x + y * y + z * z);
  if (len <= 0.0f) return identity();
  x /= len, y /= len, z /= len;
  const float a = degrees * kPi / 180.0f, c = std::cos(a), s = std::sin(a), t = 1.0f - c;
  Mat4 r = identity();
  r.m[0] = t * x * x + c, r.m[1] = t * x * y + s * z, r.m[2] = t * x * z - s * y;
  r.m[4] = t * x * y - s * z, r.m[5] = t * y * y + c, r.m[6] = t * y * z + s * x;
  r.m[8] = t * x * z + s * y, r.m[9] = t * y * z - s * x, r.m[10] = t * z * z + c;
  return r;
}

bool read_file(const std::string& path, std::string* out, size_t limit) {
  FILE* f = fopen(path.c_str(), "rb");
  if (!f) return false;
  out->clear();
  char chunk[4096];
  size_t n = 0;
  bool ok = true;
  while ((n = fread(chunk, 1, sizeof(chunk), f)) > 0) {
    if (out->size() + n > limit) {
      ok = false;
      break;
    }
    out->append(chunk, n);
  }
  fclose(f);
  return ok;
}

MeshData torus(float major_radius, float minor_radius, int rings, int sides) {
  MeshData mesh;
  for (int i = 0; i <= rings; ++i) {
    const float u = 2.0f * kPi * static_cast<float>(i) / static_cast<float>(rings);
    for (int j = 0; j <= sides; ++j) {
      const float w = 2.0f * kPi * static_cast<float>(j) / static_cast<float>(sides);
      const float nx = std::cos(w) * std::cos(u), ny = std::cos(w) * std::sin(u), nz = std::sin(w);
      const float vals[8] = {(major_radius + minor_radius * std::cos(w)) * std::cos(u),
                             (major_radius + minor_radius * std::cos(w)) * std::sin(u),
                             minor_radius * nz,
                             nx,
                             ny,
                             nz,
                             static_cast<float>(i) / static_cast<float>(rings),
                             static_cast<float>(j) / static_cast<float>(sides)};
      mesh.vertices.insert(mesh.vertices.end(), vals, vals + 8);
    }
  }
  for (int i = 0; i < rings; ++i)
    for (int j = 0; j < sides; ++j) {
      const unsigned a = static_cast<unsigned>(i * (sides + 1) + j), b = a + static_cast<unsigned>(sides + 1);
      const unsigned quad[6] = {a, b, a + 1, a + 1, b, b + 1};
      mesh.indices.insert(mesh.indices.end(), quad, quad + 6);
    }
  return mesh;
}

MeshData cube(float half) {
  MeshData mesh;
  for (int face = 0; face < 6; ++face) {
    const int axis = face / 2;
    const float sign = face % 2 ? -1.0f : 1.0f;
    const int ua = (axis + 1) % 3, va = (axis + 2) % 3;
    const unsigned base = static_cast<unsigned>(mesh.vertex_count());
    for (int corner = 0; corner < 4; ++corner) {
      float p[3], n[3] = {0, 0, 0};
      const float cu = corner & 1 ? 1.0f : -1.0f, cv = corner & 2 ? 1.0f : -1.0f;
      p[axis] = sign * half;
      p[ua] = cu * half;
      p[va] = cv * half * sign;
      n[axis] = sign;
      const float vals[8] = {p[0], p[1], p[2], n[0], n[1], n[2], (cu + 1) * 0.5f, (cv + 1) * 0.5f};
      mesh.vertices.insert(mesh.vertices.end(), vals, vals + 8);
    }
    const unsigned quad[6] = {base, base + 1, base + 2, base + 2, base + 1, base + 3};
    mesh.indices.insert(mesh.indices.end(), quad, quad + 6);
  }
  return mesh;
}

const float kRgbTriangle[3][5] = {
    {-0.8f, -0.8f, 1.0f, 0.0f, 0.0f}, {0.8f, -0.8f, 0.0f, 1.0f, 0.0f}, {0.0f, 0.8f, 0.0f, 0.0f, 1.0f}};

const float kPatchTriangle[9] = {-1.1f, -0.95f, 0, 1.1f, -0.95f, 0, 0, 1.0f, 0};

float tessellation_level_at(int mouse_x, int width, float max_level) {
  if (width <= 1) return 1.0f;
  float f = static_cast<float>(mouse_x) / static_cast<float>(width - 1);
  f = f < 0.0f ? 0.0f : (f > 1.0f ? 1.0f : f);
  return 1.0f + f * (max_level - 1.0f);
}

MeshData lit_torus_mesh() { return torus(1.0f, 0.42f, 64, 32); }

TorusView lit_torus_view(float time, float aspect, float tilt_degrees, float spin_degrees_per_second) {
  TorusView v;
  // The torus turns about its own axis: its outline stays, the light stays
  // on the left.
  v.model = multiply(rotate(-tilt_degrees, 1, 0, 0), rotate(time * spin_degrees_per_second, 0, 0, 1));
  v.mvp = multiply(perspective(45.0f, aspect, 0.1f, 50.0f), multiply(translate(0, 0, -4.2f), v.model));
  const float light[3] = {-6.0f, 1.0f, 1.5f}, eye[3] = {0.0f, 0.0f, 4.2f};
  memcpy(v.light, light, sizeof(light));
  memcpy(v.eye, eye, sizeof(eye));
  return v;
}

namespace {
// Seven-segment digits: which of the segments a..g each digit lights.
const unsigned char kSegments[10] = {0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07, 0x7F, 0x6F};

void add_rect(std::vector<StressRect>* out, float x, float y, float w, float h, float r, float g, float b) {
  out->push_back({x, y, w, h, {r, g, b}});
}

// The number in the top-left corner, on a dark panel.
void count_rects(int count, int width, int height, std::vector<StressRect>* out) {
  char text[16];
  snprintf(text, sizeof(text), "%d", count);
  const float px = 2.0f / static_cast<float>(width > 0 ? width : 1);
  const float py = 2.0f / static_cast<float>(height > 0 ? height : 1);
  const float dw = 10 * px, dh = 18 * py, t = 2 * px, ty = 2 * py;
  const float left = -1.0f + 6 * px, top = 1.0f - 6 * py;
  const int digits = static_cast<int>(strlen(text));
  add_rect(out, left - 3 * px, top - dh - 3 * py, static_cast<float>(digits) * (dw + 4 * px) + 4 * px, dh + 6 * py,
           0.05f, 0.05f, 0.05f);
  for (int i = 0; i < digits; ++i) {
    const unsigned char seg = kSegments[text[i] - '0'];
    const float x = left + static_cast<float>(i) * (dw + 4 * px), y = top - dh;
    const float mid = y + dh * 0.5f - ty * 0.5f;
    const float rects[7][4] = {{x, top - ty, dw, ty},          {x + dw - t, mid, t, top - mid}, {x + dw - t, y, t, mid - y + ty},
                               {x, y, dw, ty},                 {x, y, t, mid - y + ty},         {x, mid, t, top - mid},
                               {x, mid, dw, ty}};
    for (int s = 0; s < 7; ++s)
      if (seg & (1 << s)) add_rect(out, rects[s][0], rects[s][1], rects[s][2], rects[s][3], 1.0f, 1.0f, 1.0f);
  }
}
}  // namespace

void stress_rects(int columns, int rows, float time, int width, int height, std::vector<StressRect>* out) {
  out->clear();
  const float w = 2.0f / static_cast<float>(columns), h = 2.0f / static_cast<float>(rows);
  for (int y = 0; y < rows; ++y)
    for (int x = 0; x < columns; ++x) {
      const float phase = time * 2.0f + static_cast<float>(x) * 0.21f + static_cast<float>(y) * 0.13f;
      const float s = 0.55f + 0.35f * std::sin(phase);
      add_rect(out, -1.0f + (static_cast<float>(x) + 0.5f * (1.0f - s)) * w,
               -1.0f + (static_cast<float>(y) + 0.5f * (1.0f - s)) * h, s * w, s * h, 0.5f + 0.5f * std::sin(phase),
               0.5f + 0.5f * std::sin(phase + 2.1f), 0.5f + 0.5f * std::sin(phase + 4.2f));
    }
  count_rects(columns * rows, width, height, out);
}

}  // namespace geom
}  // namespace tvl
