// Meshes and bitmap fonts of the core graphics library stand-in.
#include <cstdio>
#include <cstring>

#include "tvc.h"

#define STBTT_STATIC
#define STB_TRUETYPE_IMPLEMENTATION
#include "imstb_truetype.h"

namespace tvc {

Node::Node() {}
Node::~Node() {}
void Node::release(Renderer*, Node*) { delete this; }

Mesh::Mesh() {}
Mesh::~Mesh() {}

bool Mesh::alloc_vertex_data() {
  if (!m_params.flags[0] || m_params.num_vertices == 0) return false;
  std::vector<float> zero(static_cast<size_t>(m_params.num_vertices) * GeometryCore::kFloatsPerVertex, 0.0f);
  m_data.set_vertices(zero.data(), m_params.num_vertices);
  if (m_params.flags[1])
    for (unsigned i = 0; i < 4; ++i) m_data.get_vertex_attrib_array(i)->elements.assign(m_params.num_vertices, vec4{});
  return true;
}

void Mesh::set_attrib(unsigned index, unsigned attrib, const vec4& value) {
  if (index >= m_data.vertex_count || !m_data.interleaved) return;
  float* v = m_data.interleaved + static_cast<size_t>(index) * GeometryCore::kFloatsPerVertex + attrib * 4;
  v[0] = value.x;
  v[1] = value.y;
  v[2] = value.z;
  v[3] = value.w;
  m_data.update_interleaved_vertex_array_set_state(true);
  VertexAttribArray* separate = m_data.get_vertex_attrib_array(attrib);
  if (separate && index < separate->elements.size()) {
    separate->elements[index] = value;
    separate->update_needed(true);
  }
}

unsigned Mesh::get_num_vertices(Node*) { return m_data.vertex_count; }

Font::Font() : text_mesh(new Mesh), texture_pixels(nullptr), texture_width(0), texture_height(0), m_ascent(0.0f) {}

Font::~Font() { _cleanup(nullptr); }

void Font::_cleanup(Renderer*) {
  delete text_mesh;
  text_mesh = nullptr;
  m_queue.clear();
  m_pixels.clear();
  m_baked.clear();
  texture_pixels = nullptr;
  texture_width = texture_height = 0;
}

bool Font::stbttf_load_font_texture(Renderer*, const char* file, float height, int width, int height_px) {
  if (!file || width <= 0 || height_px <= 0 || height <= 0.0f) return false;
  FILE* f = fopen(file, "rb");
  if (!f) return false;
  std::vector<unsigned char> data;
  unsigned char chunk[4096];
  size_t n;
  while ((n = fread(chunk, 1, sizeof(chunk), f)) > 0 && data.size() < (16u << 20)) data.insert(data.end(), chunk, chunk + n);
  fclose(f);
  stbtt_fontinfo info;
  if (data.empty() || !stbtt_InitFont(&info, data.data(), stbtt_GetFontOffsetForIndex(data.data(), 0))) return false;
  std::vector<unsigned char> pixels(static_cast<size_t>(width) * height_px, 0);
  std::vector<unsigned char> baked(sizeof(stbtt_bakedchar) * kCharCount);
  // A negative answer: not every glyph found room in the texture.
  if (stbtt_BakeFontBitmap(data.data(), 0, height, pixels.data(), width, height_px, kFirstChar, kCharCount,
                           reinterpret_cast<stbtt_bakedchar*>(baked.data())) <= 0)
    return false;
  int ascent = 0, descent = 0, gap = 0;
  stbtt_GetFontVMetrics(&info, &ascent, &descent, &gap);
  m_ascent = ascent * stbtt_ScaleForPixelHeight(&info, height);
  m_pixels.swap(pixels);
  m_baked.swap(baked);
  texture_pixels = m_pixels.data();
  texture_width = width;
  texture_height = height_px;
  if (!text_mesh) text_mesh = new Mesh;
  return true;
}

int Font::bm_draw_text_2d(int x, int y, float r, float g, float b, float a, const char* text) {
  if (!text || m_baked.empty()) return 0;
  int queued = 0;
  float pen = static_cast<float>(x);
  for (const char* c = text; *c && m_queue.size() < kMaxQueuedGlyphs; ++c) {
    m_queue.push_back({pen, static_cast<float>(y), {r, g, b, a}, static_cast<unsigned char>(*c)});
    const int code = static_cast<unsigned char>(*c) - kFirstChar;
    if (code >= 0 && code < kCharCount) pen += reinterpret_cast<const stbtt_bakedchar*>(m_baked.data())[code].xadvance;
    ++queued;
  }
  return queued;
}

void Font::bm_draw_reset() { m_queue.clear(); }

bool Font::stbtt_update_vb(Renderer*, bool) {
  if (!text_mesh || m_baked.empty()) return false;
  std::vector<float> vertices;
  const stbtt_bakedchar* chars = reinterpret_cast<const stbtt_bakedchar*>(m_baked.data());
  for (const Glyph& g : m_queue) {
    const int code = g.code - kFirstChar;
    if (code < 0 || code >= kCharCount) continue;
    float px = g.x, py = g.y + m_ascent;
    stbtt_aligned_quad q;
    stbtt_GetBakedQuad(chars, texture_width, texture_height, code, &px, &py, &q, 1);
    const float corners[6][4] = {{q.x0, q.y0, q.s0, q.t0}, {q.x1, q.y0, q.s1, q.t0}, {q.x1, q.y1, q.s1, q.t1},
                                 {q.x0, q.y0, q.s0, q.t0}, {q.x1, q.y1, q.s1, q.t1}, {q.x0, q.y1, q.s0, q.t1}};
    for (const auto& c : corners) {
      const float v[GeometryCore::kFloatsPerVertex] = {c[0], -c[1], 0.0f, 1.0f, c[2], c[3], 0.0f, 0.0f,
                                                       0.0f, 0.0f, 1.0f, 0.0f, g.color[0], g.color[1], g.color[2], g.color[3]};
      vertices.insert(vertices.end(), v, v + GeometryCore::kFloatsPerVertex);
    }
  }
  MeshData* data = text_mesh->get_mesh_data();
  const unsigned count = static_cast<unsigned>(vertices.size() / GeometryCore::kFloatsPerVertex);
  if (count == 0) {
    data->vertex_count = data->draw_vertex_count = 0;
    return true;
  }
  data->set_vertices(vertices.data(), count);
  return true;
}

}  // namespace tvc
