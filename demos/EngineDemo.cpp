#include "demos/EngineDemo.h"

#include <atomic>
#include <cstdio>
#include <cstring>

#include "app/AppState.h"
#include "app/Log.h"
#include "demos/BenchmarkResult.h"
#include "demos/DemoCatalogue.h"
#include "demos/DemoFps.h"
#include "demos/DemoImages.h"
#include "demos/EngineDemoScene.h"

using namespace Korveth_nsp;

namespace {

// Holds the engine demos' lock for a scope.
class EngineLock {
 public:
  EngineLock() { EnterCriticalSection(&g_app.engineDemoLock); }
  ~EngineLock() { LeaveCriticalSection(&g_app.engineDemoLock); }
  EngineLock(const EngineLock&) = delete;
  EngineLock& operator=(const EngineLock&) = delete;
};

std::atomic<bool> g_sceneHidden{false};

// The frame of a demo whose scene is hidden: its background only.
void drawEmptyScene(DemoSlot* slot) {
  kvRenderer* renderer = kvRenderer::getInstance();
  const float* bkg = slot->scene ? slot->scene->getBkgColor() : nullptr;
  if (bkg) renderer->setClearColor(bkg[0], bkg[1], bkg[2], bkg[3]);
  renderer->clear(true, true, false);
}

unsigned readClock(DemoSlot* slot, const EngineDemoSpec& spec, bool start) {
  if (spec.tickTimer) return slot->timer.tickElapsed(start);
  if (start) slot->timer.reset();
  return static_cast<unsigned>(slot->timer.elapsedMs());
}

bool setUp(DemoSlot* slot, const EngineDemoSpec& spec) {
  EngineLock lock;
  if (spec.setAffinity) {
    SetThreadAffinityMask(GetCurrentThread(), EngineDemoAffinityMask(g_app.demoLaunchCounter,
                                                                     static_cast<int>(g_app.cpuCount)));
    ++g_app.demoLaunchCounter;
  }
  if (spec.setup(slot)) return true;
  spec.teardown(slot);
  return false;
}

// One frame into the slot's render window; false when it could not be
// made current, so that nothing was drawn.
bool drawFrame(DemoSlot* slot, const EngineDemoSpec& spec, float dt, float elapsed) {
  EngineLock lock;
  Korveth* engine = Korveth::getInstance();
  if (!engine->setCurrentRenderWindow(slot->renderWindow)) return false;
  kvRenderer* renderer = kvRenderer::getInstance();
  renderer->beginFrame(1);
  if (g_sceneHidden)
    drawEmptyScene(slot);
  else
    spec.drawFrame(slot, dt, elapsed);
  if (slot->logoQuad && !spec.logoAfterHud) slot->logoQuad->render(dt);
  DrawEngineDemoHud(slot, spec);
  if (slot->logoQuad && spec.logoAfterHud) slot->logoQuad->render(dt);
  renderer->endFrame(1);
  engine->displayCurrentRenderWindow();
  return true;
}

void frameLoop(DemoSlot* slot, const EngineDemoSpec& spec) {
  DemoFpsStats& fps = slot->fps;
  DemoFpsStart(fps, readClock(slot, spec, true));
  while (!slot->stopFlag) {
    unsigned delta = DemoFpsAddTime(fps, readClock(slot, spec, false));
    if (DemoFpsDurationReached(fps, static_cast<unsigned>(g_app.demoDurationMs))) break;
    float dt = static_cast<float>(delta) * 0.001f;
    float elapsed = static_cast<float>(fps.elapsedMs) * 0.001f;
    if (spec.prepareFrame) spec.prepareFrame(slot, dt, elapsed);
    // The statistics and the benchmark row count drawn frames only.
    if (drawFrame(slot, spec, dt, elapsed)) DemoFpsCountFrame(fps);
    Sleep(static_cast<DWORD>(g_app.demoSleepMs));
  }
}

}  // namespace

void SetEngineDemoSceneHidden(bool hidden) { g_sceneHidden = hidden; }

DWORD_PTR EngineDemoAffinityMask(int launchCounter, int processorCount) {
  if (processorCount < 1) processorCount = 1;
  if (launchCounter < 0) launchCounter = 0;
  return static_cast<DWORD_PTR>(launchCounter % processorCount) + 1;
}

void RunEngineDemo(DemoSlot* slot, const EngineDemoSpec& spec) {
  if (!slot) return;
  if (!setUp(slot, spec)) {
    PostDemoEndCloses(slot->window, false);
    return;
  }
  slot->drawing = 1;
  if (spec.sleepAfterSetup) Sleep(0);
  frameLoop(slot, spec);
  WriteBenchmarkResult(slot, spec.testName);
  {
    EngineLock lock;
    slot->doneFlag = 1;
    spec.teardown(slot);
  }
  PostDemoEndCloses(slot->window, true);
}

