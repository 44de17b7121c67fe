// GPU programs (shader modules per stage) and pipeline states: graphics
// pipelines built against a descriptor set's layout and a render pass.
#include <cstring>

#include "vk_generation.h"
#include "vk_resources.h"

namespace {
template <size_t N>
int from_table(const int (&table)[N], int code, int other) {
  return code >= 0 && static_cast<size_t>(code) < N ? table[code] : other;
}

const int kTopology[] = {3, 4, 1, 2, 3, 6, 7, 10, 0, 3};
const int kBlend[] = {0, 1, 6, 9, 5, 7, 4, 8, 2, 3};
const int kPolygon[] = {2, 1, 0, 0, 0, 0, 0, 0, 0, 0};
const int kCull[] = {0, 2, 1, 3, 0, 0, 0, 0, 0, 0};
const int kCompare[] = {0, 1, 3, 4, 6, 2, 5, 7, 3, 3};

VkShaderStageFlagBits stage_of(int type) {
  static const uint32_t kStages[] = {0x1, 0x10, 0x8, 0x2, 0x4, 0x20, 0x80, 0x40, 0x100, 0x200, 0x400, 0x800, 0x1000};
  return static_cast<VkShaderStageFlagBits>(type >= 0 && type < 13 ? kStages[type] : 0x7FFFFFFFu);
}
// The module a program holds for a shader type, or null.
tvc::GpuProgramVkShaderModule* module_of_type(tvc::GpuProgramData* program, int type) {
  for (int i = 0; program && i < program->module_count; ++i)
    if (program->modules[i].module && program->modules[i].shader_type == type) return &program->modules[i];
  return nullptr;
}

void append_stage(std::vector<VkPipelineShaderStageCreateInfo>& stages, const tvc::GpuProgramVkShaderModule& m,
                  bool* tessellation) {
  VkPipelineShaderStageCreateInfo stage{};
  stage.sType = VK_STRUCTURE_TYPE_PIPELINE_SHADER_STAGE_CREATE_INFO;
  stage.stage = stage_of(m.shader_type);
  stage.module = (VkShaderModule)(m.module);
  stage.pName = m.entry_point[0] ? m.entry_point : "main";
  stages.push_back(stage);
  if (m.shader_type == 3 || m.shader_type == 4) *tessellation = true;
}

// A stage per module in the order they were made, or, where the generation
// keeps one module per shader type, one per type in its order (tessellation
// only where the GPU tessellates).
std::vector<VkPipelineShaderStageCreateInfo> program_stages(const tvc::GpuProgramData* program, bool tessellates,
                                                            bool* tessellation) {
  std::vector<VkPipelineShaderStageCreateInfo> stages;
  *tessellation = false;
  if (!program) return stages;
  tvc::GpuProgramData* modules = const_cast<tvc::GpuProgramData*>(program);
  const generation::TypeOrder order = generation::shader_type_order();
  if (order.count) {
    for (size_t i = 0; i < order.count; ++i) {
      const int type = order.types[i];
      const tvc::GpuProgramVkShaderModule* m = module_of_type(modules, type);
      if (m && (tessellates || (type != 3 && type != 4))) append_stage(stages, *m, tessellation);
    }
    return stages;
  }
  for (int i = 0; i < program->module_count; ++i)
    if (program->modules[i].module) append_stage(stages, program->modules[i], tessellation);
  return stages;
}
}  // namespace

