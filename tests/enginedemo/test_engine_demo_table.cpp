// Every engine demo from its start switch, as a timed benchmark: it closes
// by itself, appends its benchmark row, draws a picture of its own (not a
// flat colour, not the empty scene) with its own effect, and gives back
// every engine object. Two demos also run side by side.
#include <gtest/gtest.h>
#include <windows.h>

#include <GL/glew.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "app/MainWindow.h"
#include "demos/DemoCatalogue.h"
#include "demos/DemoControl.h"
#include "demos/DemoStart.h"
#include "demos/EngineDemo.h"
#include "demos/EngineDemoScene.h"
#include "demos/PointSpriteDemo.h"
#include "detect/Scanrik.h"
#include "lumaq.h"
#include "tests/enginedemo/DemoTestHelpers.h"

using namespace Korveth_nsp;

namespace {

const int kWinWidth = 400, kWinHeight = 300;
// The HUD lines fill the band above this row; the logo is the square of
// this side in the bottom right corner.
const int kHudBottom = 80, kLogoSide = 128;

// The latest frame of one demo window, read back before present, with the
// depth buffer and the camera it was drawn with.
struct LastFrame {
  DemoSlot* slot = nullptr;
  // The first frames of the run, drawn with the scene hidden, go there;
  // the scene is shown again once they are in.
  LastFrame* emptyScene = nullptr;
  int emptyFramesLeft = 0;
  std::vector<std::string> lightNames;  // positions taken with the frame
  std::atomic<int> frames{0};
  int width = 0, height = 0;
  std::vector<uint8_t> rgba;  // rows bottom-up
  std::vector<float> depth;
  kvMatrix4 projection, inverseView;
  std::vector<kvVector4> lights;
  int drawsOutsideFrames = -1;
  // A demo's own off-screen pictures, taken with each frame (may be null).
  void (*capture)(LastFrame* frame) = nullptr;
  std::vector<std::vector<float>> targets;  // RGBA floats, rows bottom-up
  int targetSide = 0;

