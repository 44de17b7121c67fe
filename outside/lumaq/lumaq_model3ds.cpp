// Models from 3DS files: chunks of a 16-bit id and a 32-bit length (the
// header included), nested; the meshes are the triangle objects of the
// editor chunk.
#include <cmath>
#include <cstring>
#include <string>

#include "lumaq.h"

namespace Korveth_nsp {

namespace {

enum : uint16_t {
  kMain = 0x4D4D,
  kEditor = 0x3D3D,
  kObject = 0x4000,
  kTriMesh = 0x4100,
  kVertices = 0x4110,
  kFaces = 0x4120,
  kFaceMaterial = 0x4130,
  kTexCoords = 0x4140,
};

struct Reader {
  const uint8_t* data;
  size_t size;
  uint16_t u16(size_t at) const { return static_cast<uint16_t>(data[at] | data[at + 1] << 8); }
  uint32_t u32(size_t at) const { return u16(at) | static_cast<uint32_t>(u16(at + 2)) << 16; }
  float f32(size_t at) const {
    uint32_t bits = u32(at);
    float v;
    memcpy(&v, &bits, sizeof(v));
    return std::isfinite(v) ? v : 0.0f;
  }
  // The chunk at [at, end): its id and its end; false when it does not fit.
  bool chunk(size_t at, size_t end, uint16_t* id, size_t* chunkEnd) const {
    if (end - at < 6) return false;
    const uint32_t length = u32(at + 2);
    if (length < 6 || length > end - at) return false;
    *id = u16(at);
    *chunkEnd = at + length;
    return true;
  }
  // A zero-ended name of at most 64 bytes; false when unterminated.
  bool name(size_t at, size_t end, std::string* out, size_t* after) const {
    for (size_t i = at; i < end && i - at < 64; ++i)
      if (data[i] == 0) {
        out->assign(reinterpret_cast<const char*>(data + at), i - at);
        *after = i + 1;
        return true;
      }
    return false;
  }
};

// One triangle object into data; false when a count does not match the
// bytes its chunk holds. The material name of the faces goes to material.
bool readTriMesh(const Reader& r, size_t at, size_t end, kvMeshData* mesh, std::string* material) {
  auto& verts = mesh->vertices();
  auto& idx = mesh->indices();
  while (at < end) {
    uint16_t id;
    size_t chunkEnd;
    if (!r.chunk(at, end, &id, &chunkEnd)) return false;
    const size_t body = at + 6;
    const size_t bytes = chunkEnd - body;
    if (id == kVertices || id == kTexCoords) {
      if (bytes < 2) return false;
      const size_t count = r.u16(body), stride = id == kVertices ? 12 : 8;
      if (count * stride > bytes - 2) return false;
      if (id == kVertices) {
        verts.clear();
        if (!kvTryResize(verts, count)) return false;
        for (size_t i = 0; i < count; ++i)
          for (int k = 0; k < 3; ++k) verts[i].position[k] = r.f32(body + 2 + i * 12 + static_cast<size_t>(k) * 4);
      } else if (count == verts.size()) {
        for (size_t i = 0; i < count; ++i)
          for (int k = 0; k < 2; ++k) verts[i].uv[k] = r.f32(body + 2 + i * 8 + static_cast<size_t>(k) * 4);
      }
    } else if (id == kFaces) {
      if (bytes < 2) return false;
      const size_t count = r.u16(body);
      if (count * 8 > bytes - 2) return false;
      const size_t first = idx.size();
      if (!kvTryResize(idx, first + count * 3)) return false;
      for (size_t i = 0; i < count; ++i)
        for (int k = 0; k < 3; ++k) {
          const uint32_t v = r.u16(body + 2 + i * 8 + static_cast<size_t>(k) * 2);
          if (v >= verts.size()) return false;
          idx[first + i * 3 + static_cast<size_t>(k)] = v;
        }
      // The face list's own chunks name the material of its faces.
      size_t sub = body + 2 + count * 8;
      while (sub < chunkEnd) {
        uint16_t subId;
        size_t subEnd;
        if (!r.chunk(sub, chunkEnd, &subId, &subEnd)) return false;
        size_t after;
        if (subId == kFaceMaterial && !r.name(sub + 6, subEnd, material, &after)) return false;
        sub = subEnd;
      }
    }
    at = chunkEnd;
  }
  return !verts.empty() && !idx.empty();
}

// Smooth normals: the sum of the faces' normals at each vertex.
void smoothNormals(kvMeshData* mesh) {
  auto& verts = mesh->vertices();
  const auto& idx = mesh->indices();
  for (auto& v : verts) v.normal[0] = v.normal[1] = v.normal[2] = 0.0f;
  for (size_t i = 0; i + 2 < idx.size(); i += 3) {
    const float* a = verts[idx[i]].position;
    const float* b = verts[idx[i + 1]].position;
    const float* c = verts[idx[i + 2]].position;
    const float u[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]}, v[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
    const float n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
    for (size_t k = 0; k < 3; ++k)
      for (int j = 0; j < 3; ++j) verts[idx[i + k]].normal[j] += n[j];
  }
  for (auto& v : verts) {
    float l = sqrtf(v.normal[0] * v.normal[0] + v.normal[1] * v.normal[1] + v.normal[2] * v.normal[2]);
    for (float& c : v.normal) c = l > 0.0f ? c / l : 0.0f;
  }
}

bool readObject(const Reader& r, size_t at, size_t end, kvModel* model) {
  std::string name, material;
  size_t body;
  if (!r.name(at, end, &name, &body)) return false;
  while (body < end) {
    uint16_t id;
    size_t chunkEnd;
    if (!r.chunk(body, end, &id, &chunkEnd)) return false;
    if (id == kTriMesh) {
      kvMesh* mesh = Korveth::getInstance()->createMesh(name.c_str());
      if (!mesh) return false;
      model->addChild(mesh);
      if (!readTriMesh(r, body + 6, chunkEnd, mesh->getMeshData(), &material)) return false;
      smoothNormals(mesh->getMeshData());
      mesh->getMeshData()->setVerticesColor(kvVector4(1, 1, 1, 1));
      if (!material.empty()) {
        kvMaterialMgr* materials = kvMaterialMgr::getInstance();
        kvMaterial* m = materials->getMaterial(material.c_str());
        mesh->assignMaterialToFaces(m ? m : materials->createMaterial(material.c_str()));
      }
    }
    body = chunkEnd;
  }
  return true;
}

// The objects of the chunks in [at, end), looking into the main and editor
// chunks.
bool readChunks(const Reader& r, size_t at, size_t end, kvModel* model) {
  while (at < end) {
    uint16_t id;
    size_t chunkEnd;
    if (!r.chunk(at, end, &id, &chunkEnd)) return false;
    if ((id == kMain || id == kEditor) && !readChunks(r, at + 6, chunkEnd, model)) return false;
    if (id == kObject && !readObject(r, at + 6, chunkEnd, model)) return false;
    at = chunkEnd;
  }
  return true;
}

}  // namespace

kvModel::kvModel(const char* name) : kvTripod(name) {}

kvMesh* kvModel::getChild(const char* name) const {
  if (!name) return nullptr;
  for (kvMesh* m : m_children)
    if (strcmp(m->getName(), name) == 0) return m;
  return nullptr;
}

void kvModel::render(float dt) {
  for (kvMesh* m : m_children) m->render(dt);
}

bool kvLoad3dsModel(kvModel* model, const uint8_t* data, size_t size) {
  if (!model || !data) return false;
  Reader r = {data, size};
  uint16_t id;
  size_t end;
  if (!r.chunk(0, size, &id, &end) || id != kMain) return false;
  return readChunks(r, 0, end, model) && model->getNumChildren() > 0;
}

kvModel* Korveth::createAndLoadModel(const char* name, const char* path, int) {
  kvRenderWindow* w = getCurrentRenderWindow();
  std::vector<uint8_t> bytes;
  if (!w || !kvReadFile(path, 64u << 20, &bytes)) return nullptr;
  kvModel* model = new kvModel(name);
  w->adopt(model);
  // What a damaged file made so far goes with the model.
  const std::vector<kvObject*> before = w->objects();
  if (kvLoad3dsModel(model, bytes.data(), bytes.size())) return model;
  while (w->objects().size() > before.size()) w->destroyObject(w->objects().back());
  w->destroyObject(model);
  return nullptr;
}

}  // namespace Korveth_nsp
