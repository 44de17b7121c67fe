// Scene nodes of the core graphics library that the renderers' overlays use:
// meshes built from mesh data, and bitmap fonts baked from TrueType files
// whose queued text becomes a mesh of glyph quads.
#pragma once

#include <string>
#include <vector>

namespace tvc {

class Renderer;

// Base of the scene objects a renderer may own; release disposes of one.
class TVC_API Node {
 public:
  Node();
  virtual ~Node();
  Node(const Node&) = delete;
  Node& operator=(const Node&) = delete;
  // Frees the node; the renderer and parent are not needed by these nodes.
  void release(Renderer* renderer, Node* parent);
};

// Which vertex arrays a mesh allocates: byte 0 the interleaved array (four
// vec4 a vertex: position, texture coordinate, normal, colour), byte 1 the
// separate attribute arrays besides it.
struct MeshDataVertexAttribsAllocParams {
  unsigned char flags[8] = {1, 1, 0, 0, 0, 0, 0, 0};
  unsigned num_vertices = 0;
};

// A mesh's vertices: the geometry with its interleaved array.
class TVC_API MeshData : public GeometryCore {};

class TVC_API Mesh : public Node {
 public:
  Mesh();
  ~Mesh() override;
  MeshData* get_mesh_data() { return &m_data; }
  MeshDataVertexAttribsAllocParams get_vertex_alloc_params() const { return m_params; }
  void set_vertex_alloc_params(const MeshDataVertexAttribsAllocParams& params) { m_params = params; }
  void set_vertex_alloc_params_num_vertices(unsigned count) { m_params.num_vertices = count; }
  // Makes the arrays the parameters ask for, zero-filled; false when none.
  bool alloc_vertex_data();
  void set_vertex_position(unsigned index, const vec4& value) { set_attrib(index, 0, value); }
  void set_vertex_texcoord(unsigned index, const vec4& value) { set_attrib(index, 1, value); }
  void set_vertex_color(unsigned index, const vec4& value) { set_attrib(index, 3, value); }
  virtual unsigned get_num_vertices(Node* node);

 private:
  void set_attrib(unsigned index, unsigned attrib, const vec4& value);
  MeshData m_data;
  MeshDataVertexAttribsAllocParams m_params;
};

// A bitmap font baked from a TrueType file into a one-byte-a-texel texture;
// text queued with bm_draw_text_2d (x, y: window pixels from the top left)
// becomes six vertices a glyph in text_mesh, whose y axis points up (a glyph
// at pixel row y lies at -y).
class TVC_API Font : public Node {
 public:
  enum { kFirstChar = 32, kCharCount = 95, kMaxQueuedGlyphs = 16384 };
  Font();
  ~Font() override;
  // False when the file cannot be read or its glyphs do not fit.
  bool stbttf_load_font_texture(Renderer* renderer, const char* file, float height, int width, int height_px);
  // Queues text; answers the glyphs queued (text past the queue's room is cut).
  int bm_draw_text_2d(int x, int y, float r, float g, float b, float a, const char* text);
  void bm_draw_reset();
  // Rebuilds the text mesh from the queue.
  bool stbtt_update_vb(Renderer* renderer, bool reserved);
  virtual void _cleanup(Renderer* renderer);

  Mesh* text_mesh;
  unsigned char* texture_pixels;  // texture_width x texture_height bytes
  int texture_width;
  int texture_height;

 private:
  struct Glyph {
    float x, y;
    float color[4];
    int code;
  };
  std::vector<Glyph> m_queue;
  std::vector<unsigned char> m_pixels;
  std::vector<unsigned char> m_baked;  // the baking tool's per-glyph records
  float m_ascent;
};

}  // namespace tvc
