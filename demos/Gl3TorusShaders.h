// The illuminated torus' GLSL bodies (without their #version line), shared
// by the demo and its bare-loop benchmark: 13 point lights; with the
// constant loop the loops run over the 13 lights as a constant, else to the
// uniform "numLights".
#pragma once
#include <string>

const int kGl3TorusLights = 13;

inline const char kTorusVertexBody[] =
    "in vec4 In_Position;\n"
    "in vec4 In_Normal;\n"
    "in vec4 In_Color;\n"
    "uniform mat4 WorldMatrix;\n"
    "uniform mat4 ViewMatrix;\n"
    "uniform mat4 ProjectionMatrix;\n"
    "uniform vec4 lightsPosition[13];\n"
    "out vec3 normalEye;\n"
    "out vec3 eyeVector;\n"
    "out vec3 lightVector[13];\n"
    "out vec4 vertexColor;\n"
    "void main() {\n"
    "  mat4 viewWorld = ViewMatrix * WorldMatrix;\n"
    "  vec4 eyePosition = viewWorld * In_Position;\n"
    "  normalEye = mat3(viewWorld) * In_Normal.xyz;\n"
    "  eyeVector = -eyePosition.xyz;\n"
    "  for (int i = 0; i < LIGHT_LOOP; ++i)\n"
    "    lightVector[i] = (ViewMatrix * lightsPosition[i]).xyz - eyePosition.xyz;\n"
    "  vertexColor = In_Color;\n"
    "  gl_Position = ProjectionMatrix * eyePosition;\n"
    "}\n";

inline const char kTorusFragmentBody[] =
    "in vec3 normalEye;\n"
    "in vec3 eyeVector;\n"
    "in vec3 lightVector[13];\n"
    "in vec4 vertexColor;\n"
    "uniform vec4 lightsDiffuse[13];\n"
    "out vec4 Out_Color;\n"
    "void main() {\n"
    "  const vec4 lightDiffuse = vec4(0.1, 0.1, 0.1, 1.0);\n"
    "  const vec4 materialDiffuse = vec4(0.8, 0.8, 0.8, 1.0);\n"
    "  const vec4 materialSpecular = vec4(0.9, 0.9, 0.9, 1.0);\n"
    "  vec3 n = normalize(normalEye);\n"
    "  vec3 e = normalize(eyeVector);\n"
    "  vec4 color = vec4(0.0);\n"
    "  for (int i = 0; i < LIGHT_LOOP; ++i) {\n"
    "    vec3 l = normalize(lightVector[i]);\n"
    "    float lambert = dot(n, l);\n"
    "    if (lambert > 0.0) {\n"
    "      float shine = pow(max(dot(reflect(-l, n), e), 0.0), 90.0);\n"
    "      color += lightDiffuse * materialDiffuse * lambert\n"
    "             + lightsDiffuse[i] * materialSpecular * shine * lambert;\n"
    "    }\n"
    "  }\n"
    "  Out_Color = vec4(color.rgb * vertexColor.rgb, 1.0);\n"
    "}\n";

inline const char kTorusConstantLoop[] = "#define LIGHT_LOOP 13\n";
inline const char kTorusUniformLoop[] = "uniform int numLights;\n#define LIGHT_LOOP numLights\n";

inline std::string Gl3TorusVertexBody(bool constantLoop) {
  return std::string(constantLoop ? kTorusConstantLoop : kTorusUniformLoop) + kTorusVertexBody;
}

inline std::string Gl3TorusFragmentBody(bool constantLoop) {
  return std::string(constantLoop ? kTorusConstantLoop : kTorusUniformLoop) + kTorusFragmentBody;
}
