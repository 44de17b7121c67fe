// The engine demo pattern with the fur cube on the engine stand-in: frames
// read back before present, the slot's life over repeated starts and stops,
// a set-up that fails, and the engine's own objects and shaders.
#include <gtest/gtest.h>
#include <windows.h>
// after windows.h
#include <tlhelp32.h>

#include <atomic>
#include <cstring>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "demos/DemoCatalogue.h"
#include "demos/DemoStart.h"
#include "demos/EngineDemo.h"
#include "demos/EngineDemoScene.h"
#include "demos/FurDemo.h"
#include "detect/Scanrik.h"
#include <GL/glew.h>

#include "lumaq.h"
#include "tests/enginedemo/DemoTestHelpers.h"

using namespace Korveth_nsp;

namespace {

// One frame of a run, read back before present.
struct FrameGrab {
  std::atomic<int> frames{0};
  int wanted = 3;
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels;  // RGBA, rows bottom-up
  std::atomic<bool> ready{false};

  static void hook(kvRenderWindow* w, void* user) {
    FrameGrab* g = static_cast<FrameGrab*>(user);
    if (++g->frames != g->wanted) return;
    g->width = w->getWidth();
    g->height = w->getHeight();
    g->pixels.assign(static_cast<size_t>(g->width) * static_cast<size_t>(g->height) * 4, 0);
    w->readPixels(0, 0, g->width, g->height, g->pixels.data());
    g->ready = true;
  }
  // A pixel by window coordinates (y downwards).
  const uint8_t* at(int x, int y) const {
    return &pixels[(static_cast<size_t>(height - 1 - y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 4];
  }
};

int processThreadCount() {
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snap == INVALID_HANDLE_VALUE) return -1;
  THREADENTRY32 e;
  e.dwSize = sizeof(e);
  int count = 0;
  for (BOOL ok = Thread32First(snap, &e); ok; ok = Thread32Next(snap, &e))
    if (e.th32OwnerProcessID == GetCurrentProcessId()) ++count;
  CloseHandle(snap);
  return count;
}

BOOL CALLBACK countWindow(HWND, LPARAM count) {
  ++*reinterpret_cast<int*>(count);
  return TRUE;
}

int threadWindowCount() {
  int count = 0;
  EnumThreadWindows(GetCurrentThreadId(), countWindow, reinterpret_cast<LPARAM>(&count));
  return count;
}

class EngineDemoTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    resetStateAndDetection();
  }
  void SetUp() override {
    m_program = LoadLibraryExA("quorvel.exe", nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, m_program);
    g_app.instance = reinterpret_cast<HINSTANCE>(m_program);
    g_app.demoDurationMs = 0;
    g_app.benchmarkLog = false;
    g_app.furShellCount = 100;
    g_app.furNoiseTextureSize = 512;
    // A smaller window than the default draws faster in software.
    g_app.demoWinWidth = g_app.demoWinHeight = 400;
    GetCurrentDirectoryA(sizeof(m_cwd), m_cwd);
    m_appDirectory = g_app.appDirectory;
    g_currentCatalogue = kGlDemoCatalogue;
  }
  void TearDown() override {
    Korveth::getInstance()->setFrameHook(nullptr, nullptr);
    EndAllDemos();
    snprintf(g_app.appDirectory, sizeof(g_app.appDirectory), "%s", m_appDirectory.c_str());
    SetCurrentDirectoryA(m_cwd);
    FreeLibrary(m_program);
  }

  DemoSlot* fur() { return &g_app.demoSlots[kSlotFur]; }
  bool startFur() {
    return StartGlDemo(nullptr, fur(), 3, FurDemoThread, &g_app.demoWindows[kSlotFur], false);
  }
  // Runs the fur cube until a frame was grabbed, then closes its window.
  void grabFrame(FrameGrab* grab) {
    Korveth::getInstance()->setFrameHook(FrameGrab::hook, grab);
    ASSERT_TRUE(startFur());
    ASSERT_TRUE(pumpUntil([&] { return grab->ready.load(); }, 30000));
    Korveth::getInstance()->setFrameHook(nullptr, nullptr);
    CloseDemoWindow(fur()->window);
    ASSERT_EQ(nullptr, fur()->thread);
  }

  HMODULE m_program = nullptr;
  char m_cwd[MAX_PATH] = "";
  std::string m_appDirectory;
};

