// What the catalogue's scenes draw: every demo runs as a benchmark through
// the launcher and its last frame (read back by the demo framework) passes
// the check of its family; scenes whose feature the device lacks refuse in
// their start-up; mouse input and resizing change what is drawn.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <mutex>
#include <regex>
#include <set>

#include "launcher_fixture.h"
#include "tvl.h"

namespace {

// One frame as the framework read it back: RGBA rows, bottom row first.
struct Frame {
  int width = 0, height = 0;
  std::vector<unsigned char> rgba;
  const unsigned char* at(int x, int y) const { return &rgba[(static_cast<size_t>(y) * width + x) * 4]; }
  int luma(int x, int y) const {
    const unsigned char* p = at(x, y);
    return (p[0] * 3 + p[1] * 6 + p[2]) / 10;
  }
  bool differs(int x, int y, const unsigned char* bg, int tolerance) const {
    const unsigned char* p = at(x, y);
    return std::abs(p[0] - bg[0]) + std::abs(p[1] - bg[1]) + std::abs(p[2] - bg[2]) > tolerance;
  }
};

// The frames the framework hands over while a demo runs.
class FrameTap {
 public:
  FrameTap() { tvl::AppEngine::set_frame_observer(&FrameTap::observe, this); }
  ~FrameTap() { tvl::AppEngine::set_frame_observer(nullptr, nullptr); }
  Frame last() {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_last;
  }
  int count() {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_count;
  }

