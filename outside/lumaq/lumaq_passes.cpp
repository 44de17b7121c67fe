// The engine's multi-pass drawing (texture matrices, passes added up, front
// face culling for shadow maps), spheres, and grids drawn as lines.
#include <GL/glew.h>

#include <cmath>

#include "lumaq.h"

namespace Korveth_nsp {

void kvRenderer::setTextureMatrix(int unit, const kvMatrix4& m) {
  if (unit < 0 || unit > 7) return;
  glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(unit));
  glMatrixMode(GL_TEXTURE);
  glLoadMatrixf(m.m);
  glMatrixMode(GL_MODELVIEW);
  glActiveTexture(GL_TEXTURE0);
}

void kvRenderer::setAdditivePass(bool on) {
  if (on) {
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    glDepthFunc(GL_LEQUAL);
    glDepthMask(GL_FALSE);
  } else {
    glDisable(GL_BLEND);
    glDepthMask(GL_TRUE);
  }
}

void kvRenderer::setCullFrontFaces(bool on) {
  glEnable(GL_CULL_FACE);
  glCullFace(on ? GL_FRONT : GL_BACK);
}

void Korveth::destroyRenderTarget(kvRenderTarget* target) {
  kvRenderWindow* w = getCurrentRenderWindow();
  if (w && target) w->destroyObject(target);
}

void kvMesh::createSphere(float radius, int rings, int segments) {
  if (rings < 2) rings = 2;
  if (segments < 3) segments = 3;
  auto& verts = m_data.vertices();
  auto& idx = m_data.indices();
  verts.clear();
  idx.clear();
  const float pi = 3.14159265f;
  for (int r = 0; r <= rings; ++r)
    for (int s = 0; s <= segments; ++s) {
      const float polar = pi * static_cast<float>(r) / static_cast<float>(rings);
      const float around = 2.0f * pi * static_cast<float>(s) / static_cast<float>(segments);
      kvMeshData::Vertex v;
      v.normal[0] = sinf(polar) * cosf(around);
      v.normal[1] = cosf(polar);
      v.normal[2] = -sinf(polar) * sinf(around);
      for (int k = 0; k < 3; ++k) v.position[k] = radius * v.normal[k];
      v.uv[0] = static_cast<float>(s) / static_cast<float>(segments);
      v.uv[1] = 1.0f - static_cast<float>(r) / static_cast<float>(rings);
      verts.push_back(v);
    }
  // Counter-clockwise seen from outside, like the other shapes.
  const uint32_t row = static_cast<uint32_t>(segments + 1);
  for (int r = 0; r < rings; ++r)
    for (int s = 0; s < segments; ++s) {
      uint32_t a = static_cast<uint32_t>(r) * row + static_cast<uint32_t>(s);
      idx.insert(idx.end(), {a, a + row, a + row + 1, a, a + row + 1, a + 1});
    }
  m_data.setVerticesColor(kvVector4(1, 1, 1, 1));
}

void kvGrid::render(float) {
  const int n = m_subdivisions < 1 ? 1 : m_subdivisions;
  glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT);
  glDisable(GL_LIGHTING);
  glDisable(GL_TEXTURE_2D);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glMultMatrixf(getTransform().m);
  glColor4f(0.5f, 0.5f, 0.5f, 1.0f);
  glBegin(GL_LINES);
  for (int i = 0; i <= n; ++i) {
    const float x = -m_width / 2 + m_width * static_cast<float>(i) / static_cast<float>(n);
    const float z = -m_depth / 2 + m_depth * static_cast<float>(i) / static_cast<float>(n);
    glVertex3f(x, 0, -m_depth / 2);
    glVertex3f(x, 0, m_depth / 2);
    glVertex3f(-m_width / 2, 0, z);
    glVertex3f(m_width / 2, 0, z);
  }
  glEnd();
  glPopMatrix();
  glPopAttrib();
}

}  // namespace Korveth_nsp