// The shells draw fur over the inner box: the cube's middle differs from the
// same frame drawn without shells. The HUD lines are drawn over the scene
// at the top left, and the logo at the bottom right.
TEST_F(EngineDemoTest, FurShellsHudAndLogoReachTheFrame) {
  FrameGrab bare, furry;
  g_app.furShellCount = 0;
  grabFrame(&bare);
  g_app.furShellCount = 100;
  grabFrame(&furry);
  ASSERT_EQ(bare.width, furry.width);
  ASSERT_GT(furry.width, 250);
  const int cx = furry.width / 2, cy = furry.height / 2;
  long diff = 0, samples = 0;
  for (int y = cy - 60; y < cy + 60; ++y)
    for (int x = cx - 60; x < cx + 60; ++x, ++samples)
      for (int c = 0; c < 3; ++c) diff += abs(furry.at(x, y)[c] - bare.at(x, y)[c]);
  EXPECT_GT(diff / samples, 20) << "mean difference inside the cube";

  // HUD text is white; the end of the same band, right of the longest line,
  // holds no text.
  auto whitePixels = [&](int x0, int x1, int y0, int y1) {
    int n = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) {
        const uint8_t* p = furry.at(x, y);
        if (p[0] > 200 && p[1] > 200 && p[2] > 200) ++n;
      }
    return n;
  };
  EXPECT_GT(whitePixels(5, 150, 10, 70), 100);
  EXPECT_EQ(0, whitePixels(furry.width - 60, furry.width - 5, 10, 70));
  // The logo's cyan ring in the bottom right corner.
  int cyan = 0;
  for (int y = furry.height - 128; y < furry.height; ++y)
    for (int x = furry.width - 128; x < furry.width; ++x) {
      const uint8_t* p = furry.at(x, y);
      if (p[2] > 180 && p[2] > p[0] + 80) ++cyan;
    }
  EXPECT_GT(cyan, 200);
}

// Start, stop at once, start again: five times in a row, and nothing is
// left behind (threads, windows, engine objects), and nothing hangs.
TEST_F(EngineDemoTest, RestartingASlotLeavesNothingBehind) {
  g_app.furNoiseTextureSize = 128;  // a quicker set-up; the run is what counts
  FrameGrab warmUp;
  grabFrame(&warmUp);  // the engine's one-time start-up
  const int threads = processThreadCount(), windows = threadWindowCount(), objects = kvObject::getLiveCount();
  for (int i = 0; i < 5; ++i) {
    const ULONGLONG start = GetTickCount64();
    ASSERT_TRUE(startFur()) << "run " << i;
    HWND window = fur()->window;
    CloseDemoWindow(window);
    EXPECT_EQ(nullptr, fur()->thread) << "run " << i;
    EXPECT_FALSE(IsWindow(window)) << "run " << i;
    EXPECT_LT(GetTickCount64() - start, 10000u) << "run " << i;
  }
  pumpUntil([] { return false; }, 200);
  EXPECT_EQ(threads, processThreadCount());
  EXPECT_EQ(windows, threadWindowCount());
  EXPECT_EQ(objects, kvObject::getLiveCount());
}

// A set-up that fails shows its message, closes its window and frees the
// slot; the next start runs.
TEST_F(EngineDemoTest, FailedSetUpShowsItsMessageAndFreesTheSlot) {
  char empty[MAX_PATH];
  GetTempPathA(sizeof(empty), empty);
  strncat(empty, "qv_no_media\\", sizeof(empty) - strlen(empty) - 1);
  CreateDirectoryA(empty, nullptr);
  snprintf(g_app.appDirectory, sizeof(g_app.appDirectory), "%s", empty);
  const int objects = kvObject::getLiveCount();
  {
    ErrorBoxes boxes;
    ASSERT_TRUE(startFur());
    HWND window = fur()->window;
    ASSERT_TRUE(pumpUntil([&] { return !IsWindow(window); }, 30000));
    ASSERT_EQ(1u, boxes.seen.size());
    EXPECT_EQ("Could not load fur color texture. Fur Benchmark startup failed.", boxes.seen[0]);
    EXPECT_EQ(nullptr, fur()->thread);
    EXPECT_EQ(objects, kvObject::getLiveCount());
    EXPECT_EQ(0, fur()->doneFlag.load());
  }
  snprintf(g_app.appDirectory, sizeof(g_app.appDirectory), "%s", m_appDirectory.c_str());
  FrameGrab grab;
  grabFrame(&grab);
  EXPECT_TRUE(grab.ready);
}

