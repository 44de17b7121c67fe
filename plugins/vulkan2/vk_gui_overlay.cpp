// GUI overlay: the Vulkan back end for the Dear ImGui draw data the host
// builds in the core library. It calls Vulkan through the device's function
// table, takes its descriptor set from the device's pool and records inside
// the swapchain pass: into the current frame's command buffer, or where the
// generation draws through command lists, into the list the host opened.
//
// Per frame (frame index mod 8), or once where the generation draws one list
// at a time, it keeps one vertex and one index buffer, which grow to fit the
// draw data and are never written past their size; an outgrown one is kept
// until the work that last drew from it has run.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>

#include "imgui.h"
#include "spv_gui_frag.h"
#include "spv_gui_vert.h"
#include "vk_generation.h"
#include "vk_resources.h"

namespace {
enum { kBufferSlots = 8 };

struct GuiBuffer {
  VkBuffer buffer = VK_NULL_HANDLE;
  VkDeviceMemory memory = VK_NULL_HANDLE;
  VkDeviceSize size = 0;
  BufferUsers users;  // the recordings that bound it
};

struct ImGuiVulkanBackend {
  bool initialised = false;
  VkDeviceRecord* device_record = nullptr;
  VkGpuRecord* gpu = nullptr;
  VkPhysicalDevice physical_device = nullptr;
  VkDevice device = nullptr;
  VkRenderPass render_pass = VK_NULL_HANDLE;
  VkSampler sampler = VK_NULL_HANDLE;
  VkDescriptorSetLayout set_layout = VK_NULL_HANDLE;
  VkDescriptorSet set = VK_NULL_HANDLE;
  VkPipelineLayout pipeline_layout = VK_NULL_HANDLE;
  VkPipeline pipeline = VK_NULL_HANDLE;
  VkImage font_image = VK_NULL_HANDLE;
  VkDeviceMemory font_memory = VK_NULL_HANDLE;
  VkImageView font_view = VK_NULL_HANDLE;
  GuiBuffer upload;
  // The font texture is uploaded and written into the set: only then does
  // the overlay bind the set. A failed upload leaves it false, and the set
  // may name a destroyed view.
  bool font_ready = false;
  GuiBuffer vertices[kBufferSlots];
  GuiBuffer indices[kBufferSlots];
  uint32_t alignment = 1;
};

ImGuiVulkanBackend g_gui;

// The scissor of a draw command's clip rectangle in framebuffer pixels;
// false when the command shows nothing.
bool gui_scissor(const ImVec4& clip, const ImVec2& pos, const ImVec2& scale, float fb_width, float fb_height,
                 VkRect2D* scissor) {
  return generation::gui_scissor((clip.x - pos.x) * scale.x, (clip.y - pos.y) * scale.y, (clip.z - pos.x) * scale.x,
                                 (clip.w - pos.y) * scale.y, fb_width, fb_height, scissor);
}

void release_gui_buffer(GuiBuffer& b) {
  VkFunctionTable& fn = g_gui.device_record->functions;
  if (b.buffer != VK_NULL_HANDLE) fn.vkDestroyBuffer(g_gui.device, b.buffer, nullptr);
  if (b.memory != VK_NULL_HANDLE) fn.vkFreeMemory(g_gui.device, b.memory, nullptr);
  b = GuiBuffer{};
}

// A host-visible buffer of at least needed bytes (rounded to the alignment
// unless exact); its size is what the device gave.
bool make_gui_buffer(GuiBuffer& b, VkDeviceSize needed, VkBufferUsageFlags usage, bool exact) {
  release_gui_buffer(b);
  const VkDeviceSize size = exact ? needed : ((needed - 1) / g_gui.alignment + 1) * g_gui.alignment;
  const MemoryTypeChoice host_visible = [](uint32_t bits) {
    return find_memory_type(g_gui.gpu, bits, VK_MEMORY_PROPERTY_HOST_VISIBLE_BIT, kNoMemoryFallback);
  };
  BufferObjects made;
  BufferStep step = kBufferCreate;
  const VkResult result =
      make_buffer_objects(device_buffer_calls(g_gui.device_record), size, usage, host_visible, nullptr, &made, &step);
  if (made.needs.alignment > g_gui.alignment) g_gui.alignment = static_cast<uint32_t>(made.needs.alignment);
  b.buffer = made.buffer;
  b.memory = made.memory;
  if (result != VK_SUCCESS) {
    release_gui_buffer(b);
    return false;
  }
  b.size = std::max(made.needs.size, size);
  return true;
}

void flush(VkDeviceMemory memory) {
  VkMappedMemoryRange range{};
  range.sType = VK_STRUCTURE_TYPE_MAPPED_MEMORY_RANGE;
  range.memory = memory;
  range.size = VK_WHOLE_SIZE;
  g_gui.device_record->functions.vkFlushMappedMemoryRanges(g_gui.device, 1, &range);
}

void destroy_font() {
  VkFunctionTable& fn = g_gui.device_record->functions;
  if (g_gui.font_view) fn.vkDestroyImageView(g_gui.device, g_gui.font_view, nullptr);
  if (g_gui.font_image) fn.vkDestroyImage(g_gui.device, g_gui.font_image, nullptr);
  if (g_gui.font_memory) fn.vkFreeMemory(g_gui.device, g_gui.font_memory, nullptr);
  g_gui.font_view = VK_NULL_HANDLE;
  g_gui.font_image = VK_NULL_HANDLE;
  g_gui.font_memory = VK_NULL_HANDLE;
  release_gui_buffer(g_gui.upload);
  g_gui.font_ready = false;
}

bool make_gui_pipeline() {
  VkFunctionTable& fn = g_gui.device_record->functions;
  VkShaderModule modules[2] = {VK_NULL_HANDLE, VK_NULL_HANDLE};
  const uint32_t* code[2] = {spv_gui_vert, spv_gui_frag};
  const size_t bytes[2] = {sizeof(spv_gui_vert), sizeof(spv_gui_frag)};
  for (int i = 0; i < 2; ++i) {
    VkShaderModuleCreateInfo info{};
    info.sType = VK_STRUCTURE_TYPE_SHADER_MODULE_CREATE_INFO;
    info.codeSize = bytes[i];
    info.pCode = code[i];
    if (fn.vkCreateShaderModule(g_gui.device, &info, nullptr, &modules[i]) != VK_SUCCESS) modules[i] = VK_NULL_HANDLE;
  }
  const VkVertexInputAttributeDescription attributes[3] = {{0, 0, VK_FORMAT_R32G32_SFLOAT, 0},
                                                           {1, 0, VK_FORMAT_R32G32_SFLOAT, 8},
                                                           {2, 0, VK_FORMAT_R8G8B8A8_UNORM, 16}};
  OverlayPipelineDesc desc;
  desc.vertex = modules[0];
  desc.fragment = modules[1];
  desc.binding = {0, sizeof(ImDrawVert), VK_VERTEX_INPUT_RATE_VERTEX};
  desc.attributes = attributes;
  desc.attribute_count = 3;
  generation::gui_alpha_blend(&desc.src_alpha, &desc.dst_alpha);
  desc.layout = g_gui.pipeline_layout;
  desc.render_pass = g_gui.render_pass;
  const bool ok =
      create_overlay_pipeline(fn.vkCreateGraphicsPipelines, g_gui.device, desc, &g_gui.pipeline) == VK_SUCCESS;
  for (VkShaderModule m : modules)
    if (m) fn.vkDestroyShaderModule(g_gui.device, m, nullptr);
  return ok;
}

bool make_gui_layouts() {
  VkFunctionTable& fn = g_gui.device_record->functions;
  if (!g_gui.sampler) {
    const VkSamplerCreateInfo sampler = overlay_sampler_info();
    if (fn.vkCreateSampler(g_gui.device, &sampler, nullptr, &g_gui.sampler) != VK_SUCCESS) return false;
  }
  if (!g_gui.set_layout) {
    VkDescriptorSetLayoutBinding binding{0, VK_DESCRIPTOR_TYPE_COMBINED_IMAGE_SAMPLER, 1, VK_SHADER_STAGE_FRAGMENT_BIT,
                                         &g_gui.sampler};
    VkDescriptorSetLayoutCreateInfo layout{};
    layout.sType = VK_STRUCTURE_TYPE_DESCRIPTOR_SET_LAYOUT_CREATE_INFO;
    layout.bindingCount = 1;
    layout.pBindings = &binding;
    if (fn.vkCreateDescriptorSetLayout(g_gui.device, &layout, nullptr, &g_gui.set_layout) != VK_SUCCESS) return false;
  }
  VkDescriptorSetAllocateInfo alloc{};
  alloc.sType = VK_STRUCTURE_TYPE_DESCRIPTOR_SET_ALLOCATE_INFO;
  alloc.descriptorPool = g_gui.device_record->descriptor_pool;
  alloc.descriptorSetCount = 1;
  alloc.pSetLayouts = &g_gui.set_layout;
  if (!alloc.descriptorPool || fn.vkAllocateDescriptorSets(g_gui.device, &alloc, &g_gui.set) != VK_SUCCESS) {
    g_gui.set = VK_NULL_HANDLE;
    return false;
  }
  if (!g_gui.pipeline_layout) {
    VkPushConstantRange range{VK_SHADER_STAGE_VERTEX_BIT, 0, 16};
    VkPipelineLayoutCreateInfo layout{};
    layout.sType = VK_STRUCTURE_TYPE_PIPELINE_LAYOUT_CREATE_INFO;
    layout.setLayoutCount = 1;
    layout.pSetLayouts = &g_gui.set_layout;
    layout.pushConstantRangeCount = 1;
    layout.pPushConstantRanges = &range;
    if (fn.vkCreatePipelineLayout(g_gui.device, &layout, nullptr, &g_gui.pipeline_layout) != VK_SUCCESS) return false;
  }
  return true;
}

// Every object of the back end, then the binding to the device.
void release_gui_objects() {
  if (!g_gui.device_record || !g_gui.device) return;
  VkFunctionTable& fn = g_gui.device_record->functions;
  destroy_font();
  for (int i = 0; i < kBufferSlots; ++i) {
    release_gui_buffer(g_gui.vertices[i]);
    release_gui_buffer(g_gui.indices[i]);
  }
  if (g_gui.sampler) fn.vkDestroySampler(g_gui.device, g_gui.sampler, nullptr);
  if (g_gui.set_layout) fn.vkDestroyDescriptorSetLayout(g_gui.device, g_gui.set_layout, nullptr);
  if (g_gui.set && g_gui.device_record->descriptor_pool)
    fn.vkFreeDescriptorSets(g_gui.device, g_gui.device_record->descriptor_pool, 1, &g_gui.set);
  if (g_gui.pipeline_layout) fn.vkDestroyPipelineLayout(g_gui.device, g_gui.pipeline_layout, nullptr);
  if (g_gui.pipeline) fn.vkDestroyPipeline(g_gui.device, g_gui.pipeline, nullptr);
  g_gui = ImGuiVulkanBackend{};
}

// The slot's buffer, grown to hold bytes; false when it cannot be made.
// Frames or lists recorded before may still read an outgrown buffer: it is
// retired, and goes once the work of each of them has run.
bool fit(GuiBuffer& b, VkDeviceSize bytes, VkBufferUsageFlags usage) {
  if (b.buffer != VK_NULL_HANDLE && b.size >= bytes) return true;
  retire_buffer(g_gui.device_record, b.buffer, b.memory, std::move(b.users));
  b = GuiBuffer{};
  return make_gui_buffer(b, bytes, usage, false);
}
}  // namespace

