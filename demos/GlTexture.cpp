#include "demos/GlTexture.h"

#include "demos/ImageDecoder.h"
#include "lumaq.h"

namespace {

void warnUnreadable() {
  Korveth_nsp::kvTraceMgr::getInstance()->logTrace(2, "Unable to load image from memory");
}

}  // namespace

GlTexture::GlTexture()
    : m_image(nullptr),
      m_width(0),
      m_height(0),
      m_pixelFormat(GL_BGRA),
      m_internalFormat(GL_RGBA),
      m_texture(0) {}

// GL objects end with the demo's context; memory is freed here.
GlTexture::~GlTexture() {
  FreeDecodedImage(m_image);
}

bool GlTexture::loadFromMemory(const void* data, size_t size) {
  FreeDecodedImage(m_image);
  m_image = nullptr;
  m_width = m_height = 0;
  if (!IsKnownImageType(data, size)) {
    warnUnreadable();
    return false;
  }
  DecodedImage* image = DecodeImageFromMemory(data, size);
  if (!image) {  // known format, but damaged or too large
    warnUnreadable();
    return false;
  }
  if (image->bitsPerPixel == 32) {
    m_pixelFormat = GL_BGRA;
  } else {
    if (image->bitsPerPixel != 24) {
      DecodedImage* converted = ConvertImageTo24Bits(image);
      FreeDecodedImage(image);
      image = converted;
      if (!image) {
        warnUnreadable();
        return false;
      }
    }
    m_pixelFormat = GL_BGR;
  }
  m_image = image;
  m_width = image->width;
  m_height = image->height;
  return true;
}

bool GlTexture::createGlTexture() {
  if (m_texture) glDeleteTextures(1, &m_texture);
  m_texture = 0;
  glGenTextures(1, &m_texture);
  glBindTexture(GL_TEXTURE_2D, m_texture);
  const void* data = m_image ? m_image->bits : nullptr;
  if (data && m_width > 0 && m_height > 0) {
    // Rows are padded to four bytes, which is what this alignment reads.
    GLint alignment = 4, rowLength = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glGetIntegerv(GL_UNPACK_ROW_LENGTH, &rowLength);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(m_internalFormat), m_width, m_height, 0, m_pixelFormat,
                 GL_UNSIGNED_BYTE, data);
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, rowLength);
  }
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  return true;
}

void GlTexture::release() {
  if (m_texture) glDeleteTextures(1, &m_texture);
  m_texture = 0;
  FreeDecodedImage(m_image);
  m_image = nullptr;
  m_width = m_height = 0;
}
