// Point sprite particles: a fountain of up to 40,100 textured sprites over
// a spinning ground. The vertex program moves each sprite from its start by
// its velocity, its age and gravity; the CPU only emits and ages them.
#include <cmath>
#include <cstdlib>
#include <new>

#include "app/AppState.h"
#include "app/Log.h"
#include "demos/EngineDemo.h"
#include "demos/EngineDemoScene.h"
#include "demos/PointSpriteDemo.h"

using namespace Korveth_nsp;

namespace {

const int kCapacity = 40100;
const float kEmissionRate = 10000.0f;  // particles per second
const float kLifetime = 4.0f;          // seconds
const float kSpriteSize = 10.0f;       // pixels, set by the vertex program

// One particle's record: 17 floats.
struct Particle {
  kvVector4 start;
  kvVector4 spare;
  kvVector4 velocity;
  kvVector4 color;
  float age;  // seconds; below 0: dead
};

// The demo's state beside its slot (one slot runs this demo).
struct SpriteState {
  Particle* particles;
  kvVector4* positions;
  kvVector4* velocityAge;
  kvVector4* colors;
  ParticleEmitter emitter;
  float orbitDegrees;
  kvGpuShader* shader;
  kvTexture* spriteTexture;
};
SpriteState g_ps;

const char kSpriteVertex[] = R"(#version 120
uniform float timelife;
void main()
{
  vec3 velocity = gl_MultiTexCoord0.xyz;
  float t = gl_MultiTexCoord0.w;
  vec3 acceleration = vec3(0.0, -130.0, 0.0);
  vec4 P = vec4(gl_Vertex.xyz + velocity * t + acceleration * t * t * 0.5, 1.0);
  gl_FrontColor = vec4(gl_Color.rgb, 1.0 - t / timelife);
  gl_PointSize = 10.0;
  gl_Position = gl_ModelViewProjectionMatrix * P;
}
)";

const char kSpritePixel[] = R"(#version 120
uniform sampler2D colorMap;
void main()
{
  vec4 tex = texture2D(colorMap, gl_PointCoord);
  gl_FragColor = vec4(tex.rgb * gl_Color.rgb, gl_Color.a);
}
)";

float randomRange(float a, float b) { return static_cast<float>(rand()) / 32767.0f * (b - a) + a; }

kvVector4 randomParticleDirection() {
  kvVector4 d;
  float length;
  do {
    d.x = (static_cast<float>(rand()) / 32767.0f * 2.0f - 1.0f) * 2.0f * 0.2f - 0.2f;
    d.y = 0.0f;
    d.z = (static_cast<float>(rand()) / 32767.0f * 2.0f - 1.0f) * 2.0f * 0.2f - 0.2f;
    length = sqrtf(d.x * d.x + d.z * d.z);
  } while (length < 0.1f || length > 0.2f);
  d.y = static_cast<float>(rand()) / 32767.0f * 0.29999995f + 0.6f;
  d.w = 1.0f;
  return d;
}

void freeParticles() {
  delete[] g_ps.particles;
  delete[] g_ps.positions;
  delete[] g_ps.velocityAge;
  delete[] g_ps.colors;
  g_ps.particles = nullptr;
  g_ps.positions = g_ps.velocityAge = g_ps.colors = nullptr;
}

bool allocateParticles() {
  g_ps.particles = new (std::nothrow) Particle[kCapacity];
  g_ps.positions = new (std::nothrow) kvVector4[kCapacity];
  g_ps.velocityAge = new (std::nothrow) kvVector4[kCapacity];
  g_ps.colors = new (std::nothrow) kvVector4[kCapacity];
  if (!g_ps.particles || !g_ps.positions || !g_ps.velocityAge || !g_ps.colors) return false;
  for (int i = 0; i < kCapacity; ++i) {
    Particle& p = g_ps.particles[i];
    p.start = p.spare = p.velocity = p.color = kvVector4(0, 0, 0, 1);
    p.age = -1.0f;
  }
  return true;
}