void VulkanPLugin::release_gui_overlay(VkDeviceRecord* device) {
  if (g_gui.device_record == device) release_gui_objects();
}

bool VulkanPLugin::imgui_init(void*) {
  if (g_gui.initialised) return true;
  VkGpuRecord* gpu = gpu_record(current_gpu);
  VkDeviceRecord* device = gpu ? gpu->current_device : nullptr;
  // Refusals here and below leave no line in the log.
  if (!device || !device->device || !device->rp1) return false;
  g_gui.device_record = device;
  g_gui.gpu = gpu;
  g_gui.physical_device = gpu->physical_device;
  g_gui.device = device->device;
  g_gui.render_pass = device->rp1->render_pass;
  g_gui.alignment = generation::gui_write_alignment(gpu->properties.limits);
  if (generation::gui_builds_atlas_first()) {
    unsigned char* pixels = nullptr;
    int width = 0, height = 0;
    ImGui::GetIO().Fonts->GetTexDataAsRGBA32(&pixels, &width, &height);
  }
  if (!make_gui_layouts() || !make_gui_pipeline()) {
    release_gui_objects();
    return false;
  }
  g_gui.initialised = true;
  imgui_upload_fonts();
  return true;
}

bool VulkanPLugin::imgui_terminate() {
  if (!g_gui.initialised) return true;
  if (!g_gui.device_record || !g_gui.device) return false;
  // The last frames drawn may still be running: they use every object here.
  wait_device_idle(g_gui.device_record);
  release_gui_objects();
  return true;
}

