// The engine's objects and their managers.
#include <GL/glew.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "lumaq.h"

#include "lumaq_image.h"

namespace Korveth_nsp {

namespace {

std::atomic<int> g_liveObjects{0};
const float kDegToRad = 3.14159265358979f / 180.0f;

kvRenderWindow* current() { return Korveth::getInstance()->getCurrentRenderWindow(); }

// Hands a new object to the current render window; without one the object
// cannot live (its OpenGL names would have no context).
template <class T>
T* adopt(T* object) {
  kvRenderWindow* w = current();
  if (!w) {
    delete object;
    return nullptr;
  }
  w->adopt(object);
  return object;
}

void destroy(kvObject* object) {
  kvRenderWindow* w = current();
  if (w && object) w->destroyObject(object);
}

void glColor(GLenum face, GLenum what, const kvVector4& c) {
  const GLfloat v[4] = {c.x, c.y, c.z, c.w};
  glMaterialfv(face, what, v);
}

}  // namespace

// ---------------------------------------------------------------- matrix --

kvMatrix4::kvMatrix4() {
  memset(m, 0, sizeof(m));
  m[0] = m[5] = m[10] = m[15] = 1.0f;
}

kvMatrix4 kvMatrix4::multiply(const kvMatrix4& a, const kvMatrix4& b) {
  kvMatrix4 r;
  for (int c = 0; c < 4; ++c)
    for (int row = 0; row < 4; ++row) {
      float s = 0.0f;
      for (int k = 0; k < 4; ++k) s += a.m[k * 4 + row] * b.m[c * 4 + k];
      r.m[c * 4 + row] = s;
    }
  return r;
}

kvMatrix4 kvMatrix4::translation(float x, float y, float z) {
  kvMatrix4 r;
  r.m[12] = x;
  r.m[13] = y;
  r.m[14] = z;
  return r;
}

kvMatrix4 kvMatrix4::rotationXYZ(float degX, float degY, float degZ) {
  float a[3] = {degX * kDegToRad, degY * kDegToRad, degZ * kDegToRad};
  kvMatrix4 rx, ry, rz;
  rx.m[5] = rx.m[10] = cosf(a[0]);
  rx.m[6] = sinf(a[0]);
  rx.m[9] = -rx.m[6];
  ry.m[0] = ry.m[10] = cosf(a[1]);
  ry.m[8] = sinf(a[1]);
  ry.m[2] = -ry.m[8];
  rz.m[0] = rz.m[5] = cosf(a[2]);
  rz.m[1] = sinf(a[2]);
  rz.m[4] = -rz.m[1];
  return multiply(rz, multiply(ry, rx));
}

kvMatrix4 kvMatrix4::perspective(float fovYDeg, float aspect, float zNear, float zFar) {
  kvMatrix4 r;
  float f = 1.0f / tanf(fovYDeg * kDegToRad * 0.5f);
  r.m[0] = f / (aspect > 0.0f ? aspect : 1.0f);
  r.m[5] = f;
  r.m[10] = (zFar + zNear) / (zNear - zFar);
  r.m[11] = -1.0f;
  r.m[14] = 2.0f * zFar * zNear / (zNear - zFar);
  r.m[15] = 0.0f;
  return r;
}

kvMatrix4 kvMatrix4::lookAt(const kvVector4& eye, const kvVector4& target, const kvVector4& up) {
  float f[3] = {target.x - eye.x, target.y - eye.y, target.z - eye.z};
  float fl = sqrtf(f[0] * f[0] + f[1] * f[1] + f[2] * f[2]);
  if (fl > 0.0f)
    for (float& v : f) v /= fl;
  float s[3] = {f[1] * up.z - f[2] * up.y, f[2] * up.x - f[0] * up.z, f[0] * up.y - f[1] * up.x};
  float sl = sqrtf(s[0] * s[0] + s[1] * s[1] + s[2] * s[2]);
  if (sl > 0.0f)
    for (float& v : s) v /= sl;
  float u[3] = {s[1] * f[2] - s[2] * f[1], s[2] * f[0] - s[0] * f[2], s[0] * f[1] - s[1] * f[0]};
  kvMatrix4 r;
  for (int i = 0; i < 3; ++i) {
    r.m[i * 4 + 0] = s[i];
    r.m[i * 4 + 1] = u[i];
    r.m[i * 4 + 2] = -f[i];
  }
  r.m[12] = -(s[0] * eye.x + s[1] * eye.y + s[2] * eye.z);
  r.m[13] = -(u[0] * eye.x + u[1] * eye.y + u[2] * eye.z);
  r.m[14] = f[0] * eye.x + f[1] * eye.y + f[2] * eye.z;
  return r;
}

// ---------------------------------------------------------------- object --

kvObject::kvObject(const char* name) : m_name(name ? name : ""), m_id(kvKma::genId()) {
  for (int i = 0; i < 3; ++i) m_spin[i] = m_angles[i] = 0.0f;
  ++g_liveObjects;
}

kvObject::~kvObject() { --g_liveObjects; }

int kvObject::getLiveCount() { return g_liveObjects.load(); }

void kvObject::setAutoSpinAngles(float x, float y, float z) {
  m_spin[0] = x;
  m_spin[1] = y;
  m_spin[2] = z;
}

void kvObject::setAngles(float x, float y, float z) {
  m_angles[0] = x;
  m_angles[1] = y;
  m_angles[2] = z;
}

void kvObject::update(float dt) {
  for (int i = 0; i < 3; ++i) m_angles[i] = fmodf(m_angles[i] + m_spin[i] * dt, 360.0f);
}

void kvObject::render(float) {}

kvTripod::kvTripod(const char* name) : kvObject(name) {}

void kvTripod::setPosition(float x, float y, float z) { m_position = kvVector4(x, y, z, 1.0f); }

kvMatrix4 kvTripod::getTransform() const {
  kvMatrix4 scale;
  scale.m[0] = scale.m[5] = scale.m[10] = m_scale;
  return kvMatrix4::multiply(kvMatrix4::translation(m_position.x, m_position.y, m_position.z),
                             kvMatrix4::multiply(kvMatrix4::rotationXYZ(m_angles[0], m_angles[1], m_angles[2]), scale));
}

// --------------------------------------------------------------- texture --

bool kvTextureData::resize(int width, int height) {
  m_width = width > 0 ? width : 0;
  m_height = height > 0 ? height : 0;
  m_pixels.clear();
  if (kvTryResize(m_pixels, static_cast<size_t>(m_width) * static_cast<size_t>(m_height) * 4)) return true;
  m_width = m_height = 0;
  return false;
}

namespace {
uint8_t unit8(float v) { return static_cast<uint8_t>(v <= 0.0f ? 0 : v >= 1.0f ? 255 : v * 255.0f + 0.5f); }
}  // namespace

void kvTextureData::fillWithColor(float r, float g, float b, float a) {
  const uint8_t c[4] = {unit8(r), unit8(g), unit8(b), unit8(a)};
  for (size_t i = 0; i < m_pixels.size(); i += 4) memcpy(&m_pixels[i], c, 4);
}

void kvTextureData::setPixel(int x, int y, float r, float g, float b, float a) {
  if (x < 0 || y < 0 || x >= m_width || y >= m_height) return;
  uint8_t* p = &m_pixels[(static_cast<size_t>(y) * static_cast<size_t>(m_width) + static_cast<size_t>(x)) * 4];
  p[0] = unit8(r);
  p[1] = unit8(g);
  p[2] = unit8(b);
  p[3] = unit8(a);
}

kvTexture::kvTexture(const char* name, Target target)
    : kvObject(name), m_target(target), m_format(kFormatRgba), m_filtering(kLinear), m_gl(0) {
  m_addressing[0] = m_addressing[1] = kRepeat;
}

kvTexture::~kvTexture() {
  if (m_gl) glDeleteTextures(1, &m_gl);
}

void kvTexture::setAddressingMode(int u, int v) {
  m_addressing[0] = u;
  m_addressing[1] = v;
}

void kvTexture::setFilteringMode(int mode) { m_filtering = mode; }

namespace {

void applySampling(GLenum target, const int addressing[2], int filtering, float anisotropy = 1.0f) {
  GLint wrap[2];
  for (int i = 0; i < 2; ++i) wrap[i] = addressing[i] == kvTexture::kRepeat ? GL_REPEAT : GL_CLAMP_TO_EDGE;
  glTexParameteri(target, GL_TEXTURE_WRAP_S, wrap[0]);
  glTexParameteri(target, GL_TEXTURE_WRAP_T, wrap[1]);
  GLint mag = filtering == kvTexture::kNearest ? GL_NEAREST : GL_LINEAR;
  GLint min = filtering == kvTexture::kTrilinear ? GL_LINEAR_MIPMAP_LINEAR : mag;
  glTexParameteri(target, GL_TEXTURE_MAG_FILTER, mag);
  glTexParameteri(target, GL_TEXTURE_MIN_FILTER, min);
  if (filtering == kvTexture::kTrilinear) glTexParameteri(target, GL_GENERATE_MIPMAP, GL_TRUE);
  if (anisotropy > 1.0f && GLEW_EXT_texture_filter_anisotropic) {
    GLfloat most = 1.0f;
    glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &most);
    glTexParameterf(target, GL_TEXTURE_MAX_ANISOTROPY_EXT, anisotropy < most ? anisotropy : most);
  }
}

}  // namespace

