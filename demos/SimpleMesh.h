// Vertex and index arrays of the raw demos with four shape builders and a
// buffer-object draw. Drawing needs the demo's GlRenderContext current.
#pragma once
#include <GL/glew.h>

#include <cstdint>

#include "demos/Matrix4.h"

struct MeshDrawOptions {
  int useNormals;
  int useTexCoords;
  int useColors;
  bool asPatches;
};

class SimpleMesh {
 public:
  // Largest vertex and triangle counts a mesh takes.
  static const uint32_t kMaxVertices = 16u * 1024u * 1024u;
  static const uint32_t kMaxTriangles = 16u * 1024u * 1024u;

  SimpleMesh();
  ~SimpleMesh();
  SimpleMesh(const SimpleMesh&) = delete;
  SimpleMesh& operator=(const SimpleMesh&) = delete;

  // n vertices, every component (0, 0, 0, 1); false (and an empty mesh) when
  // n is too large or memory runs out.
  bool allocVertices(uint32_t n);
  // Indices for that many triangles: 32-bit above 65,535 triangles (or when
  // the vertices need them), else 16-bit.
  bool allocIndices(uint32_t triangles);
  bool buildQuad();
  bool buildTriangle();
  bool buildGrid(float width, float depth, int columns, int rows);
  bool buildTorus(float ringRadius, float tubeRadius, int segments);
  void free();
  // Uploads the arrays once after each build, then only binds them.
  void draw(const MeshDrawOptions& options);
  // Deletes the buffer objects (the context must be current).
  void releaseBuffers();

  void setAttribLocations(GLint position, GLint normal, GLint color, GLint texCoord);
  void setIndex(uint32_t triangle, uint32_t a, uint32_t b, uint32_t c);
  uint32_t index(uint32_t i) const;  // i below triangleCount() * 3

  Vector4* positions() { return m_positions; }
  Vector4* normals() { return m_normals; }
  Vector4* colors() { return m_colors; }
  Vector4* texCoords() { return m_texCoords; }
  Vector4* triangleData() { return m_triangleData; }
  const Vector4* positions() const { return m_positions; }
  const Vector4* normals() const { return m_normals; }
  const Vector4* colors() const { return m_colors; }
  const Vector4* texCoords() const { return m_texCoords; }
  uint32_t vertexCount() const { return m_vertexCount; }
  uint32_t triangleCount() const { return m_triangleCount; }
  int indexWidth() const { return m_indexWidth; }  // 1: 16-bit, 2: 32-bit

 private:
  void bindArray(int which, const Vector4* data, GLint location);
  // Two triangles for each cell of a grid of (rows + 1) x (cols + 1)
  // vertices laid out row by row.
  void indexCells(uint32_t rows, uint32_t cols);
  // Frees the indices and the triangle data; the vertices stay.
  void freeIndices();

  Vector4* m_positions;
  Vector4* m_normals;
  Vector4* m_colors;
  Vector4* m_texCoords;
  uint32_t m_vertexCount;
  GLuint m_buffers[4];
  GLint m_locations[4];
  uint16_t* m_indices16;
  uint32_t* m_indices32;
  Vector4* m_triangleData;
  uint32_t m_triangleCount;
  int m_indexWidth;
  GLuint m_indexBuffer;
  // The four arrays and the indices, since the last build: a rebuilt mesh
  // is uploaded again instead of drawing the old buffers.
  bool m_uploaded[5];
};
