#include "demos/SimpleMesh.h"

#include <cmath>
#include <new>

#include "demos/GlRenderContext.h"

namespace {

const float kDegToRad = 0.017453292f;
const Vector4 kUnitW = {0.0f, 0.0f, 0.0f, 1.0f};
const Vector4 kWhite = {1.0f, 1.0f, 1.0f, 1.0f};

Vector4* newVectors(uint32_t n) {
  Vector4* v = new (std::nothrow) Vector4[n];
  if (v)
    for (uint32_t i = 0; i < n; ++i) v[i] = kUnitW;
  return v;
}

}  // namespace

SimpleMesh::SimpleMesh()
    : m_positions(nullptr),
      m_normals(nullptr),
      m_colors(nullptr),
      m_texCoords(nullptr),
      m_vertexCount(0),
      m_buffers(),
      m_locations{0, 1, 1, 3},
      m_indices16(nullptr),
      m_indices32(nullptr),
      m_triangleData(nullptr),
      m_triangleCount(0),
      m_indexWidth(1),
      m_indexBuffer(0),
      m_uploaded() {}

SimpleMesh::~SimpleMesh() { free(); }

bool SimpleMesh::allocVertices(uint32_t n) {
  delete[] m_positions;
  delete[] m_normals;
  delete[] m_colors;
  delete[] m_texCoords;
  m_positions = m_normals = m_colors = m_texCoords = nullptr;
  m_vertexCount = 0;
  for (int i = 0; i < 4; ++i) m_uploaded[i] = false;
  if (n == 0 || n > kMaxVertices) return false;
  m_positions = newVectors(n);
  m_normals = newVectors(n);
  m_colors = newVectors(n);
  m_texCoords = newVectors(n);
  if (!m_positions || !m_normals || !m_colors || !m_texCoords) {
    free();
    return false;
  }
  m_vertexCount = n;
  return true;
}

void SimpleMesh::freeIndices() {
  delete[] m_indices16;
  delete[] m_indices32;
  delete[] m_triangleData;
  m_indices16 = nullptr;
  m_indices32 = nullptr;
  m_triangleData = nullptr;
  m_triangleCount = 0;
  m_uploaded[4] = false;
}

bool SimpleMesh::allocIndices(uint32_t triangles) {
  freeIndices();
  if (triangles == 0 || triangles > kMaxTriangles) return false;
  size_t indexCount = static_cast<size_t>(triangles) * 3;
  // 16-bit indices reach vertex 65,535 at most: larger meshes take 32-bit
  // ones rather than wrap around.
  m_indexWidth = (triangles > 65535 || m_vertexCount > 65536) ? 2 : 1;
  if (m_indexWidth == 2)
    m_indices32 = new (std::nothrow) uint32_t[indexCount]();
  else
    m_indices16 = new (std::nothrow) uint16_t[indexCount]();
  m_triangleData = newVectors(triangles);
  if ((!m_indices16 && !m_indices32) || !m_triangleData) {
    free();
    return false;
  }
  m_triangleCount = triangles;
  return true;
}

void SimpleMesh::setIndex(uint32_t triangle, uint32_t a, uint32_t b, uint32_t c) {
  if (triangle >= m_triangleCount) return;
  size_t i = static_cast<size_t>(triangle) * 3;
  if (m_indices32) {
    m_indices32[i] = a;
    m_indices32[i + 1] = b;
    m_indices32[i + 2] = c;
  } else if (m_indices16) {
    m_indices16[i] = static_cast<uint16_t>(a);
    m_indices16[i + 1] = static_cast<uint16_t>(b);
    m_indices16[i + 2] = static_cast<uint16_t>(c);
  }
}

uint32_t SimpleMesh::index(uint32_t i) const {
  if (i >= m_triangleCount * 3u) return 0;
  return m_indices32 ? m_indices32[i] : (m_indices16 ? m_indices16[i] : 0);
}

void SimpleMesh::free() {
  delete[] m_positions;
  delete[] m_normals;
  delete[] m_colors;
  delete[] m_texCoords;
  m_positions = m_normals = m_colors = m_texCoords = nullptr;
  freeIndices();
  m_vertexCount = 0;
  for (bool& u : m_uploaded) u = false;
}

