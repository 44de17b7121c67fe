// Scene objects of the core library that a renderer gives a GPU side: GPU
// buffers, geometry, textures, samplers, render targets, GPU programs and
// pipeline states. Each carries a pointer for the renderer's own record; the
// host fills the rest and keeps the objects alive while the renderer uses them.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

namespace tvc {

// Pixel formats of textures and render targets.
enum PIXEL_FORMAT {
  PF_UNKNOWN = 0,
  PF_RGB_U8 = 1,
  PF_BGR_U8 = 2,
  PF_RGBA_U8 = 3,
  PF_BGRA_U8 = 4,
  PF_RGB_F32 = 5,
  PF_RGBA_F32 = 6,
  PF_R_F32 = 7,
  PF_R_U8 = 11,
  PF_RG_U8 = 12,
  PF_SWAPCHAIN = 100,  // render targets: the window's own format
};

// Bytes one texel of a format takes in host memory; 4 for unknown formats.
inline int pixel_format_size(int format) {
  switch (format) {
    case PF_RGB_U8: case PF_BGR_U8: return 3;
    case PF_RGB_F32: return 12;
    case PF_RGBA_F32: return 16;
    case PF_R_U8: return 1;
    case PF_RG_U8: return 2;
    default: return 4;
  }
}

// A uniform (kind 3) or storage (kind 4) buffer.
class GpuBuffer {
 public:
  enum { kUniform = 3, kStorage = 4 };
  GpuBuffer() : owner_id(utils::gen_id()) {}
  unsigned size = 0;
  int kind = 0;
  bool memory_bound = false;
  void* mapped = nullptr;
  int value = 0;
  void* renderer_data = nullptr;
  int owner_id;
};

// One vertex attribute kept as its own array of vec4.
class VertexAttribArray {
 public:
  std::vector<vec4> elements;
  bool needs_update = false;
  vec4 get_element_vec4(unsigned i) const { return i < elements.size() ? elements[i] : vec4{0, 0, 0, 0}; }
  void update_needed(bool state) { needs_update = state; }
};

// Geometry: interleaved vertices (16 floats a vertex: four vec4 attributes)
// or four separate attribute arrays, and an optional 16- or 32-bit index list.
class GeometryCore {
 public:
  enum { kFloatsPerVertex = 16 };
  GeometryCore() : mesh_id(utils::gen_id()) {}

  void* renderer_data = nullptr;  // the renderer's mesh record
  int mesh_id;
  unsigned char dynamic = 0;
  float* interleaved = nullptr;  // null: separate attribute arrays
  unsigned vertex_count = 0;
  int base_vertex = 0;
  unsigned draw_vertex_count = 0;
  unsigned face_count = 0;
  int index_size = 32;  // bits

  // Host side: fills the geometry from interleaved vertices and indices.
  void set_vertices(const float* data, unsigned count) {
    vertex_storage.assign(data, data + count * kFloatsPerVertex);
    interleaved = vertex_storage.data();
    vertex_count = draw_vertex_count = count;
    interleaved_dirty = true;
  }
  void set_indices16(const uint16_t* data, unsigned faces) {
    index_storage.assign(reinterpret_cast<const uint8_t*>(data), reinterpret_cast<const uint8_t*>(data + faces * 3));
    index_size = 16;
    face_count = faces;
    faces_dirty = true;
  }
  void set_indices32(const uint32_t* data, unsigned faces) {
    index_storage.assign(reinterpret_cast<const uint8_t*>(data), reinterpret_cast<const uint8_t*>(data + faces * 3));
    index_size = 32;
    face_count = faces;
    faces_dirty = true;
  }

  unsigned get_total_vertex_buffer_size() const { return vertex_count * kFloatsPerVertex * 4; }
  unsigned get_total_index_buffer_size() const { return static_cast<unsigned>(index_storage.size()); }
  unsigned get_interleaved_vertex_array_size() const { return interleaved ? get_total_vertex_buffer_size() : 0; }
  bool is_update_interleaved_vertex_array_needed() const { return interleaved_dirty; }
  void update_interleaved_vertex_array_set_state(bool state) { interleaved_dirty = state; }
  bool is_update_separate_vertex_arrays_needed() const {
    for (const VertexAttribArray& a : attribs)
      if (a.needs_update) return true;
    return false;
  }
  VertexAttribArray* get_vertex_attrib_array(unsigned i) { return i < 4 ? &attribs[i] : nullptr; }
  bool is_ib_update_faces_list_needed() const { return faces_dirty; }
  void ib_update_faces_list_set_state(bool state) { faces_dirty = state; }
  const void* get_index_buffer_data_ptr() const { return index_storage.empty() ? nullptr : index_storage.data(); }

 private:
  std::vector<float> vertex_storage;
  std::vector<uint8_t> index_storage;
  VertexAttribArray attribs[4];
  bool interleaved_dirty = false;
  bool faces_dirty = false;
};

// Part of a geometry to draw: from a vertex offset and a first face, a number
// of faces (0: up to the last face).
struct MeshRenderRange {
  GeometryCore* geometry;
  int vertex_offset;
  unsigned first_face;
  unsigned face_count;
};

// Pixels a renderer hands back (texture read-back).
class Image {
 public:
  void set_u8_ptr(unsigned char* p) { u8_ptr = p; }
  unsigned char* get_u8_ptr() const { return u8_ptr; }
  unsigned char* u8_ptr = nullptr;
};

// A 2D texture (type 2) or a 2D array texture (type 7) with its host pixels.
class TextureData {
 public:
  enum { kType2D = 2, kType2DArray = 7 };
  TextureData() : id(utils::gen_id()) { name[0] = '\0'; }