void VulkanPLugin::imgui_upload_fonts() {
  // The device the back end was made on, whatever is current now.
  if (!g_gui.initialised || !g_gui.device) return;
  VkDeviceRecord* device = g_gui.device_record;
  VkFunctionTable& fn = device->functions;
  ImGuiIO& io = ImGui::GetIO();
  unsigned char* pixels = nullptr;
  int width = 0, height = 0;
  io.Fonts->GetTexDataAsRGBA32(&pixels, &width, &height);
  if (!pixels || width <= 0 || height <= 0) return;
  const VkDeviceSize bytes = static_cast<VkDeviceSize>(width) * height * 4;
  // The texture before goes once no work can still sample it.
  const bool replacing = g_gui.font_image || g_gui.font_view || g_gui.font_memory || g_gui.upload.buffer;
  if (replacing && !idle_before_replacing(device)) return;
  destroy_font();
  ImageRequest request =
      image_2d_request(VK_FORMAT_R8G8B8A8_UNORM, static_cast<uint32_t>(width), static_cast<uint32_t>(height),
                       VK_IMAGE_USAGE_TRANSFER_DST_BIT | VK_IMAGE_USAGE_SAMPLED_BIT);
  request.preferred = VK_MEMORY_PROPERTY_DEVICE_LOCAL_BIT;
  request.view_aspect = VK_IMAGE_ASPECT_COLOR_BIT;
  ImageObjects image;
  void* mapped = nullptr;
  if (create_image_objects(device, g_gui.gpu, request, &image) != VK_SUCCESS ||
      !make_gui_buffer(g_gui.upload, bytes, VK_BUFFER_USAGE_TRANSFER_SRC_BIT, true) ||
      fn.vkMapMemory(g_gui.device, g_gui.upload.memory, 0, bytes, 0, &mapped) != VK_SUCCESS) {
    release_image_objects(device, &image);
    return;
  }
  g_gui.font_image = image.image;
  g_gui.font_memory = image.memory;
  g_gui.font_view = image.view;
  memcpy(mapped, pixels, static_cast<size_t>(bytes));
  flush(g_gui.upload.memory);
  fn.vkUnmapMemory(g_gui.device, g_gui.upload.memory);
  VkDescriptorImageInfo info{g_gui.sampler, g_gui.font_view, VK_IMAGE_LAYOUT_SHADER_READ_ONLY_OPTIMAL};
  VkWriteDescriptorSet write{};
  write.sType = VK_STRUCTURE_TYPE_WRITE_DESCRIPTOR_SET;
  write.dstSet = g_gui.set;
  write.descriptorCount = 1;
  write.descriptorType = VK_DESCRIPTOR_TYPE_COMBINED_IMAGE_SAMPLER;
  write.pImageInfo = &info;
  fn.vkUpdateDescriptorSets(g_gui.device, 1, &write, 0, nullptr);
  VkCommandBuffer commands = begin_one_time_commands(device, true);
  if (!commands) return;
  transition_image_layout(device, commands, g_gui.font_image, VK_IMAGE_LAYOUT_UNDEFINED,
                          VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL);
  VkBufferImageCopy region{};
  region.imageSubresource = {VK_IMAGE_ASPECT_COLOR_BIT, 0, 0, 1};
  region.imageExtent = {static_cast<uint32_t>(width), static_cast<uint32_t>(height), 1};
  fn.vkCmdCopyBufferToImage(commands, g_gui.upload.buffer, g_gui.font_image, VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL, 1,
                            &region);
  transition_image_layout(device, commands, g_gui.font_image, VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL,
                          VK_IMAGE_LAYOUT_SHADER_READ_ONLY_OPTIMAL);
  if (!end_one_time_commands(device, commands)) return;
  g_gui.font_ready = true;
  io.Fonts->SetTexID(reinterpret_cast<ImTextureID>(static_cast<uintptr_t>((uint64_t)(g_gui.font_image) & 0xFFFFFFFFu)));
}