bool kvTexture::upload() {
  if (m_target != k2D || m_data.getWidth() == 0) return false;
  if (!m_gl) glGenTextures(1, &m_gl);
  glBindTexture(GL_TEXTURE_2D, m_gl);
  applySampling(GL_TEXTURE_2D, m_addressing, m_filtering, m_anisotropy);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  if (m_format == kFormatRgbaFloat && !(GLEW_VERSION_3_0 || GLEW_ARB_texture_float)) return false;
  GLint internal = m_format == kFormatRgb ? GL_RGB8 : m_format == kFormatRgbaFloat ? GL_RGBA32F : GL_RGBA8;
  glTexImage2D(GL_TEXTURE_2D, 0, internal, m_data.getWidth(), m_data.getHeight(), 0, GL_RGBA, GL_UNSIGNED_BYTE,
               m_data.pixels());
  glBindTexture(GL_TEXTURE_2D, 0);
  return glGetError() == GL_NO_ERROR;
}

bool kvTexture::uploadCubeFace(int face, const kvTextureData& data) {
  if (m_target != kCubeMap || face < 0 || face > 5 || data.getWidth() == 0) return false;
  if (!m_gl) glGenTextures(1, &m_gl);
  glBindTexture(GL_TEXTURE_CUBE_MAP, m_gl);
  int clamp[2] = {kClamp, kClamp};
  applySampling(GL_TEXTURE_CUBE_MAP, clamp, m_filtering);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexImage2D(GL_TEXTURE_CUBE_MAP_POSITIVE_X + static_cast<GLenum>(face), 0, GL_RGBA8, data.getWidth(),
               data.getHeight(), 0, GL_RGBA, GL_UNSIGNED_BYTE, data.pixels());
  glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
  m_data = data;
  return glGetError() == GL_NO_ERROR;
}

bool kvTexture::uploadCubeFaceFloat(int face, int width, int height, const float* rgb) {
  if (m_target != kCubeMap || face < 0 || face > 5 || width <= 0 || height <= 0 || !rgb) return false;
  if (!m_gl) glGenTextures(1, &m_gl);
  glBindTexture(GL_TEXTURE_CUBE_MAP, m_gl);
  int clamp[2] = {kClamp, kClamp};
  applySampling(GL_TEXTURE_CUBE_MAP, clamp, m_filtering);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexImage2D(GL_TEXTURE_CUBE_MAP_POSITIVE_X + static_cast<GLenum>(face), 0, GL_RGB16F, width, height, 0, GL_RGB,
               GL_FLOAT, rgb);
  glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
  return glGetError() == GL_NO_ERROR;
}

void kvTexture::bind(int unit) const {
  glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(unit));
  glBindTexture(m_target == kCubeMap ? GL_TEXTURE_CUBE_MAP : GL_TEXTURE_2D, m_gl);
}

