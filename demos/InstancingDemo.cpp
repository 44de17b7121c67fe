// Geometry instancing: a planet with a belt of 10,000 asteroids under a
// space skybox; the asteroids go to the GPU in batches, their places and
// rotations as uniform arrays, one instanced draw per batch.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/AppState.h"
#include "app/Log.h"
#include "demos/DemoStart.h"
#include "demos/EngineDemo.h"
#include "demos/EngineDemoScene.h"
#include "demos/InstancingDemo.h"
#include "detect/Scanrik.h"

using namespace Korveth_nsp;

namespace {

enum { kPlanetMesh = 0, kAsteroidMesh = 1, kPlaneMesh = 2 };
enum { kInstancingShader = 0, kPhongShader = 1, kBeltShader = 2 };
const int kAsteroids = 10000;
// Instances per draw on most devices; vendor 2 takes 64.
const int kLargestBatch = 400;

const char kRequirementFooter[] =
    "\n\rOpenGL HW Geometry Instancing requires a GeForce 8 (and higher), a Radeon HD 2000 (or higher) or a S3 "
    "Graphics Chrome 400 Series.";

// The demo's own state beside its slot (one slot runs this demo).
struct InstancingState {
  int batchSize;         // instances per draw: 400, or 64 on vendor 2
  float orbitDegrees;
  int renderCalls;
  int beltTriangles;
  kvSkybox* skybox;
  float lightPositions[2][4];
  float lightDiffuse[2][4];
};
InstancingState g_gi;

// The belt's own records, each asteroid's filled by the set-up: Euler
// angles in degrees, their speeds, places, and the current batch's
// rotations as quaternions. Apart from InstancingState so that its reset
// copies no 600 KB through the demo thread's stack.
struct AsteroidBelt {
  kvVector4 angles[kAsteroids];
  kvVector4 speeds[kAsteroids];
  kvVector4 places[kAsteroids];
  kvVector4 rotations[kLargestBatch];
};
AsteroidBelt g_belt;

const char kInstancingVertexBody[] = R"(
uniform vec4 position[NUM_INSTANCES];
uniform vec4 rotation[NUM_INSTANCES];
uniform vec4 light_position[2];
uniform mat4 ViewMat4x4;
uniform mat4 viewMat4x4;
varying vec3 normal;
varying vec3 eyeVec;
varying vec3 lightDir[2];
void main()
{
  vec4 q = rotation[gl_InstanceID];
  float xx = q.x * q.x, yy = q.y * q.y, zz = q.z * q.z;
  float xy = q.x * q.y, xz = q.x * q.z, yz = q.y * q.z;
  float wx = q.w * q.x, wy = q.w * q.y, wz = q.w * q.z;
  mat4 model = mat4(1.0 - 2.0 * (yy + zz), 2.0 * (xy + wz), 2.0 * (xz - wy), 0.0,
                    2.0 * (xy - wz), 1.0 - 2.0 * (xx + zz), 2.0 * (yz + wx), 0.0,
                    2.0 * (xz + wy), 2.0 * (yz - wx), 1.0 - 2.0 * (xx + yy), 0.0,
                    position[gl_InstanceID].x, position[gl_InstanceID].y, position[gl_InstanceID].z, 1.0);
  mat4 modelView = ViewMat4x4 * model;
  vec4 P = modelView * gl_Vertex;
  gl_Position = gl_ProjectionMatrix * P;
  gl_TexCoord[0] = gl_MultiTexCoord0;
  eyeVec = -P.xyz;
  for (int i = 0; i < 2; ++i)
    lightDir[i] = (ViewMat4x4 * (-light_position[i])).xyz - P.xyz;
  normal = mat3(modelView[0].xyz, modelView[1].xyz, modelView[2].xyz) * gl_Normal;
}
)";

