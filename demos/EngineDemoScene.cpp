#include "demos/EngineDemoScene.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "app/Log.h"
#include "demos/EngineDemo.h"
#include "detect/Scanrik.h"

using namespace Korveth_nsp;

bool EngineDemoRequires(int feature, const char* message) {
  Scanrik* s = Scanrik::instance();
  if (s && s->isOpenGLFeatureSupported(feature)) return true;
  ShowErrorBox("%s", message);
  return false;
}

bool EngineDemoSizeFits(int size, const char* what) {
  const kvHardwareCaps* caps = kvHardwareCaps::getInstance();
  const int textures = caps->getLimit(kvHardwareCaps::kMaxTextureSize);
  const int viewport = caps->getLimit(kvHardwareCaps::kMaxViewportSize);
  if (size <= textures && size <= viewport) return true;
  ShowErrorBox("%s of %d x %d exceeds this device's limits (texture size %d, viewport %d).", what, size, size,
               textures, viewport);
  return false;
}

float EngineDemoAspect(const DemoSlot* slot) {
  const int height = slot->clientHeight < 1 ? 1 : slot->clientHeight;
  return static_cast<float>(slot->clientWidth) / static_cast<float>(height);
}

kvCamera* CreateEngineDemoCamera(DemoSlot* slot, const char* baseName, float fovDeg, float projFovDeg,
                                 const kvVector4& eye, const kvVector4& target) {
  char name[64];
  snprintf(name, sizeof(name), "%s_%u", baseName, slot->engineId);
  const float aspect = EngineDemoAspect(slot);
  kvCamera* camera = kvCameraMgr::getInstance()->createCameraPerspective(name, fovDeg, aspect, 1.0f, 2000.0f);
  if (camera) {
    slot->scene->addObject(camera);
    camera->setViewport(0, 0, slot->clientWidth, slot->clientHeight);
    camera->setProjPerspParams(projFovDeg, aspect, 1.0f, 4000.0f);
    camera->setViewParams(eye, target, kvVector4(0, 1, 0, 0));
  }
  slot->camera = camera;
  return camera;
}

void PlaceEngineDemoOrbitCamera(DemoSlot* slot, float degrees, float radius, float height, const kvVector4& target) {
  const float theta = degrees * 0.017453292f;
  if (slot->camera)
    slot->camera->setViewParams(kvVector4(radius * cosf(theta), height, radius * sinf(theta), 1), target,
                                kvVector4(0, 1, 0, 0));
}

kvLight* CreateEngineDemoLight(DemoSlot* slot, const EngineDemoLight& l) {
  kvLight* light = kvLightMgr::getInstance()->createLightPoint(l.name);
  if (!light) return nullptr;
  slot->scene->addObject(light);
  light->setPosition(l.x, l.y, l.z);
  light->setAmbient(l.ambient);
  light->setDiffuse(l.diffuse);
  light->setSpecular(l.specular);
  return light;
}

kvGpuShader* CreateEngineDemoShader(const char* name, const char* messagePrefix, const char* vertexSource,
                                    const char* pixelSource, const char* linkLabel) {
  kvGPUShaderMgr* mgr = kvGPUShaderMgr::getInstance();
  kvGpuShader* shader = mgr->createGPUShader(name);
  if (!shader) return nullptr;
  char message[4096];
  int pixel = kvGpuShader::kLoaded;
  if (shader->loadVertexShaderFromMemory(vertexSource, strlen(vertexSource) + 1) != kvGpuShader::kLoaded) {
    snprintf(message, sizeof(message), "%sVertex Shader Error: %s", messagePrefix, shader->getVertexLog());
  } else if ((pixel = shader->loadPixelShaderFromMemory(pixelSource, strlen(pixelSource) + 1)) ==
             kvGpuShader::kLinkError) {
    snprintf(message, sizeof(message), "%s%s: %s", messagePrefix, linkLabel, shader->getProgramLog());
  } else if (pixel != kvGpuShader::kLoaded) {
    snprintf(message, sizeof(message), "%sPixel Shader Error: %s", messagePrefix, shader->getPixelLog());
  } else {
    return shader;
  }
  ShowErrorBox("%s", message);
  kvTraceMgr::getInstance()->logTrace(2, message);
  mgr->killGpuShader(shader);
  return nullptr;
}

bool StartEngineDemoFrame(DemoSlot* slot) {
  kvScene* scene = slot->scene;
  if (!scene || !slot->camera) return false;
  kvRenderer* renderer = kvRenderer::getInstance();
  const float* bkg = scene->getBkgColor();
  renderer->setClearColor(bkg[0], bkg[1], bkg[2], bkg[3]);
  renderer->clear(true, true, false);
  slot->camera->apply(true, true, true);
  return true;
}

bool PrepareEngineDemoFirstFrame(DemoSlot* slot) {
  if (!slot->firstFrame) return false;
  kvMaterialMgr::getInstance()->classifyMaterials();
  slot->scene->prepareForCamera(slot->camera);
  slot->firstFrame = 0;
  return true;
}

void DrawEngineDemoScene(DemoSlot* slot, float dt) {
  if (!StartEngineDemoFrame(slot)) return;
  kvScene* scene = slot->scene;
  scene->renderBackground(dt);
  scene->renderObjects(dt);
  scene->renderEnd(dt);
}

int EngineMeshTriangles(kvMesh* mesh) {
  return mesh ? static_cast<int>(mesh->getMeshData()->indices().size() / 3) : 0;
}
