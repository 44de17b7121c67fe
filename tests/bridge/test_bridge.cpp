// The bridge library through its exports, as the program drives it: start
// and end of the framework, folders and plug-ins, demo runs on a host window
// (OpenGL from the framework, Vulkan2 through the plug-in on the stand-in
// loader), the frame timer on a clock the test drives, and mouse input.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "fake_vulkan.h"
#include "gtest/gtest.h"
#include "stv.h"
#include "tvc.h"
#include "tvc_services.h"

namespace {

const char kTraceFile[] = "bridge_trace.txt";

struct TraceCapture {
  std::vector<std::string> lines;
  static void callback(const char* text, void* user) { static_cast<TraceCapture*>(user)->lines.push_back(text); }
  bool has(const std::string& line) const {
    for (const auto& l : lines)
      if (l == line) return true;
    return false;
  }
  bool has_prefix(const std::string& prefix) const {
    for (const auto& l : lines)
      if (l.compare(0, prefix.size(), prefix) == 0) return true;
    return false;
  }
  // Position of a line, -1 when absent.
  int index_of(const std::string& line) const {
    for (size_t i = 0; i < lines.size(); ++i)
      if (lines[i] == line) return static_cast<int>(i);
    return -1;
  }
  std::string starting_with(const std::string& prefix) const {
    for (const auto& l : lines)
      if (l.compare(0, prefix.size(), prefix) == 0) return l;
    return "";
  }
};

std::vector<std::string> read_lines(const char* file) {
  std::vector<std::string> lines;
  std::ifstream in(file);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// True when the trace file holds the line at error level.
bool traced_as_error(const std::string& text) {
  for (const std::string& line : read_lines(kTraceFile)) {
    const std::string mark = "] (E) ";
    size_t at = line.find(mark);
    if (at != std::string::npos && line.substr(at + mark.size()) == text) return true;
  }
  return false;
}

std::string scene(const char* name) { return std::string(stv::get_app_directory()) + "bridge_scenes\\" + name; }

// A started bridge with the plug-in folder of the bin tree; ended after.
class BridgeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DeleteFileA(kTraceFile);
    ASSERT_TRUE(stv::initialize_v2(kTraceFile, &TraceCapture::callback, &trace));
    ASSERT_TRUE(stv::set_plugins_dir((std::string(stv::get_app_directory()) + plugins_folder()).c_str()));
  }
  // The shipped plug-ins; runs on a stand-in loader take the test build.
  virtual const char* plugins_folder() const { return "tvcplugins/"; }
  void TearDown() override {
    EXPECT_TRUE(stv::terminate());
    tvc::Timer::set_time_source(nullptr, nullptr);
  }
  TraceCapture trace;
};

// ---- start and end

TEST(BridgeLifecycle, StartsWithHostNamesAndEndsTwice) {
  stv::set_sdk_name_and_version("", 0, 3, 2, 0);  // empty: the name stays "STV"
  stv::set_host_app_name_and_version("Quorvel", 1, 54, 0, 0);
  stv::set_copyright("Notice: 100% %s %n text");
  TraceCapture trace;
  DeleteFileA(kTraceFile);
  ASSERT_TRUE(stv::initialize_v2(kTraceFile, &TraceCapture::callback, &trace));
  ASSERT_FALSE(trace.lines.empty());
  // The SDK's version in the first line, the host's for the framework.
  EXPECT_EQ(trace.lines[0], "STV (host app: Quorvel) 0.3.2.0 initialization in progress...");
  EXPECT_TRUE(trace.has("Notice: 100% %s %n text"));
  EXPECT_TRUE(trace.has("Application: Quorvel 1.54.0.0"));
  EXPECT_EQ(trace.lines.back(), "STV initialized OK.");

  const size_t count = trace.lines.size();
  EXPECT_TRUE(stv::initialize_v2(kTraceFile, &TraceCapture::callback, &trace));
  EXPECT_EQ(trace.lines.size(), count) << "a second initialisation starts nothing";

  EXPECT_TRUE(stv::terminate());
  EXPECT_FALSE(trace.has("STV terminated OK.")) << "the callback is removed before the last line";
  std::vector<std::string> file = read_lines(kTraceFile);
  ASSERT_FALSE(file.empty());
  EXPECT_NE(file.back().find("STV terminated OK."), std::string::npos);
  EXPECT_TRUE(stv::terminate());
}