void VulkanPLugin::imgui_render(ImDrawData* draw) {
  VkDeviceRecord* device = g_gui.initialised ? g_gui.device_record : nullptr;
  if (!device || !draw) return;
  VkCommandListRecord* record = gui_command_record(device);
  VkCommandBuffer commands = record ? record->command_buffer : nullptr;
  if (!commands) return;
  release_retired_buffers(device, RetiredRelease::kFinished);
  const float fb_width = draw->DisplaySize.x * draw->FramebufferScale.x;
  const float fb_height = draw->DisplaySize.y * draw->FramebufferScale.y;
  if (static_cast<int>(fb_width) <= 0 || static_cast<int>(fb_height) <= 0 || draw->TotalVtxCount <= 0) return;
  // Without its font the set may name a destroyed view: nothing is bound.
  if (!g_gui.font_ready) return;
  VkFunctionTable& fn = device->functions;
  const uint32_t slot = generation::gui_buffers_per_frame() ? device->frame_index % kBufferSlots : 0;
  // What the lists hold, counted from the lists themselves: the buffers are
  // sized by what is copied into them.
  VkDeviceSize vertex_bytes = 0, index_bytes = 0;
  for (int n = 0; n < draw->CmdListsCount; ++n) {
    vertex_bytes += static_cast<VkDeviceSize>(draw->CmdLists[n]->VtxBuffer.Size) * sizeof(ImDrawVert);
    index_bytes += static_cast<VkDeviceSize>(draw->CmdLists[n]->IdxBuffer.Size) * sizeof(ImDrawIdx);
  }
  if (vertex_bytes == 0 || index_bytes == 0) return;
  GuiBuffer& vb = g_gui.vertices[slot];
  GuiBuffer& ib = g_gui.indices[slot];
  if (!fit(vb, vertex_bytes, VK_BUFFER_USAGE_VERTEX_BUFFER_BIT) || !fit(ib, index_bytes, VK_BUFFER_USAGE_INDEX_BUFFER_BIT))
    return;
  void* vmap = nullptr;
  void* imap = nullptr;
  if (fn.vkMapMemory(g_gui.device, vb.memory, 0, vb.size, 0, &vmap) != VK_SUCCESS) return;
  if (fn.vkMapMemory(g_gui.device, ib.memory, 0, ib.size, 0, &imap) != VK_SUCCESS) {
    fn.vkUnmapMemory(g_gui.device, vb.memory);
    return;
  }
  ImDrawVert* vdst = static_cast<ImDrawVert*>(vmap);
  ImDrawIdx* idst = static_cast<ImDrawIdx*>(imap);
  for (int n = 0; n < draw->CmdListsCount; ++n) {
    const ImDrawList* list = draw->CmdLists[n];
    memcpy(vdst, list->VtxBuffer.Data, list->VtxBuffer.Size * sizeof(ImDrawVert));
    memcpy(idst, list->IdxBuffer.Data, list->IdxBuffer.Size * sizeof(ImDrawIdx));
    vdst += list->VtxBuffer.Size;
    idst += list->IdxBuffer.Size;
  }
  flush(vb.memory);
  flush(ib.memory);
  fn.vkUnmapMemory(g_gui.device, vb.memory);
  fn.vkUnmapMemory(g_gui.device, ib.memory);

  fn.vkCmdBindPipeline(commands, VK_PIPELINE_BIND_POINT_GRAPHICS, g_gui.pipeline);
  fn.vkCmdBindDescriptorSets(commands, VK_PIPELINE_BIND_POINT_GRAPHICS, g_gui.pipeline_layout, 0, 1, &g_gui.set, 0,
                             nullptr);
  const VkDeviceSize offset = 0;
  fn.vkCmdBindVertexBuffers(commands, 0, 1, &vb.buffer, &offset);
  fn.vkCmdBindIndexBuffer(commands, ib.buffer, 0, VK_INDEX_TYPE_UINT16);
  note_buffer_use(&vb.users, record);
  note_buffer_use(&ib.users, record);
  VkViewport viewport{0.0f, 0.0f, fb_width, fb_height, 0.0f, 1.0f};
  fn.vkCmdSetViewport(commands, 0, 1, &viewport);
  float push[4];
  push[0] = 2.0f / draw->DisplaySize.x;
  push[1] = 2.0f / draw->DisplaySize.y;
  push[2] = -1.0f - draw->DisplayPos.x * push[0];
  push[3] = -1.0f - draw->DisplayPos.y * push[1];
  fn.vkCmdPushConstants(commands, g_gui.pipeline_layout, VK_SHADER_STAGE_VERTEX_BIT, 0, sizeof(push), push);

  const ImVec2 pos = draw->DisplayPos, scale = draw->FramebufferScale;
  uint32_t vertex_offset = 0, index_offset = 0;
  for (int n = 0; n < draw->CmdListsCount; ++n) {
    const ImDrawList* list = draw->CmdLists[n];
    for (const ImDrawCmd& cmd : list->CmdBuffer) {
      if (cmd.UserCallback) {
        if (cmd.UserCallback != ImDrawCallback_ResetRenderState) cmd.UserCallback(list, &cmd);
      } else {
        VkRect2D scissor;
        // Commands that count more indices than the lists hold would draw
        // past what this frame wrote into the index buffer.
        const bool inside = index_offset + cmd.ElemCount <= index_bytes / sizeof(ImDrawIdx);
        if (gui_scissor(cmd.ClipRect, pos, scale, fb_width, fb_height, &scissor) && inside) {
          fn.vkCmdSetScissor(commands, 0, 1, &scissor);
          fn.vkCmdDrawIndexed(commands, cmd.ElemCount, 1, index_offset, static_cast<int32_t>(vertex_offset), 0);
        }
      }
      index_offset += cmd.ElemCount;
    }
    vertex_offset += static_cast<uint32_t>(list->VtxBuffer.Size);
  }
}