// The sprite program; its errors name their stage.
kvGpuShader* createSpriteShader() {
  kvGpuShader* shader = CreateEngineDemoShader("PSShader", "PSShader ", kSpriteVertex, kSpritePixel);
  if (!shader) return nullptr;
  shader->bind();
  shader->setUniform1f("timelife", kLifetime);
  shader->setUniform1i("colorMap", 0);
  kvGpuShader::unbind();
  return shader;
}

void createCamera(DemoSlot* slot) {
  // The orbit places the camera from the first frame on.
  CreateEngineDemoCamera(slot, "Camera", 50.0f, 50.0f, kvVector4(400, 200, 0, 1), kvVector4(0, 50, 0, 1));
}

bool createGroundAndSprites(DemoSlot* slot) {
  SetCurrentDirectoryA(g_app.appDirectory);
  kvTextureMgr* textures = kvTextureMgr::getInstance();
  kvTexture* ground = textures->loadTexture2D("ps_ground_tex", "media/textures/ps_color2.jpg");
  if (ground) {
    ground->changePixelFormat(kvTexture::kFormatRgb);
    ground->setFilteringMode(kvTexture::kLinear);
    ground->setAnisotropy(1.0f);
    if (!ground->upload()) ground = nullptr;
  }
  kvTexture* sprite = textures->loadTexture2D("ps_sprite_tex", "media/textures/ps_color1.jpg");
  if (sprite && !sprite->upload()) sprite = nullptr;
  if (!ground || !sprite) {
    ShowErrorBox("Could not load particle system textures!");
    return false;
  }
  g_ps.spriteTexture = sprite;
  kvMaterial* material = kvMaterialMgr::getInstance()->createMaterial("ps_ground_mat");
  kvMesh* mesh = Korveth::getInstance()->createMesh("ps_ground_mesh");
  if (!material || !mesh) return false;
  material->addTexture(ground);
  slot->scene->addObject(mesh);
  mesh->createGrid(1000.0f, 1000.0f, 4);
  mesh->assignMaterialToFaces(material);
  mesh->setPosition(0, 0, 0);
  mesh->getMeshData()->setVerticesColor(kvVector4(1, 1, 1, 1));
  mesh->setAutoSpinAngles(0, -100, 0);
  return true;
}

bool initPointSpriteDemo(DemoSlot* slot) {
  if (!EngineDemoRequires(25, "ParticleSystem demo requires the support of OpenGL 2.0.") ||
      !EngineDemoRequires(24, "ParticleSystem demo requires the support of point sprite.") ||
      !BeginEngineDemoSetup(slot, -1, nullptr, 0.0f, 0.0f, 0.0f))
    return false;
  const int largestPoint = kvHardwareCaps::getInstance()->getLimit(kvHardwareCaps::kMaxPointSize);
  // Refused: a device that draws smaller points clamps every sprite to its
  // limit, so the fountain would neither look nor cost what it should.
  if (static_cast<float>(largestPoint) < kSpriteSize) {
    ShowErrorBox("The particles are drawn as %d-pixel point sprites; this device draws points up to %d pixels.",
                 static_cast<int>(kSpriteSize), largestPoint);
    return false;
  }
  createCamera(slot);
  if (!createGroundAndSprites(slot)) return false;
  g_ps.orbitDegrees = 0.0f;
  g_ps.emitter = ParticleEmitter();
  // The arrays are allocated without throwing and checked: a failed
  // allocation would otherwise throw out of the demo thread, which ends the
  // whole program, or hand the frame loop null arrays.
  if (!allocateParticles()) {
    ShowErrorBox("Not enough memory for %d particles.", kCapacity);
    return false;
  }
  g_ps.shader = createSpriteShader();
  if (!g_ps.shader) return false;
  return FinishEngineDemoSetup(slot);
}

void destroyPointSpriteDemo(DemoSlot* slot) {
  freeParticles();
  g_ps.shader = nullptr;
  g_ps.spriteTexture = nullptr;
  DestroyEngineDemo(slot);
}