 private:
  static void observe(int, const unsigned char* rgba, int width, int height, void* user) {
    FrameTap* self = static_cast<FrameTap*>(user);
    std::lock_guard<std::mutex> lock(self->m_lock);
    self->m_last.width = width;
    self->m_last.height = height;
    self->m_last.rgba.assign(rgba, rgba + static_cast<size_t>(width) * height * 4);
    ++self->m_count;
  }
  std::mutex m_lock;
  Frame m_last;
  int m_count = 0;
};

// The number in the last log line holding the pattern's one group; -1 when none.
long long lastLoggedNumber(const char* pattern) {
  long long value = -1;
  const std::regex re(pattern);
  for (const std::string& line : readLines(kLogFile)) {
    std::smatch m;
    if (std::regex_search(line, m, re)) value = std::stoll(m[1].str());
  }
  return value;
}

using Check = ::testing::AssertionResult (*)(const Frame&);

::testing::AssertionResult rgbTriangle(const Frame& f) {
  // Vertices in window coordinates, as the scenes place them; sampled a
  // little towards the middle.
  const float corners[3][2] = {{-0.8f, -0.8f}, {0.8f, -0.8f}, {0.0f, 0.8f}};
  const float mid[2] = {0.0f, -0.8f / 3.0f};
  for (int c = 0; c < 3; ++c) {
    const float nx = corners[c][0] + (mid[0] - corners[c][0]) * 0.12f;
    const float ny = corners[c][1] + (mid[1] - corners[c][1]) * 0.12f;
    const int x = static_cast<int>((nx + 1.0f) * 0.5f * f.width), y = static_cast<int>((ny + 1.0f) * 0.5f * f.height);
    const unsigned char* p = f.at(x, y);
    const int own = p[c], other = std::max(p[(c + 1) % 3], p[(c + 2) % 3]);
    if (own < 150 || own < other + 80)
      return ::testing::AssertionFailure() << "vertex " << c << " at " << x << "," << y << " is " << int(p[0]) << ","
                                           << int(p[1]) << "," << int(p[2]);
  }
  return ::testing::AssertionSuccess();
}

// The torus's pixels (those unlike the corner) are brighter in the left
// third, towards the light, than in the right third.
::testing::AssertionResult litTorus(const Frame& f) {
  const unsigned char* bg = f.at(0, 0);
  long long sum[2] = {0, 0}, count[2] = {0, 0};
  for (int y = 0; y < f.height; ++y)
    for (int x = 0; x < f.width; ++x)
      if (f.differs(x, y, bg, 30)) {
        if (x >= f.width / 3 && x < f.width * 2 / 3) continue;
        const int side = x < f.width / 3 ? 0 : 1;
        sum[side] += f.luma(x, y);
        ++count[side];
      }
  if (count[0] + count[1] < static_cast<long long>(f.width) * f.height / 40 || !count[0] || !count[1])
    return ::testing::AssertionFailure() << "no torus: " << count[0] + count[1] << " pixels";
  const double left = static_cast<double>(sum[0]) / count[0], right = static_cast<double>(sum[1]) / count[1];
  if (left < right * 1.3) return ::testing::AssertionFailure() << "left " << left << " vs right " << right;
  return ::testing::AssertionSuccess();
}

// Distinct colours, leaving out the top-left corner where text may stand.
size_t distinctColours(const Frame& f, double minShare) {
  std::map<unsigned, int> counts;
  for (int y = 0; y < f.height * 3 / 4; ++y)
    for (int x = f.width / 4; x < f.width; ++x) {
      const unsigned char* p = f.at(x, y);
      ++counts[static_cast<unsigned>(p[0]) << 16 | static_cast<unsigned>(p[1]) << 8 | p[2]];
    }
  const double total = static_cast<double>(f.height * 3 / 4) * (f.width - f.width / 4);
  size_t n = 0;
  for (const auto& c : counts)
    if (c.second >= total * minShare) ++n;
  return n;
}

::testing::AssertionResult procedural(const Frame& f) {
  const size_t n = distinctColours(f, 0.0);
  if (n <= 16) return ::testing::AssertionFailure() << "only " << n << " colours";
  return ::testing::AssertionSuccess();
}

// Cell shading: a few flat bands, not a gradient, and an ink outline.
::testing::AssertionResult cellShaded(const Frame& f) {
  const size_t bands = distinctColours(f, 0.003);
  long long ink = 0;
  for (int y = 0; y < f.height; ++y)
    for (int x = 0; x < f.width; ++x)
      if (f.luma(x, y) < 20) ++ink;
  if (bands < 3 || bands > 10) return ::testing::AssertionFailure() << bands << " main colours";
  if (ink < static_cast<long long>(f.width) * f.height / 300) return ::testing::AssertionFailure() << "no outline";
  return ::testing::AssertionSuccess();
}

// Pixels unlike the corner: the wires of a tessellated patch.
long long wirePixels(const Frame& f) {
  long long n = 0;
  const unsigned char* bg = f.at(0, 0);
  for (int y = 0; y < f.height; ++y)
    for (int x = 0; x < f.width; ++x) n += f.differs(x, y, bg, 30);
  return n;
}

::testing::AssertionResult wires(const Frame& f) {
  if (wirePixels(f) < static_cast<long long>(f.width) * f.height / 100) return ::testing::AssertionFailure() << "no wires";
  return ::testing::AssertionSuccess();
}

// Separate shapes (8-connected areas unlike the corner) at least as many as
// the instances the scene traced.
::testing::AssertionResult instances(const Frame& f) {
  const long long traced = lastLoggedNumber("geometry instancing: (\\d+) instances");
  if (traced < 2) return ::testing::AssertionFailure() << "no instance count traced";
  const unsigned char* bg = f.at(0, 0);
  std::vector<char> seen(static_cast<size_t>(f.width) * f.height, 0);
  long long shapes = 0;
  for (int y0 = 0; y0 < f.height; ++y0)
    for (int x0 = 0; x0 < f.width; ++x0) {
      if (seen[static_cast<size_t>(y0) * f.width + x0] || !f.differs(x0, y0, bg, 30)) continue;
      std::vector<std::pair<int, int>> stack{{x0, y0}};
      seen[static_cast<size_t>(y0) * f.width + x0] = 1;
      int size = 0;
      while (!stack.empty()) {
        const auto p = stack.back();
        stack.pop_back();
        ++size;
        for (int dy = -1; dy <= 1; ++dy)
          for (int dx = -1; dx <= 1; ++dx) {
            const int x = p.first + dx, y = p.second + dy;
            if (x < 0 || y < 0 || x >= f.width || y >= f.height) continue;
            char& s = seen[static_cast<size_t>(y) * f.width + x];
            if (!s && f.differs(x, y, bg, 30)) {
              s = 1;
              stack.push_back({x, y});
            }
          }
      }
      if (size >= 10) ++shapes;
    }
  if (shapes < traced) return ::testing::AssertionFailure() << shapes << " shapes for " << traced << " instances";
  return ::testing::AssertionSuccess();
}

// The bar along the bottom is count / height pixels long.
::testing::AssertionResult counterBar(const Frame& f) {
  const long long count = lastLoggedNumber("atomic counter: (\\d+) fragments");
  if (count <= 0) return ::testing::AssertionFailure() << "no counter traced";
  int bar = 0;
  while (bar < f.width) {
    const unsigned char* p = f.at(bar, 10);
    if (p[0] < 200 || p[1] < 170 || p[2] > 80) break;
    ++bar;
  }
  const long long expected = count / f.height;
  if (std::abs(bar - expected) > 1)
    return ::testing::AssertionFailure() << "bar of " << bar << " pixels for " << count << " fragments";
  if (expected < f.width / 10) return ::testing::AssertionFailure() << "the disc is too small: " << count;
  return ::testing::AssertionSuccess();
}

// Blurred along the rays from the centre: the picture changes much less
// along a ray than across it.
::testing::AssertionResult radialBlur(const Frame& f) {
  const double cx = f.width * 0.5, cy = f.height * 0.5, span = std::min(f.width, f.height) * 0.5;
  double along = 0, across = 0;
  for (int y = 0; y < f.height; ++y)
    for (int x = 0; x < f.width; ++x) {
      const double dx = x - cx, dy = y - cy, r = std::sqrt(dx * dx + dy * dy);
      if (r < span * 0.3 || r > span * 0.9) continue;
      const double ux = dx / r, uy = dy / r;
      const int ax = static_cast<int>(std::lround(x + ux * 2)), ay = static_cast<int>(std::lround(y + uy * 2));
      const int tx = static_cast<int>(std::lround(x - uy * 2)), ty = static_cast<int>(std::lround(y + ux * 2));
      // Squared steps: a blurred edge spreads into many small ones.
      along += std::pow(f.luma(ax, ay) - f.luma(x, y), 2.0);
      across += std::pow(f.luma(tx, ty) - f.luma(x, y), 2.0);
    }
  if (across <= 0 || along > across * 0.5)
    return ::testing::AssertionFailure() << "along the rays " << along << ", across " << across;
  return ::testing::AssertionSuccess();
}

// The framework refused the scene in its start-up, naming the feature.
bool refusedFor(const char* feature) {
  bool named = false, refused = false;
  for (const std::string& line : readLines(kLogFile)) {
    if (line.find("[STV] - ") == std::string::npos) continue;
    named = named || line.find(feature) != std::string::npos;
    refused = refused || line.find("Unable to compile the demo.") != std::string::npos ||
              line.find("Unable to create the 3D window.") != std::string::npos;
  }
  return named && refused;
}

struct SceneCase {
  const char* id;
  Check check;           // the family's check of the last frame
  const char* feature;   // a feature this machine may lack: the scene refuses without it
};

const SceneCase kScenes[] = {
    {"vk2_mesh_shader", nullptr, "VK_NV_mesh_shader"},
    {"vk2_draw_stress_test", procedural, nullptr},
    {"vk2_tessellation", wires, nullptr},
    {"vk2_phong_lighting", litTorus, nullptr},
    {"vk2_triangle", rgbTriangle, nullptr},
    {"vk2_shadertoy_geomechanical", procedural, nullptr},
    {"vk_shadertoy_seascape", procedural, nullptr},
    {"vk_normal_mapping", procedural, nullptr},
    {"vk_postfx01", radialBlur, nullptr},
    {"gl46_spirv", litTorus, "GL_ARB_gl_spirv"},
    {"gl43_compte_shaders", procedural, nullptr},
    {"gl43_nv_shader_thread_group", procedural, "GL_NV_shader_thread_group"},
    {"gl43_arb_shader_atomic_counters", counterBar, nullptr},
    {"gl40_tessellation_v3", wires, nullptr},
    {"gl40_tessellation_v2", wires, nullptr},
    {"gl40_tessellation_v1", wires, nullptr},
    {"gl32_draw_stress_test", procedural, nullptr},
    {"gl32_shadertoy_covid19", procedural, nullptr},
    {"gl32_shadertoy_seascape", procedural, nullptr},
    {"gl32_phong_lighting", litTorus, nullptr},
    {"gl32_triangle", rgbTriangle, nullptr},
    {"gl32_geometry_instancing", instances, nullptr},
    {"gl32_gs_mesh_exploder", procedural, nullptr},
    {"gl32_env_sphere_mapping", procedural, nullptr},
    {"gl21_cellshading", cellShaded, nullptr},
    {"gl21_shadertoy_mp_alien_corridor", procedural, nullptr},
    {"gl21_shadertoy_mp_rainforest", procedural, nullptr},
    {"gl21_shadertoy_mp_radialblur", radialBlur, nullptr},
    {"gl21_shadertoy_mp_rhodium", procedural, nullptr},
    {"gl11_triangle", rgbTriangle, nullptr},
};

class SceneTest : public LauncherTest, public ::testing::WithParamInterface<SceneCase> {};

// The client height of a demo window asked for with this height: the window
// is sized as if it had a menu, and without one the menu's height goes to
// the client area.
int windowedClientHeight(int height) {
  RECT withMenu = {0, 0, 320, height}, without = {0, 0, 320, height};
  AdjustWindowRect(&withMenu, WS_OVERLAPPEDWINDOW, TRUE);
  AdjustWindowRect(&without, WS_OVERLAPPEDWINDOW, FALSE);
  return height + (withMenu.bottom - withMenu.top) - (without.bottom - without.top);
}

// Runs as "/run_tvl_demo=ID /benchmark_duration=1500 /benchmark_log_results"
// does: either a benchmark row with frames and an average above zero and a
// last frame that passes the family's check, or a refusal that names the
// missing feature and closes the window at once.
TEST_P(SceneTest, DrawsWhatItsTitlePromisesOrRefuses) {
  const SceneCase& scene = GetParam();
  const SdkDemoRecord* record = GetSdkDemo(catalogueIndexOf(scene.id));
  ASSERT_NE(nullptr, record) << "no scene file for " << scene.id;
  const bool vulkan = record->title.find("Vulkan") != std::string::npos;
  if (vulkan && !g_vulkanDetected) GTEST_SKIP() << "no Vulkan device";
  g_app.tvlDemoDurationMs = 1500;
  FrameTap tap;
  ASSERT_TRUE(StartSdkDemoByName(scene.id, 320, 240, "Off", false, vulkanIndex()));
  ASSERT_TRUE(pumpUntilQuit(30000)) << "the demo did not end";
  ASSERT_TRUE(pumpUntil([] { return !IsSdkDemoRunning(); }, 10000));
  EXPECT_EQ(nullptr, FindWindowA("#32770", nullptr)) << "a message box is open";

  if (scene.feature && refusedFor(scene.feature)) {
    EXPECT_FALSE(logHas("TVL DEMO - benchmark completed"));
    EXPECT_FALSE(fileExists(kCsvFile));
    EXPECT_EQ(0, tap.count()) << "a refused scene drew";
    return;
  }
  EXPECT_TRUE(logHas(std::string("[STV] - ") + scene.id + " scene ready"));
  const std::vector<std::string> csv = readLines(kCsvFile);
  ASSERT_EQ(2u, csv.size());
  EXPECT_EQ(kCsvHeader, csv[0]);
  std::smatch m;
  const int height = windowedClientHeight(240);
  const std::regex rowPattern("\"([^\"]+)\",\"([^\"]*)\",\"([^\"]+)\",320," + std::to_string(height) +
                              ",\"Off\",\"no\",(\\d+),(\\d+),1500");
  ASSERT_TRUE(std::regex_match(csv[1], m, rowPattern)) << csv[1];
  EXPECT_EQ(scene.id, m[3].str());
  EXPECT_GT(std::stoi(m[4].str()), 0) << "average FPS";
  EXPECT_GT(std::stoi(m[5].str()), 0) << "no frame rendered";
  if (vulkan) {
    EXPECT_EQ(GetVulkanDeviceName(0), m[1].str());
  }
  if (!scene.check) return;
  const Frame frame = tap.last();
  ASSERT_EQ(320, frame.width);
  ASSERT_EQ(height, frame.height);
  EXPECT_TRUE(scene.check(frame));
}

INSTANTIATE_TEST_SUITE_P(Catalogue, SceneTest, ::testing::ValuesIn(kScenes),
                         [](const ::testing::TestParamInfo<SceneCase>& info) { return std::string(info.param.id); });

// The tessellation level follows the mouse: more wires on the right.
::testing::AssertionResult moreWiresOnTheRight(const Frame& left, const Frame& right) {
  const long long a = wirePixels(left), b = wirePixels(right);
  if (b < a * 3 / 2) return ::testing::AssertionFailure() << a << " wire pixels on the left, " << b << " on the right";
  return ::testing::AssertionSuccess();
}

// Horizontal centre of the particles' light.
double brightCentre(const Frame& f) {
  double sum = 0, weight = 0;
  for (int y = 0; y < f.height; ++y)
    for (int x = 0; x < f.width; ++x) {
      const int l = f.luma(x, y);
      if (l > 10) sum += static_cast<double>(x) * l, weight += l;
    }
  return weight > 0 ? sum / weight : -1.0;
}

// The particles gather where the mouse is.
::testing::AssertionResult particlesFollowTheMouse(const Frame& left, const Frame& right) {
  const double a = brightCentre(left), b = brightCentre(right);
  if (a < 0 || b < a + left.width * 0.2)
    return ::testing::AssertionFailure() << "particles centred at " << a << " then " << b << " (" << right.width << "x"
                                         << right.height << ", centre luma " << right.luma(right.width / 2, right.height / 2)
                                         << ")";
  return ::testing::AssertionSuccess();
}

struct MouseCase {
  const char* id;
  ::testing::AssertionResult (*moved)(const Frame& left, const Frame& right);
};

const MouseCase kMouseScenes[] = {{"gl40_tessellation_v1", moreWiresOnTheRight},
                                  {"gl40_tessellation_v2", moreWiresOnTheRight},
                                  {"gl40_tessellation_v3", moreWiresOnTheRight},
                                  {"vk2_tessellation", moreWiresOnTheRight},
                                  {"gl43_compte_shaders", particlesFollowTheMouse}};

class MouseSceneTest : public LauncherTest, public ::testing::WithParamInterface<MouseCase> {};

// Frames drawn after the moment, at least minFrames of them and settleMs.
bool waitForFrames(FrameTap& tap, int minFrames, ULONGLONG settleMs) {
  const int start = tap.count();
  const ULONGLONG since = GetTickCount64();
  return pumpUntil([&] { return tap.count() >= start + minFrames && GetTickCount64() - since >= settleMs; }, 20000);
}

TEST_P(MouseSceneTest, MovingTheMouseChangesThePicture) {
  const MouseCase& scene = GetParam();
  SdkDemoRecord* record = GetSdkDemo(catalogueIndexOf(scene.id));
  ASSERT_NE(nullptr, record);
  const bool vulkan = record->title.find("Vulkan") != std::string::npos;
  if (vulkan && !g_vulkanDetected) GTEST_SKIP() << "no Vulkan device";
  FrameTap tap;
  ASSERT_TRUE(StartSdkDemoByName(scene.id, 320, 240, "Off", false, vulkan ? vulkanIndex() : -1));
  ASSERT_TRUE(waitForFrames(tap, 2, 0));
  PostMessageA(record->window, WM_MOUSEMOVE, 0, MAKELPARAM(24, 120));
  ASSERT_TRUE(waitForFrames(tap, 4, 1500));
  const Frame left = tap.last();
  PostMessageA(record->window, WM_MOUSEMOVE, 0, MAKELPARAM(296, 120));
  ASSERT_TRUE(waitForFrames(tap, 4, 1500));
  EXPECT_TRUE(scene.moved(left, tap.last()));
  PostMessageA(record->window, WM_CLOSE, 0, 0);
  EXPECT_TRUE(pumpUntilQuit(10000));
}

INSTANTIATE_TEST_SUITE_P(Catalogue, MouseSceneTest, ::testing::ValuesIn(kMouseScenes),
                         [](const ::testing::TestParamInfo<MouseCase>& info) { return std::string(info.param.id); });

class SceneWindowTest : public LauncherTest {};

struct ResizeCase {
  const char* id;
  Check check;
};

// The OpenGL renderer and both Vulkan plug-in generations.
const ResizeCase kResizeScenes[] = {
    {"gl32_phong_lighting", litTorus}, {"vk2_phong_lighting", litTorus}, {"vk_normal_mapping", procedural}};

class ResizeSceneTest : public LauncherTest, public ::testing::WithParamInterface<ResizeCase> {};

// A window made larger keeps showing the whole scene at its new size.
TEST_P(ResizeSceneTest, ResizedSceneKeepsDrawingAtItsNewSize) {
  const ResizeCase& scene = GetParam();
  SdkDemoRecord* record = GetSdkDemo(catalogueIndexOf(scene.id));
  ASSERT_NE(nullptr, record);
  const bool vulkan = record->title.find("Vulkan") != std::string::npos;
  if (vulkan && !g_vulkanDetected) GTEST_SKIP() << "no Vulkan device";
  FrameTap tap;
  ASSERT_TRUE(StartSdkDemoByName(scene.id, 320, 240, "Off", false, vulkan ? vulkanIndex() : -1));
  ASSERT_TRUE(waitForFrames(tap, 2, 0));
  setClientSize(record->window, 480, 360);
  ASSERT_TRUE(pumpUntil([&] { return tap.last().width == 480; }, 20000));
  ASSERT_TRUE(waitForFrames(tap, 2, 0));
  const Frame frame = tap.last();
  EXPECT_EQ(360, frame.height);
  EXPECT_TRUE(scene.check(frame));
  PostMessageA(record->window, WM_CLOSE, 0, 0);
  EXPECT_TRUE(pumpUntilQuit(10000));
}

INSTANTIATE_TEST_SUITE_P(Catalogue, ResizeSceneTest, ::testing::ValuesIn(kResizeScenes),
                         [](const ::testing::TestParamInfo<ResizeCase>& info) { return std::string(info.param.id); });

// A scene file whose content cannot be built is refused with a line that
// names the fault, and its window closes: on the framework's OpenGL renderer
// and through both Vulkan plug-ins.
TEST_F(SceneWindowTest, BrokenSceneContentIsRefusedWithItsFault) {
  writeScene("scene_broken.frag", "#version 150\nout vec4 c;\nvoid main() { c = undefined_value; }\n");
  struct Broken {
    const char* id;
    const char* renderer;
    const char* content;
    const char* fault;
  };
  const Broken cases[] = {
      {"scene_no_such_kind", "OpenGL", "<content kind=\"hologram\" />", "Unknown scene content \"hologram\""},
      {"scene_missing_shader", "OpenGL",
       "<content kind=\"rgb_triangle\"><program name=\"main\"><shader file=\"nowhere.vert\" /></program></content>",
       "nowhere.vert: the file does not open"},
      {"scene_bad_shader", "OpenGL",
       "<content kind=\"fullscreen_passes\"><program name=\"p\"><shader file=\"scene_broken.frag\" />"
       "</program></content>",
       "scene_broken.frag: "},
      {"scene_no_program", "OpenGL", "<content kind=\"rgb_triangle\" />", "The scene has no program \"main\""},
      {"scene_absolute_shader", "OpenGL",
       "<content kind=\"rgb_triangle\"><program name=\"main\"><shader file=\"C:\\x.vert\" /></program></content>",
       "a <shader> needs a relative file"},
      {"scene_vk_no_such_kind", "Vulkan2", "<content kind=\"hologram\" />", "Unknown scene content \"hologram\""},
      {"scene_vk_missing_shader", "Vulkan2",
       "<content kind=\"rgb_triangle\"><program name=\"main\"><shader file=\"nowhere.vert.spv\" />"
       "</program></content>",
       "nowhere.vert.spv: the file does not open"},
      {"scene_vk_glsl_shader", "Vulkan",
       "<content kind=\"fullscreen_passes\"><program name=\"p\"><shader file=\"scene_broken.frag\" />"
       "</program></content>",
       "scene_broken.frag is no SPIR-V shader"},
      {"scene_vk_no_program", "Vulkan", "<content kind=\"normal_mapped\" />", "The scene has no program \"main\""},
  };
  for (const Broken& c : cases) {
    SCOPED_TRACE(c.id);
    const bool vulkan = strcmp(c.renderer, "OpenGL") != 0;
    if (vulkan && !g_vulkanDetected) continue;
    const std::string window = std::string("<window name=\"w\" renderer_type=\"") + c.renderer + "\"" +
                               (vulkan ? "" : " gl_version_major=\"3\" gl_version_minor=\"2\" gl_core_profile=\"1\"") +
                               " />";
    const std::string file = writeScene((std::string(c.id) + ".xml").c_str(),
                                        ("<quellin>\n  " + window + "\n  " + c.content + "\n</quellin>\n").c_str());
    ASSERT_TRUE(AddSdkDemo(c.id, c.id, file.c_str()));
    const size_t logged = readLines(kLogFile).size();
    ASSERT_TRUE(StartSdkDemoByName(c.id, 320, 240, "Off", false, vulkan ? vulkanIndex() : -1));
    ASSERT_TRUE(pumpUntilQuit(20000)) << "the window was not closed";
    ASSERT_TRUE(pumpUntil([] { return !IsSdkDemoRunning(); }, 10000));
    // Only this run's lines: the log holds the earlier cases too.
    const std::vector<std::string> lines = readLines(kLogFile);
    bool named = false;
    for (size_t i = logged; i < lines.size(); ++i) {
      named = named || lines[i].find(c.fault) != std::string::npos;
      EXPECT_EQ(std::string::npos, lines[i].find("[STV] - Demo initialized OK."));
    }
    EXPECT_TRUE(named) << c.fault;
  }
}

}  // namespace
