#include "demos/ClRawDemo.h"

#include <cstdio>

#include "app/AppState.h"
#include "app/Log.h"
#include "demos/DemoCatalogue.h"
#include "detect/SecureLoader.h"

ClRawDemo::ClRawDemo(DemoSlot* slot, int demoNumber, const char* titleName, const char* creationFailure)
    : RawDemo(slot),
      m_cl(g_app.clDeviceType),
      m_row(ClCatalogueRow(demoNumber, g_app.clDeviceType != kClDeviceTypeGpu)),
      m_titleName(titleName),
      m_creationFailure(creationFailure) {}

const char* ClRawDemo::catalogueName() const {
  return (m_row >= 0 && m_row < kClDemoCount) ? kClDemoCatalogue[m_row].name : "";
}

void ClRawDemo::formatFpsTitle(char* text, size_t size, unsigned fps) const {
  snprintf(text, size, "%dFPS, OpenCL %s %s - %s", static_cast<int>(fps), m_cl.typeWord(), m_titleName, kAppName);
}

bool ClRawDemo::probeOpenClLibrary() const {
  HMODULE library = SecureLoadSystemLibrary(L"OpenCL.dll", LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (!library) {
    ShowErrorBox("Oooooops! OpenCL is not installed on this system.\n\rBye...");
    return false;
  }
  FreeLibrary(library);
  return true;
}

void ClRawDemo::workSizes2D(size_t width, size_t height, size_t global[2], size_t local[2], bool* useLocal) const {
  *useLocal = g_app.clExplicitWorkgroupSize;
  local[0] = local[1] = 1;
  if (*useLocal) ClLocalSize2D(m_cl.workGroupLimit(), m_cl.maxItemSize(0), m_cl.maxItemSize(1), &local[0], &local[1]);
  global[0] = RoundUpWorkSize(width, local[0]);
  global[1] = RoundUpWorkSize(height, local[1]);
}

bool ClRawDemo::interopRefused() const { return g_app.clGlInterop && !m_cl.interop; }

const char kLitMeshVertexBody[] =
    "in vec4 In_Position;\n"
    "in vec4 In_Normal;\n"
    "uniform mat4 WorldMatrix;\n"
    "uniform mat4 ViewMatrix;\n"
    "uniform mat4 ProjectionMatrix;\n"
    "out vec3 normalEye;\n"
    "out vec3 eyeVector;\n"
    "out vec3 lightVector;\n"
    "void main() {\n"
    "  mat4 viewWorld = ViewMatrix * WorldMatrix;\n"
    "  vec4 eyePosition = viewWorld * In_Position;\n"
    "  normalEye = mat3(viewWorld) * In_Normal.xyz;\n"
    "  eyeVector = -eyePosition.xyz;\n"
    "  lightVector = (ViewMatrix * vec4(20.0, 100.0, 500.0, 1.0)).xyz - eyePosition.xyz;\n"
    "  gl_Position = ProjectionMatrix * eyePosition;\n"
    "}\n";

#define QV_LIT_FRAGMENT(DIFFUSE_DECLARATION)                                                  \
  DIFFUSE_DECLARATION                                                                         \
  "in vec3 normalEye;\n"                                                                      \
  "in vec3 eyeVector;\n"                                                                      \
  "in vec3 lightVector;\n"                                                                    \
  "out vec4 Out_Color;\n"                                                                     \
  "void main() {\n"                                                                           \
  "  const vec4 lightDiffuse = vec4(0.9, 0.9, 0.8, 1.0);\n"                                   \
  "  const vec4 lightSpecular = vec4(0.96, 0.96, 0.96, 1.0);\n"                               \
  "  const vec4 materialSpecular = vec4(0.9, 0.9, 0.9, 1.0);\n"                               \
  "  vec3 n = normalize(normalEye);\n"                                                        \
  "  vec3 l = normalize(lightVector);\n"                                                      \
  "  float lambert = dot(n, l);\n"                                                            \
  "  vec4 color = vec4(0.0, 0.0, 0.0, 1.0);\n"                                                \
  "  if (lambert > 0.0) {\n"                                                                  \
  "    float shine = pow(max(dot(reflect(-l, n), normalize(eyeVector)), 0.0), 90.0);\n"       \
  "    color = lightDiffuse * materialDiffuse * lambert\n"                                    \
  "          + lightSpecular * materialSpecular * shine * lambert;\n"                         \
  "  }\n"                                                                                     \
  "  Out_Color = vec4(color.rgb, 1.0);\n"                                                     \
  "}\n"

const char* LitMeshFragmentBody(bool uniformDiffuse) {
  static const char kConstant[] = QV_LIT_FRAGMENT("const vec4 materialDiffuse = vec4(0.9, 0.2, 0.2, 1.0);\n");
  static const char kUniform[] = QV_LIT_FRAGMENT("uniform vec4 matDiffuse;\n#define materialDiffuse matDiffuse\n");
  return uniformDiffuse ? kUniform : kConstant;
}
