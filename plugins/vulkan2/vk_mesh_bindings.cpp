// Mesh buffers in descriptor sets: the meshes a set holds, and their vertex
// or index buffers bound as storage buffers for shaders to read.
#include "vk_resources.h"

void VulkanPLugin::descriptorset_attach_mesh(int id, tvc::GeometryCore* geometry) {
  VkDescriptorSetRecord* set = descriptorset_lookup(id);
  if (set && geometry) set->meshes.push_back(geometry);
}

static VkBuffer mesh_device_buffer(tvc::GeometryCore* geometry, bool index) {
  VkMeshRecord* record = mesh_record(geometry);
  if (!record) return VK_NULL_HANDLE;
  return index ? record->device_index_buffer : record->device_vertex_buffer;
}

// One binding over every attached mesh's vertex (or index) buffer; the
// binding keeps its own copy of the infos. A mesh without that buffer, or
// more buffers than the pool holds, is refused before anything is added, so
// a refused call leaves the set as it was.
static int add_mesh_buffers(VulkanPLugin* plugin, int id, int binding, unsigned stages, bool index) {
  VkDescriptorSetRecord* set = plugin->descriptorset_lookup(id);
  if (!set) return -1;
  for (tvc::GeometryCore* geometry : set->meshes)
    if (mesh_device_buffer(geometry, index) == VK_NULL_HANDLE) return -1;
  std::vector<VkDescriptorBufferInfo>& infos = index ? set->mesh_index_infos : set->mesh_vertex_infos;
  if (infos.size() + set->meshes.size() > descriptor_pool_room(VK_DESCRIPTOR_TYPE_STORAGE_BUFFER)) return -1;
  for (tvc::GeometryCore* geometry : set->meshes)
    infos.push_back({mesh_device_buffer(geometry, index), 0, VK_WHOLE_SIZE});
  if (infos.empty()) return -1;
  VkDescriptorBindingRecord* b = new_binding(binding, VK_DESCRIPTOR_TYPE_STORAGE_BUFFER, stages);
  b->buffer_array = infos;
  return plugin->descriptorset_add(set, b);
}

int VulkanPLugin::descriptorset_add_mesh_vertex_buffers(int id, int binding, unsigned stages) {
  return add_mesh_buffers(this, id, binding, stages, false);
}

int VulkanPLugin::descriptorset_add_mesh_index_buffers(int id, int binding, unsigned stages) {
  return add_mesh_buffers(this, id, binding, stages, true);
}

static int add_mesh_buffer(VulkanPLugin* plugin, int id, tvc::GeometryCore* geometry, int binding, unsigned stages,
                           bool index) {
  VkDescriptorSetRecord* set = plugin->descriptorset_lookup(id);
  const VkBuffer buffer = mesh_device_buffer(geometry, index);
  if (!set || buffer == VK_NULL_HANDLE) return -1;
  VkDescriptorBindingRecord* b = new_binding(binding, VK_DESCRIPTOR_TYPE_STORAGE_BUFFER, stages);
  b->buffer_info = {buffer, 0, VK_WHOLE_SIZE};
  return plugin->descriptorset_add(set, b);
}

int VulkanPLugin::descriptorset_add_mesh_vertex_buffer(int id, tvc::GeometryCore* geometry, int binding,
                                                       unsigned stages) {
  return add_mesh_buffer(this, id, geometry, binding, stages, false);
}

int VulkanPLugin::descriptorset_add_mesh_index_buffer(int id, tvc::GeometryCore* geometry, int binding,
                                                      unsigned stages) {
  return add_mesh_buffer(this, id, geometry, binding, stages, true);
}
