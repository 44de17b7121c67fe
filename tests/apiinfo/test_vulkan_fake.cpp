#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "LogCapture.h"
#include "app/AppState.h"
#include "app/VulkanInfo.h"

namespace {

std::string fakePath() { return ProgramFolder() + "fakevkinfo\\qv_fake_vulkan.dll"; }
HMODULE loadFake() { return LoadLibraryA(fakePath().c_str()); }

std::string envText(const char* name) {
  char text[1024] = {};
  DWORD n = GetEnvironmentVariableA(name, text, sizeof(text));
  return n < sizeof(text) ? std::string(text) : std::string();
}

// The collector over the stand-in loader; each test picks its scenario.
class VulkanFake : public ::testing::Test {
 protected:
  void SetUp() override {
    ShutdownVulkanInfo();
    SetVulkanLibraryLoader(loadFake);
    SetEnvironmentVariableA("QV_FAKE_VK_DEVICE_EXTENSIONS", nullptr);
    SetEnvironmentVariableA("QV_FAKE_VK_INSTANCE_EXTENSIONS", nullptr);
  }
  void TearDown() override {
    ShutdownVulkanInfo();
    SetVulkanLibraryLoader(nullptr);
    SetEnvironmentVariableA("QV_FAKE_VK_SCENARIO", nullptr);
  }
  static std::vector<std::string> detect(const char* scenario, bool* ok) {
    SetEnvironmentVariableA("QV_FAKE_VK_SCENARIO", scenario);
    return CaptureLog([ok] { *ok = DetectVulkan(); });
  }
};

TEST_F(VulkanFake, FailedInstanceCreationCleansUp) {
  const struct {
    const char* scenario;
    const char* line;
  } cases[] = {
      {"incompatible", "Vulkan - instance creation failed (code: VK_ERROR_INCOMPATIBLE_DRIVER)"},
      {"init_failed", "Vulkan - instance creation failed (code: VK_ERROR_INITIALIZATION_FAILED)"},
      {"other_error", "Vulkan - instance creation failed: unknown error (code: -2)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.scenario);
    bool ok = true;
    std::vector<std::string> log = detect(c.scenario, &ok);
    EXPECT_FALSE(ok);
    EXPECT_TRUE(HasLine(log, c.line));
    EXPECT_FALSE(IsVulkanInfoReady());
    EXPECT_TRUE(GetVulkanInfo().instanceExtensions.empty());
    EXPECT_EQ(nullptr, GetVulkanInfo().library);
    EXPECT_EQ(nullptr, GetModuleHandleA(fakePath().c_str()));
  }
  // Once the driver works, a new detection lists each extension once.
  bool ok = false;
  detect("two_devices", &ok);
  ASSERT_TRUE(ok);
  ASSERT_EQ(2u, GetVulkanInfo().instanceExtensions.size());
  EXPECT_EQ("VK_KHR_surface", GetVulkanInfo().instanceExtensions[0].name);
}

// An NVIDIA device after a null handle: PCI bus info and driver properties
// are read without their switches, through a 1.1 instance, and the device is
// created only with extensions whose requirements it has.
TEST_F(VulkanFake, NullHandleAndNvidiaDevice) {
  bool ok = false;
  std::vector<std::string> log = detect("two_devices", &ok);
  ASSERT_TRUE(ok);
  EXPECT_TRUE(HasLine(log, "Vulkan - # devices: 2"));
  EXPECT_TRUE(HasLine(log, "Vulkan - null physical device for GPU 0"));
  EXPECT_TRUE(HasLine(log, "Vulkan - [ Device 1 ]--------------------------------------"));
  EXPECT_TRUE(HasLine(log, "Vulkan -   deviceID: 10DE-2204"));
  EXPECT_TRUE(HasLine(log, "Vulkan -   NVIDIA driver version: 470.82"));
  EXPECT_TRUE(HasLine(log, "       - driver ID: VK_DRIVER_ID_NVIDIA_PROPRIETARY_KHR (4)"));
  EXPECT_TRUE(HasLine(log, "       - pciBus => 7"));
  EXPECT_TRUE(HasLine(log, "       - driver name: " + std::string(VK_MAX_DRIVER_NAME_SIZE, 'D')));
  ASSERT_EQ(1, GetVulkanDeviceCount());
  EXPECT_EQ(std::string(VK_MAX_PHYSICAL_DEVICE_NAME_SIZE, 'G'), GetVulkanDeviceName(0));
  const VulkanPhysicalDeviceInfo& dev = *GetVulkanInfo().devices[0];
  EXPECT_TRUE(dev.block.pciBusInfoRead);
  EXPECT_EQ(3u, dev.block.pciBusInfo.pciDevice);
  EXPECT_EQ(nullptr, dev.block.driverProperties.pNext);
  EXPECT_EQ(32768u, dev.block.limits.maxImageDimension2D);
  EXPECT_EQ(VK_TRUE, dev.block.features.geometryShader);
  ASSERT_EQ(1u, dev.memoryTypes.size());  // the type without flags is left out
  EXPECT_EQ(1u, dev.memoryTypes[0].typeIndex);
  EXPECT_EQ(8192u, dev.memoryHeaps[0].sizeMb);
  EXPECT_EQ("", envText("QV_FAKE_VK_INSTANCE_EXTENSIONS"));
  // Ray tracing is listed but lacks VK_KHR_get_memory_requirements2.
  EXPECT_EQ("VK_EXT_pci_bus_info,VK_KHR_driver_properties", envText("QV_FAKE_VK_DEVICE_EXTENSIONS"));
}

// A loader without vkEnumerateInstanceVersion: a 1.0 instance with the
// extended-properties instance extension; Intel devices read driver
// properties without the switch.
TEST_F(VulkanFake, VersionOneZeroLoaderWithIntelDevice) {
  bool ok = false;
  std::vector<std::string> log = detect("intel_10", &ok);
  ASSERT_TRUE(ok);
  EXPECT_EQ(static_cast<uint32_t>(VK_API_VERSION_1_0), GetVulkanInfo().instanceApiVersion);
  EXPECT_EQ("VK_KHR_get_physical_device_properties2", envText("QV_FAKE_VK_INSTANCE_EXTENSIONS"));
  EXPECT_TRUE(HasLine(log, "Vulkan -   deviceID: 8086-2204"));
  EXPECT_FALSE(HasLineStartingWith(log, "Vulkan -   NVIDIA driver version"));
  EXPECT_TRUE(HasLine(log, "Vulkan - VK_KHR_driver_properties:"));
  EXPECT_TRUE(GetVulkanInfo().devices[0]->block.driverPropertiesRead);
}

// Without any extended properties query nothing is read: with their
// switches off the extensions are still named as not enabled, with the
// switches on nothing is said of them; the device gets none of them.
TEST_F(VulkanFake, ExtensionsWithoutTheExtendedQuery) {
  const std::vector<std::string> notEnabled = {
      "Vulkan - VK_EXT_pci_bus_info supported but but not enabled on Radeon GPUs.",
      "Vulkan - try quorvel.exe /read_vk_ext_pci_bus_info",
      "Vulkan - VK_KHR_driver_properties supported but but not enabled on Radeon GPUs (crash).",
      "Vulkan - try quorvel.exe /read_vk_khr_driver_properties"};
  for (bool switchesOn : {false, true}) {
    SCOPED_TRACE(switchesOn ? "switches on" : "switches off");
    ShutdownVulkanInfo();
    g_app.readVkPciBusInfo = g_app.readVkDriverProperties = switchesOn;
    bool ok = false;
    std::vector<std::string> log = detect("amd_10_bare", &ok);
    g_app.readVkPciBusInfo = g_app.readVkDriverProperties = false;
    ASSERT_TRUE(ok);
    EXPECT_TRUE(HasLine(log, "Vulkan -   deviceID: 1002-2204"));
    for (const std::string& line : notEnabled) EXPECT_EQ(!switchesOn, HasLine(log, line)) << line;
    EXPECT_FALSE(HasLine(log, "Vulkan - VK_EXT_pci_bus_info:"));
    EXPECT_FALSE(HasLine(log, "Vulkan - VK_KHR_driver_properties:"));
    EXPECT_FALSE(GetVulkanInfo().devices[0]->block.pciBusInfoRead);
    EXPECT_FALSE(GetVulkanInfo().devices[0]->block.driverPropertiesRead);
    EXPECT_EQ("", envText("QV_FAKE_VK_DEVICE_EXTENSIONS"));
  }
}

HMODULE loadFakeWithoutDestroy() {
  return LoadLibraryA((ProgramFolder() + "fakevkinfo\\qv_fake_vulkan_nodestroy.dll").c_str());
}

// The instance is destroyed only when there is one and only through an entry
// point the loader has: a loader that answers success without an instance
// fails detection without any call on a null instance, and one that lacks
// vkDestroyInstance still gives its devices.
TEST_F(VulkanFake, InstanceIsDestroyedOnlyWhenItExists) {
  const struct {
    const char* what;
    HMODULE (*load)();
    const char* scenario;
    bool detected;
  } cases[] = {
      {"no instance", loadFake, "null_instance", false},
      {"no instance, no vkDestroyInstance", loadFakeWithoutDestroy, "null_instance", false},
      {"no vkDestroyInstance", loadFakeWithoutDestroy, "intel_10", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ShutdownVulkanInfo();
    SetVulkanLibraryLoader(c.load);
    SetEnvironmentVariableA("QV_FAKE_VK_NULL_INSTANCE_CALL", nullptr);
    bool ok = !c.detected;
    std::vector<std::string> log = detect(c.scenario, &ok);
    EXPECT_EQ(c.detected, ok);
    EXPECT_EQ("", envText("QV_FAKE_VK_NULL_INSTANCE_CALL"));
    EXPECT_EQ(nullptr, GetVulkanInfo().instance);
    EXPECT_EQ(nullptr, GetVulkanInfo().library);
    EXPECT_EQ(c.detected ? 1 : 0, GetVulkanDeviceCount());
    if (!c.detected) {
      EXPECT_TRUE(HasLine(log, "Vulkan - instance creation failed (code: VK_ERROR_INITIALIZATION_FAILED)"));
    }
  }
}

}  // namespace