void kvTexture::unbind(int unit) {
  glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(unit));
  glBindTexture(GL_TEXTURE_2D, 0);
  glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
  glDisable(GL_TEXTURE_2D);
  glActiveTexture(GL_TEXTURE0);
}

kvTextureMgr* kvTextureMgr::getInstance() {
  static kvTextureMgr instance;
  return &instance;
}

kvTexture* kvTextureMgr::createTexture2D(const char* name, int width, int height) {
  if (width <= 0 || height <= 0 || width > 8192 || height > 8192) return nullptr;
  kvTexture* t = adopt(new kvTexture(name, kvTexture::k2D));
  if (t && !t->getTextureData()->resize(width, height)) {
    destroy(t);
    return nullptr;
  }
  return t;
}

namespace {

// Decodes image file bytes into the texture's host pixels.
bool decodeInto(kvTexture* t, const void* data, size_t size) {
  int w = 0, h = 0;
  uint8_t* pixels = decodeRgba(data, size, &w, &h);
  if (!pixels) return false;
  const bool fits = t->getTextureData()->resize(w, h);
  if (fits) memcpy(t->getTextureData()->pixels(), pixels, static_cast<size_t>(w) * static_cast<size_t>(h) * 4);
  freeDecodedRgba(pixels);
  return fits;
}

}  // namespace

kvTexture* kvTextureMgr::createTexture2DFromMemory(const char* name, const void* data, size_t size) {
  kvTexture* t = adopt(new kvTexture(name, kvTexture::k2D));
  if (!t) return nullptr;
  if (!decodeInto(t, data, size) || !t->upload()) {
    destroy(t);
    return nullptr;
  }
  return t;
}

bool kvReadFile(const char* path, size_t maxBytes, std::vector<uint8_t>* bytes) {
  if (!path || !bytes) return false;
  FILE* f = fopen(path, "rb");
  if (!f) return false;
  long size = -1;
  if (fseek(f, 0, SEEK_END) == 0) size = ftell(f);
  bool ok = size >= 0 && fseek(f, 0, SEEK_SET) == 0;
  const size_t wanted = ok && static_cast<unsigned long>(size) < maxBytes ? static_cast<size_t>(size) : maxBytes;
  bytes->clear();
  ok = ok && kvTryResize(*bytes, wanted);
  if (ok) bytes->resize(fread(bytes->data(), 1, wanted, f));
  fclose(f);
  return ok;
}

kvTexture* kvTextureMgr::loadTexture2D(const char* name, const char* path) {
  std::vector<uint8_t> bytes;
  if (!kvReadFile(path, 64u << 20, &bytes)) return nullptr;
  kvTexture* t = adopt(new kvTexture(name, kvTexture::k2D));
  if (t && !decodeInto(t, bytes.data(), bytes.size())) {
    destroy(t);
    return nullptr;
  }
  return t;
}

kvTexture* kvTextureMgr::getTexture(const char* name) { return kvFindCurrent<kvTexture>(name); }

void kvTextureMgr::destroyTexture(kvTexture* texture) { destroy(texture); }

// ------------------------------------------------------------ GPU shader --

kvGpuShader::kvGpuShader(const char* name) : kvObject(name), m_vertex(0), m_pixel(0), m_program(0) {}

kvGpuShader::~kvGpuShader() {
  if (m_program) glDeleteProgram(m_program);
  if (m_vertex) glDeleteShader(m_vertex);
  if (m_pixel) glDeleteShader(m_pixel);
}

int kvGpuShader::compile(unsigned type, const char* source, size_t length, unsigned* shader, std::string* log) {
  log->clear();
  if (!source || !glCreateShader) {
    *log = "no source or no GLSL support";
    return kCompileError;
  }
  size_t n = strnlen(source, length);  // the length counts the terminating zero
  GLint sourceLength = static_cast<GLint>(n);
  if (*shader) glDeleteShader(*shader);
  *shader = glCreateShader(type);
  glShaderSource(*shader, 1, &source, &sourceLength);
  glCompileShader(*shader);
  GLint ok = 0, logLength = 0;
  glGetShaderiv(*shader, GL_COMPILE_STATUS, &ok);
  glGetShaderiv(*shader, GL_INFO_LOG_LENGTH, &logLength);
  if (logLength > 1) {
    std::vector<char> text(static_cast<size_t>(logLength) + 1, '\0');
    glGetShaderInfoLog(*shader, logLength, nullptr, text.data());
    *log = text.data();
  }
  return ok ? kLoaded : kCompileError;
}

int kvGpuShader::loadVertexShaderFromMemory(const char* source, size_t length) {
  return compile(GL_VERTEX_SHADER, source, length, &m_vertex, &m_vertexLog);
}

int kvGpuShader::loadPixelShaderFromMemory(const char* source, size_t length) {
  m_programLog.clear();
  if (compile(GL_FRAGMENT_SHADER, source, length, &m_pixel, &m_pixelLog) != kLoaded) return kCompileError;
  if (!m_vertex) {
    m_programLog = "no vertex stage";
    return kLinkError;
  }
  if (m_program) glDeleteProgram(m_program);
  m_program = glCreateProgram();
  glAttachShader(m_program, m_vertex);
  glAttachShader(m_program, m_pixel);
  glLinkProgram(m_program);
  GLint ok = 0, logLength = 0;
  glGetProgramiv(m_program, GL_LINK_STATUS, &ok);
  glGetProgramiv(m_program, GL_INFO_LOG_LENGTH, &logLength);
  if (!ok) {
    std::vector<char> text(static_cast<size_t>(logLength > 1 ? logLength : 1) + 1, '\0');
    if (logLength > 1) glGetProgramInfoLog(m_program, logLength, nullptr, text.data());
    m_programLog = text.data();
    glDeleteProgram(m_program);
    m_program = 0;
    return kLinkError;
  }
  return kLoaded;
}

void kvGpuShader::bind() {
  if (m_program) glUseProgram(m_program);
}

void kvGpuShader::unbind() {
  if (glUseProgram) glUseProgram(0);
}