bool BeginEngineDemoSetup(DemoSlot* slot, int requiredFeature, const char* requirementMessage, float red,
                          float green, float blue) {
  if (requiredFeature >= 0 && !EngineDemoRequires(requiredFeature, requirementMessage ? requirementMessage : ""))
    return false;
  if (slot->renderWindow) return false;
  RECT client = {0, 0, 0, 0};
  GetClientRect(slot->window, &client);
  slot->clientWidth = client.right - client.left;
  slot->clientHeight = client.bottom - client.top;
  Korveth* engine = Korveth::getInstance();
  if (!g_app.engineStarted) {
    if (!engine->startup(g_app.glMajor, g_app.glMinor, nullptr)) {
      ShowErrorBox("3D engine startup failed.");
      return false;
    }
    g_app.engineStarted = true;
  }
  slot->renderWindow = engine->createRenderWindow(slot->window, slot->clientWidth, slot->clientHeight, 32, 24, 8,
                                                  slot->msaaSamples, 2, 0, 1);
  if (!slot->renderWindow) {
    ShowErrorBox("could not create a render window.");
    return false;
  }
  kvRenderer::getInstance()->resetStates();
  char name[64];
  snprintf(name, sizeof(name), "Scene_%u", slot->engineId);
  slot->renderWindow->setName(name);
  slot->scene = kvSceneMgr::getInstance()->createScene(name);
  if (!slot->scene) return false;
  slot->scene->setBkgColor(red, green, blue, 1.0f);
  return true;
}

namespace {

void createLogo(DemoSlot* slot) {
  char name[64];
  snprintf(name, sizeof(name), "QuorvelLogoTex_%u", slot->engineId);
  EmbeddedImage logo = DemoLogoImage();
  kvTexture* texture = kvTextureMgr::getInstance()->createTexture2DFromMemory(name, logo.data, logo.size);
  if (!texture) return;
  Korveth* engine = Korveth::getInstance();
  kvQuad* quad = engine->createHud(nullptr);
  kvMaterial* material = kvMaterialMgr::getInstance()->createMaterial(nullptr);
  if (!quad || !material) return;
  slot->scene->addObject(quad);
  quad->setSize(128.0f, 128.0f);
  quad->setPosition(static_cast<float>(slot->clientWidth / 2 - 64), static_cast<float>(-slot->clientHeight / 2 + 64),
                    0.0f);
  material->setBlending(true, kvMaterial::kOne, kvMaterial::kOne);
  material->addTexture(texture);
  quad->setMaterial(material);
  slot->logoQuad = quad;
}

}  // namespace

bool FinishEngineDemoSetup(DemoSlot* slot) {
  createLogo(slot);
  slot->hudFont.setName("Verdana");
  slot->hudFont.setSize(10);
  kvRenderer* renderer = kvRenderer::getInstance();
  renderer->createFont(&slot->hudFont);
  renderer->setRenderState(kvRenderer::kStateLighting, false);
  slot->firstFrame = 1;
  int row = g_app.currentDemoIndex;
  char title[512];
  snprintf(title, sizeof(title), "%s - %s - [ThreadID=%lu]", kAppName,
           row >= 0 && row < kGlDemoCount ? kGlDemoCatalogue[row].name : "",
           static_cast<unsigned long>(GetCurrentThreadId()));
  // The window belongs to the UI thread, so this sends it a message: the UI
  // thread serves sent messages also while it waits for this thread to stop.
  SetWindowTextA(slot->window, title);
  return true;
}

void DestroyEngineDemo(DemoSlot* slot) {
  if (!slot || !slot->renderWindow) return;
  Korveth* engine = Korveth::getInstance();
  engine->setCurrentRenderWindow(slot->renderWindow);
  kvRenderer::getInstance()->releaseFont(&slot->hudFont);
  kvSceneMgr::getInstance()->destroyScene(slot->scene);
  slot->scene = nullptr;
  engine->destroyRenderWindow(slot->renderWindow);
  slot->renderWindow = nullptr;
  // Everything below was created in the render window and went with it.
  slot->camera = nullptr;
  slot->logoQuad = nullptr;
  for (int i = 0; i < DemoSlot::kEngineObjectSlots; ++i) {
    slot->meshes[i] = nullptr;
    slot->shaders[i] = nullptr;
  }
}

kvGpuShader* CreateEngineGlslProgram(const char* name, const char* vertexSource, const char* pixelSource) {
  char prefix[160];
  snprintf(prefix, sizeof(prefix), "[%s] ", name);
  return CreateEngineDemoShader(name, prefix, vertexSource, pixelSource, "GPU Shader Error");
}

void DrawEngineDemoHud(DemoSlot* slot, const EngineDemoSpec& spec) {
  kvRenderer* renderer = kvRenderer::getInstance();
  kvFont* font = &slot->hudFont;
  const DemoFpsStats& fps = slot->fps;
  renderer->beginTextOverlay(0);
  font->setText("Current FPS: %u", fps.currentFps);
  font->setPosition2D(5, 10);
  const float* c = spec.hudColor;
  font->setColor(c ? c[0] : 1.0f, c ? c[1] : 1.0f, c ? c[2] : 1.0f);
  renderer->drawFont(font);
  font->setText("FPS: Max: %u - Min: %u - Avg: %u", fps.maxFps, fps.minFps, fps.averageFps);
  font->setPosition2D(5, 25);
  renderer->drawFont(font);
  font->setText("Renderer: %s - MSAA=%dX", g_app.gpuNameText, renderer->getSamples());
  font->setPosition2D(5, 40);
  renderer->drawFont(font);
  font->setText("Frames=%u - Elapsed time=%4.1f sec", fps.frameCount,
                static_cast<double>(static_cast<float>(fps.elapsedMs) * 0.001f));
  font->setPosition2D(5, 55);
  renderer->drawFont(font);
  if (spec.hudLine) {
    spec.hudLine(slot, font);
    font->setPosition2D(5, 70);
    renderer->drawFont(font);
  }
  renderer->endTextOverlay(0);
}
