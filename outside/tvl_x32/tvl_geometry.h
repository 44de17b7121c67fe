// What the framework's scenes share whatever draws them (its own OpenGL
// renderer or a renderer plug-in): matrices, generated meshes and the
// layout of the draw stress test.
#pragma once

#include <string>
#include <vector>

namespace tvl {
namespace geom {

// Column-major 4x4 matrix, OpenGL's clip space (z from -1 to 1).
struct Mat4 {
  float m[16];
};
Mat4 identity();
Mat4 multiply(const Mat4& a, const Mat4& b);
Mat4 perspective(float fovy_degrees, float aspect, float z_near, float z_far);
Mat4 translate(float x, float y, float z);
Mat4 rotate(float degrees, float x, float y, float z);

// Reads a whole file of at most limit bytes.
bool read_file(const std::string& path, std::string* out, size_t limit);

// Indexed triangles; each vertex holds position (3), normal (3) and uv (2).
struct MeshData {
  enum { kFloatsPerVertex = 8 };
  std::vector<float> vertices;
  std::vector<unsigned> indices;
  size_t vertex_count() const { return vertices.size() / kFloatsPerVertex; }
};
MeshData torus(float major_radius, float minor_radius, int rings, int sides);
MeshData cube(float half);

// The lit torus of the Phong scenes: its size, where the light and the eye
// stand, and its turn (tilted towards the viewer, spinning about its axis),
// so that the light stays on the left whatever draws it.
struct TorusView {
  Mat4 model, mvp;
  float light[3], eye[3];
};
MeshData lit_torus_mesh();
TorusView lit_torus_view(float time, float aspect, float tilt_degrees, float spin_degrees_per_second);

// The RGB triangle: x, y and the vertex colour of each corner; red bottom
// left, green bottom right, blue at the top.
extern const float kRgbTriangle[3][5];

// The triangle patch of the tessellation scenes (x, y, z a corner), and its
// level where the mouse stands: 1 at the window's left edge, max_level at
// its right edge.
extern const float kPatchTriangle[9];
float tessellation_level_at(int mouse_x, int width, float max_level);

// One rectangle of the draw stress test, in clip coordinates (y up).
struct StressRect {
  float x, y, w, h;
  float rgb[3];
};
// Every rectangle of a frame in draw order: the grid of pulsing cells, then
// the number of draw calls (columns * rows) in seven-segment digits on a dark
// panel in the top-left corner. Each is one draw call.
void stress_rects(int columns, int rows, float time, int width, int height, std::vector<StressRect>* out);

}  // namespace geom
}  // namespace tvl
