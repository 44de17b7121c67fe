// Parts of the Vulkan2 renderer checked directly: result names, the
// entry-point loader, GPU objects, clear values and registries.
#include <cstring>
#include <set>
#include <string>

#include "gtest/gtest.h"
#include "vk_plugin.h"

namespace {

TEST(VkResultToString, NamesEveryKnownCodeAndTheUnknown) {
  const struct {
    int code;
    const char* text;
  } cases[] = {
      {0, "VK_SUCCESS (0)"},
      {1, "VK_NOT_READY (1)"},
      {2, "VK_TIMEOUT (2)"},
      {3, "VK_EVENT_SET (3)"},
      {4, "VK_EVENT_RESET (4)"},
      {5, "VK_INCOMPLETE (5)"},
      {-1, "VK_ERROR_OUT_OF_HOST_MEMORY (-1)"},
      {-2, "VK_ERROR_OUT_OF_DEVICE_MEMORY (-2)"},
      {-3, "VK_ERROR_INITIALIZATION_FAILED (-3)"},
      {-4, "VK_ERROR_DEVICE_LOST (-4)"},
      {-5, "VK_ERROR_MEMORY_MAP_FAILED (-5)"},
      {-6, "VK_ERROR_LAYER_NOT_PRESENT (-6)"},
      {-7, "VK_ERROR_EXTENSION_NOT_PRESENT (-7)"},
      {-8, "VK_ERROR_FEATURE_NOT_PRESENT (-8)"},
      {-9, "VK_ERROR_INCOMPATIBLE_DRIVER (-9)"},
      {-10, "VK_ERROR_TOO_MANY_OBJECTS (-10)"},
      {-11, "VK_ERROR_FORMAT_NOT_SUPPORTED (-11)"},
      {-1000000000, "VK_ERROR_SURFACE_LOST_KHR (-1000000000)"},
      {-1000000001, "VK_ERROR_NATIVE_WINDOW_IN_USE_KHR (-1000000001)"},
      {1000001003, "VK_SUBOPTIMAL_KHR (1000001003)"},
      {-1000001004, "VK_ERROR_OUT_OF_DATE_KHR (-1000001004)"},
      {-1000003001, "VK_ERROR_INCOMPATIBLE_DISPLAY_KHR (-1000003001)"},
      {-1000011001, "VK_ERROR_VALIDATION_FAILED_EXT (-1000011001)"},
      {-1000012000, "VK_ERROR_INVALID_SHADER_NV (-1000012000)"},
      {-1000069000, "VK_ERROR_OUT_OF_POOL_MEMORY_KHR (-1000069000)"},
      {-1000158000, "VK_ERROR_INVALID_DRM_FORMAT_MODIFIER_PLANE_LAYOUT_EXT (-1000158000)"},
      {-1000161000, "VK_ERROR_FRAGMENTATION_EXT (-1000161000)"},
      {-1000174001, "VK_ERROR_NOT_PERMITTED_EXT (-1000174001)"},
      {-1000255000, "VK_ERROR_FULL_SCREEN_EXCLUSIVE_MODE_LOST_EXT (-1000255000)"},
      {-1000257000, "VK_ERROR_INVALID_DEVICE_ADDRESS_EXT (-1000257000)"},
      {1000297000, "VK_PIPELINE_COMPILE_REQUIRED_EXT (1000297000)"},
      {-13, "VK_ERROR_UNKNOWN (-13)"},
      {6, "VK_ERROR_UNKNOWN (6)"},
  };
  for (const auto& c : cases) EXPECT_STREQ(vk_result_to_string(static_cast<VkResult>(c.code)), c.text);
}

// ---- entry-point loader, with stand-in Vulkan functions

int g_marker;
VKAPI_ATTR void VKAPI_CALL marker_function() {}
PFN_vkVoidFunction marker() { return reinterpret_cast<PFN_vkVoidFunction>(&marker_function); }

VKAPI_ATTR PFN_vkVoidFunction VKAPI_CALL instance_proc(VkInstance, const char* name) {
  // The instance knows one device-level name and every instance-level one.
  if (strcmp(name, "vkQueueSubmit") == 0) return marker();
  if (strcmp(name, "vkCmdDraw") == 0) return nullptr;
  if (strncmp(name, "vkGetPhysicalDevice", 19) == 0 || strcmp(name, "vkGetDeviceProcAddr") == 0) return marker();
  return nullptr;
}

VKAPI_ATTR PFN_vkVoidFunction VKAPI_CALL device_proc(VkDevice, const char* name) {
  return strcmp(name, "vkCmdDraw") == 0 ? marker() : nullptr;
}

VkInstance fake_instance() { return reinterpret_cast<VkInstance>(&g_marker); }
VkDevice fake_device() { return reinterpret_cast<VkDevice>(&g_marker); }

TEST(EntryPointLoader, DeviceStepFallsBackToTheInstanceAndNeedsADevice) {
  VkFunctionTable table;
  table.vkGetInstanceProcAddr = &instance_proc;
  table.vkGetDeviceProcAddr = &device_proc;
  EXPECT_TRUE(load_device_entry_points(table, fake_instance(), fake_device()));
  EXPECT_EQ(reinterpret_cast<PFN_vkVoidFunction>(table.vkCmdDraw), marker());      // from the device
  EXPECT_EQ(reinterpret_cast<PFN_vkVoidFunction>(table.vkQueueSubmit), marker());  // from the instance
  EXPECT_EQ(table.vkCmdTraceRaysKHR, nullptr);                                      // from nowhere

  EXPECT_TRUE(load_device_entry_points(table, fake_instance(), nullptr));
  EXPECT_EQ(table.vkCmdDraw, nullptr);
  EXPECT_EQ(table.vkQueueSubmit, nullptr);
}

TEST(EntryPointLoader, InstanceStepNeedsAnInstanceAndChoosesTheExtendedQueries) {
  VkFunctionTable table;
  table.vkGetInstanceProcAddr = &instance_proc;
  EXPECT_TRUE(load_instance_entry_points(table, nullptr));
  EXPECT_EQ(table.vkGetPhysicalDeviceProperties, nullptr);

  const struct {
    Properties2Source source;
    bool resolved;
  } cases[] = {{Properties2Source::kCore, true}, {Properties2Source::kKhr, true}, {Properties2Source::kNone, false}};
  for (const auto& c : cases) {
    EXPECT_TRUE(load_instance_entry_points(table, fake_instance(), c.source));
    EXPECT_NE(table.vkGetPhysicalDeviceProperties, nullptr);
    EXPECT_EQ(table.vkGetPhysicalDeviceProperties2 != nullptr, c.resolved);
    EXPECT_EQ(table.vkGetPhysicalDeviceFeatures2 != nullptr, c.resolved);
  }
}

TEST(EntryPointLoader, ResetKeepsTheLibrary) {
  VkFunctionTable table;
  table.library = GetModuleHandleA(nullptr);
  table.vkGetInstanceProcAddr = &instance_proc;
  ASSERT_TRUE(load_instance_entry_points(table, fake_instance()));
  reset_function_table(table);
  EXPECT_EQ(table.library, GetModuleHandleA(nullptr));
  EXPECT_EQ(table.vkGetInstanceProcAddr, nullptr);
  EXPECT_EQ(table.vkGetPhysicalDeviceProperties, nullptr);
  EXPECT_EQ(get_instance_proc(table, fake_instance(), "vkCreateDevice"), nullptr);
}

// ---- the object without Vulkan

TEST(VulkanPLugin, GpuObjectsWithoutRecords) {
  VulkanPLugin plugin;
  tvc::RendererGpu* a = plugin.gpu_create();
  tvc::RendererGpu* b = plugin.gpu_create();
  EXPECT_EQ(plugin.gpu_get_current(), b);
  EXPECT_EQ(plugin.gpu_find(a->id), a);
  EXPECT_STREQ(plugin.gpu_get_name(a), "");
  EXPECT_EQ(plugin.gpu_get_vendor_id(a), 0u);
  int value = 0;
  EXPECT_FALSE(plugin.gpu_get_int_value(a, &value));
  EXPECT_FALSE(plugin.gpu_get_feature_count(a, &value));

  tvc::RendererGpu stranger;
  EXPECT_FALSE(plugin.gpu_kill(&stranger));
  EXPECT_FALSE(plugin.gpu_kill(nullptr));
  EXPECT_TRUE(plugin.gpu_kill(b));
  EXPECT_EQ(plugin.gpu_get_current(), nullptr);
  EXPECT_EQ(plugin.gpu_get_by_index(0), a);
  EXPECT_EQ(plugin.gpu_get_by_index(1), nullptr);
  EXPECT_EQ(plugin.gpu_find(stranger.id), nullptr);
  EXPECT_TRUE(plugin.gpu_killall());
  EXPECT_EQ(plugin.gpu_get_count(), 0);
}

TEST(VulkanPLugin, ClearValues) {
  VulkanPLugin plugin;
  EXPECT_EQ(plugin.clear_values[0].color.float32[3], 1.0f);
  EXPECT_EQ(plugin.clear_values[1].depthStencil.depth, 1.0f);

  plugin.set_clear_stencil(7);
  plugin.set_clear_values_4f(0.1f, 0.2f, 0.3f, 0.4f, 0.5f);
  EXPECT_EQ(plugin.clear_values[1].depthStencil.stencil, 0u);
  EXPECT_EQ(plugin.clear_values[1].depthStencil.depth, 0.5f);
  EXPECT_EQ(plugin.clear_values[0].color.float32[2], 0.3f);

  plugin.set_clear_values_ex(1, 2, 3, 4, 5, 6);
  EXPECT_EQ(plugin.clear_values[0].color.float32[0], 1.0f);
  EXPECT_EQ(plugin.clear_values[1].depthStencil.depth, 5.0f);
  EXPECT_EQ(plugin.clear_values[1].depthStencil.stencil, 6u);

  plugin.set_clear_values(tvc::vec4{9, 8, 7, 6}, 0.25f);
  EXPECT_EQ(plugin.clear_values[0].color.float32[3], 6.0f);
  EXPECT_EQ(plugin.clear_values[1].depthStencil.depth, 0.25f);
  plugin.set_clear_depth(0.75f);
  EXPECT_EQ(plugin.clear_values[1].depthStencil.depth, 0.75f);
  EXPECT_EQ(plugin.clear_values[0].color.float32[0], 9.0f);
}

TEST(VulkanPLugin, InitializeAllWithoutGpus) {
  VulkanPLugin plugin;
  EXPECT_TRUE(plugin.gpu_cleanup_all());
  EXPECT_FALSE(plugin.initialize_all);
  EXPECT_TRUE(plugin.gpu_initialize_all());
  EXPECT_TRUE(plugin.initialize_all);
}

TEST(GpuRegistries, NamesAreUniqueAndPlacedInStructureOrder) {
  VkGpuRecord record;
  record.limits.maxViewportDimensions[0] = 640;
  record.limits.maxViewportDimensions[1] = 480;
  record.limits.minTexelGatherOffset = -32;
  record.features.inheritedQueries = VK_TRUE;
  fill_gpu_registries(&record);

  std::set<std::string> names;
  for (GpuFeatureEntry* e : record.feature_registry) EXPECT_TRUE(names.insert(e->name).second) << e->name;
  names.clear();
  for (GpuLimitEntry* e : record.limit_registry) EXPECT_TRUE(names.insert(e->name).second) << e->name;
  ASSERT_EQ(record.feature_registry.size(), 55u);
  ASSERT_EQ(record.limit_registry.size(), 106u);

  EXPECT_EQ(record.feature_registry.back()->name, "inheritedQueries");
  EXPECT_EQ(record.feature_registry.back()->value, 1);
  const GpuLimitEntry* viewport = record.limit_registry[63];
  EXPECT_EQ(viewport->name, "maxViewportDimensions");
  EXPECT_EQ(viewport->type, LIMIT_U32X2);
  EXPECT_EQ(viewport->u32_values[0], 640u);
  EXPECT_EQ(viewport->u32_values[1], 480u);
  EXPECT_EQ(record.limit_registry.back()->name, "nonCoherentAtomSize");
  EXPECT_EQ(record.limit_registry.back()->type, LIMIT_U64);
  for (const GpuLimitEntry* e : record.limit_registry) {
    if (e->name == "minTexelGatherOffset") {
      EXPECT_EQ(e->type, LIMIT_I32);
      EXPECT_EQ(e->i32_values[0], -32);
    }
    if (e->name == "strictLines" || e->name == "storageImageSampleCounts") {
      EXPECT_EQ(e->type, LIMIT_U32);
    }
    if (e->name == "lineWidthRange") {
      EXPECT_EQ(e->type, LIMIT_FLOAT2);
    }
  }
}

}  // namespace