  // Host side: sizes the pixel store (every layer) for a format.
  void create(int tex_type, unsigned w, unsigned h, int format, unsigned layers = 1) {
    type = tex_type;
    width = w;
    height = h;
    depth = h;
    pixel_format = format;
    num_layers = layers ? layers : 1;
    pixels.assign(static_cast<size_t>(w) * h * pixel_format_size(format) * num_layers, 0);
  }
  void set_name(const char* text) { utils::copy_text(name, sizeof(name), text); }

  int get_pixel_format() const { return pixel_format; }
  int get_pixel_format_size() const { return pixel_format_size(pixel_format); }
  unsigned get_width() const { return width; }
  unsigned get_height() const { return height; }
  unsigned char* get_pixmap_ptr() { return pixels.empty() ? nullptr : pixels.data(); }
  unsigned char* get_layer_pixmap_ptr(unsigned layer) {
    const size_t layer_size = static_cast<size_t>(width) * height * get_pixel_format_size();
    return layer < num_layers && !pixels.empty() ? pixels.data() + layer * layer_size : nullptr;
  }
  unsigned get_num_layers() const { return num_layers; }
  int get_texture_id() const { return id; }
  const char* get_texture_name() const { return name; }
  bool is_loaded_in_gpu_memory() const { return loaded; }
  void set_loaded_in_gpu_memory_state(bool state) { loaded = state; }

  void* renderer_data = nullptr;
  int type = kType2D;
  unsigned char mipmaps = 0;
  unsigned char needs_upload = 1;  // cleared by a successful load
  Image image;
  unsigned width = 0;
  unsigned height = 0;
  unsigned depth = 0;
  int pixel_format = PF_RGBA_U8;

 private:
  int id;
  char name[64];
  unsigned num_layers = 1;
  bool loaded = false;
  std::vector<unsigned char> pixels;
};

class TextureSampler {
 public:
  TextureSampler() : id(utils::gen_id()) {}
  int id;
  int filter = 0;
  int address_u = 0, address_v = 0, address_w = 0;
  float anisotropy = 1.0f;
  int user_value = 0;
  void* renderer_data = nullptr;
};

// An off-screen colour-and-depth target; the library keeps them in a list.
class GpuRenderTarget {
 public:
  GpuRenderTarget() : id(utils::gen_id()) {}
  int id;
  int width = 0;
  int height = 0;
  int pixel_format = PF_RGBA_U8;
  int value = 0;  // above 0: never read back
  unsigned char flags[4] = {0, 0, 0, 0};
  int color_count = 1;
  void* renderer_data = nullptr;
};

// One shader module of a program as a Vulkan renderer made it.
class GpuProgramVkShaderModule {
 public:
  void reset() {
    shader_type = -1;
    module = 0;
    entry_point[0] = '\0';
  }
  int shader_type = -1;
  uint64_t module = 0;  // VkShaderModule
  char entry_point[64] = {0};
};

class GpuProgramData {
 public:
  enum { kMaxModules = 128 };
  GpuProgramData() { name[0] = '\0'; }
  void set_name(const char* text) { utils::copy_text(name, sizeof(name), text); }
  const char* get_gpu_program_name() const { return name; }
  // Stage names by shader type code.
  static const char* shader_type_to_string(int type) {
    static const char* const kNames[] = {"vertex", "pixel", "geometry", "tess_control", "tess_eval", "compute",
                                         "mesh", "task", "raygen", "anyhit", "closesthit", "miss", "intersection"};
    return type >= 0 && type < 13 ? kNames[type] : "unknown";
  }
  bool add_vulkan_module(int type, uint64_t module, const char* entry) {
    if (module_count >= kMaxModules) return false;
    GpuProgramVkShaderModule& m = modules[module_count++];
    m.shader_type = type;
    m.module = module;
    utils::copy_text(m.entry_point, sizeof(m.entry_point), entry);
    return true;
  }

  int vk_id_storage = 0;
  int* vk_id = nullptr;  // null until the first module is made
  GpuProgramVkShaderModule modules[kMaxModules];
  int module_count = 0;

 private:
  char name[64];
};

// Fixed-function state and program of one graphics pipeline; the codes are
// the library's (topology, blend factors, polygon and cull modes, compare).
class GpuPipelineStateData {
 public:
  GpuPipelineStateData() : id(utils::gen_id()) { name[0] = '\0'; }
  void set_name(const char* text) { utils::copy_text(name, sizeof(name), text); }
  int id;
  char name[64];
  int topology = 0;
  bool blend_enable = false;
  int blend_src = 1;
  int blend_dst = 0;
  int polygon_mode = 2;
  int cull_mode = 0;
  bool front_face_ccw = true;
  float line_width = 1.0f;
  bool depth_test = false;
  bool depth_write_disable = false;
  int depth_compare = 1;
  bool stencil_test = false;
  bool vertex_input = true;
  GpuProgramData* program = nullptr;
  void* renderer_data = nullptr;
};

}  // namespace tvc