  static void hook(kvRenderWindow* w, void* user) {
    auto* frames = static_cast<std::vector<LastFrame*>*>(user);
    for (LastFrame* f : *frames)
      if (f->slot && f->slot->renderWindow == w) f->route(w);
  }
  void route(kvRenderWindow* w) {
    if (emptyScene && emptyFramesLeft > 0) {
      emptyScene->grab(w);
      if (--emptyFramesLeft == 0) SetEngineDemoSceneHidden(false);
      return;
    }
    grab(w);
  }
  void grab(kvRenderWindow* w) {
    width = w->getWidth();
    height = w->getHeight();
    rgba.assign(static_cast<size_t>(width) * height * 4, 0);
    depth.assign(static_cast<size_t>(width) * height, 1.0f);
    w->readPixels(0, 0, width, height, rgba.data());
    glReadPixels(0, 0, width, height, GL_DEPTH_COMPONENT, GL_FLOAT, depth.data());
    if (slot->camera) {
      projection = slot->camera->getProjectionMatrix();
      inverseView = slot->camera->getInverseViewMatrix();
    }
    lights.clear();
    for (const std::string& name : lightNames)
      if (kvLight* l = kvFindCurrent<kvLight>(name.c_str())) lights.push_back(l->getPosition());
    drawsOutsideFrames = w->getDrawsOutsideFrames();
    if (capture) capture(this);
    ++frames;
  }
  // Window coordinates, y downwards.
  const uint8_t* at(int x, int y) const { return &rgba[(static_cast<size_t>(height - 1 - y) * width + x) * 4]; }
  float depthAt(int x, int y) const { return depth[static_cast<size_t>(height - 1 - y) * width + x]; }
  bool inPicture(int x, int y) const {
    return y >= kHudBottom && !(x >= width - kLogoSide && y >= height - kLogoSide);
  }
  // The world point seen at a pixel; false where nothing was drawn.
  bool worldAt(int x, int y, float out[3]) const {
    const float d = depthAt(x, y);
    if (d >= 1.0f) return false;
    const float* p = projection.m;
    const float zn = 2.0f * d - 1.0f;
    const float ze = -p[14] / (zn + p[10]);
    const float xn = 2.0f * (x + 0.5f) / width - 1.0f, yn = 1.0f - 2.0f * (y + 0.5f) / height;
    const float eye[4] = {xn * -ze / p[0], yn * -ze / p[5], ze, 1.0f};
    for (int r = 0; r < 3; ++r) {
      out[r] = 0;
      for (int c = 0; c < 4; ++c) out[r] += inverseView.m[c * 4 + r] * eye[c];
    }
    return true;
  }
};

float luminance(const uint8_t* p) { return 0.299f * p[0] + 0.587f * p[1] + 0.114f * p[2]; }

// ---------------------------------------------------- the demos' effects --

// Cel shading: the torus (what differs from the blue background) is made
// of a few flat colours, and more than one of them.
void toonBands(const LastFrame& f) {
  std::map<int, int> histogram;
  int torus = 0;
  for (int y = kHudBottom; y < f.height; ++y)
    for (int x = 0; x < f.width; ++x) {
      const uint8_t* p = f.at(x, y);
      if (!f.inPicture(x, y) || (abs(p[0] - 51) + abs(p[1] - 102) + abs(p[2] - 153) < 30)) continue;
      ++torus;
      ++histogram[(p[0] >> 2) << 16 | (p[1] >> 2) << 8 | p[2] >> 2];
    }
  ASSERT_GT(torus, 2000) << "torus pixels";
  std::vector<int> counts;
  for (const auto& bin : histogram) counts.push_back(bin.second);
  std::sort(counts.rbegin(), counts.rend());
  int top = 0, bands = 0;
  for (size_t i = 0; i < counts.size() && i < 5; ++i) {
    top += counts[i];
    if (counts[i] * 20 >= torus) ++bands;
  }
  EXPECT_GT(top * 100, torus * 85) << "the five commonest colours cover the torus";
  EXPECT_GE(bands, 2) << "bands of at least 5% each";
}

// The torus is textured: its pixels hold both tile colours, green and
// magenta, which the reddish and bluish lights alone cannot make (lit
// untextured, green would stay below red and blue everywhere).
void simpleTorusTextured(const LastFrame& f) {
  int green = 0, magenta = 0;
  for (int y = kHudBottom; y < f.height; ++y)
    for (int x = 0; x < f.width; ++x) {
      if (!f.inPicture(x, y)) continue;
      const uint8_t* p = f.at(x, y);
      if (p[1] > p[0] + 25 && p[1] > p[2] + 25) ++green;
      if (p[0] > p[1] + 25 && p[2] > p[1] + 25) ++magenta;
    }
  EXPECT_GT(green, 300);
  EXPECT_GT(magenta, 300);
}

// The plane is lifted by the texture: the world heights of its pixels
// (from the depth buffer) reach well above the flat plane and vary.
void vtfDisplaced(const LastFrame& f) {
  float low = 1e9f, high = -1e9f;
  int seen = 0;
  for (int y = kHudBottom; y < f.height; y += 2)
    for (int x = 0; x < f.width; x += 2) {
      float w[3];
      if (!f.inPicture(x, y) || !f.worldAt(x, y, w)) continue;
      ++seen;
      low = std::min(low, w[1]);
      high = std::max(high, w[1]);
    }
  ASSERT_GT(seen, 1000);
  EXPECT_GT(high, 60.0f) << "highest point of the plane";
  EXPECT_GT(high - low, 50.0f) << "spread of the heights";
}

// Distance from point c to the segment a-b.
float segmentDistance(const float a[3], const float b[3], const float c[3]) {
  float ab[3], ac[3], t = 0, len = 0;
  for (int i = 0; i < 3; ++i) {
    ab[i] = b[i] - a[i];
    ac[i] = c[i] - a[i];
    t += ab[i] * ac[i];
    len += ab[i] * ab[i];
  }
  t = len > 0 ? std::max(0.0f, std::min(1.0f, t / len)) : 0;
  float d = 0;
  for (int i = 0; i < 3; ++i) d += (a[i] + ab[i] * t - c[i]) * (a[i] + ab[i] * t - c[i]);
  return sqrtf(d);
}

// How far the segment a-b keeps from the scene's occluders (the surfaces of
// the four spheres and the two tori), negative when it passes through one.
float clearance(const float a[3], const float b[3]) {
  static const float spheres[4][3] = {{-200, 55, -200}, {200, 55, -200}, {200, 55, 200}, {-200, 55, 200}};
  float best = 1e9f;
  for (const auto& c : spheres) best = std::min(best, segmentDistance(a, b, c) - 50.0f);
  static const float rings[2][2] = {{100, 20}, {65, 15}};  // radius, tube
  for (int i = 0; i <= 64; ++i) {
    float q[3];
    for (int k = 0; k < 3; ++k) q[k] = a[k] + (b[k] - a[k]) * i / 64.0f;
    for (const auto& r : rings)
      best = std::min(best, hypotf(hypotf(q[0], q[2]) - r[0], q[1] - 125.0f) - r[1]);
  }
  return best;
}

// Ground seen in the frame (world points from the depth buffer) in the
// shadow of one light only: darker than ground that both lights reach, and
// tinted by the other light (one light is orange, the other blue). Both are
// measured against what the two lights would give there unshadowed (the
// diffuse term of a light on the ground is its N.L), so that the places of
// the shadows, nearer one light or the other, do not decide.
void softShadowDarker(const LastFrame& f) {
  ASSERT_EQ(2u, f.lights.size());
  double tint = 0, shadowedLevel = 0, litLevel = 0;
  int shadowedCount = 0, litCount = 0;
  for (int y = kHudBottom; y < f.height; ++y)
    for (int x = 0; x < f.width; ++x) {
      float w[3];
      if (!f.inPicture(x, y) || !f.worldAt(x, y, w)) continue;
      if (fabsf(w[1] - 5.0f) > 2.0f || fabsf(w[0]) > 280 || fabsf(w[2]) > 280) continue;  // ground top
      int blocked = -1, clear = 0;
      float lambert[2];
      for (int k = 0; k < 2; ++k) {
        const kvVector4& l = f.lights[k];
        const float light[3] = {l.x, l.y, l.z};
        const float c = clearance(w, light);
        if (c < -12.0f) blocked = k;
        if (c > 25.0f) ++clear;
        const float d[3] = {l.x - w[0], l.y - w[1], l.z - w[2]};
        lambert[k] = d[1] / sqrtf(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
      }
      const uint8_t* p = f.at(x, y);
      // Red over blue against the lights' own red over blue there: orange
      // light 0 gives red, blue light 1 gives blue.
      const float expected = (0.9f * lambert[0] + 0.2f * lambert[1]) / (0.2f * lambert[0] + 0.9f * lambert[1]);
      const float seen = (p[0] + 1.0f) / (p[2] + 1.0f);
      // Luminance of the global ambient and of each light's ambient and
      // diffuse terms, all lit.
      const float unshadowed = 0.2f + 0.22f + 0.527f * lambert[0] + 0.18f + 0.398f * lambert[1];
      if (clear == 2) {
        litLevel += luminance(p) / unshadowed;
        ++litCount;
      } else if (blocked >= 0 && clear == 1) {
        tint += blocked == 0 ? expected / seen : seen / expected;
        shadowedLevel += luminance(p) / unshadowed;
        ++shadowedCount;
      }
    }
  ASSERT_GT(litCount, 200) << "lit ground pixels";
  ASSERT_GT(shadowedCount, 30) << "ground pixels in one light's shadow";
  EXPECT_LT(shadowedLevel / shadowedCount, 0.8 * litLevel / litCount) << "a shadow is darker than the lit ground";
  EXPECT_GT(tint / shadowedCount, 1.5) << "the other light's colour dominates in a shadow";
}

// The asteroids: world points of the frame (from the depth buffer) in the
// belt's ring around the planet fall into many separate places along it,
// not one pile.
void instancesApart(const LastFrame& f) {
  std::map<int, int> cells;  // 6 x 6 units of the ring's plane
  int belt = 0;
  for (int y = kHudBottom; y < f.height; ++y)
    for (int x = 0; x < f.width; ++x) {
      float w[3];
      if (!f.inPicture(x, y) || !f.worldAt(x, y, w)) continue;
      const float r = hypotf(w[0], w[2]);
      if (r < 76.0f || r > 124.0f || fabsf(w[1]) > 7.0f) continue;
      ++belt;
      ++cells[static_cast<int>(floorf(w[0] / 6.0f)) * 1000 + static_cast<int>(floorf(w[2] / 6.0f))];
    }
  EXPECT_GT(belt, 3000) << "pixels on asteroids";
  EXPECT_GT(cells.size(), 40u) << "places of the belt with asteroids";
}

// The scene target's colour and depth-and-blur outputs and the depth of
// field target, read at the end of the frame.
void captureHdrTargets(LastFrame* f) {
  kvRenderTarget* targets[2] = {nullptr, nullptr};
  for (int i = 0; i < 2; ++i) {
    const std::string name = "HdrDofTarget" + std::to_string(i) + "_" + std::to_string(f->slot->engineId);
    targets[i] = kvFindCurrent<kvRenderTarget>(name.c_str());
    if (!targets[i]) return;
  }
  const int side = targets[0]->getWidth();
  f->targetSide = side;
  f->targets.assign(3, std::vector<float>(static_cast<size_t>(side) * side * 4));
  const struct {
    kvRenderTarget* target;
    GLenum buffer;
  } reads[3] = {{targets[0], GL_COLOR_ATTACHMENT0}, {targets[0], GL_COLOR_ATTACHMENT1}, {targets[1], GL_COLOR_ATTACHMENT0}};
  for (int i = 0; i < 3; ++i) {
    reads[i].target->bind();
    glReadBuffer(reads[i].buffer);
    glReadPixels(0, 0, side, side, GL_RGBA, GL_FLOAT, f->targets[i].data());
  }
  kvRenderTarget::unbind();
  glReadBuffer(GL_BACK);
}

// Depth of field: where the knot is in focus (blur 0) the filtered picture
// keeps the scene's colour; where its depth is far from the focus (blur
// over a half) the filter mixes in the neighbours: the colour changes.
// (Colours compared up to 1: the HDR highlights go far above.) The
// background keeps the cleared depth 0 and blur 0.
void blurWhereDepthDiffers(const LastFrame& f) {
  ASSERT_EQ(3u, f.targets.size()) << "the HDR targets were not found";
  const int n = f.targetSide;
  const std::vector<float>&scene = f.targets[0], &depthBlur = f.targets[1], &dof = f.targets[2];
  double focusedDiff = 0, blurredDiff = 0;
  int focused = 0, blurred = 0;
  for (size_t i = 0; i < static_cast<size_t>(n) * n * 4; i += 4) {
    const float blur = depthBlur[i + 1];
    const bool inFocus = blur < 0.02f && depthBlur[i] > 0.0f;
    if (!inFocus && blur < 0.5f) continue;
    double diff = 0;
    for (int c = 0; c < 3; ++c) diff += fabs(std::min(dof[i + c], 1.0f) - std::min(scene[i + c], 1.0f));
    (inFocus ? focusedDiff : blurredDiff) += diff;
    ++(inFocus ? focused : blurred);
  }
  ASSERT_GT(focused, 500) << "pixels in focus";
  ASSERT_GT(blurred, 2000) << "pixels far from the focus";
  EXPECT_LT(focusedDiff / focused, 0.01) << "colour change in focus";
  EXPECT_GT(blurredDiff / blurred, 0.03) << "colour change far from the focus";
  EXPECT_GT(blurredDiff / blurred, 5 * focusedDiff / focused);
}

// The first frame with particles, as they are born: all at the emitter,
// so the sprites fall on one another there.
void captureFirstSprites(LastFrame* f) {
  if (!f->targets.empty() || PointSpriteLiveCount() <= 0) return;
  f->targets.assign(1, std::vector<float>(f->rgba.begin(), f->rgba.end()));
}

// Point sprites are textured discs: the newborn sprites, stacked at the
// emitter, saturate a round spot about as wide as a sprite, which fills
// its box like a disc or half a disc (pi / 4), not like a square.
void spritesAsDiscs(const LastFrame& f) {
  ASSERT_EQ(1u, f.targets.size()) << "no frame with particles";
  const std::vector<float>& first = f.targets[0];
  int area = 0, left = f.width, right = -1, top = f.height, bottom = -1;
  for (int y = kHudBottom; y < f.height; ++y)
    for (int x = 0; x < f.width; ++x) {
      const float* p = &first[(static_cast<size_t>(f.height - 1 - y) * f.width + x) * 4];
      if (!f.inPicture(x, y) || p[0] < 235 || p[1] < 235 || p[2] < 235) continue;
      ++area;
      left = std::min(left, x), right = std::max(right, x), top = std::min(top, y), bottom = std::max(bottom, y);
    }
  ASSERT_GT(area, 0) << "no white spot at the emitter";
  // The ground in front may hide a part of the spot.
  const int w = right - left + 1, h = bottom - top + 1;
  EXPECT_GE(std::max(w, h), 6);
  EXPECT_LE(std::max(w, h), 14);
  const double fill = static_cast<double>(area) / (w * h);
  EXPECT_GT(fill, 0.6) << "the spot's share of its box";
  EXPECT_LT(fill, 0.9) << "the spot's share of its box";
}

// One row per demo: its start switch, its benchmark test name, the names
// of its lights (positions kept with each frame) and the check of its own
// effect.
struct EngineDemoRow {
  const char* switchName;
  const char* testName;
  int slot;
  std::vector<std::string> lightNames;
  void (*effect)(const LastFrame& frame);
  void (*capture)(LastFrame* frame) = nullptr;
  // Long enough for an FPS window to close after the first frame, which
  // the software driver makes slow (it compiles programs at their first
  // draw); the slowest demos take longer.
  int durationMs = 2000;
};

void PrintTo(const EngineDemoRow& row, std::ostream* os) { *os << row.switchName; }

std::atomic<int> g_mainWindowCloses{0};

LRESULT CALLBACK mainWindowProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_CLOSE) {
    ++g_mainWindowCloses;
    return 0;
  }
  return DefWindowProcA(w, msg, wp, lp);
}