void kvGpuShader::setUniform1f(const char* name, float v) {
  if (m_program) glUniform1f(glGetUniformLocation(m_program, name), v);
}

void kvGpuShader::setUniform1i(const char* name, int v) {
  if (m_program) glUniform1i(glGetUniformLocation(m_program, name), v);
}

void kvGpuShader::setUniform4f(const char* name, float x, float y, float z, float w) {
  if (m_program) glUniform4f(glGetUniformLocation(m_program, name), x, y, z, w);
}

void kvGpuShader::setUniform2f(const char* name, float x, float y) {
  if (m_program) glUniform2f(glGetUniformLocation(m_program, name), x, y);
}

void kvGpuShader::setUniform3f(const char* name, float x, float y, float z) {
  if (m_program) glUniform3f(glGetUniformLocation(m_program, name), x, y, z);
}

void kvGpuShader::setUniform2fv(const char* name, int count, const float* values) {
  if (m_program && values && count > 0) glUniform2fv(glGetUniformLocation(m_program, name), count, values);
}

void kvGpuShader::setUniform4fv(const char* name, int count, const float* values) {
  if (m_program && values && count > 0) glUniform4fv(glGetUniformLocation(m_program, name), count, values);
}

void kvGpuShader::setUniformMatrix4(const char* name, const kvMatrix4& m) {
  if (m_program) glUniformMatrix4fv(glGetUniformLocation(m_program, name), 1, GL_FALSE, m.m);
}

kvGPUShaderMgr* kvGPUShaderMgr::getInstance() {
  static kvGPUShaderMgr instance;
  return &instance;
}

kvGpuShader* kvGPUShaderMgr::createGPUShader(const char* name) {
  if (!glCreateProgram) return nullptr;  // no GLSL: no shader
  return adopt(new kvGpuShader(name));
}

kvGpuShader* kvGPUShaderMgr::getGPUShader(const char* name) { return kvFindCurrent<kvGpuShader>(name); }

void kvGPUShaderMgr::killGpuShader(kvGpuShader* shader) { destroy(shader); }

// -------------------------------------------------------------- material --

kvMaterial::kvMaterial(const char* name)
    : kvObject(name), m_ambient(0.2f, 0.2f, 0.2f, 1.0f), m_diffuse(0.8f, 0.8f, 0.8f, 1.0f),
      m_specular(0.0f, 0.0f, 0.0f, 1.0f), m_blending(false), m_src(kOne), m_dst(kZero), m_textures(),
      m_textureCount(0), m_shader(nullptr) {}

void kvMaterial::setBlending(bool on, int srcFactor, int dstFactor) {
  m_blending = on;
  m_src = srcFactor;
  m_dst = dstFactor;
}

bool kvMaterial::addTexture(kvTexture* texture) {
  if (!texture || m_textureCount >= kMaxTextures) return false;
  m_textures[m_textureCount++] = texture;
  return true;
}

kvTexture* kvMaterial::getTexture(int unit) const {
  return unit >= 0 && unit < m_textureCount ? m_textures[unit] : nullptr;
}

void kvMaterial::applyRasterizerStateToRenderer(int) {
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  // Blended surfaces are seen through: no depth writes, both sides drawn.
  glDepthMask(m_blending ? GL_FALSE : GL_TRUE);
  if (m_blending)
    glDisable(GL_CULL_FACE);
  else
    glEnable(GL_CULL_FACE);
}

void kvMaterial::applyMaterialColorsToRenderer(int) {
  glColor(GL_FRONT_AND_BACK, GL_AMBIENT, m_ambient);
  glColor(GL_FRONT_AND_BACK, GL_DIFFUSE, m_diffuse);
  glColor(GL_FRONT_AND_BACK, GL_SPECULAR, m_specular);
  glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, m_shininess < 0.0f ? 0.0f : m_shininess > 128.0f ? 128.0f : m_shininess);
  glColor4f(m_diffuse.x, m_diffuse.y, m_diffuse.z, m_diffuse.w);
}

void kvMaterial::applyTexturesToRenderer(int) {
  for (int unit = 0; unit < m_textureCount; ++unit) {
    m_textures[unit]->bind(unit);
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  }
  glActiveTexture(GL_TEXTURE0);
}

void kvMaterial::applyBlendingStateToRenderer(int) {
  kvRenderer::getInstance()->setBlendingState(m_blending, m_src, m_dst);
}

void kvMaterial::apply() {
  applyRasterizerStateToRenderer(0);
  applyMaterialColorsToRenderer(0);
  applyTexturesToRenderer(0);
  applyBlendingStateToRenderer(0);
  if (m_shader) m_shader->bind();
}

void kvMaterial::unapply() {
  if (m_shader) kvGpuShader::unbind();
  for (int unit = m_textureCount - 1; unit >= 0; --unit) kvTexture::unbind(unit);
  glDisable(GL_BLEND);
  glDepthMask(GL_TRUE);
  glEnable(GL_CULL_FACE);
}

kvMaterialMgr* kvMaterialMgr::getInstance() {
  static kvMaterialMgr instance;
  return &instance;
}

kvMaterial* kvMaterialMgr::createMaterial(const char* name) { return adopt(new kvMaterial(name)); }

kvMaterial* kvMaterialMgr::getMaterial(const char* name) { return kvFindCurrent<kvMaterial>(name); }

void kvMaterialMgr::classifyMaterials() {
  // Materials are applied by their users in drawing order; nothing to sort
  // in this engine.
}

// ------------------------------------------------------------------ mesh --

kvMeshData::~kvMeshData() {
  if (m_buffers[0]) glDeleteBuffers(2, m_buffers);
}

void kvMeshData::setVerticesColor(const kvVector4& c) {
  for (Vertex& v : m_vertices) {
    v.color[0] = c.x;
    v.color[1] = c.y;
    v.color[2] = c.z;
    v.color[3] = c.w;
  }
  m_dirty = true;
}

