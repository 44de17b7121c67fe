// The Vulkan2 plug-in through its exports and the renderer interface, on the
// system's Vulkan loader (lavapipe under Wine) and without Vulkan at all.
#define VK_NO_PROTOTYPES
#include <vulkan/vulkan.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <regex>

#include "fixed_answers.h"
#include "window_fixtures.h"

namespace {

TEST_F(LavapipeTest, ListsTheDeviceAsOneCurrentGpu) {
  const VkPhysicalDeviceProperties& live = live_device().props;
  EXPECT_EQ(renderer->gpu_get_count(), 1);
  EXPECT_EQ(renderer->gpu_get_by_index(1), nullptr);
  EXPECT_EQ(renderer->gpu_get_current(), gpu);
  EXPECT_EQ(gpu->gpu_index, 0);
  std::string name = renderer->gpu_get_name(gpu);
  EXPECT_NE(name.find("llvmpipe"), std::string::npos) << name;
  EXPECT_EQ(name, live.deviceName);
  EXPECT_STREQ(renderer->gpu_get_name(nullptr), "");
  EXPECT_EQ(renderer->gpu_get_vendor_id(gpu), live.vendorID);
  EXPECT_EQ(renderer->gpu_get_device_id(gpu), live.deviceID);
  EXPECT_EQ(renderer->gpu_find(gpu->id), gpu);
  int type = -1;
  EXPECT_TRUE(renderer->gpu_get_int_value(gpu, &type));
  EXPECT_EQ(type, static_cast<int>(live.deviceType));
}

TEST_F(LavapipeTest, AnswersTheBridgeQuestions) {
  const VkPhysicalDeviceProperties& live = live_device().props;
  EXPECT_STREQ(renderer->get_renderer_model(), renderer->gpu_get_name(gpu));
  EXPECT_EQ(live.vendorID, 0x10005u);
  EXPECT_STREQ(renderer->get_renderer_vendor(), "");
  std::string version = renderer->get_renderer_version();
  EXPECT_TRUE(std::regex_match(version, std::regex("[0-9]+\\.[0-9]+\\.[0-9]+"))) << version;
  char expected[64];
  snprintf(expected, sizeof(expected), "%u.%u.%u", live.apiVersion >> 22, (live.apiVersion >> 12) & 0x3FF,
           live.apiVersion & 0xFFF);
  EXPECT_EQ(version, expected);
  int raw = 0, major = -1, minor = -1, patch = -1;
  EXPECT_TRUE(renderer->get_gpu_api_version(0, 0, &raw, &major, &minor, &patch));
  EXPECT_EQ(static_cast<uint32_t>(raw), live.apiVersion);
  EXPECT_EQ(major, static_cast<int>(live.apiVersion >> 22));
  EXPECT_FALSE(renderer->get_gpu_api_version(0, 1, &raw, nullptr, nullptr, nullptr));
  EXPECT_STREQ(renderer->get_gpu_name(0, 0), renderer->gpu_get_name(gpu));
  EXPECT_EQ(renderer->get_gpu_name(0, 1), nullptr);
  EXPECT_EQ(renderer->get_gpu_count(0), 1);
}

TEST_F(LavapipeTest, WritesThePhysicalDeviceReport) {
  const VkPhysicalDeviceProperties& live = live_device().props;
  char line[160];
  EXPECT_TRUE(log.has("instance version: 4194304 (Vulkan 1.0)"));
  EXPECT_EQ(log.level_of("Vulkan instance created ok. Entry points initialized ok."), tvc::LogMgr::kDebug);
  EXPECT_TRUE(log.has("# Vulkan devices: 1"));
  EXPECT_TRUE(log.has("[ GPU 0 ]--------------------------------------"));
  std::string pointer = log.starting_with("- physical device pointer: 0x");
  EXPECT_TRUE(std::regex_match(pointer, std::regex("- physical device pointer: 0x *[0-9A-F]+"))) << pointer;
  snprintf(line, sizeof(line), "- GPU name: %s", live.deviceName);
  EXPECT_TRUE(log.has(line));
  snprintf(line, sizeof(line), "- DeviceID: %4X-%4X", live.vendorID, live.deviceID);
  EXPECT_TRUE(log.has(line));
  snprintf(line, sizeof(line), "- Vulkan API version: %s", renderer->get_renderer_version());
  EXPECT_TRUE(log.has(line));
  EXPECT_TRUE(log.has("- Device type: VK_PHYSICAL_DEVICE_TYPE_CPU"));
  snprintf(line, sizeof(line), "- Raw driver version: %u", live.driverVersion);
  EXPECT_TRUE(log.has(line));
  EXPECT_TRUE(log.has("- Memory heap count: 1") || log.has("- Memory heap count: 2"));
  std::string extensions = log.starting_with("- Device extensions: ");
  ASSERT_FALSE(extensions.empty());
  EXPECT_EQ(extensions, "- Device extensions: " + std::to_string(renderer->get_device_extension_count(0, 0)));
  EXPECT_FALSE(
      log.starting_with(std::string("\t\t1/ ") + renderer->get_device_extension_name(0, 0, 0) + " (spec version: ")
          .empty());
  EXPECT_EQ(log.starting_with("- NVIDIA driver version"), "");
}

TEST_F(LavapipeTest, FeatureRegistryMatchesTheLoader) {
  const VkPhysicalDeviceFeatures& live = live_device().features;
  const struct {
    const char* name;
    VkBool32 value;
  } samples[] = {{"robustBufferAccess", live.robustBufferAccess},
                 {"geometryShader", live.geometryShader},
                 {"samplerAnisotropy", live.samplerAnisotropy},
                 {"shaderFloat64", live.shaderFloat64},
                 {"sparseBinding", live.sparseBinding},
                 {"inheritedQueries", live.inheritedQueries}};
  for (const auto& s : samples) {
    SCOPED_TRACE(s.name);
    unsigned index = 999;
    int value = -1;
    char name[128];
    ASSERT_TRUE(renderer->gpu_get_feature_index(gpu, s.name, &index));
    ASSERT_TRUE(renderer->gpu_get_feature_by_index(gpu, index, &value));
    EXPECT_EQ(value, static_cast<int>(s.value));
    ASSERT_TRUE(renderer->gpu_get_feature_name(gpu, index, name));
    EXPECT_STREQ(name, s.name);
  }
  int count = 0;
  EXPECT_TRUE(renderer->gpu_get_feature_count(gpu, &count));
  EXPECT_EQ(count, 55);
  int value = 0;
  EXPECT_FALSE(renderer->gpu_get_feature_by_index(gpu, 55, &value));
}

TEST_F(LavapipeTest, LimitRegistryMatchesTheLoader) {
  const VkPhysicalDeviceLimits& live = live_device().props.limits;
  auto index_of = [&](const char* name) {
    unsigned index = 999;
    EXPECT_TRUE(renderer->gpu_get_limit_index(gpu, name, &index)) << name;
    return index;
  };
  auto type_of = [&](unsigned index) {
    int type = -1;
    EXPECT_TRUE(renderer->gpu_get_limit_type(gpu, index, &type));
    return type;
  };
  unsigned u[3];
  int i[3];
  float f[3];
  uint64_t w[3];

  unsigned k = index_of("maxImageDimension2D");
  EXPECT_EQ(type_of(k), 0);
  ASSERT_TRUE(renderer->gpu_get_limit_values_u(gpu, k, &u[0], &u[1], &u[2]));
  EXPECT_EQ(u[0], live.maxImageDimension2D);

  k = index_of("minTexelOffset");
  EXPECT_EQ(type_of(k), 1);
  ASSERT_TRUE(renderer->gpu_get_limit_values_i(gpu, k, &i[0], &i[1], &i[2]));
  EXPECT_EQ(i[0], live.minTexelOffset);
  ASSERT_TRUE(renderer->gpu_get_limit_values_u(gpu, k, &u[0], &u[1], &u[2]));
  EXPECT_EQ(u[0] | u[1] | u[2], 0u);

  k = index_of("minMemoryMapAlignment");
  EXPECT_EQ(type_of(k), 2);
  ASSERT_TRUE(renderer->gpu_get_limit_values_u64(gpu, k, &w[0], nullptr, nullptr));
  EXPECT_EQ(w[0], static_cast<uint64_t>(live.minMemoryMapAlignment));

  k = index_of("timestampPeriod");
  EXPECT_EQ(type_of(k), 3);
  ASSERT_TRUE(renderer->gpu_get_limit_values_f(gpu, k, &f[0], &f[1], &f[2]));
  EXPECT_EQ(f[0], live.timestampPeriod);

  k = index_of("maxComputeWorkGroupSize");
  EXPECT_EQ(type_of(k), 4);
  ASSERT_TRUE(renderer->gpu_get_limit_values_u(gpu, k, &u[0], &u[1], &u[2]));
  EXPECT_EQ(u[2], live.maxComputeWorkGroupSize[2]);
  EXPECT_EQ(u[0], live.maxComputeWorkGroupSize[0]);

  k = index_of("maxViewportDimensions");
  EXPECT_EQ(k, 63u);
  EXPECT_EQ(type_of(k), 5);
  ASSERT_TRUE(renderer->gpu_get_limit_values_u(gpu, k, &u[0], &u[1], &u[2]));
  EXPECT_EQ(u[0], live.maxViewportDimensions[0]);
  EXPECT_EQ(u[1], live.maxViewportDimensions[1]);
  EXPECT_EQ(u[2], 0u);

  k = index_of("pointSizeRange");
  EXPECT_EQ(type_of(k), 6);
  ASSERT_TRUE(renderer->gpu_get_limit_values_f(gpu, k, &f[0], &f[1], nullptr));
  EXPECT_EQ(f[0], live.pointSizeRange[0]);
  EXPECT_EQ(f[1], live.pointSizeRange[1]);

  EXPECT_EQ(index_of("maxPerStageDescriptorUniformBuffers"), 15u);
  unsigned unused = 0;
  EXPECT_FALSE(renderer->gpu_get_limit_index(gpu, "maxperstagedescriptorsamplers", &unused));
  EXPECT_FALSE(renderer->gpu_get_limit_index(gpu, nullptr, &unused));
  int count = 0;
  EXPECT_TRUE(renderer->gpu_get_limit_count(gpu, &count));
  EXPECT_EQ(count, 106);
  char name[128];
  EXPECT_FALSE(renderer->gpu_get_limit_name(gpu, 106, name));
  EXPECT_FALSE(renderer->gpu_get_limit_name(gpu, 0, nullptr));
  EXPECT_FALSE(renderer->gpu_get_limit_count(nullptr, &count));
}

TEST_F(LavapipeTest, TerminateReleasesGpusAndInitializeStartsAfresh) {
  EXPECT_TRUE(renderer->initialize());  // already initialised: nothing happens
  EXPECT_EQ(renderer->gpu_get_count(), 1);
  EXPECT_TRUE(renderer->terminate());
  EXPECT_EQ(renderer->gpu_get_count(), 0);
  EXPECT_EQ(renderer->gpu_get_current(), nullptr);
  EXPECT_STREQ(renderer->get_renderer_model(), "");
  EXPECT_EQ(renderer->get_gpu_count(0), 0);
  EXPECT_TRUE(log.has("Vulkan instance cleaned up."));
  EXPECT_TRUE(renderer->terminate());

  ASSERT_TRUE(renderer->initialize());
  EXPECT_EQ(renderer->gpu_get_count(), 1);
  tvc::RendererGpu* again = renderer->gpu_get_by_index(0);
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(renderer->gpu_get_current(), again);
  EXPECT_STREQ(renderer->gpu_get_name(again), live_device().props.deviceName);
}

// ---- identity and fixed answers, no Vulkan needed

TEST_F(RendererTest, IdentityAfterCreation) {
  EXPECT_STREQ(renderer->get_name(), "Vulkan2");
  EXPECT_STREQ(renderer->get_description(), "Vulkan renderer plugin (Windows, Linux)");
  EXPECT_STREQ(renderer->get_api_name(), "Vulkan");
  EXPECT_EQ(renderer->get_api_type(), 5);
  EXPECT_EQ(renderer->get_type(), 1);
  int major = -1, minor = -1, patch = -1;
  renderer->get_version(&major, &minor, &patch);
  EXPECT_EQ(major * 100 + minor * 10 + patch, 10);
  EXPECT_TRUE(std::regex_match(
      renderer->get_build_info(),
      std::regex("BUILD_DATE: \\[[A-Z][a-z]{2} [ 0-9][0-9] [0-9]{4}\\] - BUILD_TIME: \\[[0-9]{2}:[0-9]{2}:[0-9]{2}\\]")))
      << renderer->get_build_info();
  EXPECT_STREQ(renderer->get_renderer_model(), "");
  EXPECT_STREQ(renderer->get_renderer_vendor(), "");
  EXPECT_STREQ(renderer->get_renderer_version(), "");
  EXPECT_STREQ(renderer->get_renderer_info_text(), "");
  EXPECT_EQ(renderer->get_gpu_count(0), 0);
  EXPECT_EQ(renderer->get_instance_extension_name(0, 0), nullptr);
}

TEST(PluginExports, DestroyOfNullReportsZero) {
  ASSERT_TRUE(PluginLibrary::get().loaded());
  EXPECT_EQ(PluginLibrary::get().destroy(nullptr), 0);
}

TEST_F(RendererTest, EveryFixedAnswerSlotGivesItsAnswer) {
  fixed_answers::expect_fixed_answers(renderer, false);
}

}  // namespace