bool VulkanPLugin::gpu_program_create_shader_modules(tvc::RendererGpu* gpu, tvc::GpuProgramData* program,
                                                     int shader_type, const void* code, unsigned code_size,
                                                     const char* entry_point) {
  if (!program || !code || code_size == 0) return false;
  VkDeviceRecord* device = device_of(gpu);
  if (!device) return false;
  if (!program->vk_id) {
    program->vk_id_storage = tvc::utils::gen_id();
    program->vk_id = &program->vk_id_storage;
  }
  if (!object_owner(*program->vk_id)) {
    register_object(*program->vk_id, device);
    device->programs.push_back(program);
  } else if (object_owner(*program->vk_id) != device) {
    return false;  // one program, one device
  }
  if (program->module_count >= tvc::GpuProgramData::kMaxModules) return false;
  // SPIR-V is a whole number of 32-bit words.
  if (code_size % 4 != 0) {
    tracef_error("GPU program %s - %s shader creation failed - error: %s.", program->get_gpu_program_name(),
                 tvc::GpuProgramData::shader_type_to_string(shader_type),
                 vk_result_to_string(VK_ERROR_INVALID_SHADER_NV));
    return false;
  }
  VkShaderModuleCreateInfo info{};
  info.sType = VK_STRUCTURE_TYPE_SHADER_MODULE_CREATE_INFO;
  info.codeSize = code_size;
  info.pCode = static_cast<const uint32_t*>(code);
  VkShaderModule module = VK_NULL_HANDLE;
  const VkResult result = device->functions.vkCreateShaderModule(device->device, &info, nullptr, &module);
  if (result != VK_SUCCESS) {
    tracef_error("GPU program %s - %s shader creation failed - error: %s.", program->get_gpu_program_name(),
                 tvc::GpuProgramData::shader_type_to_string(shader_type), vk_result_to_string(result));
    return false;
  }
  if (module == VK_NULL_HANDLE) return false;
  tvc::GpuProgramVkShaderModule* slot = generation::shader_type_order().count ? module_of_type(program, shader_type) : nullptr;
  if (slot) {
    // The type's slot takes the new module; the one it held goes.
    device->functions.vkDestroyShaderModule(device->device, (VkShaderModule)(slot->module), nullptr);
    slot->module = (uint64_t)(module);
    tvc::utils::copy_text(slot->entry_point, sizeof(slot->entry_point), entry_point);
  } else {
    program->add_vulkan_module(shader_type, (uint64_t)(module), entry_point);
  }
  tracef_debug("%s shader module creation ok (GPU program: %s).", tvc::GpuProgramData::shader_type_to_string(shader_type),
               program->get_gpu_program_name());
  return true;
}

bool VulkanPLugin::program_release(VkDeviceRecord* device, tvc::GpuProgramData* program) {
  erase_from(device->programs, program);
  unregister_object(*program->vk_id);
  for (tvc::GpuProgramVkShaderModule& m : program->modules) {
    if (m.module)
      device->functions.vkDestroyShaderModule(device->device, (VkShaderModule)(m.module), nullptr);
    m.reset();
  }
  program->module_count = 0;
  return true;
}

bool VulkanPLugin::gpu_program_kill(tvc::GpuProgramData* program) {
  VkDeviceRecord* device = program && program->vk_id ? object_owner(*program->vk_id) : nullptr;
  if (!device) return false;
  return program_release(device, program);
}

tvc::GpuPipelineStateData* VulkanPLugin::pipeline_create(tvc::RendererGpu* gpu) {
  VkDeviceRecord* device = device_of(gpu);
  if (!device) return nullptr;
  tvc::GpuPipelineStateData* state = new tvc::GpuPipelineStateData;
  VkPipelineRecord* record = new VkPipelineRecord;
  record->id = tvc::utils::gen_id();
  state->renderer_data = record;
  device->pipeline_states.push_back(state);
  if (!object_owner(state->id)) register_object(state->id, device);
  return state;
}

namespace {
void release_pipeline_objects(VkDeviceRecord* device, VkPipelineRecord* record) {
  if (record->pipeline != VK_NULL_HANDLE) device->functions.vkDestroyPipeline(device->device, record->pipeline, nullptr);
  if (record->cache != VK_NULL_HANDLE) device->functions.vkDestroyPipelineCache(device->device, record->cache, nullptr);
  record->pipeline = VK_NULL_HANDLE;
  record->cache = VK_NULL_HANDLE;
}
}  // namespace

bool VulkanPLugin::pipeline_release(VkDeviceRecord* device, tvc::GpuPipelineStateData* state) {
  erase_from(device->pipeline_states, state);
  VkPipelineRecord* record = pipeline_record(state);
  if (record) release_pipeline_objects(device, record);
  unregister_object(state->id);
  delete record;
  delete state;
  return true;
}