void updatePointSpriteCamera(DemoSlot* slot, float dt) {
  g_ps.orbitDegrees += dt * 10.0f;
  PlaceEngineDemoOrbitCamera(slot, g_ps.orbitDegrees, 400.0f, 200.0f, kvVector4(0, 50, 0, 1));
}

void preparePointSpriteFrame(DemoSlot* slot, float dt, float) {
  updatePointSpriteCamera(slot, dt);
  if (slot->scene) slot->scene->animate(dt);
}

// Emits, ages and gathers the live particles into the drawing arrays.
int updateParticles(float dt) {
  int births = ParticleEmission(&g_ps.emitter, kEmissionRate, dt);
  int live = 0;
  for (int i = 0; i < kCapacity; ++i) {
    Particle& p = g_ps.particles[i];
    if (p.age >= kLifetime) p.age = -1.0f;
    if (births > 0 && p.age < 0.0f) {
      --births;
      const float speed = randomRange(300.0f, 330.0f);
      const kvVector4 d = randomParticleDirection();
      p.velocity = kvVector4(speed * d.x, speed * d.y, speed * d.z, speed * d.w);
      p.color = kvVector4(randomRange(0.8f, 1.0f), randomRange(0.8f, 1.0f), randomRange(0.8f, 1.0f), 1.0f);
      p.age = 0.0f;
    }
    if (p.age < 0.0f || p.age >= kLifetime) continue;
    g_ps.positions[live] = p.start;
    g_ps.velocityAge[live] = kvVector4(p.velocity.x, p.velocity.y, p.velocity.z, p.age);
    g_ps.colors[live] = p.color;
    ++live;
    p.age += dt;
  }
  return live;
}

void drawPointSprites(DemoSlot* slot, float dt, float) {
  kvScene* scene = slot->scene;
  kvCamera* camera = slot->camera;
  if (!scene || !camera || !g_ps.particles) return;
  kvRenderer* renderer = kvRenderer::getInstance();
  renderer->setClearColor(0, 0, 0, 0);
  renderer->clear(true, true, false);
  camera->apply(true, true, true);
  if (slot->firstFrame) {
    scene->prepareForCamera(camera);
    slot->firstFrame = 0;
  }
  scene->renderObjects(dt);
  g_ps.emitter.live = updateParticles(dt);
  renderer->setPointSpriteState(true);
  renderer->setBlendingState(true, kvMaterial::kSrcAlpha, kvMaterial::kOne);
  g_ps.shader->bind();
  g_ps.spriteTexture->bind(0);
  renderer->drawPoints(g_ps.emitter.live, g_ps.positions, g_ps.velocityAge, g_ps.colors);
  kvTexture::unbind(0);
  kvGpuShader::unbind();
  renderer->setBlendingState(false, kvMaterial::kOne, kvMaterial::kZero);
  renderer->setPointSpriteState(false);
  scene->renderEnd(dt);
}

void pointSpriteHudLine(DemoSlot*, kvFont* font) { font->setText("Particles=%d", g_ps.emitter.live); }

const EngineDemoSpec kPointSpriteDemo = {
    "GL_PointSprite", true, false, false, false, initPointSpriteDemo, destroyPointSpriteDemo,
    preparePointSpriteFrame, drawPointSprites, pointSpriteHudLine, nullptr,
};

}  // namespace

int ParticleEmission(ParticleEmitter* emitter, float rate, float dt) {
  emitter->accumulator += rate * dt;
  const int n = static_cast<int>(emitter->accumulator);
  emitter->accumulator -= static_cast<float>(n);
  return n;
}


int PointSpriteLiveCount() { return g_ps.emitter.live; }

DWORD WINAPI PointSpriteThread(void* arg) {
  RunEngineDemo(static_cast<DemoSlot*>(arg), kPointSpriteDemo);
  ExitThread(0);
}
