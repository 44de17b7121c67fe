// HDR with depth of field and radial blur: a reflective, refractive knot
// in an HDR environment is drawn off screen into colour and depth-and-blur
// outputs, then filtered (depth of field), bright-passed, blurred at falling
// sizes and tone-mapped with a radial blur.
#include <cmath>
#include <cstdio>

#include "app/AppState.h"
#include "app/Log.h"
#include "demos/EngineDemo.h"
#include "demos/EngineDemoScene.h"
#include "demos/HdrDofDemo.h"

using namespace Korveth_nsp;

namespace {

const int kTargetSize = 1024;
// Render targets in the order they are made: the scene with two outputs,
// three more at full size, the blur chain at 1/2 .. 1/16.
enum { kScene, kDof, kBright, kTone, kHalf, kQuarter, kEighth, kSixteenth, kTargetCount };
enum { kChromatic, kDofProgram, kBloomProgram, kBlurProgram, kToneProgram, kViewerProgram, kProgramCount };

struct HdrDofState {
  float exposure, bloomFactor, radialBlurFactor, brightThreshold;
  float blurStart, blurWidth, blurSamples, blurCenter[2];
  float focalDistance, focalRange, maxCoC;
  float orbitDegrees;
  kvRenderTarget* targets[kTargetCount];
  kvGpuShader* programs[kProgramCount];
  kvSkybox* skybox;
  kvMesh* knot;
};
HdrDofState g_hdr;

const float kFilterTaps[12][2] = {
    {-0.326212f, -0.405805f}, {-0.840144f, -0.073580f}, {-0.695914f, 0.457137f}, {-0.203345f, 0.620716f},
    {0.962340f, -0.194983f},  {0.473434f, -0.480026f},  {0.519456f, 0.767022f},  {0.185461f, -0.893124f},
    {0.507431f, 0.064425f},   {0.896420f, 0.412458f},   {-0.321940f, -0.932615f}, {-0.791559f, -0.597705f}};

// Every full-screen pass passes texture coordinate 0 through.
const char kPassVertex[] = R"(
void main()
{
  gl_Position = ftransform();
  gl_TexCoord[0] = gl_MultiTexCoord0;
}
)";

const char kChromaticVertex[] = R"(
uniform mat4 ModelWorld4x4;
uniform vec3 eyePos;
varying vec3 N;
varying vec3 E;
varying float depth_z;
void main()
{
  gl_Position = ftransform();
  gl_TexCoord[0] = gl_MultiTexCoord0;
  N = mat3(ModelWorld4x4[0].xyz, ModelWorld4x4[1].xyz, ModelWorld4x4[2].xyz) * gl_Normal;
  E = (ModelWorld4x4 * gl_Vertex).xyz - eyePos;
  depth_z = gl_Position.z;
}
)";

const char kChromaticPixel[] = R"(
uniform sampler2D tex;
uniform samplerCube env;
uniform float reflectionFactor;
uniform vec3 IoR_Values;
uniform vec3 fresnelValues;
uniform float focalDistance;
uniform float focalRange;
varying vec3 N;
varying vec3 E;
varying float depth_z;
vec3 refraction(vec3 i, vec3 n, float eta)
{
  float cosi = dot(-i, n);
  float k = 1.0 - eta * eta * (1.0 - cosi * cosi);
  vec3 t = eta * i + (eta * cosi - sqrt(abs(k))) * n;
  return k < 0.0 ? vec3(0.0) : t;
}
void main()
{
  vec3 n = normalize(N);
  vec3 e = normalize(E);
  vec4 base = texture2D(tex, gl_TexCoord[0].st);
  vec3 reflected = textureCube(env, reflect(e, n)).rgb;
  vec3 refracted;
  refracted.r = textureCube(env, refraction(e, n, IoR_Values.x)).r;
  refracted.g = textureCube(env, refraction(e, n, IoR_Values.y)).g;
  refracted.b = textureCube(env, refraction(e, n, IoR_Values.z)).b;
  float fresnel = fresnelValues.x + pow(1.0 - dot(-e, n), fresnelValues.y) * (1.0 - fresnelValues.x);
  vec3 glass = mix(refracted, reflected, clamp(fresnel, 0.0, 1.0));
  gl_FragData[0] = vec4(mix(base.rgb, glass, reflectionFactor), 1.0);
  gl_FragData[1] = vec4(depth_z, clamp(abs(depth_z - focalDistance), 0.0, focalRange) / focalRange, 0.0, 0.0);
}
)";

