#include "demos/DemoSlot.h"

#include <cstring>

#include "app/AppState.h"

DemoSlot::DemoSlot()
    : threadId(0), thread(nullptr), engineId(0), stopFlag(0), doneFlag(0), window(nullptr),
      clientWidth(0), clientHeight(0), renderWindow(nullptr), scene(nullptr), camera(nullptr),
      logoQuad(nullptr), meshes(), shaders(), msaaSamples(0), firstFrame(0), drawing(0),
      color(0.0f, 0.0f, 0.0f, 1.0f) {
  memset(&fps, 0, sizeof(fps));
}

DemoSlot::~DemoSlot() {}

void DemoSlot::clearRunState() {
  threadId = 0;
  thread = nullptr;
  engineId = 0;
  stopFlag = 0;
  doneFlag = 0;
  window = nullptr;
  clientWidth = clientHeight = 0;
  renderWindow = nullptr;
  scene = nullptr;
  camera = nullptr;
  logoQuad = nullptr;
  for (int i = 0; i < kEngineObjectSlots; ++i) {
    meshes[i] = nullptr;
    shaders[i] = nullptr;
  }
  msaaSamples = 0;
  firstFrame = 0;
  drawing = 0;
  memset(&fps, 0, sizeof(fps));
}

void PostDemoEndCloses(HWND demoWindow, bool mainWindowToo) {
  if (demoWindow) PostMessageA(demoWindow, WM_CLOSE, 0, 0);
  if (mainWindowToo && g_app.closeAppAtDemoEnd && g_app.mainWindow) PostMessageA(g_app.mainWindow, WM_CLOSE, 0, 0);
}