// A demo that ends by itself (its benchmark duration) closes its window
// and frees its slot; ending all demos at shutdown stops a running one.
TEST_F(EngineDemoTest, EndsByDurationAndAtShutdown) {
  g_app.demoDurationMs = 300;
  ASSERT_TRUE(startFur());
  HWND window = fur()->window;
  ASSERT_TRUE(pumpUntil([&] { return !IsWindow(window); }, 30000));
  EXPECT_EQ(1, fur()->doneFlag.load());
  EXPECT_EQ(nullptr, fur()->thread);
  EXPECT_EQ(10000u, fur()->fps.minFps);  // no FPS window closed in 300 ms

  g_app.demoDurationMs = 0;
  FrameGrab grab;
  Korveth::getInstance()->setFrameHook(FrameGrab::hook, &grab);
  ASSERT_TRUE(startFur());
  window = fur()->window;
  ASSERT_TRUE(pumpUntil([&] { return grab.ready.load(); }, 30000));
  EXPECT_TRUE(EndAllDemos());
  EXPECT_EQ(nullptr, fur()->thread);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(1, fur()->doneFlag.load());
}

// Takes the demo's OpenGL context away from inside one of its frames and
// holds it on the test thread: until it is given back the demo's render
// window cannot be made current, so its frames are not drawn.
struct ContextTaker {
  std::atomic<int> presented{0};
  int takeAt = 3;
  HDC dc = nullptr;
  HGLRC rc = nullptr;
  HANDLE released = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HANDLE taken = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  ~ContextTaker() {
    CloseHandle(released);
    CloseHandle(taken);
  }
  static void hook(kvRenderWindow*, void* user) {
    ContextTaker* t = static_cast<ContextTaker*>(user);
    if (++t->presented != t->takeAt) return;
    t->dc = wglGetCurrentDC();
    t->rc = wglGetCurrentContext();
    wglMakeCurrent(nullptr, nullptr);
    SetEvent(t->released);
    WaitForSingleObject(t->taken, 10000);  // so that the next frame finds it held
  }
};

// A frame whose render window could not be made current is not drawn and
// does not count: the statistics hold the frames presented, no more.
TEST_F(EngineDemoTest, UndrawnFramesAreNotCounted) {
  ContextTaker taker;
  Korveth::getInstance()->setFrameHook(ContextTaker::hook, &taker);
  ASSERT_TRUE(startFur());
  ASSERT_TRUE(pumpUntil([&] { return WaitForSingleObject(taker.released, 0) == WAIT_OBJECT_0; }, 30000));
  ASSERT_TRUE(wglMakeCurrent(taker.dc, taker.rc));
  SetEvent(taker.taken);
  // Two turns of the frame loop (its clock moved twice) while the context
  // is held here: at least one frame found it so.
  const volatile unsigned& elapsed = fur()->fps.elapsedMs;
  unsigned seen = elapsed, turns = 0;
  pumpUntil([&] {
    if (elapsed != seen) ++turns, seen = elapsed;
    return turns >= 2;
  }, 10000);
  EXPECT_GE(turns, 2u);
  const int presentedWhileHeld = taker.presented;
  wglMakeCurrent(nullptr, nullptr);
  EXPECT_EQ(taker.takeAt, presentedWhileHeld) << "nothing presented while the context was held";
  ASSERT_TRUE(pumpUntil([&] { return taker.presented >= taker.takeAt + 3; }, 30000)) << "drawing again";
  CloseDemoWindow(fur()->window);
  ASSERT_EQ(nullptr, fur()->thread);
  Korveth::getInstance()->setFrameHook(nullptr, nullptr);
  EXPECT_EQ(static_cast<unsigned>(taker.presented), fur()->fps.frameCount);
}

// The launch counter pins successive engine demos to processors 1, 2, ...
// as masks (counter mod count) + 1.
TEST(EngineDemoAffinity, MasksFollowTheLaunchCounter) {
  struct Case {
    int processors;
    DWORD_PTR masks[5];
  } cases[] = {{1, {1, 1, 1, 1, 1}}, {2, {1, 2, 1, 2, 1}}, {3, {1, 2, 3, 1, 2}}, {4, {1, 2, 3, 4, 1}}};
  for (const Case& c : cases)
    for (int launch = 0; launch < 5; ++launch)
      EXPECT_EQ(c.masks[launch], EngineDemoAffinityMask(launch, c.processors)) << c.processors << "/" << launch;
}