const char kDofPixel[] = R"(
uniform sampler2D SceneColorSampler;
uniform sampler2D DepthBlurSampler;
uniform float w;
uniform float h;
uniform float fMaxCoC;
uniform vec2 vFilterTaps[12];
void main()
{
  vec2 st = gl_TexCoord[0].st;
  vec4 centre = texture2D(DepthBlurSampler, st);
  float coc = centre.y * fMaxCoC;
  vec2 texel = vec2(1.0 / w, 1.0 / h);
  vec4 sum = texture2D(SceneColorSampler, st);
  float total = 1.0;
  for (int i = 0; i < 12; ++i) {
    vec2 at = st + vFilterTaps[i] * coc * texel;
    vec4 tap = texture2D(DepthBlurSampler, at);
    float weight = tap.x < centre.x ? centre.y : tap.y;
    sum += texture2D(SceneColorSampler, at) * weight;
    total += weight;
  }
  gl_FragColor = sum / total;
}
)";

const char kBloomPixel[] = R"(
uniform sampler2D tex;
uniform float brightThreshold;
void main()
{
  vec4 c = texture2D(tex, gl_TexCoord[0].st);
  float luminance = dot(vec4(0.30, 0.59, 0.11, 0.0), c);
  gl_FragColor = luminance > brightThreshold ? c : vec4(0.0);
}
)";

const char kBlurPixel[] = R"(
uniform sampler2D tex;
uniform float w;
uniform float h;
void main()
{
  vec2 st = gl_TexCoord[0].st;
  vec2 d = vec2(1.0 / w, 1.0 / h);
  vec4 c = 4.0 * texture2D(tex, st);
  c += 2.0 * (texture2D(tex, st + vec2(d.x, 0.0)) + texture2D(tex, st - vec2(d.x, 0.0)) +
              texture2D(tex, st + vec2(0.0, d.y)) + texture2D(tex, st - vec2(0.0, d.y)));
  c += texture2D(tex, st + d) + texture2D(tex, st - d) + texture2D(tex, st + vec2(d.x, -d.y)) +
       texture2D(tex, st + vec2(-d.x, d.y));
  gl_FragColor = c / 16.0;
}
)";

// The accumulated bloom (unit 1) is added before the exposure.
const char kTonePixel[] = R"(
uniform sampler2D tex;
uniform sampler2D bloom;
uniform float exposure;
uniform float bloomFactor;
uniform float radialBlurFactor;
uniform float blurStart;
uniform float blurWidth;
uniform float blurSamples;
uniform vec2 blurCenter;
uniform float brightThreshold;
void main()
{
  vec2 st = gl_TexCoord[0].st;
  vec4 colour = texture2D(tex, st);
  vec4 radial = vec4(0.0);
  for (int i = 0; i < 256; ++i) {
    if (float(i) >= blurSamples) break;
    float scale = blurStart + blurWidth * float(i) / (blurSamples - 1.0);
    radial += texture2D(tex, (st - blurCenter) * scale + blurCenter);
  }
  colour += radial / max(blurSamples, 1.0) * radialBlurFactor;
  colour += texture2D(bloom, st) * bloomFactor;
  colour *= exposure * (exposure / brightThreshold + 1.0) / (exposure + 1.0);
  gl_FragColor = vec4(colour.rgb, 1.0);
}
)";

const char kViewerPixel[] = R"(
uniform sampler2D tex;
void main()
{
  gl_FragColor = texture2D(tex, gl_TexCoord[0].st);
}
)";