const char kPhongVertex[] = R"(
uniform vec4 light_position[2];
uniform mat4 ViewMat4x4;
varying vec3 normal;
varying vec3 eyeVec;
varying vec3 lightDir[2];
void main()
{
  vec4 P = gl_ModelViewMatrix * gl_Vertex;
  gl_Position = ftransform();
  gl_TexCoord[0] = gl_MultiTexCoord0;
  eyeVec = -P.xyz;
  for (int i = 0; i < 2; ++i)
    lightDir[i] = (ViewMat4x4 * (-light_position[i])).xyz - P.xyz;
  normal = gl_NormalMatrix * gl_Normal;
}
)";

// Per-pixel Phong with two lights, shared by the planet and the asteroids.
const char kPhongPixel[] = R"(
uniform sampler2D colorMap;
uniform vec4 light_diffuse[2];
varying vec3 normal;
varying vec3 eyeVec;
varying vec3 lightDir[2];
void main()
{
  vec4 tex = texture2D(colorMap, gl_TexCoord[0].st);
  vec3 N = normalize(normal);
  vec3 E = normalize(eyeVec);
  vec3 color = vec3(0.02) * gl_FrontMaterial.ambient.rgb * tex.rgb;
  for (int i = 0; i < 2; ++i) {
    vec3 L = normalize(lightDir[i]);
    float lambert = dot(N, L);
    if (lambert > 0.0) {
      color += light_diffuse[i].rgb * gl_FrontMaterial.diffuse.rgb * lambert * tex.rgb;
      vec3 R = reflect(-L, N);
      float specular = pow(max(dot(R, E), 0.0), gl_FrontMaterial.shininess);
      color += vec3(0.1) * gl_FrontMaterial.specular.rgb * specular * lambert;
    }
  }
  gl_FragColor = vec4(color, 1.0);
}
)";

const char kBeltVertex[] = R"(
varying vec3 normal;
varying vec3 eyeVec;
void main()
{
  gl_Position = ftransform();
  gl_TexCoord[0] = gl_MultiTexCoord0;
  eyeVec = -(gl_ModelViewMatrix * gl_Vertex).xyz;
  normal = gl_NormalMatrix * gl_Normal;
}
)";

const char kBeltPixel[] = R"(
uniform sampler2D colorMap;
varying vec3 normal;
varying vec3 eyeVec;
void main()
{
  vec4 tex = texture2D(colorMap, gl_TexCoord[0].st);
  gl_FragColor = vec4(tex.rgb * abs(dot(normalize(normal), normalize(eyeVec))), 1.0);
}
)";

// Vertex components the instancing program's uniforms take: the two
// per-instance arrays, the light positions and the two matrices.
int instancingUniformComponents(int batchSize) { return (2 * batchSize + 2) * 4 + 2 * 16; }

kvGpuShader* createProgram(const char* name, const char* vertex, const char* pixel) {
  kvGpuShader* shader = CreateEngineGlslProgram(name, vertex, pixel);
  if (!shader) return nullptr;
  shader->bind();
  shader->setUniform4fv("light_position", 2, &g_gi.lightPositions[0][0]);
  shader->setUniform4fv("light_diffuse", 2, &g_gi.lightDiffuse[0][0]);
  shader->setUniform1i("colorMap", 0);
  kvGpuShader::unbind();
  return shader;
}

bool createInstancingEffects(DemoSlot* slot) {
  const bool vendor2 = kvHardwareCaps::getInstance()->getGPUVendor() == 2;
  g_gi.batchSize = vendor2 ? 64 : kLargestBatch;
  const int needed = instancingUniformComponents(g_gi.batchSize);
  const int offered = kvHardwareCaps::getInstance()->getLimit(kvHardwareCaps::kMaxVertexUniformComponents);
  // Refused before the program is built, with the numbers: uniform arrays
  // beyond the device's vertex uniform components fail to link, or read
  // past the uniforms where a driver links them anyway.
  if (needed > offered) {
    ShowErrorBox("The asteroid batches of %d instances need %d vertex uniform components; this device offers %d.",
                 g_gi.batchSize, needed, offered);
    return false;
  }
  char header[160];
  snprintf(header, sizeof(header), "%s#define NUM_INSTANCES %d\n",
           vendor2 ? "" : "#version 120\n#extension GL_EXT_gpu_shader4 : enable\n"
                          "#extension GL_EXT_draw_instanced : enable\n",
           g_gi.batchSize);
  const std::string instancingVertex = std::string(header) + kInstancingVertexBody;
  slot->shaders[kInstancingShader] = createProgram("GIEffectInstancing", instancingVertex.c_str(), kPhongPixel);
  slot->shaders[kPhongShader] = createProgram("GIEffectPhong", kPhongVertex, kPhongPixel);
  slot->shaders[kBeltShader] = createProgram("GIEffectBelt", kBeltVertex, kBeltPixel);
  if (slot->shaders[kInstancingShader] && slot->shaders[kPhongShader] && slot->shaders[kBeltShader]) return true;
  ShowErrorBox("Could not create effect shaders.");
  return false;
}