bool SimpleMesh::buildQuad() {
  free();
  if (!allocVertices(4) || !allocIndices(2)) return false;
  const Vector4 pos[4] = {{0, 0, 0, 1}, {0, 1, 0, 1}, {1, 1, 0, 1}, {1, 0, 0, 1}};
  const Vector4 uv[4] = {{0, 0, 0, 1}, {0, 1, 0, 1}, {1, 1, 1, 1}, {1, 0, 1, 1}};
  for (int i = 0; i < 4; ++i) {
    m_positions[i] = pos[i];
    m_texCoords[i] = uv[i];
    m_colors[i] = kWhite;
  }
  setIndex(0, 0, 1, 2);
  setIndex(1, 2, 3, 0);
  return true;
}

bool SimpleMesh::buildTriangle() {
  free();
  if (!allocVertices(3) || !allocIndices(1)) return false;
  const Vector4 pos[3] = {{-1, -1, 0, 1}, {1, -1, 0, 1}, {0, 1, 0, 1}};
  const Vector4 col[3] = {{1, 0, 0, 1}, {0, 1, 0, 1}, {0, 0, 1, 1}};
  const Vector4 uv[3] = {{0, 0, 0, 1}, {0, 1, 0, 1}, {1, 1, 1, 1}};
  for (int i = 0; i < 3; ++i) {
    m_positions[i] = pos[i];
    m_colors[i] = col[i];
    m_texCoords[i] = uv[i];
  }
  setIndex(0, 0, 1, 2);
  return true;
}

bool SimpleMesh::buildGrid(float width, float depth, int columns, int rows) {
  free();
  if (columns < 1) columns = 1;
  if (rows < 1) rows = 1;
  uint64_t vertices = (static_cast<uint64_t>(columns) + 1) * (static_cast<uint64_t>(rows) + 1);
  uint64_t triangles = static_cast<uint64_t>(columns) * static_cast<uint64_t>(rows) * 2;
  if (vertices > kMaxVertices || triangles > kMaxTriangles) return false;
  if (!allocVertices(static_cast<uint32_t>(vertices)) || !allocIndices(static_cast<uint32_t>(triangles)))
    return false;
  const uint32_t cols = static_cast<uint32_t>(columns), rws = static_cast<uint32_t>(rows);
  for (uint32_t i = 0; i <= rws; ++i)
    for (uint32_t j = 0; j <= cols; ++j) {
      uint32_t v = i * (cols + 1) + j;
      m_positions[v] = {width / columns * j - width * 0.5f, 0.0f, depth / rows * i - depth * 0.5f, 1.0f};
      m_normals[v] = {0.0f, 1.0f, 0.0f, 0.0f};
      m_texCoords[v] = {static_cast<float>(j) / columns, static_cast<float>(rws - i) / rows, 0.0f, 1.0f};
      m_colors[v] = kWhite;
    }
  indexCells(rws, cols);
  return true;
}

void SimpleMesh::indexCells(uint32_t rows, uint32_t cols) {
  uint32_t t = 0;
  for (uint32_t i = 0; i < rows; ++i)
    for (uint32_t j = 0; j < cols; ++j) {
      uint32_t b = i * (cols + 1) + j;
      setIndex(t++, b, b + cols + 1, b + 1);
      setIndex(t++, b + 1, b + cols + 1, b + cols + 2);
    }
}

bool SimpleMesh::buildTorus(float ringRadius, float tubeRadius, int segments) {
  free();
  if (segments < 1) segments = 1;
  const uint64_t n64 = static_cast<uint64_t>(segments);
  if ((n64 + 1) * (n64 + 1) > kMaxVertices || 2 * n64 * n64 > kMaxTriangles) return false;
  const uint32_t n = static_cast<uint32_t>(segments);
  if (!allocVertices((n + 1) * (n + 1)) || !allocIndices(2 * n * n)) return false;
  const float fn = static_cast<float>(n);
  for (uint32_t j = 0; j <= n; ++j) {
    float a = (j / fn) * 360.0f * kDegToRad;
    m_positions[j] = {ringRadius + tubeRadius * std::cos(a), tubeRadius * std::sin(a), 0.0f, 1.0f};
    m_normals[j] = {std::cos(a), std::sin(a), 0.0f, 0.0f};
    m_texCoords[j] = {0.0f, j / fn, 0.0f, 1.0f};
    m_colors[j] = kWhite;
  }
  for (uint32_t i = 1; i <= n; ++i) {
    float b = (i / fn) * 360.0f * kDegToRad;
    float cb = std::cos(b), sb = std::sin(b);
    for (uint32_t j = 0; j <= n; ++j) {
      const Vector4& p = m_positions[j];
      uint32_t v = i * (n + 1) + j;
      m_positions[v] = {p.x * cb, p.y, -p.x * sb, 1.0f};
      float nx = cb * (p.x - ringRadius), ny = p.y, nz = -sb * (p.x - ringRadius);
      float len = std::sqrt(nx * nx + ny * ny + nz * nz);
      m_normals[v] = len > 0.0f ? Vector4{nx / len, ny / len, nz / len, 0.0f} : Vector4{0, 0, 0, 0};
      m_texCoords[v] = {2.0f * i / fn, j / fn, 0.0f, 1.0f};
      m_colors[v] = kWhite;
    }
  }
  indexCells(n, n);
  return true;
}