bool createHdrDofShaders() {
  struct Source {
    const char* name;
    const char* vertex;
    const char* pixel;
  } const sources[kProgramCount] = {
      {"ChromaticEffect", kChromaticVertex, kChromaticPixel}, {"DOF", kPassVertex, kDofPixel},
      {"Bloom", kPassVertex, kBloomPixel},                    {"Blur", kPassVertex, kBlurPixel},
      {"ToneMapping", kPassVertex, kTonePixel},               {"FinalViewer", kPassVertex, kViewerPixel}};
  for (int i = kDofProgram; i < kProgramCount; ++i) {
    g_hdr.programs[i] = CreateEngineGlslProgram(sources[i].name, sources[i].vertex, sources[i].pixel);
    if (!g_hdr.programs[i]) {
      ShowErrorBox("Could not create post-processing shaders.");
      return false;
    }
  }
  kvGpuShader* p = g_hdr.programs[kDofProgram];
  p->bind();
  p->setUniform1i("SceneColorSampler", 0);
  p->setUniform1i("DepthBlurSampler", 1);
  p->setUniform2fv("vFilterTaps", 12, &kFilterTaps[0][0]);
  p = g_hdr.programs[kBloomProgram];
  p->bind();
  p->setUniform1i("tex", 0);
  p->setUniform1f("brightThreshold", g_hdr.brightThreshold);
  p = g_hdr.programs[kToneProgram];
  p->bind();
  p->setUniform1i("tex", 0);
  p->setUniform1i("bloom", 1);
  p->setUniform1f("radialBlurFactor", g_hdr.radialBlurFactor);
  p->setUniform1f("bloomFactor", g_hdr.bloomFactor);
  kvGpuShader::unbind();

  p = CreateEngineGlslProgram(sources[kChromatic].name, sources[kChromatic].vertex, sources[kChromatic].pixel);
  g_hdr.programs[kChromatic] = p;
  if (!p) {
    ShowErrorBox("Could not create effects shaders.");
    return false;
  }
  p->bind();
  p->setUniform1i("tex", 0);
  p->setUniform1i("env", 1);
  p->setUniform1f("reflectionFactor", 0.7f);
  p->setUniform3f("IoR_Values", 1.14f, 1.12f, 1.10f);
  p->setUniform3f("fresnelValues", 0.15f, 2.0f, 0.0f);
  kvGpuShader::unbind();
  return true;
}

bool createHdrDofRenderTargets(DemoSlot* slot) {
  char name[64];
  for (int i = 0; i < kTargetCount; ++i) {
    const int size = i < kHalf ? kTargetSize : kTargetSize >> (i - kHalf + 1);
    snprintf(name, sizeof(name), "HdrDofTarget%d_%u", i, slot->engineId);
    kvRenderTarget* target = Korveth::getInstance()->createRenderTarget(name);
    g_hdr.targets[i] = target;
    if (!target || !target->create(size, size, i == kScene ? 2 : 1, true)) {
      ShowErrorBox("Could not create render targets.");
      return false;
    }
  }
  return true;
}

// The knot's material: base texture, environment, the chromatic program;
// made for the model's material or for the procedural knot's.
bool createHdrDofMaterial(kvMaterial* material, kvTexture* cubemap) {
  kvTexture* base = kvTextureMgr::getInstance()->loadTexture2D("hdr_dof_tex", "media/textures/hdr_dof_tex.jpg");
  if (base) {
    base->changePixelFormat(kvTexture::kFormatRgbaFloat);
    base->setAnisotropy(1.0f);
    if (!base->upload()) base = nullptr;
  }
  if (!base || !material) {
    ShowErrorBox("Could not load the mesh.");
    return false;
  }
  material->addTexture(base);
  material->addTexture(cubemap);
  material->setGpuShader(g_hdr.programs[kChromatic]);
  return true;
}