bool createSkybox(DemoSlot* slot) {
  static const char* const kFaces[6] = {"right", "left", "front", "back", "top", "bottom"};
  g_gi.skybox = Korveth::getInstance()->createSkybox("sky");
  bool ok = g_gi.skybox != nullptr;
  char path[96];
  for (int face = 0; ok && face < 6; ++face) {
    snprintf(path, sizeof(path), "media/textures/space_skybox/%s.jpg", kFaces[face]);
    ok = g_gi.skybox->loadFace(face, path);
  }
  if (ok) return true;
  (void)slot;
  ShowErrorBox("Could not load skybox.");
  return false;
}

kvTexture* loadTexture(const char* path, float anisotropy) {
  kvTexture* t = kvTextureMgr::getInstance()->loadTexture2D(path, path);
  if (!t) return nullptr;
  t->setFilteringMode(kvTexture::kTrilinear);
  t->setAnisotropy(anisotropy);
  return t->upload() ? t : nullptr;
}

kvMaterial* createMaterial(const char* name, kvTexture* texture, kvGpuShader* shader) {
  kvMaterial* m = kvMaterialMgr::getInstance()->createMaterial(name);
  if (!m) return nullptr;
  m->addTexture(texture);
  m->setGpuShader(shader);
  m->setAmbient(kvVector4(1, 1, 1, 1));
  m->setDiffuse(kvVector4(1, 1, 1, 1));
  m->setSpecular(kvVector4(1, 1, 1, 1));
  m->setShininess(120.0f);
  return m;
}

bool createInstancingMaterials(DemoSlot* slot) {
  SetCurrentDirectoryA(g_app.appDirectory);
  kvTexture* planet = loadTexture("media/textures/rock019.jpg", 4.0f);
  kvTexture* asteroid = loadTexture("media/textures/rock029.jpg", 16.0f);
  kvTexture* wave = loadTexture("media/textures/pwave.jpg", 4.0f);
  if (!planet || !asteroid || !wave) {
    ShowErrorBox("Could not load textures.");
    return false;
  }
  createMaterial("gi_demo_planet_mat", planet, slot->shaders[kPhongShader]);
  createMaterial("gi_demo_sat_mat", asteroid, slot->shaders[kInstancingShader]);
  kvMaterial* plane = createMaterial("gi_demo_plane_mat", wave, nullptr);
  if (plane) plane->setBlending(true, kvMaterial::kSrcColor, kvMaterial::kOne);
  return true;
}

kvMesh* createMesh(DemoSlot* slot, const char* base, const char* material) {
  char name[64];
  snprintf(name, sizeof(name), "%s_%u", base, slot->engineId);
  kvMesh* mesh = Korveth::getInstance()->createMesh(name);
  if (!mesh) return nullptr;
  slot->scene->addObject(mesh);
  mesh->assignMaterialToFaces(kvMaterialMgr::getInstance()->getMaterial(material));
  mesh->setDrawnByScene(false);
  return mesh;
}

float randomTimes(float scale, float offset) {
  return static_cast<float>(rand()) * scale / 32768.0f + offset;
}