std::string benchPath() { return std::string(g_app.appDirectory) + "bench_result.csv"; }

std::vector<std::string> benchRows() {
  std::vector<std::string> rows;
  FILE* f = fopen(benchPath().c_str(), "r");
  if (!f) return rows;
  char line[1024];
  while (fgets(line, sizeof(line), f)) {
    std::string s(line);
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
    rows.push_back(s);
  }
  fclose(f);
  if (!rows.empty()) rows.erase(rows.begin());  // the header
  return rows;
}

// Column "AVG FPS", counted from the end (quoted texts hold no commas here).
int averageFps(const std::string& row) {
  std::vector<std::string> fields;
  size_t start = 0;
  for (size_t comma; (comma = row.find(',', start)) != std::string::npos; start = comma + 1)
    fields.push_back(row.substr(start, comma - start));
  fields.push_back(row.substr(start));
  return fields.size() >= 4 ? atoi(fields[fields.size() - 4].c_str()) : -1;
}

class EngineDemoRunTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    resetStateAndDetection();
    WNDCLASSA wc = {};
    wc.lpfnWndProc = mainWindowProc;
    wc.lpszClassName = "QvEngineDemoTableMain";
    RegisterClassA(&wc);
  }
  void SetUp() override {
    m_program = LoadLibraryExA("quorvel.exe", nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, m_program);
    g_app.instance = reinterpret_cast<HINSTANCE>(m_program);
    g_currentCatalogue = kGlDemoCatalogue;
    g_app.furNoiseTextureSize = 128;  // a quicker fur set-up
    m_main = CreateWindowA("QvEngineDemoTableMain", "main", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                           nullptr);
    g_app.mainWindow = m_main;
    clearSwitches();
    DeleteFileA(benchPath().c_str());
  }
  void TearDown() override {
    Korveth::getInstance()->setFrameHook(nullptr, nullptr);
    SetEngineDemoSceneHidden(false);
    EndAllDemos();
    clearSwitches();
    g_app.mainWindow = nullptr;
    DestroyWindow(m_main);
    DeleteFileA(benchPath().c_str());
    FreeLibrary(m_program);
  }
  static void clearSwitches() {
    for (bool& flag : g_app.autostart) flag = false;
    g_app.demoDurationMs = 0;
    g_app.benchmarkLog = false;
    g_app.closeAppAtDemoEnd = false;
  }
  // Starts the demo of a command line; the frames of its slot go to frame.
  void startWithSwitches(const std::string& line, LastFrame* frame) {
    clearSwitches();
    ParseCommandLine(line.c_str());
    m_frames = {frame};
    Korveth::getInstance()->setFrameHook(LastFrame::hook, &m_frames);
    StartDemoOfSwitches(m_main);
  }

  HMODULE m_program = nullptr;
  HWND m_main = nullptr;
  std::vector<LastFrame*> m_frames;
};