bool createHdrDofModel(DemoSlot* slot, kvTexture* cubemap) {
  char name[64];
  snprintf(name, sizeof(name), "HdrDofModel_%u", slot->engineId);
  kvModel* model = Korveth::getInstance()->createAndLoadModel(name, "media/models/knot.3DS", 7);
  kvMesh* knot = model ? model->getChild("knot") : nullptr;
  kvMaterial* material = nullptr;
  if (knot) {
    slot->scene->addObject(model);
    knot->setScale(0.016f);
    material = kvMaterialMgr::getInstance()->getMaterial("knot_mat");
  } else {
    // No model file: the same knot from its formula.
    knot = Korveth::getInstance()->createMesh("knot");
    if (!knot) return false;
    slot->scene->addObject(knot);
    knot->createKnot(130.0f, 60, 30);
    material = kvMaterialMgr::getInstance()->createMaterial("knot_mat");
  }
  knot->setDrawnByScene(false);
  knot->assignMaterialToFaces(material);
  g_hdr.knot = knot;
  return createHdrDofMaterial(material, cubemap);
}

bool checkDeviceLimits() {
  kvHardwareCaps* caps = kvHardwareCaps::getInstance();
  if (caps->getLimit(kvHardwareCaps::kMaxDrawBuffers) < 2) {
    ShowErrorBox("HDR DoF demo requires at least 2 render targets.");
    return false;
  }
  // Refused up front: the bright pass keeps only luminance above 4, which
  // a target without floating-point colours clamps away, so the demo would
  // run without its bloom and its HDR range.
  if (!caps->getLimit(kvHardwareCaps::kFloatTextures)) {
    ShowErrorBox("HDR DoF demo requires floating-point textures that can be drawn into.");
    return false;
  }
  const int textures = caps->getLimit(kvHardwareCaps::kMaxTextureSize);
  const int renderbuffers = caps->getLimit(kvHardwareCaps::kMaxRenderbufferSize);
  // Targets larger than the device holds fail to be made or draw wrong:
  // refused up front with the sizes.
  if (textures < kTargetSize || renderbuffers < kTargetSize) {
    ShowErrorBox("HDR DoF demo draws into %d x %d targets; this device holds textures up to %d and render "
                 "buffers up to %d pixels a side.",
                 kTargetSize, kTargetSize, textures, renderbuffers);
    return false;
  }
  return true;
}

void createCamera(DemoSlot* slot) {
  CreateEngineDemoCamera(slot, "Camera", 60.0f, 60.0f, kvVector4(360, 0, 0, 1), kvVector4(0, 0, 0, 1));
}

bool initHdrDofDemo(DemoSlot* slot) {
  if (!EngineDemoRequires(25, "HDR DoF demo requires the support of OpenGL 2.0.") ||
      !BeginEngineDemoSetup(slot, -1, nullptr, 0.4f, 0.4f, 0.4f) || !checkDeviceLimits())
    return false;
  g_hdr = HdrDofState();
  const bool vendor1 = kvHardwareCaps::getInstance()->getGPUVendor() == 1;
  g_hdr.exposure = 0.99f;
  g_hdr.bloomFactor = vendor1 ? 0.05f : 0.15f;
  g_hdr.radialBlurFactor = vendor1 ? 0.2f : 0.6f;
  g_hdr.brightThreshold = 4.0f;
  g_hdr.blurStart = 1.0f;
  g_hdr.blurWidth = -0.5f;
  g_hdr.blurSamples = 60.0f;
  g_hdr.blurCenter[0] = g_hdr.blurCenter[1] = 0.5f;
  g_hdr.focalDistance = 200.0f;
  g_hdr.focalRange = 100.0f;
  g_hdr.maxCoC = 10.0f;
  if (!createHdrDofShaders() || !createHdrDofRenderTargets(slot)) return false;
  SetCurrentDirectoryA(g_app.appDirectory);
  kvTexture* cubemap = kvRgbeReader::loadRGBECubeMap("hdr_cubemap", "media/textures/galileo_cross.hdr");
  g_hdr.skybox = cubemap ? Korveth::getInstance()->createSkybox("sky") : nullptr;
  if (!g_hdr.skybox) {
    ShowErrorBox("Could not load HRD cubemap.");
    return false;
  }
  g_hdr.skybox->setCubemap(cubemap);
  slot->scene->addObject(g_hdr.skybox);
  if (!createHdrDofModel(slot, cubemap)) return false;
  createCamera(slot);
  return FinishEngineDemoSetup(slot);
}

