#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "demos/SimpleMesh.h"

namespace {

void expectVec(const Vector4& e, const Vector4& a, float tol = 1e-5f) {
  EXPECT_NEAR(e.x, a.x, tol);
  EXPECT_NEAR(e.y, a.y, tol);
  EXPECT_NEAR(e.z, a.z, tol);
  EXPECT_NEAR(e.w, a.w, tol);
}

std::vector<uint32_t> indices(const SimpleMesh& m, uint32_t count) {
  std::vector<uint32_t> v;
  for (uint32_t i = 0; i < count; ++i) v.push_back(m.index(i));
  return v;
}

// Every builder's triangles reference existing vertices and its vertex data
// is finite.
TEST(MeshBuildersTest, IndicesInRangeAndDataFinite) {
  struct Case {
    const char* name;
    std::function<bool(SimpleMesh&)> build;
  } cases[] = {
      {"quad", [](SimpleMesh& m) { return m.buildQuad(); }},
      {"triangle", [](SimpleMesh& m) { return m.buildTriangle(); }},
      {"grid 7x3", [](SimpleMesh& m) { return m.buildGrid(4, 2, 7, 3); }},
      {"grid 0x0", [](SimpleMesh& m) { return m.buildGrid(4, 2, 0, -5); }},
      {"torus 16", [](SimpleMesh& m) { return m.buildTorus(2, 0.5f, 16); }},
      {"torus 0", [](SimpleMesh& m) { return m.buildTorus(2, 0.5f, 0); }},
      {"torus 32-bit", [](SimpleMesh& m) { return m.buildTorus(2, 0.5f, 182); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SimpleMesh m;
    ASSERT_TRUE(c.build(m));
    ASSERT_GT(m.triangleCount(), 0u);
    uint32_t highest = 0;
    for (uint32_t i = 0; i < m.triangleCount() * 3; ++i) highest = std::max(highest, m.index(i));
    EXPECT_LT(highest, m.vertexCount());
    EXPECT_EQ(m.vertexCount() - 1, highest);  // no vertex is left unused
    for (uint32_t v = 0; v < m.vertexCount(); ++v)
      for (const Vector4* a : {m.positions(), m.normals(), m.texCoords()})
        ASSERT_TRUE(std::isfinite(a[v].x) && std::isfinite(a[v].y) && std::isfinite(a[v].z)) << v;
  }
}

TEST(MeshBuildersTest, QuadAndTriangle) {
  SimpleMesh q;
  ASSERT_TRUE(q.buildQuad());
  expectVec({0, 1, 0, 1}, q.positions()[1]);
  expectVec({1, 0, 0, 1}, q.positions()[3]);
  expectVec({1, 1, 1, 1}, q.texCoords()[2]);
  expectVec({0, 0, 0, 1}, q.normals()[2]);
  EXPECT_EQ((std::vector<uint32_t>{0, 1, 2, 2, 3, 0}), indices(q, 6));

  SimpleMesh t;
  ASSERT_TRUE(t.buildTriangle());
  expectVec({1, -1, 0, 1}, t.positions()[1]);
  expectVec({0, 0, 1, 1}, t.colors()[2]);
  expectVec({0, 1, 0, 1}, t.texCoords()[1]);
}

TEST(MeshBuildersTest, GridLayout) {
  SimpleMesh g;
  ASSERT_TRUE(g.buildGrid(2, 4, 2, 1));  // 3 x 2 vertices
  expectVec({-1, 0, -2, 1}, g.positions()[0]);
  expectVec({1, 0, 2, 1}, g.positions()[5]);
  expectVec({0.5f, 0, 0, 1}, g.texCoords()[4]);  // row 1, column 1: v = 0
  expectVec({0, 1, 0, 0}, g.normals()[3]);
  expectVec({0, 1, 0, 1}, g.texCoords()[0]);
  EXPECT_EQ((std::vector<uint32_t>{0, 3, 1, 1, 3, 4, 1, 4, 2, 2, 4, 5}), indices(g, 12));

  SimpleMesh one;
  ASSERT_TRUE(one.buildGrid(1, 1, 0, 0));
  EXPECT_EQ(4u, one.vertexCount());
  EXPECT_EQ(2u, one.triangleCount());
}

TEST(MeshBuildersTest, TorusSeamAndNormals) {
  const int n = 8;
  const float R = 2.0f, r = 0.5f;
  SimpleMesh t;
  ASSERT_TRUE(t.buildTorus(R, r, n));
  const uint32_t stride = n + 1;
  // Seam vertices repeat the first ones in position with wrapped coordinates.
  expectVec(t.positions()[0], t.positions()[n], 1e-4f);
  EXPECT_FLOAT_EQ(1.0f, t.texCoords()[n].y);
  expectVec(t.positions()[3], t.positions()[n * stride + 3], 1e-4f);
  EXPECT_FLOAT_EQ(2.0f, t.texCoords()[n * stride + 3].x);
  // A quarter turn about y carries (x, y, 0) to (0, y, -x).
  expectVec({0, 0, -(R + r), 1}, t.positions()[(n / 4) * stride], 1e-4f);
  // Each normal is the unit offset from the tube's centre line.
  for (uint32_t v = 0; v < t.vertexCount(); ++v) {
    const Vector4 &p = t.positions()[v], &nn = t.normals()[v];
    float ring = std::sqrt(p.x * p.x + p.z * p.z);
    float cx = p.x * R / ring, cz = p.z * R / ring;
    EXPECT_NEAR(p.x - cx, nn.x * r, 1e-4f) << v;
    EXPECT_NEAR(p.y, nn.y * r, 1e-4f) << v;
    EXPECT_NEAR(p.z - cz, nn.z * r, 1e-4f) << v;
  }
}

TEST(MeshIndicesTest, WidthByTriangleCount) {
  struct Case {
    uint32_t triangles;
    int width;
  } cases[] = {{1, 1}, {65535, 1}, {65536, 2}};
  for (const Case& c : cases) {
    SimpleMesh m;
    ASSERT_TRUE(m.allocVertices(3));
    ASSERT_TRUE(m.allocIndices(c.triangles));
    EXPECT_EQ(c.width, m.indexWidth()) << c.triangles;
    if (c.width == 2) {
      m.setIndex(c.triangles - 1, 70000, 1, 2);
      EXPECT_EQ(70000u, m.index((c.triangles - 1) * 3));
    }
  }
  // Indices past 65,535 need 32 bits even for few triangles.
  SimpleMesh big;
  ASSERT_TRUE(big.allocVertices(70000));
  ASSERT_TRUE(big.allocIndices(10));
  EXPECT_EQ(2, big.indexWidth());
}

TEST(MeshIndicesTest, OversizedRequestsFailCleanly) {
  SimpleMesh m;
  EXPECT_FALSE(m.allocVertices(0xFFFFFFFFu));
  EXPECT_EQ(0u, m.vertexCount());
  EXPECT_EQ(nullptr, m.positions());
  EXPECT_FALSE(m.allocIndices(0xFFFFFFFFu));
  EXPECT_FALSE(m.buildGrid(1, 1, 100000, 100000));
  EXPECT_EQ(0u, m.vertexCount());
  EXPECT_EQ(0u, m.triangleCount());
  EXPECT_FALSE(m.buildTorus(1, 1, 0x7FFFFFFF));
  EXPECT_EQ(nullptr, m.positions());
  ASSERT_TRUE(m.allocVertices(2));
  expectVec({0, 0, 0, 1}, m.colors()[1]);
}

}  // namespace