void kvMeshData::bind() {
  if (m_vertices.empty()) return;
  if (!m_buffers[0]) glGenBuffers(2, m_buffers);
  glBindBuffer(GL_ARRAY_BUFFER, m_buffers[0]);
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, m_buffers[1]);
  if (m_dirty) {
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(m_vertices.size() * sizeof(Vertex)), m_vertices.data(),
                 GL_STATIC_DRAW);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(m_indices.size() * sizeof(uint32_t)),
                 m_indices.data(), GL_STATIC_DRAW);
    m_dirty = false;
  }
  const GLsizei stride = sizeof(Vertex);
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_NORMAL_ARRAY);
  glEnableClientState(GL_COLOR_ARRAY);
  glVertexPointer(3, GL_FLOAT, stride, reinterpret_cast<const void*>(offsetof(Vertex, position)));
  glNormalPointer(GL_FLOAT, stride, reinterpret_cast<const void*>(offsetof(Vertex, normal)));
  glColorPointer(4, GL_FLOAT, stride, reinterpret_cast<const void*>(offsetof(Vertex, color)));
  for (int unit = 0; unit < 2; ++unit) {
    glClientActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(unit));
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glTexCoordPointer(2, GL_FLOAT, stride, reinterpret_cast<const void*>(offsetof(Vertex, uv)));
  }
  glClientActiveTexture(GL_TEXTURE0);
  m_bound = true;
}

void kvMeshData::release() {
  if (!m_bound) return;
  for (int unit = 1; unit >= 0; --unit) {
    glClientActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(unit));
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
  }
  glDisableClientState(GL_COLOR_ARRAY);
  glDisableClientState(GL_NORMAL_ARRAY);
  glDisableClientState(GL_VERTEX_ARRAY);
  glBindBuffer(GL_ARRAY_BUFFER, 0);
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
  m_bound = false;
}

void kvMeshData::draw(int instances) {
  if (kvRenderWindow* w = Korveth::getInstance()->getCurrentRenderWindow()) w->noteDraw();
  bool wasBound = m_bound;
  if (!wasBound) bind();
  const GLsizei count = static_cast<GLsizei>(m_indices.size());
  if (m_bound && instances > 1 && glDrawElementsInstanced)
    glDrawElementsInstanced(GL_TRIANGLES, count, GL_UNSIGNED_INT, nullptr, instances);
  else if (m_bound)
    glDrawElements(GL_TRIANGLES, count, GL_UNSIGNED_INT, nullptr);
  if (!wasBound) release();
}

kvMesh::kvMesh(const char* name) : kvTripod(name), m_material(nullptr), m_drawnByScene(true), m_instances(1) {}

namespace {

// One face of a box: origin corner, two edge vectors, the outward normal.
void addGrid(kvMeshData* data, const float origin[3], const float u[3], const float v[3], const float n[3],
             int segmentsU, int segmentsV) {
  auto& verts = data->vertices();
  auto& idx = data->indices();
  uint32_t base = static_cast<uint32_t>(verts.size());
  for (int j = 0; j <= segmentsV; ++j)
    for (int i = 0; i <= segmentsU; ++i) {
      float s = static_cast<float>(i) / segmentsU, t = static_cast<float>(j) / segmentsV;
      kvMeshData::Vertex vx;
      for (int k = 0; k < 3; ++k) {
        vx.position[k] = origin[k] + u[k] * s + v[k] * t;
        vx.normal[k] = n[k];
      }
      vx.uv[0] = s;
      vx.uv[1] = t;
      vx.color[0] = vx.color[1] = vx.color[2] = vx.color[3] = 1.0f;
      verts.push_back(vx);
    }
  const uint32_t row = static_cast<uint32_t>(segmentsU + 1);
  for (int j = 0; j < segmentsV; ++j)
    for (int i = 0; i < segmentsU; ++i) {
      uint32_t a = base + static_cast<uint32_t>(j) * row + static_cast<uint32_t>(i);
      idx.insert(idx.end(), {a, a + 1, a + row + 1, a, a + row + 1, a + row});
    }
}

}  // namespace

void kvMesh::createBox(float width, float height, float depth, int segments) {
  createBox(width, height, depth, segments, segments, segments);
}

void kvMesh::createBox(float width, float height, float depth, int segmentsX, int segmentsY, int segmentsZ) {
  const int sx = segmentsX < 1 ? 1 : segmentsX, sy = segmentsY < 1 ? 1 : segmentsY, sz = segmentsZ < 1 ? 1 : segmentsZ;
  m_data.vertices().clear();
  m_data.indices().clear();
  const float x = width / 2, y = height / 2, z = depth / 2;
  // Each face: origin, u, v with u x v pointing outwards.
  const float faces[6][4][3] = {
      {{-x, -y, z}, {width, 0, 0}, {0, height, 0}, {0, 0, 1}},      // front
      {{x, -y, -z}, {-width, 0, 0}, {0, height, 0}, {0, 0, -1}},    // back
      {{x, -y, z}, {0, 0, -depth}, {0, height, 0}, {1, 0, 0}},      // right
      {{-x, -y, -z}, {0, 0, depth}, {0, height, 0}, {-1, 0, 0}},    // left
      {{-x, y, z}, {width, 0, 0}, {0, 0, -depth}, {0, 1, 0}},       // top
      {{-x, -y, -z}, {width, 0, 0}, {0, 0, depth}, {0, -1, 0}},     // bottom
  };
  // Segments along each face's u and v edges.
  const int split[6][2] = {{sx, sy}, {sx, sy}, {sz, sy}, {sz, sy}, {sx, sz}, {sx, sz}};
  for (int i = 0; i < 6; ++i)
    addGrid(&m_data, faces[i][0], faces[i][1], faces[i][2], faces[i][3], split[i][0], split[i][1]);
  m_data.setVerticesColor(kvVector4(1, 1, 1, 1));
}