class EngineDemoTable : public EngineDemoRunTest, public ::testing::WithParamInterface<EngineDemoRow> {};

std::string sizeSwitches() {
  return " /demo_win_width=" + std::to_string(kWinWidth) + " /demo_win_height=" + std::to_string(kWinHeight);
}

TEST_P(EngineDemoTable, TimedRunDrawsItsOwnPictureAndGivesEverythingBack) {
  const EngineDemoRow& row = GetParam();
  DemoSlot* slot = &g_app.demoSlots[row.slot];
  const int objects = kvObject::getLiveCount();

  // The reference: the first frames, drawn with the scene left empty.
  LastFrame empty, frame;
  empty.slot = frame.slot = slot;
  frame.emptyScene = &empty;
  frame.emptyFramesLeft = 2;
  frame.lightNames = row.lightNames;
  frame.capture = row.capture;
  SetEngineDemoSceneHidden(true);
  g_mainWindowCloses = 0;
  const ULONGLONG start = GetTickCount64();
  startWithSwitches(std::string(row.switchName) + " /benchmark_duration=" + std::to_string(row.durationMs) +
                        " /benchmark_log_results /close_app_end_of_demo" + sizeSwitches(),
                    &frame);
  HWND window = slot->window;
  ASSERT_NE(nullptr, window) << "the switch started no demo";
  ASSERT_TRUE(pumpUntil([&] { return !IsWindow(window) && g_mainWindowCloses > 0; }, 40000))
      << "the demo closes itself and the main window";
  ReleaseEndedDemoThread(slot);
  EXPECT_EQ(nullptr, slot->thread);
  EXPECT_EQ(1, slot->doneFlag.load());
  EXPECT_LT(GetTickCount64() - start, 30000u);

  std::vector<std::string> rows = benchRows();
  ASSERT_EQ(1u, rows.size());
  EXPECT_NE(std::string::npos, rows[0].find(std::string("\"") + row.testName + "\"")) << rows[0];
  EXPECT_GT(averageFps(rows[0]), 0) << rows[0];
  EXPECT_EQ(objects, kvObject::getLiveCount()) << "engine objects left behind";

  ASSERT_EQ(2, empty.frames.load());
  ASSERT_GT(frame.frames.load(), 0);
  EXPECT_EQ(0, frame.drawsOutsideFrames) << "meshes drawn outside the timed frames";
  ASSERT_EQ(empty.width, frame.width);
  // Not a flat colour, and not the empty scene.
  long region = 0, changed = 0;
  double sum = 0, sum2 = 0;
  for (int y = 0; y < frame.height; ++y)
    for (int x = 0; x < frame.width; ++x) {
      if (!frame.inPicture(x, y)) continue;
      const uint8_t *p = frame.at(x, y), *q = empty.at(x, y);
      ++region;
      const float l = luminance(p);
      sum += l;
      sum2 += l * l;
      if (abs(p[0] - q[0]) > 24 || abs(p[1] - q[1]) > 24 || abs(p[2] - q[2]) > 24) ++changed;
    }
  const double mean = sum / region;
  EXPECT_GT(sqrt(std::max(0.0, sum2 / region - mean * mean)), 8.0) << "spread of the luminance";
  EXPECT_GT(changed * 20, region) << "pixels that differ from the empty scene";
  row.effect(frame);
}