bool VulkanPLugin::pipeline_kill(tvc::GpuPipelineStateData* state) {
  VkDeviceRecord* device = state ? object_owner(state->id) : nullptr;
  if (!device) return false;
  for (tvc::GpuPipelineStateData* s : device->pipeline_states)
    if (s == state) return pipeline_release(device, state);
  return false;
}

bool VulkanPLugin::pipeline_killall(tvc::RendererGpu* gpu) {
  VkDeviceRecord* device = device_of(gpu);
  if (!device) return false;
  while (!device->pipeline_states.empty()) pipeline_release(device, device->pipeline_states.front());
  return true;
}

int VulkanPLugin::pipeline_get_count(tvc::RendererGpu* gpu) {
  VkDeviceRecord* device = device_of(gpu);
  return device ? static_cast<int>(device->pipeline_states.size()) : 0;
}

tvc::GpuPipelineStateData* VulkanPLugin::pipeline_get_by_index(tvc::RendererGpu* gpu, unsigned index) {
  VkDeviceRecord* device = device_of(gpu);
  return device && index < device->pipeline_states.size() ? device->pipeline_states[index] : nullptr;
}

tvc::GpuPipelineStateData* VulkanPLugin::pipeline_find(int id) {
  VkDeviceRecord* device = object_owner(id);
  if (!device) return nullptr;
  for (tvc::GpuPipelineStateData* state : device->pipeline_states)
    if (state->id == id) return state;
  return nullptr;
}

bool VulkanPLugin::pipeline_build(tvc::GpuPipelineStateData* state, int set) { return pipeline_build_ex(state, set, 0); }

bool VulkanPLugin::pipeline_build_2(tvc::GpuPipelineStateData* state) { return pipeline_build(state, 0); }

