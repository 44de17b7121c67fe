// The renderer object: construction, identity, clear values, object keeping.
#include "vk_generation.h"
#include "vk_plugin.h"

#include "vk_device.h"

#include <cstdio>
#include <cstring>

VulkanPLugin::VulkanPLugin() {
  memset(&identity_matrix, 0, sizeof(identity_matrix));
  for (int i = 0; i < 4; ++i) identity_matrix.m[i * 5] = 1.0f;

  set_type(1);
  set_name(generation::kPluginName);
  set_description(generation::kPluginDescription);
  char build[128] = {0};
  snprintf(build, sizeof(build), "BUILD_DATE: [%s] - BUILD_TIME: [%s]", __DATE__, __TIME__);
  set_build_info(build);
  set_version(0, 1, 0);
  set_api_name("Vulkan");
  set_api_type(5);

  memset(clear_values, 0, sizeof(clear_values));
  set_clear_values_ex(0.0f, 0.0f, 0.0f, 1.0f, 1.0f, 0);
}

// Releases memory only: Vulkan objects are released by terminate.
VulkanPLugin::~VulkanPLugin() {
  clear_requested_names();
  for (tvc::RenderWindow* window : render_windows) {
    delete surface_record(window);
    window->renderer_data = nullptr;
    delete window;
  }
  render_windows.clear();
  for (tvc::RendererGpu* gpu : gpu_list) delete gpu;
  gpu_list.clear();
  for (VkGpuRecord* record : gpu_records) delete record;
  gpu_records.clear();
  delete instance_record;
}

// ---- identity

const char* VulkanPLugin::get_renderer_model() {
  VkGpuRecord* record = gpu_record(current_gpu);
  return record ? record->name.c_str() : "";
}

const char* VulkanPLugin::get_renderer_vendor() {
  VkGpuRecord* record = gpu_record(current_gpu);
  if (!record) return "";
  if (record->vendor_name.empty()) {
    switch (record->vendor_id) {
      case 0x10DE: record->vendor_name = "NVIDIA"; break;
      case 0x1002: record->vendor_name = "AMD"; break;
      case 0x8086: record->vendor_name = "Intel"; break;
      default: break;
    }
  }
  return record->vendor_name.c_str();
}

const char* VulkanPLugin::get_renderer_info_text() { return ""; }

const char* VulkanPLugin::get_renderer_version() {
  VkGpuRecord* record = gpu_record(current_gpu);
  return record ? record->api_version_text.c_str() : "";
}

// ---- clear values

void VulkanPLugin::set_clear_color(const tvc::vec4& color) { set_clear_color_4f(color.x, color.y, color.z, color.w); }

void VulkanPLugin::set_clear_color_4f(float r, float g, float b, float a) {
  clear_values[0].color.float32[0] = r;
  clear_values[0].color.float32[1] = g;
  clear_values[0].color.float32[2] = b;
  clear_values[0].color.float32[3] = a;
}

void VulkanPLugin::set_clear_depth(float depth) { clear_values[1].depthStencil.depth = depth; }

void VulkanPLugin::set_clear_stencil(unsigned stencil) { clear_values[1].depthStencil.stencil = stencil; }

void VulkanPLugin::set_clear_values(const tvc::vec4& color, float depth) {
  set_clear_values_4f(color.x, color.y, color.z, color.w, depth);
}

void VulkanPLugin::set_clear_values_4f(float r, float g, float b, float a, float depth) {
  set_clear_values_ex(r, g, b, a, depth, 0);
}

void VulkanPLugin::set_clear_values_ex(float r, float g, float b, float a, float depth, unsigned stencil) {
  set_clear_color_4f(r, g, b, a);
  memset(&clear_values[1], 0, sizeof(clear_values[1]));
  clear_values[1].depthStencil.depth = depth;
  clear_values[1].depthStencil.stencil = stencil;
}

// ---- object keeping

void VulkanPLugin::register_object(int id, VkDeviceRecord* owner) { object_owner_map.emplace(id, owner); }

VkDeviceRecord* VulkanPLugin::object_owner(int id) const {
  auto it = object_owner_map.find(id);
  return it == object_owner_map.end() ? nullptr : it->second;
}

void VulkanPLugin::unregister_object(int id) {
  object_owner_map.erase(id);
  descriptor_set_map.erase(id);
}