// Two engine demos started together from the tab, one timed by the tick
// timer (fur cube) and one by its own performance timer (toon shading):
// both draw, both end by their duration under the one engine lock, both
// write their row, and the engine objects of both are given back.
TEST_F(EngineDemoRunTest, TwoDemosAtOnceBothRunAndBothEnd) {
  const int objects = kvObject::getLiveCount();
  ParseCommandLine("/benchmark_duration=2000 /benchmark_log_results");
  g_app.demoWinWidth = kWinWidth;
  g_app.demoWinHeight = kWinHeight;
  LastFrame fur, toon;
  fur.slot = &g_app.demoSlots[kSlotFur];
  toon.slot = &g_app.demoSlots[kSlotToon];
  m_frames = {&fur, &toon};
  Korveth::getInstance()->setFrameHook(LastFrame::hook, &m_frames);
  ASSERT_TRUE(StartCatalogueGlDemo(nullptr, 3, false));
  ASSERT_TRUE(StartCatalogueGlDemo(nullptr, 9, false));
  HWND windows[2] = {fur.slot->window, toon.slot->window};
  ASSERT_TRUE(pumpUntil([&] { return !IsWindow(windows[0]) && !IsWindow(windows[1]); }, 40000))
      << "both end by their duration";
  for (LastFrame* f : m_frames) {
    ReleaseEndedDemoThread(f->slot);
    EXPECT_EQ(nullptr, f->slot->thread);
    EXPECT_EQ(1, f->slot->doneFlag.load());
    EXPECT_GE(f->frames.load(), 2);
  }
  std::vector<std::string> rows = benchRows();
  ASSERT_EQ(2u, rows.size());
  const std::string both = rows[0] + rows[1];
  EXPECT_NE(std::string::npos, both.find("\"GL_Furry_Cube\""));
  EXPECT_NE(std::string::npos, both.find("\"GL_ToonShading\""));
  EXPECT_EQ(objects, kvObject::getLiveCount());
}