bool VulkanPLugin::pipeline_build_ex(tvc::GpuPipelineStateData* state, int set_id, int render_target) {
  VkPipelineRecord* record = pipeline_record(state);
  VkDeviceRecord* device = record ? object_owner(state->id) : nullptr;
  if (!device) return false;
  VkDescriptorSetRecord* set = descriptorset_lookup(set_id);
  if (!set) {
    tracef_error("pipeline object (%s) - descriptorset is invalid. Pipeline build failed.", state->name);
    return false;
  }
  if (set->pipeline_layout == VK_NULL_HANDLE) {
    tracef_error("pipeline object (%s) - descriptorset has an invalid pipeline layout. Pipeline build failed.",
                 state->name);
    return false;
  }
  if (object_owner(set_id) != device) {
    tracef_error("pipeline object (%s) descriptorset have a different logical device. Pipeline build failed.",
                 state->name);
    return false;
  }
  VkGpuRecord* gpu = device_gpu(device);
  if (!gpu) return false;
  VkRenderPass pass = device->rp1 ? device->rp1->render_pass : VK_NULL_HANDLE;
  tvc::GpuRenderTarget* target = render_target ? gpu_render_target_get(render_target) : nullptr;
  if (VkRenderTargetRecord* rt = target_record(target))
    pass = rt->render_pass;
  if (pass == VK_NULL_HANDLE) {
    tracef_error("pipeline object (%s) - invalid render pass. Pipeline build failed.", state->name);
    return false;
  }
  VkVertexInputBindingDescription binding{0, 64, VK_VERTEX_INPUT_RATE_VERTEX};
  VkVertexInputAttributeDescription attributes[4];
  for (uint32_t i = 0; i < 4; ++i) attributes[i] = {i, 0, VK_FORMAT_R32G32B32A32_SFLOAT, i * 16};
  VkPipelineVertexInputStateCreateInfo vertex{};
  vertex.sType = VK_STRUCTURE_TYPE_PIPELINE_VERTEX_INPUT_STATE_CREATE_INFO;
  if (state->vertex_input) {
    vertex.vertexBindingDescriptionCount = 1;
    vertex.pVertexBindingDescriptions = &binding;
    vertex.vertexAttributeDescriptionCount = 4;
    vertex.pVertexAttributeDescriptions = attributes;
  }
  if (state->topology == 7 && !gpu->features.tessellationShader) state->topology = 0;
  if (!gpu->features.fillModeNonSolid && state->polygon_mode != 2) state->polygon_mode = 2;
  bool tessellation = false;
  const std::vector<VkPipelineShaderStageCreateInfo> stages =
      program_stages(state->program, gpu->features.tessellationShader, &tessellation);
  tessellation = tessellation && gpu->features.tessellationShader;
  if (tessellation) state->topology = 7;
  VkPipelineInputAssemblyStateCreateInfo assembly{};
  assembly.sType = VK_STRUCTURE_TYPE_PIPELINE_INPUT_ASSEMBLY_STATE_CREATE_INFO;
  assembly.topology = static_cast<VkPrimitiveTopology>(from_table(kTopology, state->topology, 3));
  VkPipelineTessellationStateCreateInfo tess{};
  tess.sType = VK_STRUCTURE_TYPE_PIPELINE_TESSELLATION_STATE_CREATE_INFO;
  tess.patchControlPoints = 3;
  VkPipelineViewportStateCreateInfo viewport{};
  viewport.sType = VK_STRUCTURE_TYPE_PIPELINE_VIEWPORT_STATE_CREATE_INFO;
  viewport.viewportCount = 1;
  viewport.scissorCount = 1;
  VkPipelineRasterizationStateCreateInfo raster{};
  raster.sType = VK_STRUCTURE_TYPE_PIPELINE_RASTERIZATION_STATE_CREATE_INFO;
  raster.polygonMode = static_cast<VkPolygonMode>(from_table(kPolygon, state->polygon_mode, 0));
  raster.cullMode = static_cast<VkCullModeFlags>(from_table(kCull, state->cull_mode, 0));
  raster.frontFace = state->front_face_ccw ? VK_FRONT_FACE_COUNTER_CLOCKWISE : VK_FRONT_FACE_CLOCKWISE;
  raster.lineWidth = state->line_width;
  VkPipelineMultisampleStateCreateInfo multisample{};
  multisample.sType = VK_STRUCTURE_TYPE_PIPELINE_MULTISAMPLE_STATE_CREATE_INFO;
  multisample.rasterizationSamples = VK_SAMPLE_COUNT_1_BIT;
  VkPipelineDepthStencilStateCreateInfo depth{};
  depth.sType = VK_STRUCTURE_TYPE_PIPELINE_DEPTH_STENCIL_STATE_CREATE_INFO;
  depth.depthTestEnable = state->depth_test;
  depth.depthWriteEnable = !state->depth_write_disable;
  depth.depthCompareOp = static_cast<VkCompareOp>(from_table(kCompare, state->depth_compare, 3));
  depth.stencilTestEnable = state->stencil_test;
  depth.front = depth.back = {VK_STENCIL_OP_KEEP, VK_STENCIL_OP_KEEP, VK_STENCIL_OP_KEEP, VK_COMPARE_OP_ALWAYS, 0, 0, 0};
  VkPipelineColorBlendAttachmentState blend{};
  blend.blendEnable = state->blend_enable;
  blend.srcColorBlendFactor = static_cast<VkBlendFactor>(from_table(kBlend, state->blend_src, 0));
  blend.dstColorBlendFactor = static_cast<VkBlendFactor>(from_table(kBlend, state->blend_dst, 0));
  blend.colorBlendOp = VK_BLEND_OP_ADD;
  blend.alphaBlendOp = VK_BLEND_OP_ADD;
  blend.colorWriteMask = 0xF;
  VkPipelineColorBlendStateCreateInfo blending{};
  blending.sType = VK_STRUCTURE_TYPE_PIPELINE_COLOR_BLEND_STATE_CREATE_INFO;
  blending.attachmentCount = 1;
  blending.pAttachments = &blend;
  for (float& c : blending.blendConstants) c = 1.0f;
  const VkDynamicState dynamic_states[] = {VK_DYNAMIC_STATE_VIEWPORT, VK_DYNAMIC_STATE_SCISSOR,
                                           VK_DYNAMIC_STATE_BLEND_CONSTANTS, VK_DYNAMIC_STATE_LINE_WIDTH};
  VkPipelineDynamicStateCreateInfo dynamic{};
  dynamic.sType = VK_STRUCTURE_TYPE_PIPELINE_DYNAMIC_STATE_CREATE_INFO;
  dynamic.dynamicStateCount = 4;
  dynamic.pDynamicStates = dynamic_states;

  VkGraphicsPipelineCreateInfo info{};
  info.sType = VK_STRUCTURE_TYPE_GRAPHICS_PIPELINE_CREATE_INFO;
  info.stageCount = static_cast<uint32_t>(stages.size());
  info.pStages = stages.empty() ? nullptr : stages.data();
  info.pVertexInputState = &vertex;
  info.pInputAssemblyState = &assembly;
  info.pTessellationState = tessellation ? &tess : nullptr;
  info.pViewportState = &viewport;
  info.pRasterizationState = &raster;
  info.pMultisampleState = &multisample;
  info.pDepthStencilState = &depth;
  info.pColorBlendState = &blending;
  info.pDynamicState = &dynamic;
  info.layout = set->pipeline_layout;
  info.renderPass = pass;
  info.basePipelineIndex = -1;
  // A second build replaces the first pipeline and its cache, once no work
  // can still use them.
  if (record->pipeline != VK_NULL_HANDLE || record->cache != VK_NULL_HANDLE) {
    if (!idle_before_replacing(device)) {
      tracef_error("pipeline object (%s) - a command buffer of the device is recording. Pipeline build failed.",
                   state->name);
      return false;
    }
    release_pipeline_objects(device, record);
  }
  // The cache only speeds the build up: without one the build goes on. A
  // failed creation leaves the handle undefined.
  VkPipelineCacheCreateInfo cache{};
  cache.sType = VK_STRUCTURE_TYPE_PIPELINE_CACHE_CREATE_INFO;
  if (device->functions.vkCreatePipelineCache(device->device, &cache, nullptr, &record->cache) != VK_SUCCESS)
    record->cache = VK_NULL_HANDLE;
  VkResult result = stages.empty() ? VK_ERROR_INITIALIZATION_FAILED
                                   : device->functions.vkCreateGraphicsPipelines(device->device, record->cache, 1,
                                                                                 &info, nullptr, &record->pipeline);
  if (result != VK_SUCCESS) {
    record->pipeline = VK_NULL_HANDLE;
    release_pipeline_objects(device, record);
    tracef_error("pipeline state object (%s) creation failed (err: %s).", state->name, vk_result_to_string(result));
    return false;
  }
  tracef_debug("pipeline object %s successfully created.", state->name);
  return true;
}