void kvMesh::createTorus(float radius, float tubeRadius, int rings, int sides) {
  if (rings < 3) rings = 3;
  if (sides < 3) sides = 3;
  auto& verts = m_data.vertices();
  auto& idx = m_data.indices();
  verts.clear();
  idx.clear();
  const float twoPi = 6.2831853f;
  for (int r = 0; r <= rings; ++r)
    for (int s = 0; s <= sides; ++s) {
      float a = twoPi * r / rings, b = twoPi * s / sides;
      kvMeshData::Vertex v;
      float nx = cosf(b) * cosf(a), ny = sinf(b), nz = cosf(b) * sinf(a);
      v.position[0] = radius * cosf(a) + tubeRadius * nx;
      v.position[1] = tubeRadius * ny;
      v.position[2] = radius * sinf(a) + tubeRadius * nz;
      v.normal[0] = nx;
      v.normal[1] = ny;
      v.normal[2] = nz;
      v.uv[0] = static_cast<float>(r) / rings;
      v.uv[1] = static_cast<float>(s) / sides;
      v.color[0] = v.color[1] = v.color[2] = v.color[3] = 1.0f;
      verts.push_back(v);
    }
  const uint32_t row = static_cast<uint32_t>(sides + 1);
  for (int r = 0; r < rings; ++r)
    for (int s = 0; s < sides; ++s) {
      uint32_t a = static_cast<uint32_t>(r) * row + static_cast<uint32_t>(s);
      idx.insert(idx.end(), {a, a + 1, a + row + 1, a, a + row + 1, a + row});
    }
  m_data.setVerticesColor(kvVector4(1, 1, 1, 1));
}

void kvMesh::draw() {
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glMultMatrixf(getTransform().m);
  m_data.draw(m_instances);
  glPopMatrix();
}

void kvMesh::render(float) {
  if (m_material) m_material->apply();
  draw();
  if (m_material) m_material->unapply();
}

void kvMeshData::setOptionsState(int option, bool on) {
  if (option < 0 || option > 31) return;
  if (on)
    m_options |= 1u << option;
  else
    m_options &= ~(1u << option);
}

bool kvMeshData::getOptionsState(int option) const {
  return option >= 0 && option <= 31 && (m_options & (1u << option)) != 0;
}

void kvMesh::createGrid(float width, float depth, int subdivisions) {
  if (subdivisions < 1) subdivisions = 1;
  m_data.vertices().clear();
  m_data.indices().clear();
  const float origin[3] = {-width / 2, 0, depth / 2}, u[3] = {width, 0, 0}, v[3] = {0, 0, -depth},
              n[3] = {0, 1, 0};
  addGrid(&m_data, origin, u, v, n, subdivisions, subdivisions);
  m_data.setVerticesColor(kvVector4(1, 1, 1, 1));
}

kvGrid::kvGrid(const char* name) : kvMesh(name), m_width(100), m_depth(100), m_subdivisions(10) {
  createGrid(m_width, m_depth, m_subdivisions);
}

void kvGrid::setSize(float width, float depth) {
  m_width = width;
  m_depth = depth;
  createGrid(m_width, m_depth, m_subdivisions);
}

void kvGrid::setNumberOfSubdivisions(int count) {
  m_subdivisions = count;
  createGrid(m_width, m_depth, m_subdivisions);
}

// ---------------------------------------------------------------- skybox --

kvSkybox::kvSkybox(const char* name) : kvTripod(name), m_cubemap(nullptr) {}

bool kvSkybox::loadFace(int face, const char* path) {
  if (face < 0 || face > 5 || !path) return false;
  if (!m_cubemap) {
    m_cubemap = adopt(new kvTexture(nullptr, kvTexture::kCubeMap));
    if (!m_cubemap) return false;
  }
  // The file goes through a 2D texture's decoder, then to the face.
  kvTexture* image = kvTextureMgr::getInstance()->loadTexture2D(nullptr, path);
  if (!image) return false;
  static const int kGlFace[6] = {0, 1, 5, 4, 2, 3};
  bool ok = m_cubemap->uploadCubeFace(kGlFace[face], *image->getTextureData());
  destroy(image);
  return ok;
}

void kvSkybox::render(float) {
  if (!m_cubemap) return;
  // Drawn by the fixed pipeline, whatever program is bound, and into the
  // first colour output only: further outputs of a target keep what was
  // cleared there (a background has no depth to tell).
  GLint program = 0;
  if (glUseProgram) {
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    glUseProgram(0);
  }
  GLint drawBuffers = 1;
  if (glColorMaski) glGetIntegerv(GL_MAX_DRAW_BUFFERS, &drawBuffers);
  for (GLint i = 1; i < drawBuffers && i < 8; ++i) glColorMaski(static_cast<GLuint>(i), GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
  glPushAttrib(GL_ALL_ATTRIB_BITS);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  // The camera's rotation only: the box stays around the eye.
  GLfloat view[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, view);
  view[12] = view[13] = view[14] = 0.0f;
  glLoadMatrixf(view);
  glDisable(GL_DEPTH_TEST);
  glDepthMask(GL_FALSE);
  glDisable(GL_LIGHTING);
  glDisable(GL_CULL_FACE);
  glDisable(GL_TEXTURE_2D);
  m_cubemap->bind(0);
  glEnable(GL_TEXTURE_CUBE_MAP);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
  static const float kCorners[8][3] = {{-1, -1, -1}, {1, -1, -1}, {1, 1, -1}, {-1, 1, -1},
                                       {-1, -1, 1},  {1, -1, 1},  {1, 1, 1},  {-1, 1, 1}};
  static const int kFaces[6][4] = {{1, 5, 6, 2}, {4, 0, 3, 7}, {5, 4, 7, 6}, {0, 1, 2, 3}, {3, 2, 6, 7}, {4, 5, 1, 0}};
  const float scale = 10.0f;  // inside every near plane the demos use
  glBegin(GL_QUADS);
  for (const auto& f : kFaces)
    for (int k : f) {
      glTexCoord3fv(kCorners[k]);
      glVertex3f(kCorners[k][0] * scale, kCorners[k][1] * scale, kCorners[k][2] * scale);
    }
  glEnd();
  glDisable(GL_TEXTURE_CUBE_MAP);
  kvTexture::unbind(0);
  glPopMatrix();
  glPopAttrib();
  for (GLint i = 1; i < drawBuffers && i < 8; ++i) glColorMaski(static_cast<GLuint>(i), GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  if (program) glUseProgram(static_cast<GLuint>(program));
}

// ---------------------------------------------------------- render target --

kvRenderTexture::kvRenderTexture(const char* name, int width, int height, bool depth, bool floatColor)
    : kvTexture(name, k2D), m_width(width), m_height(height) {
  glGenTextures(1, &m_gl);
  glBindTexture(GL_TEXTURE_2D, m_gl);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  if (depth)
    glTexImage2D(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT24, width, height, 0, GL_DEPTH_COMPONENT, GL_FLOAT, nullptr);
  else if (floatColor)
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA16F, width, height, 0, GL_RGBA, GL_FLOAT, nullptr);
  else
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
  glBindTexture(GL_TEXTURE_2D, 0);
}

kvRenderTarget::kvRenderTarget(const char* name)
    : kvObject(name), m_fbo(0), m_depthBuffer(0), m_width(0), m_height(0), m_outputs(0), m_colors(),
      m_depth(nullptr) {}

kvRenderTarget::~kvRenderTarget() {
  for (kvRenderTexture* t : m_colors) delete t;
  delete m_depth;
  if (m_depthBuffer) glDeleteRenderbuffers(1, &m_depthBuffer);
  if (m_fbo) glDeleteFramebuffers(1, &m_fbo);
}

bool kvRenderTarget::create(int width, int height, int colorOutputs, bool floatColor) {
  if (m_fbo || !glGenFramebuffers || width <= 0 || height <= 0 || colorOutputs < 1 || colorOutputs > kMaxOutputs)
    return false;
  m_width = width;
  m_height = height;
  glGenFramebuffers(1, &m_fbo);
  glBindFramebuffer(GL_FRAMEBUFFER, m_fbo);
  GLenum buffers[kMaxOutputs];
  for (int i = 0; i < colorOutputs; ++i) {
    m_colors[i] = new kvRenderTexture(nullptr, width, height, false, floatColor);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0 + static_cast<GLenum>(i), GL_TEXTURE_2D,
                           m_colors[i]->getGlName(), 0);
    buffers[i] = GL_COLOR_ATTACHMENT0 + static_cast<GLenum>(i);
  }
  m_outputs = colorOutputs;
  glDrawBuffers(colorOutputs, buffers);
  glGenRenderbuffers(1, &m_depthBuffer);
  glBindRenderbuffer(GL_RENDERBUFFER, m_depthBuffer);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, width, height);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, m_depthBuffer);
  bool ok = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  return ok;
}