// Engine objects live in the render window they were created in: found by
// name there only, and gone with it. A shader that does not compile gives
// the error box with the compiler's log and no program.
TEST_F(EngineDemoTest, ObjectsBelongToTheirRenderWindow) {
  HWND host = CreateWindowA("STATIC", "lumaq", WS_POPUP, 0, 0, 64, 64, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(nullptr, host);
  Korveth* engine = Korveth::getInstance();
  ASSERT_TRUE(engine->startup(g_app.glMajor, g_app.glMinor, nullptr));
  const int objects = kvObject::getLiveCount();
  kvRenderWindow* a = engine->createRenderWindow(host, 64, 64, 32, 24, 8, 0, 2, 0, 1);
  ASSERT_NE(nullptr, a);
  // The frame buffer has the samples asked for: none when none are asked
  // (a driver's default format may be multisampled), four for four.
  EXPECT_EQ(0, a->getSamples());
  kvMaterial* m = kvMaterialMgr::getInstance()->createMaterial("shared_name");
  ASSERT_NE(nullptr, m);
  EXPECT_EQ(m, kvMaterialMgr::getInstance()->getMaterial("shared_name"));
  // Stages that compile but do not link (a function declared, never
  // defined) give the program's link error, apart from the stages' errors.
  const char* const kGoodVertex = "void main() { gl_Position = ftransform(); }";
  const char* const kUnlinkedPixel = "vec4 shade();\nvoid main() { gl_FragColor = shade(); }";
  const struct {
    const char* name;
    const char* prefix;  // null: the engine GLSL program of the demos
    const char *vertex, *pixel;
    const char* message;  // its start; the log follows
  } failures[] = {
      {"Bad", nullptr, "void main() { error }", "void main() {}", "[Bad] Vertex Shader Error: "},
      {"BadPixel", nullptr, kGoodVertex, "void main() { error }", "[BadPixel] Pixel Shader Error: "},
      {"Unlinked", nullptr, kGoodVertex, kUnlinkedPixel, "[Unlinked] GPU Shader Error: "},
      {"PSShader", "PSShader ", kGoodVertex, kUnlinkedPixel, "PSShader Shader Program Error: "},
  };
  for (const auto& f : failures) {
    ErrorBoxes boxes;
    EXPECT_EQ(nullptr, f.prefix ? CreateEngineDemoShader(f.name, f.prefix, f.vertex, f.pixel)
                                : CreateEngineGlslProgram(f.name, f.vertex, f.pixel));
    ASSERT_EQ(1u, boxes.seen.size()) << f.name;
    EXPECT_EQ(0u, boxes.seen[0].find(f.message)) << boxes.seen[0];
    EXPECT_GT(boxes.seen[0].size(), strlen(f.message)) << boxes.seen[0];  // the log follows
    EXPECT_EQ(nullptr, kvGPUShaderMgr::getInstance()->getGPUShader(f.name));
  }
  kvGpuShader* good = CreateEngineGlslProgram(
      "Good", "void main() { gl_Position = ftransform(); }", "void main() { gl_FragColor = vec4(1.0); }");
  EXPECT_NE(nullptr, good);
  EXPECT_EQ(good, kvGPUShaderMgr::getInstance()->getGPUShader("Good"));
  engine->destroyRenderWindow(a);
  EXPECT_EQ(nullptr, engine->getCurrentRenderWindow());

  EXPECT_EQ(nullptr, kvMaterialMgr::getInstance()->getMaterial("shared_name"));
  EXPECT_EQ(objects, kvObject::getLiveCount());
  DestroyWindow(host);

  HWND msaaHost = CreateWindowA("STATIC", "lumaq", WS_POPUP, 0, 0, 64, 64, nullptr, nullptr, nullptr, nullptr);
  kvRenderWindow* b = engine->createRenderWindow(msaaHost, 64, 64, 32, 24, 8, 4, 2, 0, 1);
  ASSERT_NE(nullptr, b);
  EXPECT_EQ(4, b->getSamples());
  engine->destroyRenderWindow(b);
  DestroyWindow(msaaHost);
}

// A solid 2 x 2 BMP file, for the skybox faces.
void writeBmp(const std::string& path, uint8_t r, uint8_t g, uint8_t b) {
  uint8_t file[70] = {'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24};
  for (int i = 0; i < 2; ++i)      // rows of 2 pixels, padded to 8 bytes
    for (int p = 0; p < 2; ++p) {
      uint8_t* px = file + 54 + i * 8 + p * 3;
      px[0] = b;
      px[1] = g;
      px[2] = r;
    }
  FILE* f = fopen(path.c_str(), "wb");
  ASSERT_NE(nullptr, f);
  fwrite(file, 1, sizeof(file), f);
  fclose(f);
}

// Off-screen targets keep what is drawn into them; the skybox shows the face
// a camera looks at; a camera's inverse view undoes its view.
TEST_F(EngineDemoTest, RenderTargetsSkyboxAndCameraMatrices) {
  HWND host = CreateWindowA("STATIC", "lumaq", WS_POPUP, 0, 0, 64, 64, nullptr, nullptr, nullptr, nullptr);
  Korveth* engine = Korveth::getInstance();
  ASSERT_TRUE(engine->startup(g_app.glMajor, g_app.glMinor, nullptr));
  kvRenderWindow* w = engine->createRenderWindow(host, 64, 64, 32, 24, 8, 0, 2, 0, 1);
  ASSERT_NE(nullptr, w);

  kvRenderTarget* target = engine->createRenderTarget("rt");
  ASSERT_TRUE(target->create(32, 16, 2));
  target->bind();
  glClearColor(1, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  kvRenderTarget::unbind();
  std::vector<uint8_t> texel(32 * 16 * 4);
  glBindTexture(GL_TEXTURE_2D, target->getRenderTexture(1)->getGlName());
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texel.data());
  EXPECT_EQ(255, texel[0]);
  EXPECT_EQ(0, texel[1]);
  EXPECT_EQ(32, target->getRenderTexture(1)->getWidth());
  EXPECT_EQ(nullptr, target->getRenderTexture(2));
  EXPECT_TRUE(engine->createRenderTarget("shadow_rt")->createDepthTarget(64, 64));

  // Six faces of their own colours; the camera looks down -z ("front").
  char temp[MAX_PATH];
  GetTempPathA(sizeof(temp), temp);
  const uint8_t colours[6][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 0}, {0, 255, 255}, {255, 0, 255}};
  kvSkybox* sky = engine->createSkybox("sky");
  for (int face = 0; face < 6; ++face) {
    std::string path = std::string(temp) + "qv_face" + std::to_string(face) + ".bmp";
    writeBmp(path, colours[face][0], colours[face][1], colours[face][2]);
    ASSERT_TRUE(sky->loadFace(face, path.c_str())) << face;
    DeleteFileA(path.c_str());
  }
  kvCamera* camera = kvCameraMgr::getInstance()->createCameraPerspective("cam", 60, 1, 1, 100);
  camera->setViewport(0, 0, 64, 64);
  camera->setViewParams(kvVector4(5, 0, 0, 1), kvVector4(5, 0, -10, 1), kvVector4(0, 1, 0, 0));
  kvRenderer::getInstance()->beginFrame(1);
  camera->apply(true, true, true);
  sky->render(0);
  uint8_t centre[4] = {0, 0, 0, 0};
  ASSERT_TRUE(w->readPixels(32, 32, 1, 1, centre));
  EXPECT_EQ(0, centre[0]);
  EXPECT_EQ(0, centre[1]);
  EXPECT_EQ(255, centre[2]);

  camera->setViewParams(kvVector4(3, 4, 5, 1), kvVector4(-2, 1, 0, 1), kvVector4(0, 1, 0, 0));
  kvMatrix4 product = kvMatrix4::multiply(camera->getViewMatrix(), camera->getInverseViewMatrix());
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(i % 5 == 0 ? 1.0f : 0.0f, product.m[i], 1e-4f) << i;
  kvQuaternion q = kvQuaternion::EulerAnglesToQuaternion(0, 90, 0);
  EXPECT_NEAR(0.7071f, q.y, 1e-4f);
  EXPECT_NEAR(0.7071f, q.w, 1e-4f);
  engine->destroyRenderWindow(w);
  DestroyWindow(host);
}

}  // namespace
