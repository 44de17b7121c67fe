// Toon shading: a spinning torus drawn with a cel-shading program (black
// silhouette, two diffuse bands, a hard specular spot) whose colour cycles.
#include <cmath>
#include <cstdio>

#include "demos/EngineDemo.h"
#include "demos/EngineDemoScene.h"
#include "demos/EngineDemoThreads.h"
#include "detect/Scanrik.h"

using namespace Korveth_nsp;

namespace {

const char kToonVertexShader[] =
    "varying vec3 vVertex;\n"
    "varying vec3 vNormal;\n"
    "void main() {\n"
    "  vVertex = vec3(gl_ModelViewMatrix * gl_Vertex);\n"
    "  vNormal = gl_NormalMatrix * gl_Normal;\n"
    "  gl_Position = ftransform();\n"
    "}\n";

// Bands: lit or shadowed side (N.L against 0.5), and the specular spot
// replacing the diffuse colour; black where the surface turns away.
const char kToonPixelShader[] =
    "uniform float silhouetteThreshold;\n"
    "varying vec3 vVertex;\n"
    "varying vec3 vNormal;\n"
    "void main() {\n"
    "  vec3 n = normalize(vNormal);\n"
    "  vec3 eye = normalize(-vVertex);\n"
    "  vec3 eyeVert = normalize(eye - vVertex);\n"
    "  vec3 lightVert = normalize(gl_LightSource[0].position.xyz - vVertex);\n"
    "  vec3 halfVector = normalize(lightVert + eyeVert);\n"
    "  float sil = max(dot(n, eyeVert), 0.0);\n"
    "  if (sil < silhouetteThreshold) {\n"
    "    gl_FragColor = vec4(0.0, 0.0, 0.0, 1.0);\n"
    "    return;\n"
    "  }\n"
    "  vec4 color = gl_FrontMaterial.diffuse;\n"
    "  float spec = pow(max(dot(n, halfVector), 0.0), 90.0);\n"
    "  if (spec < 0.2) color *= 0.76; else color = gl_FrontMaterial.specular;\n"
    "  if (max(dot(n, lightVert), 0.0) < 0.5) color *= 0.7;\n"
    "  gl_FragColor = vec4(color.rgb, 1.0);\n"
    "}\n";

enum { kTorusMesh = 0 };
enum { kToonShader = 0 };

kvGpuShader* createToonShader() {
  kvGpuShader* shader = CreateEngineDemoShader("ToonShader", "", kToonVertexShader, kToonPixelShader);
  if (!shader) return nullptr;
  shader->bind();
  shader->setUniform1f("silhouetteThreshold", 0.3f);
  kvGpuShader::unbind();
  return shader;
}

kvMaterial* createToonMaterial(DemoSlot* slot, kvGpuShader* shader) {
  char name[64];
  snprintf(name, sizeof(name), "ToonMat_%u", slot->engineId);
  kvMaterial* m = kvMaterialMgr::getInstance()->createMaterial(name);
  if (!m) return nullptr;
  m->setShininess(60.0f);
  m->setBlending(false, kvMaterial::kOne, kvMaterial::kZero);
  m->setGpuShader(shader);
  m->setAmbient(kvVector4(0.8f, 0.6f, 0.0f, 1));
  m->setDiffuse(kvVector4(0.6f, 0.6f, 0.4f, 1));
  m->setSpecular(kvVector4(0.8f, 0.1f, 0.0f, 1));
  return m;
}

void createTorus(DemoSlot* slot, kvMaterial* material) {
  char name[64];
  snprintf(name, sizeof(name), "MeshTorus_%u", slot->engineId);
  kvMesh* mesh = Korveth::getInstance()->createMesh(name);
  if (!mesh) return;
  slot->scene->addObject(mesh);
  mesh->createTorus(30.0f, 10.0f, 80, 80);
  mesh->assignMaterialToFaces(material);
  mesh->setPosition(0, 0, 0);
  mesh->getMeshData()->setVerticesColor(kvVector4(1, 1, 1, 1));
  mesh->setAutoSpinAngles(10, 4, -8);
  Scanrik* s = Scanrik::instance();
  mesh->getMeshData()->setOptionsState(10, s && s->isOpenGLFeatureSupported(19));
  mesh->getMeshData()->setOptionsState(3, s && s->isOpenGLFeatureSupported(5));
  slot->meshes[kTorusMesh] = mesh;
}

bool initToonDemo(DemoSlot* slot) {
  if (!BeginEngineDemoSetup(slot, -1, nullptr, 0.2f, 0.4f, 0.6f)) return false;
  Scanrik* s = Scanrik::instance();
  // Without GLSL the torus is drawn plain.
  kvGpuShader* shader = s && s->isOpenGLFeatureSupported(25) ? createToonShader() : nullptr;
  slot->shaders[kToonShader] = shader;
  CreateEngineDemoCamera(slot, "Camera", 60.0f, 60.0f, kvVector4(0, 40, 50, 1), kvVector4(0, 0, 0, 1));
  char name[64];
  snprintf(name, sizeof(name), "Light_%u", slot->engineId);
  CreateEngineDemoLight(slot, {name, -40, 60, 40, kvVector4(0.2f, 0.2f, 0.2f, 1), kvVector4(0.8f, 0.8f, 0.8f, 1),
                               kvVector4(0.9f, 0.9f, 0.9f, 1)});
  createTorus(slot, createToonMaterial(slot, shader));
  return FinishEngineDemoSetup(slot);
}

// The diffuse colour cycles with the elapsed time; the bands follow it.
// Nothing is kept between frames: the material holds the colour.
void animateToon(DemoSlot* slot, float dt, float t) {
  const kvVector4 color((cosf(0.9f * t) + 1.0f) / 2.0f, (sinf(1.1f * t) + 1.0f) / 2.0f,
                        (cosf(-1.2f * t) + 1.0f) / 2.0f, 1.0f);
  kvMesh* torus = slot->meshes[kTorusMesh];
  if (torus && torus->getMaterial()) torus->getMaterial()->setDiffuse(color);
  if (slot->scene) slot->scene->animate(dt);
}

void drawToon(DemoSlot* slot, float dt, float) { DrawEngineDemoScene(slot, dt); }

const EngineDemoSpec kToonDemo = {
    "GL_ToonShading", true, false, false, false, initToonDemo, DestroyEngineDemo, animateToon, drawToon, nullptr,
    nullptr,
};

}  // namespace

DWORD WINAPI ToonShadingThread(void* arg) {
  RunEngineDemo(static_cast<DemoSlot*>(arg), kToonDemo);
  ExitThread(0);
}