bool kvRenderTarget::createDepthTarget(int width, int height) {
  if (m_fbo || !glGenFramebuffers || width <= 0 || height <= 0) return false;
  m_width = width;
  m_height = height;
  glGenFramebuffers(1, &m_fbo);
  glBindFramebuffer(GL_FRAMEBUFFER, m_fbo);
  m_depth = new kvRenderTexture(nullptr, width, height, true);
  glBindTexture(GL_TEXTURE_2D, m_depth->getGlName());
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_MODE, GL_COMPARE_REF_TO_TEXTURE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_FUNC, GL_LEQUAL);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_BORDER);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_BORDER);
  const GLfloat farDepth[4] = {1.0f, 1.0f, 1.0f, 1.0f};
  glTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_BORDER_COLOR, farDepth);
  glBindTexture(GL_TEXTURE_2D, 0);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_TEXTURE_2D, m_depth->getGlName(), 0);
  glDrawBuffer(GL_NONE);
  glReadBuffer(GL_NONE);
  bool ok = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  return ok;
}

kvRenderTexture* kvRenderTarget::getRenderTexture(int output) const {
  return output >= 0 && output < m_outputs ? m_colors[output] : nullptr;
}

void kvRenderTarget::bind() {
  if (!m_fbo) return;
  glBindFramebuffer(GL_FRAMEBUFFER, m_fbo);
  glViewport(0, 0, m_width, m_height);
}

void kvRenderTarget::unbind() {
  if (glBindFramebuffer) glBindFramebuffer(GL_FRAMEBUFFER, 0);
  kvRenderWindow* w = current();
  if (w) glViewport(0, 0, w->getWidth(), w->getHeight());
}

// ------------------------------------------------------------ HUD, image --

kvQuad::kvQuad(const char* name) : kvTripod(name), m_width(1), m_height(1), m_material(nullptr) {}

void kvQuad::setSize(float width, float height) {
  m_width = width;
  m_height = height;
}

namespace {

// A textured rectangle in the given orthographic space (y upwards), no
// depth; texture row 0 is drawn at y = t0, the last row at y = t1.
void drawOverlayRect(kvMaterial* material, float left, float right, float bottom, float top, float l, float r,
                     float t0, float t1) {
  const float b = t0, t = t1;
  glPushAttrib(GL_ALL_ATTRIB_BITS);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glOrtho(left, right, bottom, top, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  glDisable(GL_LIGHTING);
  if (material) material->apply();
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_CULL_FACE);
  glColor4f(1, 1, 1, 1);
  glBegin(GL_QUADS);
  glTexCoord2f(0, 0);
  glVertex2f(l, b);
  glTexCoord2f(1, 0);
  glVertex2f(r, b);
  glTexCoord2f(1, 1);
  glVertex2f(r, t);
  glTexCoord2f(0, 1);
  glVertex2f(l, t);
  glEnd();
  if (material) material->unapply();
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
  glPopAttrib();
}

}  // namespace

void kvQuad::render(float) {
  kvRenderWindow* w = current();
  if (!w) return;
  float hw = w->getWidth() / 2.0f, hh = w->getHeight() / 2.0f;
  // Texture rows are top-down: texture row 0 goes to the quad's top edge.
  drawOverlayRect(m_material, -hw, hw, -hh, hh, m_position.x - m_width / 2, m_position.x + m_width / 2,
                  m_position.y + m_height / 2, m_position.y - m_height / 2);
}

kvBkgImage::kvBkgImage(const char* name) : kvObject(name), m_material(nullptr) {}

void kvBkgImage::render(float) { drawOverlayRect(m_material, 0, 1, 0, 1, 0, 1, 1, 0); }

// ----------------------------------------------------- light and camera --

