// The simple torus: a textured torus lit by two fixed-function point lights
// above a reference grid, seen from an orbiting camera; no GLSL, for old
// hardware.
#include <cmath>

#include "app/Log.h"
#include "demos/DemoImages.h"
#include "demos/EngineDemo.h"
#include "demos/EngineDemoScene.h"
#include "demos/EngineDemoThreads.h"
#include "detect/Scanrik.h"

using namespace Korveth_nsp;

namespace {

enum { kTorusMesh = 0, kGridMesh = 1 };

// The demo's own state beside its slot (one slot runs this demo), set by
// the set-up.
struct SimpleTorusState {
  float orbitDegrees;
  int polygons;  // of the scene's meshes, for the HUD
};
SimpleTorusState g_torus;

bool hasOpenGl12() {
  Scanrik* s = Scanrik::instance();
  return s && !(s->getOpenGLMajorVersion() == 1 && s->getOpenGLMinorVersion() < 2);
}

void createGrid(DemoSlot* slot) {
  kvGrid* grid = Korveth::getInstance()->createGrid("refGrid");
  if (!grid) return;
  slot->scene->addObject(grid);
  grid->setSize(400.0f, 400.0f);
  grid->setNumberOfSubdivisions(20);
  slot->meshes[kGridMesh] = grid;
}

void createLights(DemoSlot* slot) {
  const EngineDemoLight lights[] = {
      {"Light01", 100, 200, 200, kvVector4(0.2f, 0.1f, 0.1f, 1), kvVector4(0.8f, 0.4f, 0.4f, 1),
       kvVector4(0.9f, 0.2f, 0.2f, 1)},
      {"Light02", -100, 200, -200, kvVector4(0.1f, 0.1f, 0.2f, 1), kvVector4(0.4f, 0.4f, 0.8f, 1),
       kvVector4(0.2f, 0.2f, 0.9f, 1)},
  };
  for (const EngineDemoLight& l : lights) CreateEngineDemoLight(slot, l);
}

void createTorus(DemoSlot* slot) {
  EmbeddedImage jpeg = SimpleTorusImage();
  kvTexture* texture =
      kvTextureMgr::getInstance()->createTexture2DFromMemory("torus_stack_color_texture", jpeg.data, jpeg.size);
  kvMaterial* material = kvMaterialMgr::getInstance()->createMaterial("torus_mat");
  if (material) {
    material->setAmbient(kvVector4(0.4f, 0.4f, 0.4f, 1));
    material->setDiffuse(kvVector4(0.8f, 0.8f, 0.8f, 1));
    material->setSpecular(kvVector4(0.7f, 0.7f, 0.7f, 1));
    material->setShininess(90.0f);
    material->addTexture(texture);
  }
  kvMesh* torus = Korveth::getInstance()->createMesh("Torus01");
  if (!torus) return;
  slot->scene->addObject(torus);
  torus->createTorus(50.0f, 15.0f, 100, 100);
  torus->assignMaterialToFaces(material);
  torus->setPosition(0, 0, 0);
  torus->getMeshData()->setVerticesColor(kvVector4(1, 1, 0, 1));
  slot->meshes[kTorusMesh] = torus;
}

bool initSimpleTorusDemo(DemoSlot* slot) {
  if (!hasOpenGl12()) {
    ShowErrorBox("This demo requires the support OpenGL 1.2.");
    return false;
  }
  if (!BeginEngineDemoSetup(slot, -1, nullptr, 0.0f, 0.0f, 0.0f)) return false;
  CreateEngineDemoCamera(slot, "Camera", 50.0f, 50.0f, kvVector4(0, 20, 150, 1), kvVector4(0, 0, 0, 1));
  createGrid(slot);
  createLights(slot);
  createTorus(slot);
  g_torus = SimpleTorusState();
  g_torus.polygons = EngineMeshTriangles(slot->meshes[kTorusMesh]) + EngineMeshTriangles(slot->meshes[kGridMesh]);
  return FinishEngineDemoSetup(slot);
}

// One orbit in 36 seconds, at 150 from the axis and 60 above the torus.
void orbit(DemoSlot* slot, float dt, float) {
  g_torus.orbitDegrees += dt * 10.0f;
  const float radians = g_torus.orbitDegrees * 3.14159265f / 180.0f;
  if (slot->camera)
    slot->camera->setViewParams(kvVector4(150.0f * cosf(radians), 60.0f, 150.0f * sinf(radians), 1),
                                kvVector4(0, 0, 0, 1), kvVector4(0, 1, 0, 0));
  if (slot->scene) slot->scene->animate(dt);
}

void drawSimpleTorus(DemoSlot* slot, float dt, float) { DrawEngineDemoScene(slot, dt); }

void polygonsLine(DemoSlot*, kvFont* font) { font->setText("Polygons=%d", g_torus.polygons); }

const EngineDemoSpec kSimpleTorusDemo = {
    "GL_SimpleTorus", false, false, false, false, initSimpleTorusDemo, DestroyEngineDemo, orbit, drawSimpleTorus,
    polygonsLine,     nullptr,
};

}  // namespace

DWORD WINAPI SimpleTorusThread(void* arg) {
  RunEngineDemo(static_cast<DemoSlot*>(arg), kSimpleTorusDemo);
  ExitThread(0);
}
