// The fur cube: a spinning box drawn many times per frame, each shell pushed
// out along the normals and textured with noise in which fewer and fewer
// texels are opaque, so that the shells add up to hairs.
#include <cstdio>
#include <cstdlib>

#include "app/AppState.h"
#include "app/Log.h"
#include "demos/DemoImages.h"
#include "demos/DemoStart.h"
#include "demos/EngineDemo.h"
#include "demos/EngineDemoScene.h"
#include "demos/FurDemo.h"
#include "demos/FurShaders.h"

using namespace Korveth_nsp;

namespace {

enum { kFurBoxMesh = 0, kInnerBoxMesh = 1 };
enum { kFurShader = 0 };

// The fur shader: a compile error fails the set-up; no shader manager
// answer (no GLSL) lets the demo go on without fur.
bool createFurShader(DemoSlot* slot) {
  kvGPUShaderMgr* mgr = kvGPUShaderMgr::getInstance();
  kvGpuShader* shader = mgr->createGPUShader("FurShader");
  if (!shader) return true;
  if (shader->loadVertexShaderFromMemory(kFurVertexShader, sizeof(kFurVertexShader)) != 0) {
    ShowErrorBox("Fur Vertex Shader Error: %s", shader->getVertexLog());
    return false;
  }
  const int pixel = shader->loadPixelShaderFromMemory(kFurPixelShader, sizeof(kFurPixelShader));
  if (pixel == kvGpuShader::kLinkError) {
    ShowErrorBox("Fur Shader Program Error: %s", shader->getProgramLog());
    return false;
  }
  if (pixel != kvGpuShader::kLoaded) {
    ShowErrorBox("Fur Pixel Shader Error: %s", shader->getPixelLog());
    return false;
  }
  shader->bind();
  shader->setUniform1f("UVScale", 1.0f);
  shader->setUniform1i("tigerMap", 0);
  shader->setUniform1i("furMap", 1);
  kvGpuShader::unbind();
  slot->shaders[kFurShader] = shader;
  return true;
}

kvTexture* loadFurColorTexture() {
  SetCurrentDirectoryA(g_app.appDirectory);
  kvTexture* t = kvTextureMgr::getInstance()->loadTexture2D("fur_color", "media/textures/fur_color.jpg");
  if (!t) return nullptr;
  t->setAddressingMode(kvTexture::kRepeat, kvTexture::kRepeat);
  t->setFilteringMode(kvTexture::kLinear);
  return t->upload() ? t : nullptr;
}

void createCameraAndLights(DemoSlot* slot) {
  CreateEngineDemoCamera(slot, "Camera", 50.0f, 60.0f, kvVector4(0, 20, 140, 1), kvVector4(0, 0, 0, 1));
  char name[64];
  const struct {
    int number;
    float x, y, z;
  } lights[] = {{1, -20, 50, 100}, {2, 20, -50, 100}};
  for (const auto& l : lights) {
    snprintf(name, sizeof(name), "FurLight%02d_%u", l.number, slot->engineId);
    CreateEngineDemoLight(slot, {name, l.x, l.y, l.z, kvVector4(0.3f, 0.3f, 0.3f, 1), kvVector4(0.8f, 0.8f, 0.6f, 1),
                                 kvVector4(0, 0, 0, 1)});
  }
}

kvMesh* createBox(DemoSlot* slot, const char* name, float size, int segments, kvMaterial* material,
                  bool drawnByScene) {
  kvMesh* mesh = Korveth::getInstance()->createMesh(name);
  if (!mesh) return nullptr;
  slot->scene->addObject(mesh);
  mesh->createBox(size, size, size, segments);
  mesh->assignMaterialToFaces(material);
  mesh->setPosition(0, 0, 0);
  mesh->getMeshData()->setVerticesColor(kvVector4(1, 1, 0, 1));
  mesh->setDrawnByScene(drawnByScene);
  mesh->setAutoSpinAngles(11, 7, 3);
  return mesh;
}

void createBoxes(DemoSlot* slot, kvTexture* furColor) {
  kvMaterialMgr* materials = kvMaterialMgr::getInstance();
  kvMaterial* fur = materials->createMaterial("fur_box_mat");
  if (fur) {
    fur->setAmbient(kvVector4(0.4f, 0.3f, 0.2f, 1));
    fur->setDiffuse(kvVector4(0.9f, 0.8f, 0.8f, 1));
    fur->setBlending(true, kvMaterial::kSrcAlpha, kvMaterial::kOneMinusSrcAlpha);
    fur->addTexture(furColor);
    fur->setGpuShader(slot->shaders[kFurShader]);
  }
  char name[64];
  snprintf(name, sizeof(name), "FurMesh_%u", slot->engineId);
  slot->meshes[kFurBoxMesh] = createBox(slot, name, 80, 8, fur, false);
  kvMaterial* inner = materials->createMaterial("inner_box_mat");
  if (inner) {
    inner->setAmbient(kvVector4(0.4f, 0.4f, 0.4f, 1));
    inner->setDiffuse(kvVector4(0.8f, 0.8f, 0.8f, 1));
    inner->setSpecular(kvVector4(0.1f, 0.1f, 0.1f, 1));
    inner->setBlending(false, kvMaterial::kOne, kvMaterial::kZero);
    inner->addTexture(furColor);
  }
  snprintf(name, sizeof(name), "FurMeshInner_%u", slot->engineId);
  slot->meshes[kInnerBoxMesh] = createBox(slot, name, 79, 4, inner, true);
}

void createBackground(DemoSlot* slot) {
  char name[64];
  snprintf(name, sizeof(name), "FurBkgImg_%u", slot->engineId);
  kvBkgImage* image = Korveth::getInstance()->createBkgImage(name);
  if (!image) return;
  slot->scene->addObject(image);
  kvMaterial* material = kvMaterialMgr::getInstance()->createMaterial("bkg_img_mat");
  EmbeddedImage jpeg = FurBackgroundImage();
  kvTexture* texture = kvTextureMgr::getInstance()->createTexture2DFromMemory("fur_bkg_texture", jpeg.data, jpeg.size);
  if (material && texture) material->addTexture(texture);
  image->setMaterial(material);
}

bool initFurDemo(DemoSlot* slot) {
  if (!BeginEngineDemoSetup(slot, 25, "Fur demo requires the support of OpenGL 2.0.", 0.4f, 0.4f, 0.4f))
    return false;
  if (!createFurShader(slot)) return false;
  BuildFurLayerTextures(slot);
  kvTexture* furColor = loadFurColorTexture();
  if (!furColor) {
    ShowErrorBox("Could not load fur color texture. Fur Benchmark startup failed.");
    return false;
  }
  createCameraAndLights(slot);
  createBoxes(slot, furColor);
  createBackground(slot);
  return FinishEngineDemoSetup(slot);
}

void destroyFurDemo(DemoSlot* slot) {
  DestroyEngineDemo(slot);
  // The noise textures went with the render window.
  for (int i = 0; i < kFurNoiseTextureMax && g_app.furNoiseTextures; ++i) g_app.furNoiseTextures[i] = nullptr;
}

void animateFur(DemoSlot* slot, float dt, float) {
  if (slot->scene) slot->scene->animate(dt);
}

void drawFurShells(DemoSlot* slot) {
  kvMesh* furBox = slot->meshes[kFurBoxMesh];
  kvGpuShader* shader = slot->shaders[kFurShader];
  kvMaterial* material = furBox ? furBox->getMaterial() : nullptr;
  if (!furBox || !material) return;
  material->applyRasterizerStateToRenderer(0);
  material->applyMaterialColorsToRenderer(0);
  material->applyTexturesToRenderer(0);
  material->applyBlendingStateToRenderer(0);
  kvMeshData* data = furBox->getMeshData();
  data->bind();
  if (shader) {
    shader->bind();
    const int shells = g_app.furShellCount;
    const int textures = g_app.furNoiseTextureCount;
    for (int i = 0; i < shells; ++i) {
      float t = static_cast<float>(i + 1) / static_cast<float>(shells);
      shader->setUniform1f("FurLength", t * g_app.furLength);
      shader->setUniform1f("Layer", t);
      int index = static_cast<int>(static_cast<float>(i) / static_cast<float>(shells) * static_cast<float>(textures));
      kvTexture* noise = index >= 0 && index < kFurNoiseTextureMax ? g_app.furNoiseTextures[index] : nullptr;
      if (noise) noise->bind(1);
      furBox->draw();
    }
    kvGpuShader::unbind();
  }
  data->release();
  material->unapply();
}

void drawFur(DemoSlot* slot, float dt, float) {
  if (!StartEngineDemoFrame(slot)) return;
  kvScene* scene = slot->scene;
  if (PrepareEngineDemoFirstFrame(slot)) {
    if (kvGpuShader* shader = slot->shaders[kFurShader]) {
      shader->bind();
      shader->setUniformMatrix4("mv", slot->camera->getViewMatrix());
      kvGpuShader::unbind();
    }
  }
  scene->renderBackground(dt);
  scene->renderObjects(dt);
  drawFurShells(slot);
  scene->renderEnd(dt);
}

const EngineDemoSpec kFurDemo = {
    "GL_Furry_Cube", true, true, true, false, initFurDemo, destroyFurDemo, animateFur, drawFur, nullptr, nullptr,
};

}  // namespace

