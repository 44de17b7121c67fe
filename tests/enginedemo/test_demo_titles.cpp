// Every built-in demo from its starter, read back as the user sees it: the
// window title each thread sets ("%s - %s - [ThreadID=%d]", then the raw
// demos' FPS titles once a second) and, for the engine demos, the HUD lines
// of their last frame with their places.
#include <gtest/gtest.h>
#include <windows.h>

#include <mutex>
#include <regex>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "app/OpenClInfo.h"
#include "demos/DemoCatalogue.h"
#include "demos/DemoControl.h"
#include "demos/DemoStart.h"
#include "lumaq.h"
#include "tests/enginedemo/DemoTestHelpers.h"

using namespace Korveth_nsp;

namespace {

// The titles set on this thread's windows, in order, as they reach them
// (the demo threads send theirs to the window's thread, this one).
struct Title {
  HWND window;
  std::string text;
};
std::vector<Title> g_titles;
HHOOK g_titleHook = nullptr;

LRESULT CALLBACK titleHook(int code, WPARAM wp, LPARAM lp) {
  const CWPSTRUCT* m = reinterpret_cast<const CWPSTRUCT*>(lp);
  if (code == HC_ACTION && m->message == WM_SETTEXT && m->lParam)
    g_titles.push_back({m->hwnd, reinterpret_cast<const char*>(m->lParam)});
  return CallNextHookEx(g_titleHook, code, wp, lp);
}

// The titles the demo thread gave its window (not the window's own
// "Initialization in progress..." caption).
std::vector<std::string> threadTitles(HWND window) {
  const std::string initial = " - Initialization in progress...";
  std::vector<std::string> titles;
  for (const Title& t : g_titles)
    if (t.window == window &&
        !(t.text.size() >= initial.size() && t.text.compare(t.text.size() - initial.size(), initial.size(), initial) == 0))
      titles.push_back(t.text);
  return titles;
}

// The texts of the last frame an engine demo presented in its window.
struct HudGrab {
  DemoSlot* slot = nullptr;
  std::mutex lock;
  std::vector<kvRenderWindow::DrawnText> texts;
  static void hook(kvRenderWindow* w, void* user) {
    HudGrab* g = static_cast<HudGrab*>(user);
    if (!g->slot || g->slot->renderWindow != w) return;
    std::lock_guard<std::mutex> hold(g->lock);
    g->texts = w->getFrameTexts();
  }
};

enum DemoKind { kEngineDemo, kGlRawDemo, kClRawDemo };

struct TitleRow {
  const char* name;      // of the test case
  DemoKind kind;
  int number;            // OpenGL catalogue row, or OpenCL demo number
  int slot;
  const char* fpsTitle;  // raw demos: the FPS title's pattern after "<n>FPS, "
  const char* hudLine5;  // engine demos: the fifth HUD line's pattern, or null
};

void PrintTo(const TitleRow& row, std::ostream* os) { *os << row.name; }

class DemoTitleTable : public ::testing::TestWithParam<TitleRow> {
 protected:
  static void SetUpTestSuite() {
    resetStateAndDetection();
    DetectOpenCl();
  }
  void SetUp() override {
    m_program = LoadLibraryExA("quorvel.exe", nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, m_program);
    g_app.instance = reinterpret_cast<HINSTANCE>(m_program);
    g_app.demoWinWidth = 320;
    g_app.demoWinHeight = 240;
    g_app.benchmarkLog = false;
    g_app.clGlInterop = false;  // pocl shares nothing with OpenGL: no warning box
    g_app.clParticlesCpu = 100000;
    g_app.juliaRttSize = 128;
    g_app.furNoiseTextureSize = 128;
    snprintf(g_app.gpuNameText, sizeof(g_app.gpuNameText), "%s", "Title Test GPU");
    g_currentCatalogue = kGlDemoCatalogue;
    g_titleHook = SetWindowsHookExA(WH_CALLWNDPROC, titleHook, nullptr, GetCurrentThreadId());
    ASSERT_NE(nullptr, g_titleHook);
  }
  void TearDown() override {
    Korveth::getInstance()->setFrameHook(nullptr, nullptr);
    UnhookWindowsHookEx(g_titleHook);
    EndAllDemos();
    FreeLibrary(m_program);
  }
  HMODULE m_program = nullptr;
};

bool startDemo(const TitleRow& row) {
  if (row.kind != kClRawDemo) return StartCatalogueGlDemo(nullptr, row.number, false);
  typedef bool (*Starter)(HWND, int, bool);
  static const Starter starters[] = {StartClJuliaDemo, StartClParticlesDemo, StartClMeshDeformerDemo,
                                     StartClPostFxDemo};
  return starters[row.number](nullptr, kClDeviceTypeCpu, false);
}

const char* catalogueName(const TitleRow& row) {
  return row.kind == kClRawDemo ? kClDemoCatalogue[ClCatalogueRow(row.number, true)].name
                                : kGlDemoCatalogue[row.number].name;
}

std::string escaped(const std::string& text) {
  static const std::regex special(R"([.^$|()\[\]{}*+?\\])");
  return std::regex_replace(text, special, "\\$&");
}

TEST_P(DemoTitleTable, TitlesAndHudReadBack) {
  const TitleRow& row = GetParam();
  if (row.kind == kClRawDemo) {
    ASSERT_TRUE(HasClCpuDevice(0)) << "no OpenCL CPU device";
  }
  // Raw demos change their title once a second: room for one change after
  // a slow first frame.
  g_app.demoDurationMs = row.kind == kEngineDemo ? 1500 : 2500;
  DemoSlot* slot = &g_app.demoSlots[row.slot];
  HudGrab hud;
  hud.slot = slot;
  Korveth::getInstance()->setFrameHook(HudGrab::hook, &hud);
  g_titles.clear();
  ErrorBoxes boxes;  // a box would stop the demo until answered
  ASSERT_TRUE(startDemo(row));
  HWND window = slot->window;
  ASSERT_NE(nullptr, window);
  const DWORD threadId = GetThreadId(slot->thread);
  ASSERT_TRUE(pumpUntil([&] { return !IsWindow(window); }, 60000)) << "the demo did not end by its duration";
  Korveth::getInstance()->setFrameHook(nullptr, nullptr);

  const std::string thread = "Quorvel - " + std::string(catalogueName(row)) + " - [ThreadID=" +
                             std::to_string(threadId) + "]";
  const std::vector<std::string> titles = threadTitles(window);
  ASSERT_FALSE(titles.empty()) << "no title was set";
  EXPECT_EQ(thread, titles.front());
  if (row.kind == kEngineDemo) {
    EXPECT_EQ(1u, titles.size()) << titles.back();
  } else {
    ASSERT_GE(titles.size(), 2u) << "no FPS title";
    const std::regex fps(std::string("\\d+FPS, ") + row.fpsTitle + " - Quorvel");
    for (size_t i = 1; i < titles.size(); ++i) EXPECT_TRUE(std::regex_match(titles[i], fps)) << titles[i];
  }

  if (row.kind != kEngineDemo) return;
  std::lock_guard<std::mutex> hold(hud.lock);
  std::vector<std::string> lines = {
      "Current FPS: \\d+", "FPS: Max: \\d+ - Min: \\d+ - Avg: \\d+",
      "Renderer: " + escaped(g_app.gpuNameText) + " - MSAA=0X", "Frames=\\d+ - Elapsed time= *\\d+\\.\\d sec"};
  if (row.hudLine5) lines.push_back(row.hudLine5);
  ASSERT_EQ(lines.size(), hud.texts.size()) << "HUD lines of the last frame";
  for (size_t i = 0; i < lines.size(); ++i) {
    EXPECT_TRUE(std::regex_match(hud.texts[i].text, std::regex(lines[i]))) << hud.texts[i].text;
    EXPECT_EQ(5.0f, hud.texts[i].x) << hud.texts[i].text;
    EXPECT_EQ(10.0f + 15.0f * static_cast<float>(i), hud.texts[i].y) << hud.texts[i].text;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Demos, DemoTitleTable,
    ::testing::Values(
        TitleRow{"Gl4Tessellation", kGlRawDemo, 0, kSlotGl4Tessellation, "OpenGL \\d\\.\\d Tessellation", nullptr},
        TitleRow{"Gl3Torus", kGlRawDemo, 1, kSlotGl3Torus, "OpenGL \\d\\.\\d Torus", nullptr},
        TitleRow{"Gl3Triangle", kGlRawDemo, 2, kSlotGl3Triangle, "OpenGL \\d\\.\\d Triangle", nullptr},
        TitleRow{"Fur", kEngineDemo, 3, kSlotFur, nullptr, nullptr},
        TitleRow{"HdrDof", kEngineDemo, 4, kSlotHdrDof, nullptr, nullptr},
        TitleRow{"Instancing", kEngineDemo, 5, kSlotInstancing, nullptr,
                 "Asteroid Belt: Num Triangles=\\d+ - num Instances=10000 - Render Calls=\\d+"},
        TitleRow{"SoftShadows", kEngineDemo, 6, kSlotSoftShadows, nullptr, "Triangles=\\d+"},
        TitleRow{"PointSprite", kEngineDemo, 7, kSlotPointSprite, nullptr, "Particles=\\d+"},
        TitleRow{"Vtf", kEngineDemo, 8, kSlotVtf, nullptr, "Triangles=\\d+"},
        TitleRow{"Toon", kEngineDemo, 9, kSlotToon, nullptr, nullptr},
        TitleRow{"SimpleTorus", kEngineDemo, 10, kSlotSimpleTorus, nullptr, "Polygons=\\d+"},
        TitleRow{"ClJulia", kClRawDemo, 0, kSlotClJulia, "OpenCL CPU Julia4D", nullptr},
        TitleRow{"ClParticles", kClRawDemo, 1, kSlotClParticles, "OpenCL CPU Particles", nullptr},
        TitleRow{"ClDeformer", kClRawDemo, 2, kSlotClDeformer, "OpenCL CPU Surface Deformer", nullptr},
        TitleRow{"ClPostFx", kClRawDemo, 3, kSlotClPostFx, "OpenCL CPU PostFX", nullptr}),
    [](const ::testing::TestParamInfo<TitleRow>& info) { return std::string(info.param.name); });

}  // namespace