void destroyHdrDofDemo(DemoSlot* slot) {
  if (slot->renderWindow) {
    Korveth::getInstance()->setCurrentRenderWindow(slot->renderWindow);
    kvRenderer::getInstance()->resetStates();
  }
  DestroyEngineDemo(slot);
  g_hdr = HdrDofState();  // its objects went with the render window
}

void updateHdrDofCamera(DemoSlot* slot, float dt) {
  g_hdr.orbitDegrees += dt * 10.0f;
  PlaceEngineDemoOrbitCamera(slot, g_hdr.orbitDegrees, 360.0f, 0.0f, kvVector4(0, 0, 0, 1));
}

void prepareHdrDofFrame(DemoSlot* slot, float dt, float) {
  updateHdrDofCamera(slot, dt);
  if (slot->camera) {
    const kvVector4& eye = slot->camera->getPosition();
    g_hdr.focalDistance = sqrtf(eye.x * eye.x + eye.y * eye.y + eye.z * eye.z);
  }
  g_hdr.focalRange = 150.0f;
  if (slot->scene) slot->scene->animate(dt);
}

void setDofUniforms(kvCamera* camera) {
  kvGpuShader* p = g_hdr.programs[kChromatic];
  const kvVector4& eye = camera->getPosition();
  p->bind();
  p->setUniform1f("focalDistance", g_hdr.focalDistance);
  p->setUniform1f("focalRange", g_hdr.focalRange);
  p->setUniform3f("eyePos", eye.x, eye.y, eye.z);
  p->setUniformMatrix4("ModelWorld4x4", g_hdr.knot->getTransform());
}

void postStatesOff(kvRenderer* renderer) {
  renderer->setRenderState(kvRenderer::kStateDepthTest, false);
  renderer->setRenderState(kvRenderer::kStateLighting, false);
  renderer->setRenderState(kvRenderer::kStateCulling, false);
  renderer->setBlendingState(false, kvMaterial::kOne, kvMaterial::kZero);
}

// One full-screen pass: source textures on units 0 and 1 into target.
void pass(kvRenderTarget* target, kvGpuShader* program, kvRenderTexture* unit0, kvRenderTexture* unit1) {
  target->bind();
  program->bind();
  if (unit0) unit0->bind(0);
  if (unit1) unit1->bind(1);
  kvRenderer::getInstance()->drawScreenQuad(target->getWidth(), target->getHeight());
  if (unit1) kvTexture::unbind(1);
  if (unit0) kvTexture::unbind(0);
  kvGpuShader::unbind();
  kvRenderTarget::unbind();
}

void setSize(kvGpuShader* program, const kvRenderTarget* target) {
  program->bind();
  program->setUniform1f("w", static_cast<float>(target->getRenderTexture(0)->getWidth()));
  program->setUniform1f("h", static_cast<float>(target->getRenderTexture(0)->getHeight()));
}

void drawScenePass(DemoSlot* slot, float dt) {
  kvRenderer* renderer = kvRenderer::getInstance();
  kvCamera* camera = slot->camera;
  g_hdr.targets[kScene]->bind();
  camera->setViewport(0, 0, kTargetSize, kTargetSize);
  camera->apply(true, true, true);
  renderer->setRenderState(kvRenderer::kStateDepthTest, true);
  renderer->setRenderState(kvRenderer::kStateCulling, true);
  renderer->clear(true, true, false);
  setDofUniforms(camera);
  g_hdr.skybox->render(dt);
  g_hdr.knot->render(dt);
  kvGpuShader::unbind();
  kvRenderTarget::unbind();
}