TEST(BridgeLifecycle, EveryCallNeedsTheFramework) {
  HWND none = nullptr;
  EXPECT_EQ(stv::load_plugin("plugin_tvc_gpumon_x32.dll"), -1);
  EXPECT_FALSE(stv::unload_plugin(1));
  EXPECT_FALSE(stv::set_libs_dir("tvldemos/libs/"));
  EXPECT_FALSE(stv::set_plugins_dir(nullptr));
  EXPECT_FALSE(stv::demo_init(scene("gl_ok.xml").c_str(), &none, 64, 64, "Off", 0xFFFFFFFFu));
  EXPECT_FALSE(stv::demo_frame(0.0f));
  EXPECT_FALSE(stv::demo_resize(10, 10));
  EXPECT_FALSE(stv::demo_terminate());
  EXPECT_FALSE(stv::event_mouse_move(1, 1));
  EXPECT_FALSE(stv::event_mouse_button(1, true, 1, 1));
  EXPECT_STREQ(stv::renderer_get_model(), "");
}

// ---- folders and plug-ins

TEST_F(BridgeTest, FoldersReachTheFramework) {
  const std::string app = stv::get_app_directory();
  ASSERT_FALSE(app.empty());
  EXPECT_TRUE(app.back() == '\\' || app.back() == '/');
  // At initialisation: the program folder's defaults.
  EXPECT_TRUE(trace.has("Scripting libs directory: " + app + "libs/"));
  EXPECT_TRUE(trace.has("Plugin search path: " + app + "plugins/"));

  EXPECT_TRUE(stv::set_libs_dir("tvldemos/libs/"));
  EXPECT_EQ(trace.lines.back(), "Scripting libs directory: tvldemos/libs/");
  EXPECT_TRUE(stv::set_plugins_dir("tvcplugins/"));
  EXPECT_EQ(trace.lines.back(), "Plugin search path: tvcplugins/");
}

TEST_F(BridgeTest, LoadsAndUnloadsPluginsByReference) {
  const int id = stv::load_plugin("plugin_tvc_gpumon_x32.dll");
  ASSERT_GT(id, 0);
  EXPECT_EQ(trace.lines.back(), "Plugin plugin_tvc_gpumon_x32.dll successfully loaded");
  EXPECT_NE(GetModuleHandleA("plugin_tvc_gpumon_x32.dll"), nullptr);
  EXPECT_EQ(stv::load_plugin("plugin_tvc_gpumon_x32.dll"), id) << "a second load shares the plug-in";

  EXPECT_TRUE(stv::unload_plugin(id));
  EXPECT_EQ(trace.lines.back(), "Plugin GpuMon is still referenced. Unloading failed.");
  EXPECT_TRUE(stv::unload_plugin(id));
  EXPECT_EQ(trace.lines.back(), "Plugin GpuMon unloaded.");
  EXPECT_EQ(GetModuleHandleA("plugin_tvc_gpumon_x32.dll"), nullptr) << "the library is freed";

  // Unknown ids and files.
  EXPECT_TRUE(stv::unload_plugin(id));
  EXPECT_EQ(trace.lines.back(), "Plugin  unloaded.");
  const size_t count = trace.lines.size();
  EXPECT_EQ(stv::load_plugin("plugin_tvc_none_x32.dll"), -1);
  EXPECT_EQ(stv::load_plugin(nullptr), -1);
  EXPECT_EQ(trace.lines.size(), count) << "a failed load traces nothing";
}

// ---- demo runs

