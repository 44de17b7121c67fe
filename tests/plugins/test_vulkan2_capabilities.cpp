// Capability queries by name of the Vulkan2 plug-in, against what the
// system's loader (lavapipe under Wine) answers itself.
#include "vk_plugin.h"

#include <string>

#include "window_fixtures.h"

namespace {

TEST_F(LavapipeTest, CapabilitiesByNameAgreeWithTheLoader) {
  const VkPhysicalDeviceFeatures& features = live_device().features;
  const VkPhysicalDeviceLimits& limits = live_device().props.limits;
  const struct {
    const char* name;
    unsigned want;
  } features_and_limits[] = {
      {"robustBufferAccess", features.robustBufferAccess},
      {"geometryShader", features.geometryShader},
      {"shaderFloat64", features.shaderFloat64},
      {"inheritedQueries", features.inheritedQueries},
  };
  for (const auto& f : features_and_limits) EXPECT_EQ(renderer->gpu_get_feature_value(gpu, f.name), f.want) << f.name;
  const struct {
    const char* name;
    unsigned want;
  } u32[] = {{"maxImageDimension2D", limits.maxImageDimension2D},
             {"maxComputeSharedMemorySize", limits.maxComputeSharedMemorySize},
             {"minMemoryMapAlignment", static_cast<unsigned>(limits.minMemoryMapAlignment)},
             {"discreteQueuePriorities", limits.discreteQueuePriorities}};
  for (const auto& l : u32) EXPECT_EQ(renderer->gpu_get_limit_value(gpu, l.name), l.want) << l.name;
  EXPECT_EQ(renderer->gpu_get_limit_value_float(gpu, "maxSamplerAnisotropy"), limits.maxSamplerAnisotropy);
  EXPECT_EQ(renderer->gpu_get_limit_value_float(gpu, "timestampPeriod"), limits.timestampPeriod);
  unsigned three[3] = {0, 0, 0};
  ASSERT_TRUE(renderer->gpu_get_limit_value_3i(gpu, "maxComputeWorkGroupSize", three));
  for (int i = 0; i < 3; ++i) EXPECT_EQ(three[i], limits.maxComputeWorkGroupSize[i]);
  unsigned two[3] = {0, 0, 77};
  ASSERT_TRUE(renderer->gpu_get_limit_value_3i(gpu, "maxViewportDimensions", two));
  EXPECT_EQ(two[0], limits.maxViewportDimensions[0]);
  EXPECT_EQ(two[1], limits.maxViewportDimensions[1]);
  EXPECT_EQ(two[2], 77u) << "the third value stays";
  float range[2] = {0, 0};
  ASSERT_TRUE(renderer->gpu_get_limit_range(gpu, "pointSizeRange", range));
  EXPECT_EQ(range[0], limits.pointSizeRange[0]);
  EXPECT_EQ(range[1], limits.pointSizeRange[1]);

  // Extension properties are read when the device is made.
  ASSERT_TRUE(renderer->gpu_initialize(gpu, nullptr));
  const VkPhysicalDeviceDriverProperties& driver = live_device().driver;
  char text[256];
  unsigned value = 0;
  ASSERT_TRUE(renderer->gpu_get_driver_property(gpu, "driverName", &value, text));
  EXPECT_STREQ(text, driver.driverName);
  ASSERT_TRUE(renderer->gpu_get_driver_property_2(gpu, "driverID", &value, text));
  EXPECT_EQ(value, static_cast<unsigned>(driver.driverID));
  ASSERT_TRUE(renderer->gpu_get_driver_property(gpu, "conformanceVersion.major", &value, text));
  EXPECT_EQ(value, driver.conformanceVersion.major);
  ASSERT_TRUE(renderer->gpu_get_driver_property_2(gpu, "conformanceVersion_minor", &value, text));
  EXPECT_EQ(value, driver.conformanceVersion.minor);
  EXPECT_TRUE(renderer->gpu_cleanup(gpu, nullptr));
}

TEST_F(LavapipeTest, NamesMatchExactlyAndInTheirOwnQueryOnly) {
  unsigned spare[3] = {0, 0, 0};
  const struct {
    const char* what;
    bool answered;
  } cases[] = {
      {"feature in another case", renderer->gpu_get_feature_value(gpu, "RobustBufferAccess") != 0 ||
                                      renderer->gpu_get_feature_value(gpu, "robustBufferAccess ") != 0 ||
                                      renderer->gpu_get_feature_value(gpu, "") != 0},
      {"shaderInt64 is not listed", renderer->gpu_get_feature_value(gpu, "shaderInt64") != 0},
      {"64-bit limit", renderer->gpu_get_limit_value(gpu, "bufferImageGranularity") != 0},
      {"float limit through the triples", renderer->gpu_get_limit_value_3i(gpu, "maxSamplerAnisotropy", spare)},
      {"null GPU", renderer->gpu_get_limit_value(nullptr, "maxImageDimension2D") != 0},
      {"null name", renderer->gpu_get_limit_value(gpu, nullptr) != 0},
  };
  for (const auto& c : cases) EXPECT_FALSE(c.answered) << c.what;
  unsigned values[3] = {1, 2, 3};
  EXPECT_FALSE(renderer->gpu_get_limit_value_3i(gpu, "bufferImageGranularity", values));
  EXPECT_FALSE(renderer->gpu_get_limit_range(gpu, "bufferImageGranularity", reinterpret_cast<float*>(values)));
  EXPECT_EQ(values[0], 1u);

  // Before the device: zero-filled extension blocks with their normal answers.
  unsigned value = 5;
  char text[255];
  EXPECT_TRUE(renderer->gpu_get_pci_bus_info(gpu, "pciBus", &value));
  EXPECT_EQ(value, 0u);
  EXPECT_TRUE(renderer->gpu_get_driver_property(gpu, "driverID", &value, text));
  EXPECT_STREQ(text, "VK_DRIVER_ID_NULL");
  EXPECT_FALSE(renderer->gpu_get_driver_property(gpu, "conformanceVersion_major", &value, text));
  EXPECT_FALSE(renderer->gpu_get_driver_property_2(gpu, "conformanceVersion.major", &value, text));
  EXPECT_FALSE(renderer->gpu_get_driver_property_2(gpu, "driverName", &value, nullptr)) << "no text buffer";
  EXPECT_TRUE(renderer->gpu_get_driver_property_2(gpu, "driverID_str", &value, text));
  EXPECT_STREQ(text, "VK_DRIVER_ID_NULL");
  EXPECT_FALSE(renderer->gpu_get_shader_core_property(gpu, "wavefrontSize", &value));
  EXPECT_TRUE(renderer->gpu_get_shader_core_property_2(gpu, "wavefrontSize", &value));
  value = 9;
  EXPECT_TRUE(renderer->gpu_get_shader_core_property_2(gpu, "noSuchMember", &value));
  EXPECT_TRUE(renderer->gpu_get_nv_raytracing_property(gpu, "noSuchMember", &value));
  EXPECT_EQ(value, 9u) << "an unlisted name writes nothing";
  unsigned x = 1, y = 2, z = 3;
  EXPECT_TRUE(renderer->gpu_get_mesh_shader_property(gpu, "maxDrawMeshTasksCount", &x, &y, &z));
  EXPECT_EQ(x, 0u);
  EXPECT_EQ(y, 2u) << "a scalar writes x only";
  EXPECT_TRUE(renderer->gpu_get_mesh_shader_property(gpu, "maxMeshWorkGroupSize", &x, &y, &z));
  EXPECT_EQ(y + z, 0u);
}

TEST_F(LavapipeTest, RecordlessGpusUnknownDriversAndLongTextsStayInBounds) {
  VkGpuRecord* record = static_cast<VkGpuRecord*>(gpu->renderer_data);
  ASSERT_NE(record, nullptr);
  // A driver id past the name table and a driver name that fills its field.
  record->driver_properties.driverID = static_cast<VkDriverId>(42);
  memset(record->driver_properties.driverName, 'x', sizeof(record->driver_properties.driverName));
  char text[256];
  memset(text, '#', sizeof(text));
  unsigned value = 0;
  ASSERT_TRUE(renderer->gpu_get_driver_property(gpu, "driverID", &value, text));
  EXPECT_STREQ(text, "VK_DRIVER_ID_UNKNOWN");
  ASSERT_TRUE(renderer->gpu_get_driver_property_2(gpu, "driverID_str", &value, text));
  EXPECT_STREQ(text, "VK_DRIVER_ID_UNKNOWN");
  ASSERT_TRUE(renderer->gpu_get_driver_property(gpu, "driverName", &value, text));
  EXPECT_EQ(std::string(text), std::string(254, 'x')) << "cut and terminated";
  EXPECT_EQ(text[255], '#') << "no byte past the 255 of the buffer";

  // A GPU object made by the host has no record: nothing is read.
  tvc::RendererGpu* bare = renderer->gpu_create();
  EXPECT_EQ(renderer->gpu_get_feature_value(bare, "geometryShader"), 0u);
  EXPECT_EQ(renderer->gpu_get_limit_value_float(bare, "maxSamplerAnisotropy"), 0.0f);
  EXPECT_FALSE(renderer->gpu_get_pci_bus_info(bare, "pciBus", &value));
  EXPECT_FALSE(renderer->gpu_get_driver_property_2(bare, "driverID", &value, text));
  EXPECT_FALSE(renderer->gpu_get_shader_core_property_2(bare, "wavefrontSize", &value));
  EXPECT_FALSE(renderer->gpu_get_nv_raytracing_property(nullptr, "maxRecursionDepth", &value)) << "bare is current";
  renderer->gpu_set_current(nullptr);
  EXPECT_FALSE(renderer->gpu_get_nv_raytracing_property(nullptr, "maxRecursionDepth", &value)) << "no current GPU";
  renderer->gpu_set_current(gpu);
  record->nv_raytracing_properties.maxTriangleCount = 0x100000005ull;
  ASSERT_TRUE(renderer->gpu_get_nv_raytracing_property(nullptr, "maxTriangleCount", &value));
  EXPECT_EQ(value, 5u) << "the low 32 bits";
  EXPECT_TRUE(renderer->gpu_kill(bare));
}

}  // namespace
