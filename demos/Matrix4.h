// The demos' 4 x 4 float matrix and four-float vector, with the helpers that
// build view, projection and rotation matrices. Matrices are column-major
// (element [column * 4 + row]), as glUniformMatrix4fv takes them untransposed.
#pragma once

struct Vector4 {
  float x, y, z, w;
};

struct Matrix4 {
  Matrix4();  // all sixteen elements 0, not the identity
  float m[16];
  float& operator[](int i) { return m[i]; }
  float operator[](int i) const { return m[i]; }
  const float* data() const { return m; }
};

// The glOrtho matrix.
void BuildOrthoMatrix(Matrix4& m, float left, float right, float bottom, float top, float nearZ,
                      float farZ);
// The gluLookAt view matrix; a zero-length axis is left unnormalised.
void BuildLookAtMatrix(Matrix4& m, const Vector4& eye, const Vector4& target, const Vector4& up);
// Rotation by three angles in degrees, no translation.
void BuildRotationMatrix(Matrix4& m, float a, float b, float c);
// result = left x right; result may be left or right.
void MultiplyMatrix4(const Matrix4& left, Matrix4& result, const Matrix4& right);
// out = (1 - t) a + t b, component by component; out may be a or b.
void LerpVector4(Vector4& out, float t, const Vector4& a, const Vector4& b);
void SetVector4(Vector4& v, float x, float y, float z, float w);
