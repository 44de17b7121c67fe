// A 2D OpenGL texture of the raw demos made from an image file held in
// memory. The upload needs the demo's GlRenderContext current.
#pragma once
#include <GL/glew.h>

#include <cstddef>

struct DecodedImage;

class GlTexture {
 public:
  GlTexture();
  ~GlTexture();
  GlTexture(const GlTexture&) = delete;
  GlTexture& operator=(const GlTexture&) = delete;

  // Decodes the image; false (with a warning in the engine trace) when the
  // bytes are no image, are damaged or are too large.
  bool loadFromMemory(const void* data, size_t size);
  // Makes the texture from the decoded image; true.
  bool createGlTexture();
  void release();

  GLuint textureName() const { return m_texture; }
  int width() const { return m_width; }
  int height() const { return m_height; }
  GLenum pixelFormat() const { return m_pixelFormat; }
  GLenum internalFormat() const { return m_internalFormat; }
  const DecodedImage* image() const { return m_image; }

 private:
  DecodedImage* m_image;
  int m_width;
  int m_height;
  GLenum m_pixelFormat;
  GLenum m_internalFormat;
  GLuint m_texture;
};
