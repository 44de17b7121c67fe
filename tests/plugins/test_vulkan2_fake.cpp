// The Vulkan2 plug-in's initialisation against a stand-in loader: what
// lavapipe cannot show (no loader, failing instance creation, device counts,
// vendors, validation layers and debug callbacks).
#define VK_NO_PROTOTYPES
#include <vulkan/vulkan.h>

#include <cstdio>
#include <cstring>

#include "plugin_host.h"

namespace {

FakeVkDevice device(uint32_t vendor, const char* name) {
  FakeVkDevice d{};
  d.vendor_id = vendor;
  d.device_id = 0x1234;
  d.api_version = (1u << 22) | (3u << 12) | 275u;
  d.device_type = 2;
  snprintf(d.name, sizeof(d.name), "%s", name);
  d.heap_bytes = 8589934592ull;
  return d;
}

FakeVkConfig one_device(uint32_t vendor = 0x10DE) {
  FakeVkConfig c{};
  c.create_instance_result = VK_SUCCESS;
  c.device_count = 1;
  c.devices[0] = device(vendor, "Fake GPU");
  c.instance_extensions[0] = "VK_KHR_surface";
  c.instance_extensions[1] = "VK_KHR_win32_surface";
  return c;
}

bool enabled(const char (*names)[64], uint32_t count, const char* name) {
  for (uint32_t i = 0; i < count; ++i)
    if (strcmp(names[i], name) == 0) return true;
  return false;
}

class FakeLoaderTest : public RendererTest {
 protected:
  void SetUp() override {
    RendererTest::SetUp();
    ASSERT_TRUE(FakeLoader::get().loaded()) << "fakevk/fake_vulkan.dll not found";
    PluginLibrary::get().use_vulkan_library(FakeLoader::get().path());
    FakeLoader::get().configure(one_device());
  }
  const FakeVkState& state() const { return FakeLoader::get().state(); }
};

TEST_F(FakeLoaderTest, MissingLoaderFailsInitialisation) {
  PluginLibrary::get().use_vulkan_library("fakevk\\no_such_loader.dll");
  EXPECT_FALSE(renderer->initialize());
  EXPECT_EQ(log.level_of("unable to load Vulkan core library."), tvc::LogMgr::kError);
  EXPECT_EQ(renderer->gpu_get_count(), 0);
  EXPECT_EQ(renderer->initialized, 0);
}

TEST_F(FakeLoaderTest, InstanceCreationFailuresAreReportedAndRecoverable) {
  const struct {
    int32_t result;
    const char* line;
  } cases[] = {
      {VK_ERROR_INCOMPATIBLE_DRIVER, "Vulkan instance creation failed (code: VK_ERROR_INCOMPATIBLE_DRIVER)."},
      {VK_ERROR_INITIALIZATION_FAILED, "Vulkan instance creation failed: unknown error (-3)."},
      {VK_ERROR_LAYER_NOT_PRESENT, "Vulkan instance creation failed: unknown error (-6)."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    FakeVkConfig config = one_device();
    config.create_instance_result = c.result;
    FakeLoader::get().configure(config);
    EXPECT_FALSE(renderer->initialize());
    EXPECT_EQ(log.level_of(c.line), tvc::LogMgr::kError);
    EXPECT_EQ(renderer->gpu_get_count(), 0);
    EXPECT_EQ(renderer->get_instance_extension_count(0), 2) << "the instance record stays with what was listed";
  }
  FakeLoader::get().configure(one_device());
  EXPECT_TRUE(renderer->initialize());
  EXPECT_EQ(renderer->gpu_get_count(), 1);
  EXPECT_EQ(state().instances_created, 1);
  EXPECT_EQ(renderer->get_instance_extension_count(0), 2);
}

// The second copy of the stand-in loader, which nothing but the plug-in
// keeps loaded: it is mapped exactly while the plug-in holds it.
class SecondLoader {
 public:
  SecondLoader() { GetFullPathNameA("fakevk\\fake_vulkan_second.dll", sizeof(path), path, nullptr); }
  bool mapped() const { return GetModuleHandleA(path) != nullptr; }
  // Configures the copy the plug-in holds, or (not yet loaded) one held
  // here until release().
  void configure(const FakeVkConfig& config) {
    HMODULE module = GetModuleHandleA(path);
    if (!module) module = held = LoadLibraryA(path);
    ASSERT_NE(module, nullptr) << path;
    reinterpret_cast<fake_vk_set_violation_handler_fn>(reinterpret_cast<void (*)()>(
        GetProcAddress(module, "fake_vk_set_violation_handler")))(&FakeLoader::report, nullptr);
    reinterpret_cast<fake_vk_configure_fn>(
        reinterpret_cast<void (*)()>(GetProcAddress(module, "fake_vk_configure")))(&config);
  }
  void release() {
    if (held) FreeLibrary(held);
    held = nullptr;
  }
  ~SecondLoader() { release(); }
  char path[MAX_PATH] = {0};

 private:
  HMODULE held = nullptr;
};

// A failed instance creation keeps the loader library and the instance
// record: the next initialise uses them without loading the library again,
// and terminate frees both, whether or not an initialise succeeded since.
TEST_F(FakeLoaderTest, AFailedInstanceKeepsTheLibraryForTheNextInitialiseAndTerminateFreesIt) {
  SecondLoader second;
  ASSERT_FALSE(second.mapped());
  FakeVkConfig failing = one_device();
  failing.create_instance_result = VK_ERROR_INCOMPATIBLE_DRIVER;
  PluginLibrary::get().use_vulkan_library(second.path);
  for (bool succeed_later : {true, false}) {
    SCOPED_TRACE(succeed_later ? "initialised again" : "terminated after the failure");
    second.configure(failing);
    EXPECT_FALSE(renderer->initialize());
    EXPECT_EQ(renderer->get_instance_extension_count(0), 2);
    second.release();
    ASSERT_TRUE(second.mapped()) << "the plug-in keeps the library";
    if (succeed_later) {
      second.configure(one_device());
      EXPECT_TRUE(renderer->initialize());
      EXPECT_EQ(renderer->gpu_get_count(), 1);
    }
    renderer->terminate();
    EXPECT_EQ(renderer->get_instance_extension_count(0), 0) << "no instance record";
    EXPECT_FALSE(second.mapped()) << "loaded once, freed once";
  }
}

TEST_F(FakeLoaderTest, ZeroDevicesStillInitialise) {
  FakeVkConfig config = one_device();
  config.device_count = 0;
  FakeLoader::get().configure(config);
  EXPECT_TRUE(renderer->initialize());
  EXPECT_EQ(renderer->gpu_get_count(), 0);
  EXPECT_EQ(renderer->gpu_get_current(), nullptr);
  EXPECT_EQ(renderer->gpu_get_by_index(0), nullptr);
  EXPECT_STREQ(renderer->gpu_get_name(renderer->gpu_get_by_index(0)), "");
  EXPECT_STREQ(renderer->get_renderer_version(), "");
  EXPECT_FALSE(log.has("# Vulkan devices: 0"));
}

TEST_F(FakeLoaderTest, VendorNameFollowsThePciVendorId) {
  const struct {
    uint32_t vendor;
    const char* name;
  } cases[] = {{0x10DE, "NVIDIA"}, {0x1002, "AMD"}, {0x8086, "Intel"}, {0x13B5, ""}, {0x10005, ""}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.vendor);
    FakeLoader::get().configure(one_device(c.vendor));
    ASSERT_TRUE(renderer->initialize());
    EXPECT_STREQ(renderer->get_renderer_vendor(), c.name);
    EXPECT_STREQ(renderer->get_renderer_vendor(), c.name);
    EXPECT_EQ(renderer->get_gpu_vendor_id(0, 0), c.vendor);
    renderer->terminate();
  }
}

TEST_F(FakeLoaderTest, ReportDecodesVersionsAndHeaps) {
  FakeVkConfig config = one_device(0x10DE);
  config.device_count = 2;
  config.devices[0].driver_version = (531u << 22) | (79u << 14);
  config.devices[1] = device(0x1002, "Second GPU");
  config.devices[1].heap_bytes = 1048575;
  config.devices[1].device_type = 7;
  FakeLoader::get().configure(config);
  renderer->verbose = 1;
  ASSERT_TRUE(renderer->initialize());

  ASSERT_EQ(renderer->gpu_get_count(), 2);
  EXPECT_EQ(renderer->gpu_get_current(), renderer->gpu_get_by_index(0));
  EXPECT_EQ(renderer->gpu_get_by_index(1)->gpu_index, 1);
  EXPECT_TRUE(log.has("- NVIDIA driver version: 531.79_0.0"));
  EXPECT_TRUE(log.has("- Vulkan API version: 1.3.275"));
  EXPECT_STREQ(renderer->get_renderer_version(), "1.3.275");
  EXPECT_TRUE(log.has("\t\theap 0 - size: 8192 MB"));
  EXPECT_TRUE(log.has("\t\theap 0 - size: 0 MB"));
  EXPECT_TRUE(log.has("VK_KHR_device_group_creation not supported."));

  int parts[4] = {-1, -1, -1, -1};
  EXPECT_TRUE(renderer->get_gpu_driver_version(0, 0, &parts[0], &parts[1], &parts[2], &parts[3]));
  EXPECT_EQ(parts[0] * 1000 + parts[1], 531079);
  EXPECT_EQ(parts[2] + parts[3], 0);
  EXPECT_TRUE(renderer->get_gpu_driver_version(0, 1, &parts[0], &parts[1], &parts[2], &parts[3]));
  EXPECT_EQ(parts[0] | parts[1] | parts[2] | parts[3], 0);
  EXPECT_EQ(renderer->get_gpu_memory_heap_size(0, 0, 0), 8192u);
  EXPECT_EQ(renderer->get_gpu_memory_heap_size(0, 0, 5), 8192u);
  EXPECT_EQ(renderer->get_gpu_memory_heap_size(0, 2, 0), 0u);

  int type = 0;
  EXPECT_TRUE(renderer->gpu_get_int_value(renderer->gpu_get_by_index(1), &type));
  EXPECT_EQ(type, 7);
  // The second GPU's report has no device-type line and no NVIDIA line.
  size_t second = 0;
  for (size_t i = 0; i < log.lines.size(); ++i)
    if (log.lines[i].second == "[ GPU 1 ]--------------------------------------") second = i;
  ASSERT_GT(second, 0u);
  for (size_t i = second; i < log.lines.size(); ++i) {
    EXPECT_EQ(log.lines[i].second.rfind("- Device type:", 0), std::string::npos);
    EXPECT_EQ(log.lines[i].second.rfind("- NVIDIA", 0), std::string::npos);
  }
}

TEST_F(FakeLoaderTest, InstanceApiVersionFollowsTheOption) {
  const struct {
    const char* option;
    uint32_t version;
    const char* line;
  } cases[] = {{nullptr, 0x400000, "instance version: 4194304 (Vulkan 1.0)"},
               {"vulkan1.2", 0x402000, "instance version: 4202496 (Vulkan 1.2)"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    FakeLoader::get().configure(one_device());
    renderer->clear_options();
    if (c.option) renderer->set_option(c.option);
    ASSERT_TRUE(renderer->initialize());
    EXPECT_EQ(state().requested_api_version, c.version);
    EXPECT_TRUE(log.has(c.line));
    renderer->terminate();
    EXPECT_EQ(state().instances_destroyed, 1);
  }
}

TEST_F(FakeLoaderTest, RequestedNamesAreMatchedAgainstWhatIsOffered) {
  FakeVkConfig config = one_device();
  config.instance_extensions[2] = "VK_KHR_get_physical_device_properties2";
  config.instance_layers[0] = "VK_LAYER_FAKE_tools";
  FakeLoader::get().configure(config);
  renderer->add_instance_extension("VK_KHR_not_offered");
  renderer->add_instance_extension("");
  renderer->add_instance_extension(nullptr);
  renderer->add_instance_layer("VK_LAYER_FAKE_tools");
  renderer->add_instance_layer("");
  ASSERT_TRUE(renderer->initialize());
  const FakeVkState& s = state();
  EXPECT_EQ(s.enabled_extension_count, 3u);
  EXPECT_TRUE(enabled(s.enabled_extensions, s.enabled_extension_count, "VK_KHR_get_physical_device_properties2"));
  EXPECT_FALSE(enabled(s.enabled_extensions, s.enabled_extension_count, "VK_KHR_not_offered"));
  ASSERT_EQ(s.enabled_layer_count, 1u);
  EXPECT_STREQ(s.enabled_layers[0], "VK_LAYER_FAKE_tools");
  EXPECT_STREQ(renderer->get_instance_layer_name(0, 0), "VK_LAYER_FAKE_tools");
  EXPECT_EQ(renderer->get_instance_layer_name(0, 1), nullptr);
  EXPECT_EQ(renderer->get_instance_extension_name(0, static_cast<unsigned>(renderer->get_instance_extension_count(0))),
            nullptr);
  EXPECT_EQ(s.report_callbacks_created + s.messengers_created, 0);

  // Requests last until terminate: the next instance starts without them.
  renderer->terminate();
  ASSERT_TRUE(renderer->initialize());
  EXPECT_EQ(state().enabled_layer_count, 0u);
}

TEST_F(FakeLoaderTest, ManyRequestsCannotOverflowTheNameLists) {
  FakeVkConfig config = one_device();
  config.instance_layers[0] = "VK_LAYER_FAKE_tools";
  FakeLoader::get().configure(config);
  for (int i = 0; i < 200; ++i) {
    renderer->add_instance_layer("VK_LAYER_FAKE_tools");
    renderer->add_instance_extension("VK_KHR_surface");
  }
  ASSERT_TRUE(renderer->initialize());
  EXPECT_EQ(state().enabled_layer_count, 64u);
  EXPECT_EQ(state().enabled_extension_count, 64u);
}

TEST_F(FakeLoaderTest, ValidationEnablesTheKhronosLayerAndTheCallbacks) {
  FakeVkConfig config = one_device();
  config.instance_extensions[2] = "VK_EXT_debug_report";
  config.instance_extensions[3] = "VK_EXT_validation_features";
  config.instance_extensions[4] = "VK_EXT_debug_utils";
  config.instance_layers[0] = "VK_LAYER_LUNARG_standard_validation";
  config.instance_layers[1] = "VK_LAYER_KHRONOS_validation";
  config.instance_layers[2] = "VK_LAYER_LUNARG_core_validation";
  config.report_debug_messages = true;
  FakeLoader::get().configure(config);
  renderer->set_option("vulkan_enable_validation_layer");
  renderer->add_instance_extension("VK_EXT_debug_utils");
  ASSERT_TRUE(renderer->initialize());

  const FakeVkState& s = state();
  ASSERT_EQ(s.enabled_layer_count, 1u);
  EXPECT_STREQ(s.enabled_layers[0], "VK_LAYER_KHRONOS_validation");
  EXPECT_TRUE(enabled(s.enabled_extensions, s.enabled_extension_count, "VK_EXT_debug_report"));
  EXPECT_TRUE(enabled(s.enabled_extensions, s.enabled_extension_count, "VK_EXT_validation_features"));
  EXPECT_TRUE(s.create_info_has_validation_features);
  EXPECT_EQ(s.report_callbacks_created, 1);
  EXPECT_EQ(s.report_callback_flags, 0x1Fu);
  EXPECT_EQ(s.messengers_created, 1);
  // Warning is the first of the set bits in the callback's order.
  EXPECT_EQ(log.level_of("[Vulkan2] (VK_DEBUG_REPORT_WARNING_BIT_EXT) [FakeLayer] Code 42 (object type: 1): fake warning"),
            tvc::LogMgr::kWarning);
  EXPECT_EQ(log.level_of("[Vulkan2] dbgUtilsMessengerFunc() - msg: fake utils message"), tvc::LogMgr::kPlain);

  renderer->terminate();
  EXPECT_EQ(state().report_callbacks_destroyed, 1);
  EXPECT_EQ(state().messengers_destroyed, 1);
  EXPECT_EQ(state().instances_destroyed, 1);
}

TEST_F(FakeLoaderTest, ValidationWithoutItsExtensionsCreatesNoCallbacks) {
  FakeVkConfig config = one_device();
  config.instance_layers[0] = "VK_LAYER_LUNARG_parameter_validation";
  config.instance_layers[1] = "VK_LAYER_LUNARG_object_tracker";
  FakeLoader::get().configure(config);
  renderer->set_option("vulkan_enable_validation_layer");
  ASSERT_TRUE(renderer->initialize());
  const FakeVkState& s = state();
  ASSERT_EQ(s.enabled_layer_count, 2u);
  EXPECT_STREQ(s.enabled_layers[0], "VK_LAYER_LUNARG_parameter_validation");
  EXPECT_STREQ(s.enabled_layers[1], "VK_LAYER_LUNARG_object_tracker");
  EXPECT_FALSE(s.create_info_has_validation_features);
  EXPECT_EQ(s.report_callbacks_created, 0);
  EXPECT_EQ(s.messengers_created, 0);
}

}  // namespace