bool VulkanPLugin::pipeline_bind(tvc::GpuPipelineStateData* state) {
  VkPipelineRecord* record = pipeline_record(state);
  if (!record) return false;
  if (record->raytracing) {
    tracef_error("%s is a raytracing pipeline, graphics pipeline expected. Bound failed.", state->name);
    return false;
  }
  VkDeviceRecord* device = object_owner(state->id);
  if (!device) return false;
  // Where binds go into the list the host opened, the device's current list
  // takes it, and only while it is open.
  VkCommandListRecord* target = device->active_command_record;
  if (generation::lists_take_draws()) target = open_current_list(device);
  if (!target || !target->command_buffer || record->pipeline == VK_NULL_HANDLE) return false;
  device->functions.vkCmdBindPipeline(target->command_buffer, VK_PIPELINE_BIND_POINT_GRAPHICS, record->pipeline);
  target->bound_pipeline = record->pipeline;
  return true;
}

void VulkanPLugin::draw_mesh_tasks(tvc::RendererGpu* gpu, unsigned first_task, unsigned task_count) {
  VkDeviceRecord* device = device_of(gpu);
  VkCommandBuffer commands = active_command_buffer(device);
  if (commands && device->functions.vkCmdDrawMeshTasksNV)
    device->functions.vkCmdDrawMeshTasksNV(commands, task_count, first_task);
}