// A device that lacks what a demo needs (an old OpenGL, a vertex texture
// unit, room for a fixed size) makes the demo refuse with its message before
// its first frame: its window closes, no benchmark row is written and every
// engine object it had made is given back.
TEST_F(EngineDemoRunTest, MissingDeviceLimitsRefuseWithAMessage) {
  HardwareSummary& device = DetectionState().summary;
  const int real[3] = {device.glMajor, device.glMinor, device.maxVertexTextureImageUnits};
  // The requirements come from the detection context, the sizes from the
  // engine's caps of the demo's render window.
  kvHardwareCaps* caps = kvHardwareCaps::getInstance();
  struct Case {
    int row, slot;
    void (*limit)(HardwareSummary& s);
    const char* message;  // its start
  } cases[] = {
      {10, kSlotSimpleTorus, [](HardwareSummary& s) { s.glMajor = 1, s.glMinor = 1; },
       "This demo requires the support OpenGL 1.2."},
      {8, kSlotVtf, [](HardwareSummary& s) { s.maxVertexTextureImageUnits = 0; },
       "This demo requires at least one vertex texture unit."},
      {8, kSlotVtf,
       [](HardwareSummary&) { kvHardwareCaps::getInstance()->overrideLimit(kvHardwareCaps::kMaxTextureSize, 128); },
       "The displacement map of 256 x 256 exceeds this device's limits (texture size 128"},
      {6, kSlotSoftShadows,
       [](HardwareSummary&) { kvHardwareCaps::getInstance()->overrideLimit(kvHardwareCaps::kMaxViewportSize, 512); },
       "The shadow map of 1024 x 1024 exceeds this device's limits"},
  };
  ParseCommandLine("/benchmark_log_results");
  for (const Case& c : cases) {
    const int objects = kvObject::getLiveCount();
    c.limit(device);
    {
      ErrorBoxes boxes;
      ASSERT_TRUE(StartCatalogueGlDemo(nullptr, c.row, false)) << c.message;
      HWND window = g_app.demoSlots[c.slot].window;
      EXPECT_TRUE(pumpUntil([&] { return !IsWindow(window); }, 20000)) << c.message;
      ASSERT_EQ(1u, boxes.seen.size()) << c.message;
      EXPECT_EQ(0u, boxes.seen[0].find(c.message)) << boxes.seen[0];
    }
    device.glMajor = real[0];
    device.glMinor = real[1];
    device.maxVertexTextureImageUnits = real[2];
    caps->overrideLimit(kvHardwareCaps::kMaxTextureSize, -1);
    caps->overrideLimit(kvHardwareCaps::kMaxViewportSize, -1);
    ReleaseEndedDemoThread(&g_app.demoSlots[c.slot]);
    EXPECT_EQ(0, g_app.demoSlots[c.slot].doneFlag.load()) << c.message;
    EXPECT_EQ(objects, kvObject::getLiveCount()) << c.message;
    EXPECT_TRUE(benchRows().empty()) << c.message;
  }
}

