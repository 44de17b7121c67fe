#include "demos/Matrix4.h"

#include <cmath>

namespace {

const float kDegToRad = 0.017453292f;

struct Vec3 {
  float x, y, z;
};

Vec3 cross(const Vec3& a, const Vec3& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

float dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

Vec3 normalised(const Vec3& v) {
  float len = std::sqrt(dot(v, v));
  if (len == 0.0f) return v;
  return {v.x / len, v.y / len, v.z / len};
}

void clear(Matrix4& m) {
  for (float& e : m.m) e = 0.0f;
}

}  // namespace

Matrix4::Matrix4() { clear(*this); }

void BuildOrthoMatrix(Matrix4& m, float left, float right, float bottom, float top, float nearZ,
                      float farZ) {
  clear(m);
  m[0] = 2.0f / (right - left);
  m[5] = 2.0f / (top - bottom);
  m[10] = -2.0f / (farZ - nearZ);
  m[12] = -(right + left) / (right - left);
  m[13] = -(top + bottom) / (top - bottom);
  m[14] = -(farZ + nearZ) / (farZ - nearZ);
  m[15] = 1.0f;
}

void BuildLookAtMatrix(Matrix4& m, const Vector4& eye, const Vector4& target, const Vector4& up) {
  Vec3 e = {eye.x, eye.y, eye.z};
  Vec3 z = normalised({eye.x - target.x, eye.y - target.y, eye.z - target.z});
  Vec3 x = normalised(cross({up.x, up.y, up.z}, z));
  Vec3 y = cross(z, x);
  clear(m);
  // Rows 0 to 2 of the upper 3 x 3 are x, y and z.
  m[0] = x.x;
  m[4] = x.y;
  m[8] = x.z;
  m[1] = y.x;
  m[5] = y.y;
  m[9] = y.z;
  m[2] = z.x;
  m[6] = z.y;
  m[10] = z.z;
  m[12] = -dot(x, e);
  m[13] = -dot(y, e);
  m[14] = -dot(z, e);
  m[15] = 1.0f;
}

void BuildRotationMatrix(Matrix4& m, float a, float b, float c) {
  float ra = a * kDegToRad, rb = b * kDegToRad, rc = c * kDegToRad;
  float ca = std::cos(ra), sa = std::sin(ra);
  float cb = std::cos(rb), sb = std::sin(rb);
  float cc = std::cos(rc), sc = std::sin(rc);
  clear(m);
  m[0] = cb * cc + sa * sb * sc;
  m[1] = cb * sc - sa * sb * cc;
  m[2] = ca * sb;
  m[4] = -ca * sc;
  m[5] = ca * cc;
  m[6] = sa;
  m[8] = sa * cb * sc - sb * cc;
  m[9] = -sb * sc - sa * cb * cc;
  m[10] = ca * cb;
  m[15] = 1.0f;
}

void MultiplyMatrix4(const Matrix4& left, Matrix4& result, const Matrix4& right) {
  Matrix4 r;  // result may alias an operand
  for (int c = 0; c < 4; ++c)
    for (int row = 0; row < 4; ++row) {
      float s = 0.0f;
      for (int k = 0; k < 4; ++k) s += left[k * 4 + row] * right[c * 4 + k];
      r[c * 4 + row] = s;
    }
  result = r;
}

void LerpVector4(Vector4& out, float t, const Vector4& a, const Vector4& b) {
  float u = 1.0f - t;
  Vector4 r = {u * a.x + t * b.x, u * a.y + t * b.y, u * a.z + t * b.z, u * a.w + t * b.w};
  out = r;
}

void SetVector4(Vector4& v, float x, float y, float z, float w) { v = {x, y, z, w}; }
