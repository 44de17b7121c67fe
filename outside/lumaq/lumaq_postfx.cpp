// The renderer's post-processing and particle passes, and what the
// device of the current render window can hold.
#include <GL/glew.h>

#include <cstring>

#include "lumaq.h"

namespace Korveth_nsp {

// -------------------------------------------------------- hardware caps --

kvHardwareCaps::kvHardwareCaps() {
  for (int& v : m_override) v = -1;
}

kvHardwareCaps* kvHardwareCaps::getInstance() {
  static kvHardwareCaps instance;
  return &instance;
}

int kvHardwareCaps::getGPUVendor() const {
  if (!Korveth::getInstance()->getCurrentRenderWindow()) return 0;
  const char* vendor = reinterpret_cast<const char*>(glGetString(GL_VENDOR));
  if (!vendor) return 0;
  if (strstr(vendor, "NVIDIA")) return 1;
  if (strstr(vendor, "ATI") || strstr(vendor, "AMD") || strstr(vendor, "Advanced Micro")) return 2;
  return 0;
}

namespace {

int queryInt(GLenum what) {
  GLint v = 0;
  glGetIntegerv(what, &v);
  return glGetError() == GL_NO_ERROR ? v : 0;
}

}  // namespace

int kvHardwareCaps::getLimit(Limit limit) const {
  if (limit < 0 || limit >= kLimitCount) return 0;
  if (m_override[limit] >= 0) return m_override[limit];
  if (!Korveth::getInstance()->getCurrentRenderWindow()) return 0;
  switch (limit) {
    case kMaxTextureSize: return queryInt(GL_MAX_TEXTURE_SIZE);
    case kMaxRenderbufferSize: return glGenRenderbuffers ? queryInt(GL_MAX_RENDERBUFFER_SIZE) : 0;
    case kMaxVertexUniformComponents: return glCreateProgram ? queryInt(GL_MAX_VERTEX_UNIFORM_COMPONENTS) : 0;
    case kMaxDrawBuffers: return glDrawBuffers ? queryInt(GL_MAX_DRAW_BUFFERS) : 1;
    case kFloatTextures:
      return (GLEW_VERSION_3_0 || GLEW_ARB_texture_float) && (GLEW_VERSION_3_0 || GLEW_ARB_framebuffer_object) ? 1
                                                                                                                 : 0;
    case kInstancing:
      return glDrawElementsInstanced && (GLEW_EXT_draw_instanced || GLEW_ARB_draw_instanced) ? 1 : 0;
    case kMaxViewportSize: {
      GLint dims[2] = {0, 0};
      glGetIntegerv(GL_MAX_VIEWPORT_DIMS, dims);
      return glGetError() == GL_NO_ERROR ? dims[0] : 0;
    }
    case kMaxPointSize: {
      GLfloat range[2] = {0.0f, 0.0f};
      glGetFloatv(GL_ALIASED_POINT_SIZE_RANGE, range);
      return static_cast<int>(range[1]);
    }
    default: return 0;
  }
}

void kvHardwareCaps::overrideLimit(Limit limit, int value) {
  if (limit >= 0 && limit < kLimitCount) m_override[limit] = value < 0 ? -1 : value;
}

// ---------------------------------------------------------- the passes --

void kvRenderer::setBlendingState(bool on, int srcFactor, int dstFactor) {
  if (!on) {
    glDisable(GL_BLEND);
    return;
  }
  // The material's numbering of the factors.
  static const GLenum kFactors[] = {GL_ZERO,          GL_ONE,       GL_SRC_ALPHA, GL_SRC_COLOR,
                                    GL_ONE_MINUS_SRC_COLOR, GL_ONE_MINUS_SRC_ALPHA, GL_DST_ALPHA,
                                    GL_DST_COLOR,     GL_ONE_MINUS_DST_ALPHA, GL_ONE_MINUS_DST_COLOR};
  const int count = static_cast<int>(sizeof(kFactors) / sizeof(kFactors[0]));
  glEnable(GL_BLEND);
  glBlendFunc(srcFactor >= 0 && srcFactor < count ? kFactors[srcFactor] : GL_ONE,
              dstFactor >= 0 && dstFactor < count ? kFactors[dstFactor] : GL_ZERO);
}

void kvRenderer::drawScreenQuad(int width, int height) {
  if (width <= 0 || height <= 0) return;
  glViewport(0, 0, width, height);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glOrtho(0, width, 0, height, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  const float w = static_cast<float>(width), h = static_cast<float>(height);
  glColor4f(1, 1, 1, 1);
  glBegin(GL_QUADS);
  glTexCoord2f(0, 0);
  glVertex2f(0, 0);
  glTexCoord2f(1, 0);
  glVertex2f(w, 0);
  glTexCoord2f(1, 1);
  glVertex2f(w, h);
  glTexCoord2f(0, 1);
  glVertex2f(0, h);
  glEnd();
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
}

void kvRenderer::setPointSpriteState(bool on) {
  if (on) {
    glEnable(GL_POINT_SPRITE);
    glTexEnvi(GL_POINT_SPRITE, GL_COORD_REPLACE, GL_TRUE);
    glEnable(GL_VERTEX_PROGRAM_POINT_SIZE);
    glDepthMask(GL_FALSE);
  } else {
    glTexEnvi(GL_POINT_SPRITE, GL_COORD_REPLACE, GL_FALSE);
    glDisable(GL_POINT_SPRITE);
    glDisable(GL_VERTEX_PROGRAM_POINT_SIZE);
    glDepthMask(GL_TRUE);
  }
}

void kvRenderer::drawPoints(int count, const kvVector4* positions, const kvVector4* texCoords,
                            const kvVector4* colors) {
  if (count <= 0 || !positions) return;
  glBindBuffer(GL_ARRAY_BUFFER, 0);
  glEnableClientState(GL_VERTEX_ARRAY);
  glVertexPointer(4, GL_FLOAT, sizeof(kvVector4), positions);
  if (texCoords) {
    glClientActiveTexture(GL_TEXTURE0);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glTexCoordPointer(4, GL_FLOAT, sizeof(kvVector4), texCoords);
  }
  if (colors) {
    glEnableClientState(GL_COLOR_ARRAY);
    glColorPointer(4, GL_FLOAT, sizeof(kvVector4), colors);
  }
  glDrawArrays(GL_POINTS, 0, count);
  glDisableClientState(GL_COLOR_ARRAY);
  glDisableClientState(GL_TEXTURE_COORD_ARRAY);
  glDisableClientState(GL_VERTEX_ARRAY);
}

}  // namespace Korveth_nsp