bool createInstancingMeshes(DemoSlot* slot) {
  kvMesh* planet = createMesh(slot, "GIPlanet", "gi_demo_planet_mat");
  kvMesh* asteroid = createMesh(slot, "GIAsteroid", "gi_demo_sat_mat");
  kvMesh* plane = createMesh(slot, "GIPlane", "gi_demo_plane_mat");
  if (!planet || !asteroid || !plane) {
    ShowErrorBox("Could not init meshes.");
    return false;
  }
  planet->createSphere(50.0f, 30, 30);
  planet->setPosition(0, 0, 0);
  planet->setAngles(90.0f, 0.0f, 0.0f);
  planet->setAutoSpinAngles(0, 5, 0);
  asteroid->createSphere(1.1f, 20, 20);
  asteroid->setPosition(0, 0, 80);
  plane->createGrid(300.0f, 300.0f, 4);
  plane->setPosition(0, 0, 0);
  plane->getMeshData()->setVerticesColor(kvVector4(0.4f, 0.4f, 0.6f, 1));
  slot->meshes[kPlanetMesh] = planet;
  slot->meshes[kAsteroidMesh] = asteroid;
  slot->meshes[kPlaneMesh] = plane;
  g_gi.beltTriangles = static_cast<int>(asteroid->getMeshData()->indices().size() / 3) * kAsteroids;
  kvVector4* angles = g_belt.angles;
  kvVector4* speeds = g_belt.speeds;
  kvVector4* places = g_belt.places;
  for (int i = 0; i < kAsteroids; ++i) {
    angles[i] = kvVector4(randomTimes(60, -30), randomTimes(60, -30), randomTimes(60, -30), 0);
    speeds[i] = kvVector4(randomTimes(20, -10), randomTimes(20, -10), randomTimes(20, -10), 0);
    const float a = static_cast<float>(i) * 0.0006283185f;
    places[i].x = randomTimes(40, -20) + 100.0f * sinf(a);
    places[i].y = randomTimes(10, -5);
    places[i].z = randomTimes(40, -20) + 100.0f * cosf(a);
    places[i].w = 1.0f;
  }
  return true;
}

void createCamera(DemoSlot* slot) {
  kvCamera* camera =
      CreateEngineDemoCamera(slot, "Camera", 90.0f, 80.0f, kvVector4(0, 50, 180, 1), kvVector4(0, 0, 0, 1));
  // A nearer near plane than the common camera's.
  if (camera) camera->setProjPerspParams(80.0f, EngineDemoAspect(slot), 0.1f, 4000.0f);
}

bool initInstancingDemo(DemoSlot* slot) {
  if (!EngineDemoRequires(29, (std::string("This demo requires the support of hardware geometry instancing.") +
                               kRequirementFooter).c_str()))
    return false;
  Scanrik* s = Scanrik::instance();
  if (!s->isOpenGLExtensionSupported("GL_EXT_gpu_shader4")) {
    ShowErrorBox("This demo requires the support of GL_EXT_gpu_shader4.%s", kRequirementFooter);
    return false;
  }
  if (!BeginEngineDemoSetup(slot, -1, nullptr, 0.4f, 0.4f, 0.4f)) return false;
  g_gi = InstancingState();
  createCamera(slot);
  const float lights[2][4] = {{-460, 100, -460, 1}, {460, 100, 460, 1}};
  const float diffuse[2][4] = {{0.6f, 0.6f, 0.9f, 1}, {0.9f, 0.6f, 0.6f, 1}};
  memcpy(g_gi.lightPositions, lights, sizeof(lights));
  memcpy(g_gi.lightDiffuse, diffuse, sizeof(diffuse));
  if (!createInstancingEffects(slot)) return false;
  SetCurrentDirectoryA(g_app.appDirectory);
  if (!createSkybox(slot) || !createInstancingMaterials(slot) || !createInstancingMeshes(slot)) return false;
  return FinishEngineDemoSetup(slot);
}

void destroyInstancingDemo(DemoSlot* slot) {
  DestroyEngineDemo(slot);
  g_gi.skybox = nullptr;  // went with the render window
}

void updateInstancingCamera(DemoSlot* slot, float dt) {
  g_gi.orbitDegrees += dt;
  PlaceEngineDemoOrbitCamera(slot, g_gi.orbitDegrees, 140.0f, 20.0f, kvVector4(0, 0, 0, 1));
}

