// Vertex texture fetch: a finely tessellated plane lifted in the vertex
// program by the brightness of a texture read there; the brightest parts
// wobble over time.
#include <cstdio>

#include "app/Log.h"
#include "demos/DemoImages.h"
#include "demos/EngineDemo.h"
#include "demos/EngineDemoScene.h"
#include "demos/EngineDemoThreads.h"
#include "detect/Scanrik.h"

using namespace Korveth_nsp;

namespace {

const char kVtfVertexShader[] =
    "uniform float time;\n"
    "uniform sampler2D displacementMap;\n"
    "void main() {\n"
    "  gl_TexCoord[0] = gl_MultiTexCoord0;\n"
    "  vec4 dm = texture2DLod(displacementMap, gl_MultiTexCoord0.st, 0.0);\n"
    "  float df = 0.30 * dm.r + 0.59 * dm.g + 0.11 * dm.b;\n"
    "  float noise = 0.0;\n"
    "  if (df > 0.3) {\n"
    "    vec2 p = vec2(gl_Vertex.x / 200.0, gl_Vertex.z / 200.0);\n"
    "    noise = (1.414 - length(p)) * df * 10.0 * cos(2.0 * time) * sin(8.0 * time);\n"
    "  }\n"
    "  vec4 v = gl_Vertex;\n"
    "  v.y = df * 120.0 + noise + v.y;\n"
    "  gl_Position = gl_ModelViewProjectionMatrix * v;\n"
    "}\n";

const char kVtfPixelShader[] =
    "uniform sampler2D colorMap;\n"
    "void main() {\n"
    "  gl_FragColor = vec4(texture2D(colorMap, gl_TexCoord[0].st).rgb, 1.0);\n"
    "}\n";

enum { kPlaneMesh = 0 };
enum { kVtfShader = 0 };

bool checkRequirements() {
  if (!EngineDemoRequires(25, "VTF demo requires the support of OpenGL 2.0.")) return false;
  Scanrik* s = Scanrik::instance();
  if (s && s->getMaxVertexTextureImageUnits() >= 1) return true;
  ShowErrorBox(
      "This demo requires at least one vertex texture unit.\n\rOpenGL Texture Fetch requires a GeForce 6 (and "
      "higher) or a S3 Graphics Chrome 400 Series.");
  return false;
}

// The displacement map is read in the vertex stage as floats: a device
// without float textures cannot run the demo.
bool createMaterial(DemoSlot* slot, kvMaterial** material) {
  EmbeddedImage jpeg = VtfImage();
  kvTextureMgr* textures = kvTextureMgr::getInstance();
  kvTexture* displacement = textures->createTexture2DFromMemory("vtf_displacement_map", jpeg.data, jpeg.size);
  kvTexture* color = textures->createTexture2DFromMemory("vtf_color_map", jpeg.data, jpeg.size);
  // Checked: a map the engine cannot make from the image (decoding or
  // memory) would leave the material without a texture to sample.
  if (!displacement || !color) {
    ShowErrorBox("Could not create the VTF textures.");
    return false;
  }
  if (!EngineDemoSizeFits(displacement->getWidth(), "The displacement map")) return false;
  displacement->changePixelFormat(kvTexture::kFormatRgbaFloat);
  if (!displacement->upload()) {
    ShowErrorBox("VTF demo requires floating-point textures.");
    return false;
  }
  kvMaterial* m = kvMaterialMgr::getInstance()->createMaterial("vtf_mesh_mat");
  if (!m) return false;
  m->setBlending(false, kvMaterial::kOne, kvMaterial::kZero);
  m->addTexture(displacement);
  m->addTexture(color);
  m->setGpuShader(slot->shaders[kVtfShader]);
  *material = m;
  return true;
}

void createPlane(DemoSlot* slot, kvMaterial* material) {
  char name[64];
  snprintf(name, sizeof(name), "VTF_Mesh_%u", slot->engineId);
  kvMesh* mesh = Korveth::getInstance()->createMesh(name);
  if (!mesh) return;
  slot->scene->addObject(mesh);
  mesh->createGrid(400.0f, 400.0f, 500);
  mesh->assignMaterialToFaces(material);
  mesh->setPosition(0, 0, 0);
  slot->meshes[kPlaneMesh] = mesh;
}

bool initVtfDemo(DemoSlot* slot) {
  if (!checkRequirements()) return false;
  if (!BeginEngineDemoSetup(slot, -1, nullptr, 0.0f, 0.0f, 0.0f)) return false;
  kvGpuShader* shader = CreateEngineDemoShader("VTFShader", "", kVtfVertexShader, kVtfPixelShader);
  if (!shader) return false;
  shader->bind();
  shader->setUniform1i("displacementMap", 0);
  shader->setUniform1i("colorMap", 1);
  kvGpuShader::unbind();
  slot->shaders[kVtfShader] = shader;
  CreateEngineDemoCamera(slot, "Camera", 50.0f, 50.0f, kvVector4(0, 250, 350, 1), kvVector4(0, 0, 0, 1));
  kvMaterial* material = nullptr;
  if (!createMaterial(slot, &material)) return false;
  createPlane(slot, material);
  return FinishEngineDemoSetup(slot);
}

void animateVtf(DemoSlot* slot, float dt, float) {
  if (slot->scene) slot->scene->animate(dt);
}

void drawVtf(DemoSlot* slot, float dt, float elapsed) {
  if (kvGpuShader* shader = slot->shaders[kVtfShader]) {
    shader->bind();
    shader->setUniform1f("time", elapsed);
    kvGpuShader::unbind();
  }
  DrawEngineDemoScene(slot, dt);
}

void trianglesLine(DemoSlot* slot, kvFont* font) {
  font->setText("Triangles=%d", EngineMeshTriangles(slot->meshes[kPlaneMesh]));
}

const float kVtfHudColor[3] = {0.4f, 0.8f, 0.2f};

const EngineDemoSpec kVtfDemo = {
    "GL_VertexTextureFetch", true, false, false, false, initVtfDemo, DestroyEngineDemo, animateVtf, drawVtf,
    trianglesLine,           kVtfHudColor,
};

}  // namespace

DWORD WINAPI VertexTextureFetchThread(void* arg) {
  RunEngineDemo(static_cast<DemoSlot*>(arg), kVtfDemo);
  ExitThread(0);
}