void SimpleMesh::setAttribLocations(GLint position, GLint normal, GLint color, GLint texCoord) {
  m_locations[0] = position;
  m_locations[1] = normal;
  m_locations[2] = color;
  m_locations[3] = texCoord;
}

void SimpleMesh::bindArray(int which, const Vector4* data, GLint location) {
  GlEntryPoints& g = g_glEntryPoints;
  if (!m_buffers[which]) g.GenBuffers(1, &m_buffers[which]);
  g.BindBuffer(GL_ARRAY_BUFFER, m_buffers[which]);
  if (!m_uploaded[which]) {
    g.BufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(m_vertexCount) * sizeof(Vector4), data,
                 GL_STATIC_DRAW);
    m_uploaded[which] = true;
  }
  if (location < 0) return;  // the program does not read this array
  g.EnableVertexAttribArray(static_cast<GLuint>(location));
  g.VertexAttribPointer(static_cast<GLuint>(location), 4, GL_FLOAT, GL_FALSE, 0, nullptr);
}

void SimpleMesh::draw(const MeshDrawOptions& options) {
  GlEntryPoints& g = g_glEntryPoints;
  if (!g.GenBuffers || !g.BindBuffer || !g.BufferData || !g.EnableVertexAttribArray ||
      !g.DisableVertexAttribArray || !g.VertexAttribPointer)
    return;
  if (!m_positions || m_vertexCount == 0 || m_triangleCount == 0) return;
  bindArray(0, m_positions, m_locations[0]);
  if (options.useNormals && m_normals) bindArray(1, m_normals, m_locations[1]);
  if (options.useColors && m_colors) bindArray(2, m_colors, m_locations[2]);
  if (options.useTexCoords && m_texCoords) bindArray(3, m_texCoords, m_locations[3]);

  if (!m_indexBuffer) g.GenBuffers(1, &m_indexBuffer);
  g.BindBuffer(GL_ELEMENT_ARRAY_BUFFER, m_indexBuffer);
  if (!m_uploaded[4]) {
    GLsizeiptr bytes = static_cast<GLsizeiptr>(m_triangleCount) * 3 *
                       static_cast<GLsizeiptr>(m_indexWidth == 1 ? sizeof(uint16_t) : sizeof(uint32_t));
    const void* data = m_indexWidth == 1 ? static_cast<const void*>(m_indices16)
                                         : static_cast<const void*>(m_indices32);
    g.BufferData(GL_ELEMENT_ARRAY_BUFFER, bytes, data, GL_STATIC_DRAW);
    m_uploaded[4] = true;
  }
  g.BindBuffer(GL_ARRAY_BUFFER, 0);
  glDrawElements(options.asPatches ? GL_PATCHES : GL_TRIANGLES, static_cast<GLsizei>(m_triangleCount * 3),
                 m_indexWidth == 1 ? GL_UNSIGNED_SHORT : GL_UNSIGNED_INT, nullptr);
  g.BindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
  for (GLint loc : m_locations)
    if (loc >= 0) g.DisableVertexAttribArray(static_cast<GLuint>(loc));
}

void SimpleMesh::releaseBuffers() {
  GlEntryPoints& g = g_glEntryPoints;
  if (g.DeleteBuffers) {
    g.DeleteBuffers(4, m_buffers);
    g.DeleteBuffers(1, &m_indexBuffer);
  }
  for (GLuint& b : m_buffers) b = 0;
  m_indexBuffer = 0;
  for (bool& u : m_uploaded) u = false;
}
