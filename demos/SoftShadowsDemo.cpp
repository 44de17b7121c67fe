// Soft shadows: two coloured point lights orbit a ground slab with spheres
// and two spinning tori. The scene is drawn once with an ambient program,
// then once per light, added up, with a Phong program whose light is
// filtered by 12 jittered comparisons with that light's depth shadow map.
#include <cmath>
#include <cstdio>

#include "app/AppState.h"
#include "app/Log.h"
#include "demos/EngineDemo.h"
#include "demos/EngineDemoScene.h"
#include "demos/EngineDemoThreads.h"

using namespace Korveth_nsp;

namespace {

const char kAmbientVertexShader[] =
    "void main() {\n"
    "  gl_FrontColor = gl_Color;\n"
    "  gl_TexCoord[0] = gl_MultiTexCoord0;\n"
    "  gl_Position = ftransform();\n"
    "}\n";

const char kAmbientPixelShader[] =
    "uniform sampler2D colorMap;\n"
    "void main() {\n"
    "  vec4 texel = texture2D(colorMap, gl_TexCoord[0].st);\n"
    "  gl_FragColor = vec4((gl_FrontLightModelProduct.sceneColor * gl_FrontMaterial.ambient * texel).rgb, 1.0);\n"
    "}\n";

const char kPhongVertexShader[] =
    "varying vec4 projCoord;\n"
    "varying vec3 normal, eyeVec, lightDir;\n"
    "void main() {\n"
    "  vec4 v = gl_ModelViewMatrix * gl_Vertex;\n"
    "  projCoord = gl_TextureMatrix[0] * v;\n"
    "  normal = gl_NormalMatrix * gl_Normal;\n"
    "  eyeVec = -v.xyz;\n"
    "  lightDir = gl_LightSource[0].position.xyz - v.xyz;\n"
    "  gl_TexCoord[0] = gl_MultiTexCoord0;\n"
    "  gl_Position = ftransform();\n"
    "}\n";

// The shadow term is the share of the 12 taps around the point that the
// light sees: 1 fully lit, 0 fully hidden, steps of twelfths at an edge.
const char kPhongPixelShader[] =
    "#version 120\n"
    "uniform float filter_scale;\n"
    "uniform sampler2DShadow shadowMap;\n"
    "uniform sampler2D colorMap;\n"
    "varying vec4 projCoord;\n"
    "varying vec3 normal, eyeVec, lightDir;\n"
    "const vec2 taps[12] = vec2[12](\n"
    "  vec2(0.617481, -0.613392), vec2(-0.040254, 0.170019), vec2(0.791925, -0.299417),\n"
    "  vec2(0.493210, 0.645680), vec2(0.027070, 0.421003), vec2(-0.271096, -0.817194),\n"
    "  vec2(-0.668203, -0.705374), vec2(-0.108615, 0.977050), vec2(0.142369, 0.063326),\n"
    "  vec2(0.326090, -0.667531), vec2(-0.295755, -0.098422), vec2(0.215369, -0.885922));\n"
    "void main() {\n"
    "  float shadow = 1.0;\n"
    "  if (projCoord.q > 0.0) {\n"
    "    vec3 p = projCoord.xyz / projCoord.q;\n"
    "    shadow = 0.0;\n"
    "    for (int i = 0; i < 12; ++i)\n"
    "      shadow += shadow2D(shadowMap, p + vec3(taps[i] * filter_scale, 0.0)).r;\n"
    "    shadow /= 12.0;\n"
    "  }\n"
    "  vec4 texel = texture2D(colorMap, gl_TexCoord[0].st);\n"
    "  vec3 n = normalize(normal);\n"
    "  vec3 l = normalize(lightDir);\n"
    "  vec4 color = gl_FrontLightProduct[0].ambient * texel;\n"
    "  float lambert = dot(n, l);\n"
    "  if (lambert > 0.0) {\n"
    "    vec3 e = normalize(eyeVec);\n"
    "    vec3 r = reflect(-l, n);\n"
    "    color += gl_FrontLightProduct[0].diffuse * lambert * texel;\n"
    "    color += gl_FrontLightProduct[0].specular * pow(max(dot(r, e), 0.0), gl_FrontMaterial.shininess);\n"
    "  }\n"
    "  gl_FragColor = vec4(color.rgb * shadow, gl_FrontMaterial.diffuse.a);\n"
    "}\n";

const int kShadowMapSize = 1024;
const int kObjectCount = 7;  // ground, four spheres, two tori
enum { kAmbientShader = 0, kPhongShader = 1 };

// What one light's passes need.
struct SoftShadowsPass {
  kvLight* light;
  kvVector4 ambient;
  kvVector4 positions[2];
  kvCamera* shadowCamera;
};

// The demo runs on its one slot: its passes, its shadow target and its
// animation live here between set-up and teardown.
struct SoftShadowsState {
  SoftShadowsPass passes[2];
  kvRenderTarget* shadowTarget;
  int triangles;
  float cameraAngle;
  float lightAngle;
  float lightStartAngle[2];
  float lightHeight[2];
};
SoftShadowsState g_state;

SoftShadowsPass SetSoftShadowsPassParams(kvLight* light, kvCamera* shadowCamera) {
  SoftShadowsPass pass;
  pass.light = light;
  pass.ambient = kvVector4(0.2f, 0.2f, 0.2f, 1);
  pass.positions[0] = pass.positions[1] = kvVector4(0, 0, 0, 1);
  pass.shadowCamera = shadowCamera;
  return pass;
}

bool createShaders(DemoSlot* slot) {
  kvGpuShader* ambient =
      CreateEngineDemoShader("SSAmbientPassShader", "SSAmbientPassShader ", kAmbientVertexShader, kAmbientPixelShader);
  if (!ambient) return false;
  kvGpuShader* phong =
      CreateEngineDemoShader("SSPhongPassShader", "SSPhongPassShader ", kPhongVertexShader, kPhongPixelShader);
  if (!phong) return false;
  ambient->bind();
  ambient->setUniform1i("colorMap", 0);
  phong->bind();
  phong->setUniform1i("colorMap", 0);
  phong->setUniform1i("shadowMap", 1);
  phong->setUniform1f("filter_scale", 0.002f);
  kvGpuShader::unbind();
  slot->shaders[kAmbientShader] = ambient;
  slot->shaders[kPhongShader] = phong;
  return true;
}

void createLights(DemoSlot* slot, kvCamera* shadowCamera) {
  const EngineDemoLight lights[2] = {
      {"ss_Light01", 100, 200, 400, kvVector4(0.3f, 0.2f, 0.1f, 1), kvVector4(0.9f, 0.4f, 0.2f, 1),
       kvVector4(0.6f, 0.2f, 0.1f, 1)},
      {"ss_Light02", -100, 200, 400, kvVector4(0.1f, 0.2f, 0.3f, 1), kvVector4(0.2f, 0.4f, 0.9f, 1),
       kvVector4(0.1f, 0.2f, 0.6f, 1)},
  };
  for (int i = 0; i < 2; ++i) {
    g_state.passes[i] = SetSoftShadowsPassParams(CreateEngineDemoLight(slot, lights[i]), shadowCamera);
    g_state.lightStartAngle[i] = atan2f(lights[i].z, lights[i].x);
    g_state.lightHeight[i] = lights[i].y;
  }
}

kvMaterial* texturedMaterial(const char* name, const char* path, float shininess) {
  kvTexture* texture = kvTextureMgr::getInstance()->loadTexture2D(name, path);
  if (!texture) return nullptr;
  texture->setAddressingMode(kvTexture::kRepeat, kvTexture::kRepeat);
  texture->setFilteringMode(kvTexture::kLinear);
  if (!texture->upload()) return nullptr;
  kvMaterial* m = kvMaterialMgr::getInstance()->createMaterial(name);
  if (!m) return nullptr;
  m->setAmbient(kvVector4(1, 1, 1, 1));
  m->setDiffuse(kvVector4(1, 1, 1, 1));
  m->setSpecular(kvVector4(0.6f, 0.6f, 0.6f, 1));
  m->setShininess(shininess);
  m->addTexture(texture);
  return m;
}

kvMesh* addMesh(DemoSlot* slot, int index, const char* name, kvMaterial* material, float x, float y, float z) {
  kvMesh* mesh = Korveth::getInstance()->createMesh(name);
  if (!mesh) return nullptr;
  slot->scene->addObject(mesh);
  mesh->assignMaterialToFaces(material);
  mesh->setPosition(x, y, z);
  mesh->setDrawnByScene(false);  // the passes draw it
  slot->meshes[index] = mesh;
  return mesh;
}

bool createObjects(DemoSlot* slot) {
  SetCurrentDirectoryA(g_app.appDirectory);
  kvMaterial* ground = texturedMaterial("ss_ground_mat", "media/textures/ss_color1.jpg", 20.0f);
  kvMaterial* sphere = texturedMaterial("ss_sphere_mat", "media/textures/ss_color2.jpg", 60.0f);
  kvMaterial* torus = texturedMaterial("ss_torus_mat", "media/textures/ss_color3.jpg", 60.0f);
  if (!ground || !sphere || !torus) {
    ShowErrorBox("Could not load soft shadows textures!");
    return false;
  }
  if (kvMesh* m = addMesh(slot, 0, "ss_GroundMesh", ground, 0, 0, 0)) m->createBox(600, 10, 600, 10, 10, 4);
  const float corners[4][2] = {{-200, -200}, {200, -200}, {200, 200}, {-200, 200}};
  for (int i = 0; i < 4; ++i) {
    char name[32];
    snprintf(name, sizeof(name), "ss_Sphere%d", i + 1);
    if (kvMesh* m = addMesh(slot, 1 + i, name, sphere, corners[i][0], 55, corners[i][1])) m->createSphere(50, 40, 40);
  }
  if (kvMesh* m = addMesh(slot, 5, "ss_TorusOuter", torus, 0, 125, 0)) {
    m->createTorus(100, 20, 80, 80);
    m->setAutoSpinAngles(0, 20, 0);
  }
  if (kvMesh* m = addMesh(slot, 6, "ss_TorusInner", torus, 0, 125, 0)) {
    m->createTorus(65, 15, 80, 80);
    m->setAutoSpinAngles(0, -60, 0);
  }
  g_state.triangles = 0;
  for (int i = 0; i < kObjectCount; ++i) g_state.triangles += EngineMeshTriangles(slot->meshes[i]);
  return true;
}

bool createShadowTarget() {
  g_state.shadowTarget = Korveth::getInstance()->createRenderTarget("shadow_rt");
  if (g_state.shadowTarget && g_state.shadowTarget->createDepthTarget(kShadowMapSize, kShadowMapSize)) return true;
  ShowErrorBox("Could not create depth render targer!");
  return false;
}

bool InitSoftShadowsDemo(DemoSlot* slot) {
  g_state = SoftShadowsState();
  if (!EngineDemoRequires(25, "Soft Shadows demo requires the support of OpenGL 2.0.") ||
      !EngineDemoRequires(20, "Soft Shadows demo requires FBO support."))
    return false;
  // The size check needs the render window current.
  if (!BeginEngineDemoSetup(slot, -1, nullptr, 0.0f, 0.0f, 0.0f) ||
      !EngineDemoSizeFits(kShadowMapSize, "The shadow map"))
    return false;
  CreateEngineDemoCamera(slot, "ss_Camera", 60.0f, 60.0f, kvVector4(0, 200, 350, 1), kvVector4(0, 50, 0, 1));
  // Wide enough to see every object from a light.
  char name[64];
  snprintf(name, sizeof(name), "ss_ShadowMapCamera_%u", slot->engineId);
  kvCamera* shadowCamera = kvCameraMgr::getInstance()->createCameraPerspective(name, 110.0f, 1.0f, 10.0f, 2000.0f);
  if (!slot->camera || !shadowCamera) return false;
  shadowCamera->setViewport(0, 0, kShadowMapSize, kShadowMapSize);
  if (!createShaders(slot)) return false;
  createLights(slot, shadowCamera);
  if (!createObjects(slot) || !createShadowTarget()) return false;
  return FinishEngineDemoSetup(slot);
}

void DestroySoftShadowsDemo(DemoSlot* slot) {
  Korveth* engine = Korveth::getInstance();
  if (g_state.shadowTarget && slot->renderWindow && engine->setCurrentRenderWindow(slot->renderWindow))
    engine->destroyRenderTarget(g_state.shadowTarget);
  g_state = SoftShadowsState();
  DestroyEngineDemo(slot);
}

void UpdateSoftShadowsCamera(DemoSlot* slot, float dt) {
  g_state.cameraAngle += dt * 10.0f;
  const float a = g_state.cameraAngle * 3.14159265f / 180.0f;
  if (slot->camera)
    slot->camera->setViewParams(kvVector4(500.0f * sinf(a), 200.0f, 500.0f * cosf(a), 1), kvVector4(0, 50, 0, 1),
                                kvVector4(0, 1, 0, 0));
}

void UpdateSoftShadowsLights(float dt) {
  g_state.lightAngle += dt * 20.0f;
  const float a = g_state.lightAngle * 3.14159265f / 180.0f;
  for (int i = 0; i < 2; ++i)
    if (kvLight* light = g_state.passes[i].light)
      light->setPosition(400.0f * cosf(g_state.lightStartAngle[i] + a), g_state.lightHeight[i],
                         400.0f * sinf(g_state.lightStartAngle[i] + a));
}

void animateSoftShadows(DemoSlot* slot, float dt, float) {
  UpdateSoftShadowsCamera(slot, dt);
  UpdateSoftShadowsLights(dt);
  if (slot->scene) slot->scene->animate(dt);
}

// Every object with its material's colours and texture through a program
// (none: depth only).
void drawObjects(DemoSlot* slot, kvGpuShader* shader) {
  for (int i = 0; i < kObjectCount; ++i) {
    kvMesh* mesh = slot->meshes[i];
    if (!mesh) continue;
    if (shader && mesh->getMaterial()) {
      mesh->getMaterial()->applyMaterialColorsToRenderer(0);
      mesh->getMaterial()->applyTexturesToRenderer(0);
      shader->bind();
    }
    mesh->draw();
  }
  kvGpuShader::unbind();
  kvTexture::unbind(0);
}

void ApplySoftShadowsAmbientPass(DemoSlot* slot, const SoftShadowsPass& pass) {
  kvRenderer* renderer = kvRenderer::getInstance();
  slot->camera->apply(true, true, true);
  renderer->setGlobalAmbientColor(pass.ambient);
  kvLinkedList* lights = slot->scene->getLightList();
  lights->setIterator();
  int unit = 0;
  while (kvLight* light = static_cast<kvLight*>(lights->getNext())) {
    kvLightData data = light->getLightData();
    if (data.position.w != 0.0f) light->apply(unit++);
  }
  renderer->setRenderState(kvRenderer::kStateLighting, false);
  renderer->setRenderState(kvRenderer::kStateCulling, false);
  drawObjects(slot, slot->shaders[kAmbientShader]);
  renderer->setRenderState(kvRenderer::kStateCulling, true);
}

// The light's depth map of the objects' back faces.
void RenderShadowMapPass(DemoSlot* slot, const SoftShadowsPass& pass) {
  kvRenderer* renderer = kvRenderer::getInstance();
  const kvVector4& p = pass.light->getPosition();
  pass.shadowCamera->setViewParams(kvVector4(p.x, p.y, p.z, 1), kvVector4(0, 50, 0, 1), kvVector4(0, 1, 0, 0));
  g_state.shadowTarget->bind();
  renderer->clear(false, true, false);
  pass.shadowCamera->apply(false, true, true);
  renderer->setCullFrontFaces(true);
  drawObjects(slot, nullptr);
  renderer->setCullFrontFaces(false);
  kvRenderTarget::unbind();
}

void RenderShadowedScenePass(DemoSlot* slot, const SoftShadowsPass& pass) {
  kvRenderer* renderer = kvRenderer::getInstance();
  kvCamera* shadow = pass.shadowCamera;
  slot->camera->apply(true, true, true);
  // Eye space of the viewer -> world -> the light's clip space -> 0..1.
  kvMatrix4 bias;
  bias.m[0] = bias.m[5] = bias.m[10] = 0.5f;
  bias.m[12] = bias.m[13] = bias.m[14] = 0.5f;
  kvMatrix4 m = kvMatrix4::multiply(
      bias, kvMatrix4::multiply(shadow->getProjectionMatrix(),
                                kvMatrix4::multiply(shadow->getViewMatrix(), slot->camera->getInverseViewMatrix())));
  renderer->setTextureMatrix(0, m);
  g_state.shadowTarget->getDepthTexture()->bind(1);
  pass.light->apply(0);
  renderer->setAdditivePass(true);
  drawObjects(slot, slot->shaders[kPhongShader]);
  renderer->setAdditivePass(false);
  kvTexture::unbind(1);
  renderer->setTextureMatrix(0, kvMatrix4());
}

void drawSoftShadows(DemoSlot* slot, float, float) {
  if (!slot->camera || !g_state.shadowTarget || !g_state.passes[0].light || !g_state.passes[1].light) return;
  kvRenderer* renderer = kvRenderer::getInstance();
  renderer->setClearColor(0, 0, 0, 0);
  renderer->clear(true, true, false);
  ApplySoftShadowsAmbientPass(slot, g_state.passes[0]);
  for (const SoftShadowsPass& pass : g_state.passes) {
    RenderShadowMapPass(slot, pass);
    RenderShadowedScenePass(slot, pass);
  }
  renderer->resetStates();
}

void trianglesLine(DemoSlot*, kvFont* font) { font->setText("Triangles=%d", g_state.triangles); }

const EngineDemoSpec kSoftShadowsDemo = {
    "GL_SoftShadows", true, false, false, false, InitSoftShadowsDemo, DestroySoftShadowsDemo, animateSoftShadows,
    drawSoftShadows,  trianglesLine, nullptr,
};

}  // namespace

DWORD WINAPI SoftShadowsThread(void* arg) {
  RunEngineDemo(static_cast<DemoSlot*>(arg), kSoftShadowsDemo);
  ExitThread(0);
}
