#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "demos/Matrix4.h"

namespace {

Matrix4 fromList(std::initializer_list<std::pair<int, float>> entries) {
  Matrix4 m;
  for (const auto& e : entries) m[e.first] = e.second;
  return m;
}

Matrix4 identity() { return fromList({{0, 1}, {5, 1}, {10, 1}, {15, 1}}); }

Matrix4 translation(float x, float y, float z) {
  Matrix4 m = identity();
  m[12] = x;
  m[13] = y;
  m[14] = z;
  return m;
}

Matrix4 scale(float s) { return fromList({{0, s}, {5, s}, {10, s}, {15, 1}}); }

void expectMatrix(const Matrix4& expected, const Matrix4& actual) {
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(expected[i], actual[i], 1e-5f) << "element " << i;
}

Vector4 v4(float x, float y, float z, float w = 1.0f) { return {x, y, z, w}; }

TEST(MatrixHelpersTest, KnownMatrices) {
  struct Case {
    const char* name;
    std::function<void(Matrix4&)> build;
    Matrix4 expected;
  } cases[] = {
      {"ortho unit square", [](Matrix4& m) { BuildOrthoMatrix(m, 0, 1, 0, 1, -1, 1); },
       fromList({{0, 2}, {5, 2}, {10, -1}, {12, -1}, {13, -1}, {14, 0}, {15, 1}})},
      {"ortho off-centre depth", [](Matrix4& m) { BuildOrthoMatrix(m, -2, 2, -1, 1, 1, 11); },
       fromList({{0, 0.5f}, {5, 1}, {10, -0.2f}, {14, -1.2f}, {15, 1}})},
      {"rotation none", [](Matrix4& m) { BuildRotationMatrix(m, 0, 0, 0); }, identity()},
      {"rotation 90 first angle", [](Matrix4& m) { BuildRotationMatrix(m, 90, 0, 0); },
       fromList({{0, 1}, {6, 1}, {9, -1}, {15, 1}})},
      {"rotation 90 second angle", [](Matrix4& m) { BuildRotationMatrix(m, 0, 90, 0); },
       fromList({{2, 1}, {5, 1}, {8, -1}, {15, 1}})},
      {"rotation 90 third angle", [](Matrix4& m) { BuildRotationMatrix(m, 0, 0, 90); },
       fromList({{1, 1}, {4, -1}, {10, 1}, {15, 1}})},
      {"look down -z", [](Matrix4& m) { BuildLookAtMatrix(m, v4(0, 0, 5), v4(0, 0, 0), v4(0, 1, 0)); },
       translation(0, 0, -5)},
      {"look from +x",
       [](Matrix4& m) { BuildLookAtMatrix(m, v4(5, 0, 0), v4(0, 0, 0), v4(0, 1, 0)); },
       fromList({{8, -1}, {5, 1}, {2, 1}, {14, -5}, {15, 1}})},
      {"translate then scale", [](Matrix4& m) { MultiplyMatrix4(translation(1, 2, 3), m, scale(2)); },
       fromList({{0, 2}, {5, 2}, {10, 2}, {12, 1}, {13, 2}, {14, 3}, {15, 1}})},
      {"scale then translate", [](Matrix4& m) { MultiplyMatrix4(scale(2), m, translation(1, 2, 3)); },
       fromList({{0, 2}, {5, 2}, {10, 2}, {12, 2}, {13, 4}, {14, 6}, {15, 1}})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Matrix4 m;
    for (float& e : m.m) e = 99.0f;  // every element must be written
    c.build(m);
    expectMatrix(c.expected, m);
  }
}

TEST(MatrixHelpersTest, NewMatrixIsZero) { expectMatrix(fromList({}), Matrix4()); }

TEST(MatrixHelpersTest, LookAtAlongUpStaysFinite) {
  Matrix4 m;
  BuildLookAtMatrix(m, v4(0, 5, 0), v4(0, 0, 0), v4(0, 1, 0));
  for (float e : m.m) EXPECT_TRUE(std::isfinite(e));
}

TEST(MatrixHelpersTest, MultiplyIntoAnOperand) {
  Matrix4 rot, expected;
  BuildRotationMatrix(rot, 30, 40, 50);
  Matrix4 t = translation(1, 2, 3);
  MultiplyMatrix4(t, expected, rot);
  Matrix4 left = t;
  MultiplyMatrix4(left, left, rot);
  expectMatrix(expected, left);
  Matrix4 right = rot;
  MultiplyMatrix4(t, right, right);
  expectMatrix(expected, right);
}

TEST(VectorHelpersTest, LerpAndSet) {
  const Vector4 a = {1, 2, 3, 4}, b = {5, -6, 7, 0};
  struct Case {
    float t;
    Vector4 expected;
  } cases[] = {{0.0f, a}, {1.0f, b}, {0.25f, {2, 0, 4, 3}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.t);
    Vector4 out;
    LerpVector4(out, c.t, a, b);
    EXPECT_FLOAT_EQ(c.expected.x, out.x);
    EXPECT_FLOAT_EQ(c.expected.y, out.y);
    EXPECT_FLOAT_EQ(c.expected.z, out.z);
    EXPECT_FLOAT_EQ(c.expected.w, out.w);
  }
  Vector4 inPlace = a;
  LerpVector4(inPlace, 0.5f, inPlace, b);
  EXPECT_FLOAT_EQ(3.0f, inPlace.x);
  EXPECT_FLOAT_EQ(2.0f, inPlace.w);
  Vector4 s;
  SetVector4(s, 1, 2, 3, 4);
  EXPECT_EQ(4.0f, s.w);
  EXPECT_EQ(3.0f, s.z);
}

}  // namespace