// Without its model file the HDR demo draws its knot from the formula,
// made with the parameters (130, 60, 30): 60 rings per lobe of the trefoil,
// 30 sides around.
TEST_F(EngineDemoRunTest, HdrWithoutItsModelDrawsTheKnotFromItsFormula) {
  // A program folder with the demo's textures and no model.
  const std::string real = g_app.appDirectory;
  char cwd[MAX_PATH] = "";
  GetCurrentDirectoryA(sizeof(cwd), cwd);
  const std::string folder = real + "hdr_without_model\\";
  for (const char* dir : {"", "media", "media\\textures"}) CreateDirectoryA((folder + dir).c_str(), nullptr);
  for (const char* file : {"media\\textures\\hdr_dof_tex.jpg", "media\\textures\\galileo_cross.hdr"})
    ASSERT_TRUE(CopyFileA((real + file).c_str(), (folder + file).c_str(), FALSE)) << file;
  snprintf(g_app.appDirectory, sizeof(g_app.appDirectory), "%s", folder.c_str());
  struct KnotFrame : LastFrame {
    int knotTriangles = -1;
  } frame;
  frame.slot = &g_app.demoSlots[kSlotHdrDof];
  frame.capture = [](LastFrame* f) {
    static_cast<KnotFrame*>(f)->knotTriangles = EngineMeshTriangles(kvFindCurrent<kvMesh>("knot"));
    captureHdrTargets(f);
  };
  startWithSwitches("/start_demo_gl2_hdr_dof /benchmark_duration=1000" + sizeSwitches(), &frame);
  HWND window = frame.slot->window;
  ASSERT_NE(nullptr, window);
  const bool ended = pumpUntil([&] { return !IsWindow(window); }, 40000);
  snprintf(g_app.appDirectory, sizeof(g_app.appDirectory), "%s", real.c_str());
  SetCurrentDirectoryA(cwd);  // the demo made the folder current
  for (const char* file : {"media\\textures\\hdr_dof_tex.jpg", "media\\textures\\galileo_cross.hdr"})
    DeleteFileA((folder + file).c_str());
  for (const char* dir : {"media\\textures", "media"}) RemoveDirectoryA((folder + dir).c_str());
  RemoveDirectoryA(folder.substr(0, folder.size() - 1).c_str());
  ASSERT_TRUE(ended);
  ASSERT_GT(frame.frames.load(), 0);
  EXPECT_EQ(3 * 60 * 30 * 2, frame.knotTriangles);
  // The scene target's depth output is 0 where the knot is not.
  ASSERT_EQ(3u, frame.targets.size()) << "the HDR targets were not found";
  long knot = 0;
  for (size_t i = 0; i < frame.targets[1].size(); i += 4) knot += frame.targets[1][i] > 0.0f;
  EXPECT_GT(knot, 5000) << "pixels the knot covers";
}