void drawPostPasses() {
  kvRenderer* renderer = kvRenderer::getInstance();
  kvRenderTarget** t = g_hdr.targets;
  kvGpuShader** p = g_hdr.programs;
  setSize(p[kDofProgram], t[kDof]);
  p[kDofProgram]->setUniform1f("fMaxCoC", g_hdr.maxCoC * 0.5f);
  pass(t[kDof], p[kDofProgram], t[kScene]->getRenderTexture(0), t[kScene]->getRenderTexture(1));
  pass(t[kBright], p[kBloomProgram], t[kScene]->getRenderTexture(0), nullptr);
  for (int i = kHalf; i <= kSixteenth; ++i) {
    kvRenderTarget* source = t[i == kHalf ? kBright : i - 1];
    setSize(p[kBlurProgram], t[i]);
    pass(t[i], p[kBlurProgram], source->getRenderTexture(0), nullptr);
  }
  // The bloom: the blurred sizes added up over the bright pass's target.
  t[kBright]->bind();
  renderer->clear(true, false, false);
  renderer->setBlendingState(true, kvMaterial::kOne, kvMaterial::kOne);
  for (int i = kHalf; i <= kSixteenth; ++i) pass(t[kBright], p[kViewerProgram], t[i]->getRenderTexture(0), nullptr);
  renderer->setBlendingState(false, kvMaterial::kOne, kvMaterial::kZero);
  t[kTone]->bind();
  renderer->setClearColor(0, 0, 0, 0);
  renderer->clear(true, false, false);
  kvGpuShader* tone = p[kToneProgram];
  tone->bind();
  tone->setUniform1f("exposure", g_hdr.exposure);
  tone->setUniform1f("bloomFactor", g_hdr.bloomFactor);
  tone->setUniform1f("brightThreshold", g_hdr.brightThreshold);
  tone->setUniform1f("blurStart", g_hdr.blurStart);
  tone->setUniform1f("blurWidth", g_hdr.blurWidth);
  tone->setUniform1f("blurSamples", g_hdr.blurSamples);
  tone->setUniform2f("blurCenter", g_hdr.blurCenter[0], g_hdr.blurCenter[1]);
  pass(t[kTone], tone, t[kDof]->getRenderTexture(0), t[kBright]->getRenderTexture(0));
}

void drawHdrDof(DemoSlot* slot, float dt, float) {
  kvCamera* camera = slot->camera;
  if (!camera || !g_hdr.knot || !g_hdr.skybox) return;
  kvRenderer* renderer = kvRenderer::getInstance();
  renderer->setClearColor(0, 0, 0, 0);
  renderer->clear(true, true, false);
  if (slot->firstFrame) {
    slot->scene->prepareForCamera(camera);
    slot->firstFrame = 0;
  }
  drawScenePass(slot, dt);
  postStatesOff(renderer);
  drawPostPasses();
  postStatesOff(renderer);
  kvGpuShader* viewer = g_hdr.programs[kViewerProgram];
  viewer->bind();
  g_hdr.targets[kTone]->getRenderTexture(0)->bind(0);
  renderer->drawScreenQuad(slot->clientWidth, slot->clientHeight);
  kvTexture::unbind(0);
  kvGpuShader::unbind();
  camera->setViewport(0, 0, slot->clientWidth, slot->clientHeight);
  camera->apply(true, true, true);
}

const EngineDemoSpec kHdrDofDemo = {
    "GL_HDR_DoF", true, true, false, true, initHdrDofDemo, destroyHdrDofDemo, prepareHdrDofFrame, drawHdrDof,
    nullptr, nullptr,
};

}  // namespace

DWORD WINAPI HdrDofThread(void* arg) {
  RunEngineDemo(static_cast<DemoSlot*>(arg), kHdrDofDemo);
  ExitThread(0);
}
