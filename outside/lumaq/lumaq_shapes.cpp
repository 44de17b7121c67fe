// Meshes made from formulas: knots.
#include <cmath>

#include "lumaq.h"

namespace Korveth_nsp {

namespace {

const float kPi = 3.14159265358979f;

// Triangles over a (columns + 1) x (rows + 1) grid of vertices.
void gridTriangles(std::vector<uint32_t>* idx, int columns, int rows) {
  const uint32_t row = static_cast<uint32_t>(columns + 1);
  for (int j = 0; j < rows; ++j)
    for (int i = 0; i < columns; ++i) {
      uint32_t a = static_cast<uint32_t>(j) * row + static_cast<uint32_t>(i);
      idx->insert(idx->end(), {a, a + row, a + row + 1, a, a + row + 1, a + 1});
    }
}

void normalise(float v[3]) {
  float l = sqrtf(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
  if (l > 0.0f)
    for (int i = 0; i < 3; ++i) v[i] /= l;
}

// A point of the trefoil curve at t (0..2 pi), overall radius about 1; the
// curve makes three lobes.
const int kTrefoilLobes = 3;

void trefoil(float t, float p[3]) {
  p[0] = (sinf(t) + 2.0f * sinf(2.0f * t)) / 3.0f;
  p[1] = (cosf(t) - 2.0f * cosf(2.0f * t)) / 3.0f;
  p[2] = -sinf(3.0f * t) / 3.0f;
}

}  // namespace

void kvMesh::createKnot(float radius, int segmentsPerLobe, int sides) {
  if (segmentsPerLobe < 3) segmentsPerLobe = 3;
  if (sides < 3) sides = 3;
  const int segments = segmentsPerLobe * kTrefoilLobes;
  const float tube = radius * 0.18f;
  auto& verts = m_data.vertices();
  verts.clear();
  m_data.indices().clear();
  for (int j = 0; j <= segments; ++j) {
    // A frame along the curve: tangent from the next point, the side
    // vectors from a fixed helper direction.
    const float t = 2.0f * kPi * static_cast<float>(j) / static_cast<float>(segments);
    float p[3], q[3], tangent[3], side[3], up[3];
    trefoil(t, p);
    trefoil(t + 0.01f, q);
    for (int k = 0; k < 3; ++k) tangent[k] = q[k] - p[k];
    normalise(tangent);
    const float helper[3] = {p[0], p[1], p[2] + 1.0f};
    side[0] = tangent[1] * helper[2] - tangent[2] * helper[1];
    side[1] = tangent[2] * helper[0] - tangent[0] * helper[2];
    side[2] = tangent[0] * helper[1] - tangent[1] * helper[0];
    normalise(side);
    up[0] = side[1] * tangent[2] - side[2] * tangent[1];
    up[1] = side[2] * tangent[0] - side[0] * tangent[2];
    up[2] = side[0] * tangent[1] - side[1] * tangent[0];
    for (int i = 0; i <= sides; ++i) {
      const float a = 2.0f * kPi * static_cast<float>(i) / static_cast<float>(sides);
      kvMeshData::Vertex v;
      for (int k = 0; k < 3; ++k) {
        v.normal[k] = cosf(a) * side[k] + sinf(a) * up[k];
        v.position[k] = radius * p[k] + tube * v.normal[k];
      }
      v.uv[0] = 4.0f * static_cast<float>(j) / static_cast<float>(segments);
      v.uv[1] = static_cast<float>(i) / static_cast<float>(sides);
      verts.push_back(v);
    }
  }
  gridTriangles(&m_data.indices(), sides, segments);
  m_data.setVerticesColor(kvVector4(1, 1, 1, 1));
}

}  // namespace Korveth_nsp