INSTANTIATE_TEST_SUITE_P(
    Switches, EngineDemoTable,
    ::testing::Values(
        EngineDemoRow{"/start_demo_gl2_soft_shadows", "GL_SoftShadows", kSlotSoftShadows, {"ss_Light01", "ss_Light02"},
                      softShadowDarker},
        EngineDemoRow{"/start_demo_gl2_toon", "GL_ToonShading", kSlotToon, {}, toonBands},
        EngineDemoRow{"/start_demo_gl2_simple_torus", "GL_SimpleTorus", kSlotSimpleTorus, {}, simpleTorusTextured},
        EngineDemoRow{"/start_demo_gl2_vtf", "GL_VertexTextureFetch", kSlotVtf, {}, vtfDisplaced},
        EngineDemoRow{"/start_demo_gl2_gi", "GL_GeometryInstancing", kSlotInstancing, {}, instancesApart, nullptr,
                      5000},
        EngineDemoRow{"/start_demo_gl2_hdr_dof", "GL_HDR_DoF", kSlotHdrDof, {}, blurWhereDepthDiffers,
                      captureHdrTargets, 4000},
        EngineDemoRow{"/start_demo_gl2_point_sprite", "GL_PointSprite", kSlotPointSprite, {}, spritesAsDiscs,
                      captureFirstSprites}),
    [](const ::testing::TestParamInfo<EngineDemoRow>& info) {
      return std::string(info.param.switchName + strlen("/start_demo_gl2_"));
    });

}  // namespace