kvLight::kvLight(const char* name)
    : kvTripod(name), m_ambient(0, 0, 0, 1), m_diffuse(1, 1, 1, 1), m_specular(0, 0, 0, 1) {}

kvLightData kvLight::getLightData() const {
  kvLightData d;
  d.position = m_position;
  d.ambient = m_ambient;
  d.diffuse = m_diffuse;
  d.specular = m_specular;
  return d;
}

void kvLight::apply(int unit) const {
  if (unit < 0 || unit > 7) return;
  GLenum light = GL_LIGHT0 + static_cast<GLenum>(unit);
  const GLfloat position[4] = {m_position.x, m_position.y, m_position.z, 1.0f};
  const GLfloat ambient[4] = {m_ambient.x, m_ambient.y, m_ambient.z, m_ambient.w};
  const GLfloat diffuse[4] = {m_diffuse.x, m_diffuse.y, m_diffuse.z, m_diffuse.w};
  const GLfloat specular[4] = {m_specular.x, m_specular.y, m_specular.z, m_specular.w};
  glLightfv(light, GL_POSITION, position);
  glLightfv(light, GL_AMBIENT, ambient);
  glLightfv(light, GL_DIFFUSE, diffuse);
  glLightfv(light, GL_SPECULAR, specular);
  glEnable(light);
}

kvLightMgr* kvLightMgr::getInstance() {
  static kvLightMgr instance;
  return &instance;
}

kvLight* kvLightMgr::createLightPoint(const char* name) { return adopt(new kvLight(name)); }

kvCamera::kvCamera(const char* name) : kvTripod(name), m_viewport{0, 0, 1, 1} {}

void kvCamera::setViewport(int x, int y, int width, int height) {
  m_viewport[0] = x;
  m_viewport[1] = y;
  m_viewport[2] = width;
  m_viewport[3] = height;
}

void kvCamera::setProjPerspParams(float fovYDeg, float aspect, float zNear, float zFar) {
  m_projection = kvMatrix4::perspective(fovYDeg, aspect, zNear, zFar);
}

void kvCamera::setViewParams(const kvVector4& eye, const kvVector4& target, const kvVector4& up) {
  m_position = eye;
  m_view = kvMatrix4::lookAt(eye, target, up);
}

kvMatrix4 kvCamera::getInverseViewMatrix() const {
  // The view is a rotation and a translation: its inverse is the
  // transposed rotation and the rotated, negated translation.
  kvMatrix4 r;
  for (int c = 0; c < 3; ++c)
    for (int row = 0; row < 3; ++row) r.m[c * 4 + row] = m_view.m[row * 4 + c];
  for (int row = 0; row < 3; ++row)
    r.m[12 + row] = -(r.m[row] * m_view.m[12] + r.m[4 + row] * m_view.m[13] + r.m[8 + row] * m_view.m[14]);
  return r;
}

void kvCamera::apply(bool viewport, bool projection, bool view) const {
  if (viewport) glViewport(m_viewport[0], m_viewport[1], m_viewport[2], m_viewport[3]);
  if (projection) {
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixf(m_projection.m);
  }
  if (view) {
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixf(m_view.m);
  }
}

kvCameraMgr* kvCameraMgr::getInstance() {
  static kvCameraMgr instance;
  return &instance;
}

kvCamera* kvCameraMgr::createCameraPerspective(const char* name, float fovYDeg, float aspect, float zNear,
                                                float zFar) {
  kvCamera* c = adopt(new kvCamera(name));
  if (c) c->setProjPerspParams(fovYDeg, aspect, zNear, zFar);
  return c;
}

// ----------------------------------------------------------------- scene --

kvScene::kvScene(const char* name) : kvObject(name), m_bkg{0, 0, 0, 1}, m_camera(nullptr) {}

void kvScene::setBkgColor(float r, float g, float b, float a) {
  m_bkg[0] = r;
  m_bkg[1] = g;
  m_bkg[2] = b;
  m_bkg[3] = a;
}

void kvScene::addObject(kvObject* object) {
  if (!object) return;
  if (kvCamera* c = dynamic_cast<kvCamera*>(object))
    if (!m_camera) m_camera = c;
  if (dynamic_cast<kvLight*>(object)) m_lights.addTail(object);
  m_objects.push_back(object);
}

void kvScene::animate(float dt) {
  for (kvObject* o : m_objects) o->update(dt);
}

void kvScene::renderBackground(float dt) {
  for (kvObject* o : m_objects)
    if (dynamic_cast<kvBkgImage*>(o)) o->render(dt);
}

void kvScene::renderObjects(float dt) {
  int unit = 0;
  glMatrixMode(GL_MODELVIEW);
  for (kvObject* o : m_objects)
    if (kvLight* l = dynamic_cast<kvLight*>(o)) l->apply(unit++);
  if (unit > 0) glEnable(GL_LIGHTING);
  for (kvObject* o : m_objects) {
    kvMesh* mesh = dynamic_cast<kvMesh*>(o);
    if (mesh && mesh->isDrawnByScene()) mesh->render(dt);
  }
  glDisable(GL_LIGHTING);
}

void kvScene::renderEnd(float) { kvRenderer::getInstance()->resetStates(); }

kvSceneMgr* kvSceneMgr::getInstance() {
  static kvSceneMgr instance;
  return &instance;
}

kvScene* kvSceneMgr::createScene(const char* name) { return adopt(new kvScene(name)); }

void kvSceneMgr::destroyScene(kvScene* scene) { destroy(scene); }

// ------------------------------------------------------------- factories --

kvMesh* Korveth::createMesh(const char* name) { return adopt(new kvMesh(name)); }

kvGrid* Korveth::createGrid(const char* name) { return adopt(new kvGrid(name)); }

kvSkybox* Korveth::createSkybox(const char* name) { return adopt(new kvSkybox(name)); }

kvRenderTarget* Korveth::createRenderTarget(const char* name) { return adopt(new kvRenderTarget(name)); }

kvQuad* Korveth::createHud(const char* name) { return adopt(new kvQuad(name)); }

kvBkgImage* Korveth::createBkgImage(const char* name) { return adopt(new kvBkgImage(name)); }

}  // namespace Korveth_nsp
