#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "LogCapture.h"
#include "app/AppState.h"
#include "app/VulkanInfo.h"

namespace {

// The device's properties and features read directly through Wine's Vulkan
// loader (lavapipe behind it), to hold the collector's copy against.
struct LiveDevice {
  bool ok = false;
  VkPhysicalDeviceProperties props;
  VkPhysicalDeviceFeatures features;
};

template <typename Fn>
Fn vkExport(HMODULE library, const char* name) {
  FARPROC proc = GetProcAddress(library, name);
  Fn fn;
  memcpy(&fn, &proc, sizeof(fn));
  return fn;
}

LiveDevice readLive() {
  LiveDevice live;
  memset(&live.props, 0, sizeof(live.props));
  memset(&live.features, 0, sizeof(live.features));
  HMODULE l = LoadLibraryA("vulkan-1.dll");
  if (!l) return live;
  auto create = vkExport<PFN_vkCreateInstance>(l, "vkCreateInstance");
  auto destroy = vkExport<PFN_vkDestroyInstance>(l, "vkDestroyInstance");
  auto enumerate = vkExport<PFN_vkEnumeratePhysicalDevices>(l, "vkEnumeratePhysicalDevices");
  auto props = vkExport<PFN_vkGetPhysicalDeviceProperties>(l, "vkGetPhysicalDeviceProperties");
  auto features = vkExport<PFN_vkGetPhysicalDeviceFeatures>(l, "vkGetPhysicalDeviceFeatures");
  VkInstanceCreateInfo info = {};
  info.sType = VK_STRUCTURE_TYPE_INSTANCE_CREATE_INFO;
  VkInstance instance = VK_NULL_HANDLE;
  if (create && create(&info, nullptr, &instance) == VK_SUCCESS) {
    uint32_t n = 1;
    VkPhysicalDevice pd = VK_NULL_HANDLE;
    VkResult r = enumerate(instance, &n, &pd);
    if ((r == VK_SUCCESS || r == VK_INCOMPLETE) && pd) {
      props(pd, &live.props);
      features(pd, &live.features);
      live.ok = true;
    }
    destroy(instance, nullptr);
  }
  FreeLibrary(l);
  return live;
}

class VulkanLive : public ::testing::Test {
 protected:
  void SetUp() override { ShutdownVulkanInfo(); }
  void TearDown() override {
    ShutdownVulkanInfo();
    g_app.readVkDriverProperties = false;
  }
  std::vector<std::string> detect(bool* ok) {
    return CaptureLog([ok] { *ok = DetectVulkan(); });
  }
};

TEST_F(VulkanLive, LavapipeDeviceReadAndLoaderUnloaded) {
  bool ok = false;
  std::vector<std::string> log = detect(&ok);
  ASSERT_TRUE(ok);
  EXPECT_TRUE(IsVulkanInfoReady());
  EXPECT_TRUE(HasLine(log, "Vulkan - # devices: 1"));
  EXPECT_TRUE(HasLine(log, "Vulkan -   device type: VK_PHYSICAL_DEVICE_TYPE_CPU"));
  EXPECT_TRUE(HasLine(log, "Vulkan - [ Device 0 ]--------------------------------------"));
  EXPECT_TRUE(HasLineStartingWith(log, "Vulkan - instance extensions: "));
  ASSERT_EQ(1, GetVulkanDeviceCount());
  ASSERT_NE(nullptr, GetVulkanDeviceName(0));
  EXPECT_NE(std::string::npos, std::string(GetVulkanDeviceName(0)).find("llvmpipe"));
  EXPECT_EQ(nullptr, GetModuleHandleA("vulkan-1.dll"));
  EXPECT_EQ(nullptr, GetVulkanInfo().library);
  EXPECT_EQ(VK_NULL_HANDLE, GetVulkanInfo().instance);

  const VulkanPhysicalDeviceInfo& dev = *GetVulkanInfo().devices[0];
  int major = -1, minor = -1;
  EXPECT_TRUE(GetVulkanDeviceApiVersion(0, &major, &minor, nullptr));
  EXPECT_EQ(1, major);
  char version[32];
  snprintf(version, sizeof(version), "%d.%d.%d", dev.apiVersionMajor, dev.apiVersionMinor, dev.apiVersionPatch);
  EXPECT_STREQ(version, GetVulkanDeviceApiVersionString(0));
  EXPECT_FALSE(dev.memoryHeaps.empty());
  ASSERT_FALSE(dev.memoryTypes.empty());
  EXPECT_FALSE(dev.memoryTypes[0].flagNames.empty());
  EXPECT_TRUE(VulkanDeviceHasExtension(&dev, "VK_KHR_driver_properties"));
  EXPECT_FALSE(VulkanDeviceHasExtension(&dev, "VK_KHR_driver_propertie"));
  // Driver properties stay unread on this vendor without the switch.
  EXPECT_FALSE(dev.block.driverPropertiesRead);
  EXPECT_TRUE(HasLine(log, "Vulkan - try quorvel.exe /read_vk_khr_driver_properties"));

  // Out of range.
  EXPECT_EQ(nullptr, GetVulkanDeviceName(1));
  EXPECT_EQ(nullptr, GetVulkanDeviceApiVersionString(-1));
  EXPECT_EQ(0u, GetVulkanDeviceVendorId(1));
  EXPECT_FALSE(GetVulkanDeviceApiVersion(1, &major, nullptr, nullptr));
}

TEST_F(VulkanLive, SecondDetectionReadsNothingAgainAndShutdownClears) {
  bool ok = false;
  detect(&ok);
  ASSERT_TRUE(ok);
  size_t extensions = GetVulkanInfo().instanceExtensions.size();
  std::vector<std::string> again = detect(&ok);
  EXPECT_TRUE(ok);
  EXPECT_TRUE(again.empty());
  EXPECT_EQ(1, GetVulkanDeviceCount());
  EXPECT_EQ(extensions, GetVulkanInfo().instanceExtensions.size());

  EXPECT_TRUE(ShutdownVulkanInfo());
  EXPECT_FALSE(IsVulkanInfoReady());
  EXPECT_EQ(0, GetVulkanDeviceCount());
  EXPECT_TRUE(GetVulkanInfo().instanceExtensions.empty());
  EXPECT_TRUE(ShutdownVulkanInfo());
  detect(&ok);
  EXPECT_EQ(1, GetVulkanDeviceCount());
}

TEST_F(VulkanLive, DriverPropertiesWithTheirSwitch) {
  g_app.readVkDriverProperties = true;
  bool ok = false;
  std::vector<std::string> log = detect(&ok);
  ASSERT_TRUE(ok);
  const VulkanPhysicalDeviceInfo& dev = *GetVulkanInfo().devices[0];
  ASSERT_TRUE(dev.block.driverPropertiesRead);
  EXPECT_EQ(VK_DRIVER_ID_MESA_LLVMPIPE, dev.block.driverProperties.driverID);
  EXPECT_TRUE(HasLine(log, "Vulkan - VK_KHR_driver_properties:"));
  EXPECT_TRUE(HasLine(log, "       - driver ID: VK_DRIVER_ID_MESA_LLVMPIPE (13)"));
  EXPECT_TRUE(HasLineStartingWith(log, "       - driver name: llvmpipe"));
}

// The tables' rows give the values the loader gives for the same members.
TEST_F(VulkanLive, FeatureAndLimitTablesHoldTheDeviceValues) {
  bool ok = false;
  detect(&ok);
  ASSERT_TRUE(ok);
  LiveDevice live = readLive();
  ASSERT_TRUE(live.ok);
  const VulkanDeviceBlock& block = GetVulkanInfo().devices[0]->block;
  const VkPhysicalDeviceLimits& l = live.props.limits;

  char expected[256];
  char got[256];
  struct Sample {
    const char* name;
    std::string line;
  };
#define line(...) (snprintf(expected, sizeof(expected), __VA_ARGS__), std::string(expected))
  const Sample samples[] = {
      {"maxImageDimension2D", line(" maxImageDimension2D: %u", l.maxImageDimension2D)},
      {"maxComputeSharedMemorySize", line(" maxComputeSharedMemorySize: %u", l.maxComputeSharedMemorySize)},
      {"bufferImageGranularity",
       line(" bufferImageGranularity: %llu", static_cast<unsigned long long>(l.bufferImageGranularity))},
      {"minMemoryMapAlignment",
       line(" minMemoryMapAlignment: %llu", static_cast<unsigned long long>(l.minMemoryMapAlignment))},
      {"minTexelOffset", line(" minTexelOffset: %d", l.minTexelOffset)},
      {"maxComputeWorkGroupSize",
       line(" maxComputeWorkGroupSize: <%u; %u; %u>", l.maxComputeWorkGroupSize[0],
            l.maxComputeWorkGroupSize[1], l.maxComputeWorkGroupSize[2])},
      {"maxViewportDimensions",
       line(" maxViewportDimensions: <%u; %u>", l.maxViewportDimensions[0], l.maxViewportDimensions[1])},
      {"pointSizeRange", line(" pointSizeRange: <%f ; %f>", static_cast<double>(l.pointSizeRange[0]),
                              static_cast<double>(l.pointSizeRange[1]))},
      {"timestampPeriod", line(" timestampPeriod: %f", static_cast<double>(l.timestampPeriod))},
      {"framebufferColorSampleCounts",
       line(" framebufferColorSampleCounts: %u", l.framebufferColorSampleCounts)},
      {"nonCoherentAtomSize",
       line(" nonCoherentAtomSize: %llu", static_cast<unsigned long long>(l.nonCoherentAtomSize))},
  };
#undef line
  for (const Sample& s : samples) {
    const VkLimitRow* row = FindVkLimitRow(s.name);
    ASSERT_NE(nullptr, row) << s.name;
    FormatVkLimitRow(got, sizeof(got), block.limits, *row);
    EXPECT_EQ(s.line, got);
  }
  EXPECT_EQ(nullptr, FindVkLimitRow("noSuchLimit"));
  EXPECT_LT(l.minTexelOffset, 0);  // the signed row really is signed

  // Every row of the table, from the copy and from the live values.
  for (size_t k = 0; k < kVkLimitRowCount; ++k) {
    FormatVkLimitRow(got, sizeof(got), block.limits, kVkLimitRows[k]);
    FormatVkLimitRow(expected, sizeof(expected), l, kVkLimitRows[k]);
    EXPECT_STREQ(expected, got);
  }

  const struct {
    const char* name;
    VkBool32 value;
  } features[] = {{"robustBufferAccess", live.features.robustBufferAccess},
                  {"geometryShader", live.features.geometryShader},
                  {"tessellationShader", live.features.tessellationShader},
                  {"shaderFloat64", live.features.shaderFloat64},
                  {"sparseBinding", live.features.sparseBinding},
                  {"inheritedQueries", live.features.inheritedQueries}};
  for (const auto& f : features) {
    const VkBoolRow* row = nullptr;
    for (size_t k = 0; k < kVkFeatureRowCount; ++k)
      if (strcmp(kVkFeatureRows[k].name, f.name) == 0) row = &kVkFeatureRows[k];
    ASSERT_NE(nullptr, row) << f.name;
    EXPECT_EQ(f.value, VkFeatureValue(block.features, *row)) << f.name;
  }
  EXPECT_EQ(0, memcmp(&live.features, &block.features, sizeof(block.features)));
  EXPECT_EQ(live.props.sparseProperties.residencyStandard2DBlockShape,
            VkSparseValue(block.sparseProperties, kVkSparseRows[0]));
}

TEST(VulkanNames, DriverIdsAndDeviceTypes) {
  const struct {
    int id;
    const char* name;
  } ids[] = {{0, "VK_DRIVER_ID_NULL"},
             {4, "VK_DRIVER_ID_NVIDIA_PROPRIETARY_KHR"},
             {9, "VK_DRIVER_ID_ARM_PROPRIETARY_KHR"},
             {13, "VK_DRIVER_ID_MESA_LLVMPIPE"},
             {25, "VK_DRIVER_ID_IMAGINATION_OPEN_SOURCE_MESA"},
             {26, "VK_DRIVER_ID_UNKNOWN"},
             {-1, "VK_DRIVER_ID_UNKNOWN"},
             {0x7FFFFFFF, "VK_DRIVER_ID_UNKNOWN"}};
  for (const auto& i : ids) EXPECT_STREQ(i.name, VulkanDriverIdName(i.id)) << i.id;
  EXPECT_STREQ("VK_PHYSICAL_DEVICE_TYPE_DISCRETE_GPU", VulkanDeviceTypeName(2));
  EXPECT_STREQ("VK_PHYSICAL_DEVICE_TYPE_CPU", VulkanDeviceTypeName(4));
  EXPECT_STREQ("VK_PHYSICAL_DEVICE_TYPE_UNKNOWN", VulkanDeviceTypeName(5));
}

TEST(VulkanNames, MemoryFlagNames) {
  VkMemoryTypeRecord r{};
  r.heapIndex = 1;
  EXPECT_TRUE(r.FormatVulkanMemoryFlags(1, "VK_MEMORY_PROPERTY_DEVICE_LOCAL_BIT"));
  EXPECT_FALSE(r.FormatVulkanMemoryFlags(1, "VK_MEMORY_PROPERTY_DEVICE_LOCAL_BIT"));
  EXPECT_FALSE(r.FormatVulkanMemoryFlags(0, "VK_MEMORY_PROPERTY_HOST_VISIBLE_BIT"));
  EXPECT_FALSE(r.FormatVulkanMemoryFlags(1, ""));
  EXPECT_FALSE(r.FormatVulkanMemoryFlags(1, nullptr));
  EXPECT_EQ(std::vector<std::string>{"VK_MEMORY_PROPERTY_DEVICE_LOCAL_BIT"}, r.flagNames);
}

TEST(VulkanNames, LimitLinesAreBounded) {
  char small[12];
  const uint32_t three[3] = {1, 2, 3};
  FormatVkLimitUint3(small, sizeof(small), "maxComputeWorkGroupCount", three);
  EXPECT_STREQ(" maxCompute", small);
  char buf[64];
  const float two[2] = {1.0f, 64.0f};
  FormatVkLimitFloat2(buf, sizeof(buf), "lineWidthRange", two);
  EXPECT_STREQ(" lineWidthRange: <1.000000 ; 64.000000>", buf);
  FormatVkLimitUint64(buf, sizeof(buf), "sparseAddressSpaceSize", 0xFFFFFFFFFFFFFFFFull);
  EXPECT_STREQ(" sparseAddressSpaceSize: 18446744073709551615", buf);
}

}  // namespace