void BuildFurLayerTextures(DemoSlot* slot) {
  const int count = g_app.furNoiseTextureCount < kFurNoiseTextureMax ? g_app.furNoiseTextureCount
                                                                     : kFurNoiseTextureMax;
  const int size = g_app.furNoiseTextureSize;
  if (!g_app.furNoiseTextures || count <= 0) return;
  char name[64];
  for (int i = 0; i < count; ++i) {
    snprintf(name, sizeof(name), "FurNoise%d_%u", i, slot ? slot->engineId : 0u);
    kvTexture* t = kvTextureMgr::getInstance()->createTexture2D(name, size, size);
    g_app.furNoiseTextures[i] = t;
    if (!t) continue;
    t->changePixelFormat(kvTexture::kFormatRgba);
    t->setAddressingMode(kvTexture::kRepeat, kvTexture::kRepeat);
    t->setFilteringMode(kvTexture::kLinear);
    kvTextureData* data = t->getTextureData();
    const float d = 1.0f - static_cast<float>(i) / static_cast<float>(count);
    float grey = 1.0f - d;
    grey = grey < 0.3f ? 0.3f : grey > 0.9f ? 0.9f : grey;
    data->fillWithColor(grey, grey, grey, 0.0f);
    // Each texture has its own seed: the same hairs on every run.
    const int hairs = static_cast<int>(static_cast<float>(g_app.furHairDensity) * d);
    srand(static_cast<unsigned>(hairs));
    for (int n = 0; n < hairs; ++n) {
      int x = static_cast<int>(static_cast<long long>(rand()) * size / 32768);
      int y = static_cast<int>(static_cast<long long>(rand()) * size / 32768);
      data->setPixel(x, y, 1.0f - d, 1.0f - d, 1.0f - d, d);
    }
    t->upload();
  }
}

DWORD WINAPI FurDemoThread(void* arg) {
  RunEngineDemo(static_cast<DemoSlot*>(arg), kFurDemo);
  ExitThread(0);
}