class DemoRunTest : public BridgeTest {
 protected:
  void SetUp() override {
    BridgeTest::SetUp();
    window = CreateWindowExA(0, "STATIC", "bridge test", WS_OVERLAPPEDWINDOW, 0, 0, 320, 240, nullptr, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
  }
  void TearDown() override {
    BridgeTest::TearDown();
    if (window) DestroyWindow(window);
  }
  bool init(const char* name, unsigned gpu = 0xFFFFFFFFu) {
    return stv::demo_init(scene(name).c_str(), &window, 320, 240, "Off", gpu);
  }
  HWND window = nullptr;
};

TEST_F(DemoRunTest, OpenGlSceneRunsFramesWithInputAndEnds) {
  ASSERT_TRUE(init("gl_ok.xml"));
  EXPECT_EQ(trace.lines.back(), "Demo initialized OK.");
  EXPECT_TRUE(trace.has("init script <ran>"));
  const std::string created = trace.starting_with("OpenGL ");
  std::smatch m;
  ASSERT_TRUE(std::regex_match(created, m, std::regex("OpenGL (\\d+)\\.(\\d+) context created OK\\.")))
      << created;
  EXPECT_GE(std::stoi(m[1]) * 10 + std::stoi(m[2]), 32) << "at least the scene's version";
  // The renderer strings are the driver's, as traced at creation.
  EXPECT_STRNE(stv::renderer_get_model(), "");
  EXPECT_TRUE(trace.has(std::string("OpenGL renderer model: ") + stv::renderer_get_model()));
  EXPECT_TRUE(trace.has(std::string("OpenGL renderer vendor: ") + stv::renderer_get_vendor()));
  EXPECT_TRUE(trace.has(std::string("OpenGL API version: ") + stv::renderer_get_opengl_version()));

  // Mouse input reaches the scene's frame script.
  EXPECT_TRUE(stv::event_mouse_move(10, 20));
  EXPECT_TRUE(stv::demo_frame(0.016f));
  EXPECT_EQ(trace.lines.back(), "mouse x=10 y=20 buttons=0");
  EXPECT_TRUE(stv::event_mouse_button(1, true, 30, 40));
  EXPECT_TRUE(stv::demo_frame(0.032f));
  EXPECT_EQ(trace.lines.back(), "mouse x=30 y=40 buttons=1");
  EXPECT_TRUE(stv::event_mouse_button(1, false, 31, 41));
  EXPECT_TRUE(stv::demo_frame(0.048f));
  EXPECT_EQ(trace.lines.back(), "mouse x=31 y=41 buttons=0");

  EXPECT_TRUE(stv::demo_resize(640, 480));
  EXPECT_NE(trace.lines.back().find("resized to 640x480."), std::string::npos) << trace.lines.back();

  EXPECT_TRUE(stv::demo_terminate());
  EXPECT_EQ(trace.lines.back(), "Demo terminated OK.");
  EXPECT_STREQ(stv::renderer_get_model(), "");
  EXPECT_STREQ(stv::renderer_get_opengl_version(), "");
  EXPECT_FALSE(stv::demo_frame(0.0f));
  EXPECT_FALSE(stv::demo_resize(1, 1));
  EXPECT_FALSE(stv::demo_terminate());
  EXPECT_FALSE(stv::event_mouse_move(1, 1)) << "no window to receive it";
}

TEST_F(DemoRunTest, RunsOneDemoAtATimeAndAgainAfterTheEnd) {
  for (int run = 0; run < 2; ++run) {
    ASSERT_TRUE(init("gl_ok.xml")) << "run " << run;
    EXPECT_FALSE(init("gl_ok.xml")) << "a second demo while one runs";
    EXPECT_TRUE(stv::demo_frame(0.0f)) << "the running demo is untouched";
    EXPECT_STRNE(stv::renderer_get_model(), "");
    EXPECT_TRUE(stv::demo_terminate());
  }
  EXPECT_FALSE(trace.has("Engine already started."));
}

TEST_F(DemoRunTest, FailedStartsReportAndLeaveNothingRunning) {
  HWND none = nullptr;
  struct Case {
    const char* scene;
    HWND* host;
    std::vector<std::string> errors;  // in this order, at error level
  };
  const std::vector<Case> cases = {
      {"missing.xml", &window, {"Unable to load the demo " + scene("missing.xml") + "."}},
      {"wrong_root.xml", &window, {"Unable to load the demo " + scene("wrong_root.xml") + "."}},
      // Renderer types match exactly: "vulkan2" names no plug-in.
      {"wrong_type.xml", &window, {"ERROR: unable to create the 3D window.", "Unable to create the 3D window."}},
      {"gl_ok.xml", &none, {"Unable to create the 3D window."}},
      {"compile_error.xml", &window, {"Unable to compile the demo."}},
      {"init_error.xml", &window, {"Unable to execute init scripts."}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.scene);
    trace.lines.clear();
    EXPECT_FALSE(stv::demo_init(scene(c.scene).c_str(), c.host, 320, 240, "Off", 0xFFFFFFFFu));
    int last = -1;
    for (const std::string& e : c.errors) {
      int at = trace.index_of(e);
      EXPECT_GT(at, last) << e;
      last = at;
      EXPECT_TRUE(traced_as_error(e)) << e;
    }
    EXPECT_FALSE(trace.has("Demo initialized OK."));
    EXPECT_FALSE(trace.has_prefix("Plugin plugin_tvc_vulkan")) << "no plug-in named";
    EXPECT_FALSE(stv::demo_frame(0.0f));
    EXPECT_FALSE(stv::demo_terminate());
    EXPECT_STREQ(stv::renderer_get_model(), "");
    // The engine started for the failed demo is still started when a good
    // scene starts next; the end of that one stops it.
    ASSERT_TRUE(init("gl_ok.xml"));
    EXPECT_TRUE(trace.has("Engine already started."));
    EXPECT_TRUE(stv::demo_terminate());
    trace.lines.clear();
    ASSERT_TRUE(init("gl_ok.xml"));
    EXPECT_FALSE(trace.has("Engine already started."));
    EXPECT_TRUE(stv::demo_terminate());
  }
}

TEST_F(DemoRunTest, TerminateEndsARunningDemo) {
  ASSERT_TRUE(init("gl_ok.xml"));
  EXPECT_TRUE(stv::terminate());
  EXPECT_FALSE(stv::demo_frame(0.0f));
  EXPECT_FALSE(stv::event_mouse_move(1, 1));
  EXPECT_STREQ(stv::renderer_get_model(), "");
  ASSERT_TRUE(stv::initialize_v2(kTraceFile, &TraceCapture::callback, &trace));
  EXPECT_TRUE(init("gl_ok.xml"));
  EXPECT_TRUE(stv::demo_frame(0.0f));
  EXPECT_TRUE(stv::demo_terminate());
}

// The Vulkan2 plug-in from the plug-in folder, on the stand-in loader.
class VulkanRunTest : public DemoRunTest {
 protected:
  void SetUp() override {
    DemoRunTest::SetUp();
    ASSERT_TRUE(tvc::utils::check_vulkan_support()) << "no Vulkan loader under this Wine";
    char loader[MAX_PATH] = {0};
    GetFullPathNameA("fakevk\\fake_vulkan.dll", sizeof(loader), loader, nullptr);
    fake_ = LoadLibraryA(loader);
    ASSERT_NE(fake_, nullptr);
    // Held here too, so the loader choice outlives the framework's loads.
    plugin_ = LoadLibraryA("testplugins\\plugin_tvc_vulkan2_x32.dll");
    ASSERT_NE(plugin_, nullptr);
    auto use_loader = reinterpret_cast<void (*)(const char*)>(
        reinterpret_cast<void (*)()>(GetProcAddress(plugin_, "tvc_plugin_set_vulkan_library")));
    auto configure = reinterpret_cast<fake_vk_configure_fn>(
        reinterpret_cast<void (*)()>(GetProcAddress(fake_, "fake_vk_configure")));
    ASSERT_TRUE(use_loader && configure);
    use_loader(loader);
    FakeVkConfig config{};
    config.create_instance_result = 0;
    config.device_count = 2;
    const FakeVkDevice devices[2] = {
        {0x1002, 0x7340, (1u << 22) | (1u << 12) | 70u, 1, 2, "Fake GPU Zero", 1ull << 30},
        {0x10DE, 0x2204, (1u << 22) | (2u << 12) | 131u, 1, 2, "Fake GPU One", 1ull << 30},
    };
    config.devices[0] = devices[0];
    config.devices[1] = devices[1];
    config.instance_extensions[0] = "VK_KHR_surface";
    config.instance_extensions[1] = "VK_KHR_win32_surface";
    configure(&config);
  }
  void TearDown() override {
    DemoRunTest::TearDown();
    if (plugin_) {
      auto use_loader = reinterpret_cast<void (*)(const char*)>(
          reinterpret_cast<void (*)()>(GetProcAddress(plugin_, "tvc_plugin_set_vulkan_library")));
      if (use_loader) use_loader(nullptr);
      FreeLibrary(plugin_);
    }
    if (fake_) FreeLibrary(fake_);
  }
  const char* plugins_folder() const override { return "testplugins/"; }
  HMODULE fake_ = nullptr;
  HMODULE plugin_ = nullptr;
};

TEST_F(VulkanRunTest, SceneGpuOrHostGpuNamesTheRenderer) {
  struct Case {
    unsigned gpu;  // as the host passes it
    const char* gpu_line;
    const char* model;
    const char* vendor;
    const char* version;
  };
  const Case cases[] = {
      {0xFFFFFFFFu, "Vulkan GPU 1: Fake GPU One", "Fake GPU One", "NVIDIA", "1.2.131"},  // the scene's
      {0, "Vulkan GPU 0: Fake GPU Zero", "Fake GPU Zero", "AMD", "1.1.70"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.gpu_line);
    trace.lines.clear();
    ASSERT_TRUE(init("vk2.xml", c.gpu));
    const int renderer_line = trace.index_of("Vulkan renderer initialized OK.");
    EXPECT_GE(renderer_line, 0);
    EXPECT_GT(trace.index_of(c.gpu_line), renderer_line);
    EXPECT_TRUE(trace.has("vulkan scene"));
    EXPECT_STREQ(stv::renderer_get_model(), c.model);
    EXPECT_STREQ(stv::renderer_get_vendor(), c.vendor);
    EXPECT_STREQ(stv::renderer_get_opengl_version(), c.version);
    EXPECT_TRUE(stv::demo_frame(0.0f));
    EXPECT_TRUE(stv::demo_terminate());
    EXPECT_STREQ(stv::renderer_get_model(), "");
  }
}

TEST_F(VulkanRunTest, GpuPastTheListHasAnEmptyName) {
  ASSERT_TRUE(init("vk2.xml", 7));
  EXPECT_TRUE(trace.has("Vulkan GPU 7: "));
  EXPECT_TRUE(stv::demo_terminate());
}

// The Vulkan2 plug-in on the system's loader (lavapipe under Wine): real
// frames, seen through the plug-in's read-back.
TEST_F(DemoRunTest, Vulkan2SceneDrawsRealFramesAndReportsAFailedOne) {
  ASSERT_TRUE(tvc::utils::check_vulkan_support()) << "no Vulkan loader under this Wine";
  ASSERT_TRUE(init("vk2_clear.xml", 0));
  EXPECT_TRUE(trace.has("Vulkan renderer initialized OK."));
  EXPECT_FALSE(trace.has_prefix("Renderer Vulkan2: the render window cannot be set up")) << "frames are presented";
  // A second load shares the framework's plug-in: its renderer.
  const int id = stv::load_plugin("plugin_tvc_vulkan2_x32.dll");
  tvc::Renderer* renderer = static_cast<tvc::Renderer*>(tvc::Kernel::get()->get_plugin(id));
  ASSERT_NE(renderer, nullptr);
  for (int i = 0; i < 4; ++i) ASSERT_TRUE(stv::demo_frame(0.016f * static_cast<float>(i))) << "frame " << i;
  int size = 0, width = 0, height = 0;
  renderer->get_color_buffer_size(&size, &width, &height);
  ASSERT_EQ(size, width * height * 4);
  ASSERT_GT(size, 0);
  std::vector<unsigned char> pixels(static_cast<size_t>(size), 0);
  renderer->read_color_buffer(pixels.data());
  // The last image shown holds the scene's clear colour, (51, 102, 153) in
  // the order of the read-back's path: R, G, B or B, G, R.
  const unsigned char* px = &pixels[(static_cast<size_t>(height / 2) * width + width / 2) * 4];
  const int red = px[0] == 153 ? px[2] : px[0], blue = px[0] == 153 ? px[0] : px[2];
  EXPECT_NEAR(red, 51, 1);
  EXPECT_NEAR(px[1], 102, 1);
  EXPECT_NEAR(blue, 153, 1);
  EXPECT_EQ(px[3], 255);

  // A window without area has no frame to draw: the failure reaches the host.
  ASSERT_TRUE(stv::demo_resize(0, 0));
  EXPECT_FALSE(stv::demo_frame(0.1f));
  ASSERT_TRUE(stv::demo_resize(320, 240));
  EXPECT_TRUE(stv::demo_frame(0.2f));
  EXPECT_TRUE(stv::unload_plugin(id));
  EXPECT_TRUE(stv::demo_terminate());
}

// ---- frame timer

struct TestClock {
  static uint64_t now(void* user) { return *static_cast<uint64_t*>(user); }
  uint64_t microseconds = 5000000;
};

TEST_F(BridgeTest, FrameTimerCountsOneSecondWindows) {
  struct Case {
    const char* what;
    std::vector<uint64_t> steps;  // microseconds before each update
    int fps, avg_fps, frames;
    float last_dt, elapsed;
  };
  const uint64_t k32 = 1ull << 32;
  const std::vector<Case> cases = {
      {"no window complete yet", {250000, 250000, 250000}, 0, 0, 3, 0.25f, 0.75f},
      {"the completing update counts", {250000, 250000, 250000, 250000}, 4, 4, 4, 0.25f, 1.0f},
      {"average truncated", {300000, 300000, 300000, 300000}, 4, 3, 4, 0.3f, 1.2f},
      {"average over all frames", {300000, 300000, 300000, 300000, 300000, 300000, 300000, 300000}, 4, 3, 8,
       0.3f, 2.4f},
      {"one long frame", {2000000}, 1, 0, 1, 2.0f, 2.0f},
      // The microsecond counter wraps at 32 bits: the next delta is still right.
      {"across the wrap", {k32 - 100000, 400000}, 1, 0, 2, 0.4f, 4295.2673f},
  };
  TestClock clock;
  tvc::Timer::set_time_source(&TestClock::now, &clock.microseconds);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(stv::timer_reset(), 0.0f);
    EXPECT_EQ(stv::timer_get_fps(), 0);
    EXPECT_EQ(stv::timer_get_frame_counter(), 0);
    for (uint64_t step : c.steps) {
      clock.microseconds += step;
      stv::timer_update();
    }
    EXPECT_EQ(stv::timer_get_fps(), c.fps);
    EXPECT_EQ(stv::timer_get_avg_fps(), c.avg_fps);
    EXPECT_EQ(stv::timer_get_frame_counter(), c.frames);
    EXPECT_NEAR(stv::timer_get_dt(), c.last_dt, 1e-4f);
    EXPECT_NEAR(stv::timer_get_elapsed_time(), c.elapsed, 1e-3f * c.elapsed);
  }
}

}  // namespace