void prepareInstancingFrame(DemoSlot* slot, float dt, float) {
  updateInstancingCamera(slot, dt);
  if (slot->scene) slot->scene->animate(dt);
}

// The belt: batches of instances, each with its places and rotations.
void drawBelt(DemoSlot* slot, float dt) {
  g_gi.renderCalls = 0;
  kvGpuShader* shader = slot->shaders[kInstancingShader];
  kvMesh* asteroid = slot->meshes[kAsteroidMesh];
  kvMaterial* material = kvMaterialMgr::getInstance()->getMaterial("gi_demo_sat_mat");
  if (!kvHardwareCaps::getInstance()->isInstancingSupported() || !shader || !asteroid || !material) return;
  material->apply();
  kvMeshData* data = asteroid->getMeshData();
  data->bind();
  shader->setUniformMatrix4("ViewMat4x4", slot->camera->getViewMatrix());
  const int n = g_gi.batchSize;
  const int batches = InstancingBatchCount(n);
  kvVector4* angles = g_belt.angles;
  const kvVector4* speeds = g_belt.speeds;
  kvVector4* rotations = g_belt.rotations;
  for (int b = 0; b < batches; ++b) {
    const int first = b * n;
    const int count = kAsteroids - first < n ? kAsteroids - first : n;
    for (int i = 0; i < count; ++i) {
      kvVector4& a = angles[first + i];
      kvQuaternion q = kvQuaternion::EulerAnglesToQuaternion(a.x, a.y, a.z);
      rotations[i] = kvVector4(q.x, q.y, q.z, q.w);
      a.x += dt * speeds[first + i].x;
      a.y += dt * speeds[first + i].y;
      a.z += dt * speeds[first + i].z;
    }
    shader->setUniform4fv("position", count, &g_belt.places[first].x);
    shader->setUniform4fv("rotation", count, &rotations[0].x);
    asteroid->setNumDrawInstances(count);
    asteroid->draw();
    ++g_gi.renderCalls;
  }
  data->release();
  material->unapply();
}

void drawInstancing(DemoSlot* slot, float dt, float) {
  if (!StartEngineDemoFrame(slot)) return;
  PrepareEngineDemoFirstFrame(slot);
  kvScene* scene = slot->scene;
  kvCamera* camera = slot->camera;
  if (g_gi.skybox) {
    const kvVector4& eye = camera->getPosition();
    g_gi.skybox->setPosition(eye.x, eye.y, eye.z);
    g_gi.skybox->render(dt);
  }
  if (kvGpuShader* phong = slot->shaders[kPhongShader]) {
    phong->bind();
    phong->setUniformMatrix4("ViewMat4x4", camera->getViewMatrix());
    kvGpuShader::unbind();
  }
  if (slot->meshes[kPlanetMesh]) slot->meshes[kPlanetMesh]->render(dt);
  drawBelt(slot, dt);
  if (slot->meshes[kPlaneMesh]) slot->meshes[kPlaneMesh]->render(dt);
  scene->renderEnd(dt);
}

void instancingHudLine(DemoSlot*, kvFont* font) {
  font->setText("Asteroid Belt: Num Triangles=%d - num Instances=%d - Render Calls=%d", g_gi.beltTriangles,
                kAsteroids, g_gi.renderCalls);
}

const EngineDemoSpec kInstancingDemo = {
    "GL_GeometryInstancing", true, true, true, true, initInstancingDemo, destroyInstancingDemo,
    prepareInstancingFrame, drawInstancing, instancingHudLine, nullptr,
};

}  // namespace

int InstancingBatchCount(int batchSize) {
  return batchSize > 0 ? kAsteroids / batchSize + (kAsteroids % batchSize ? 1 : 0) : 0;
}

int InstancingRenderCalls() { return g_gi.renderCalls; }

DWORD WINAPI InstancingDemoThread(void* arg) {
  RunEngineDemo(static_cast<DemoSlot*>(arg), kInstancingDemo);
  ExitThread(0);
}
