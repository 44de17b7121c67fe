// The fur cube's GLSL program "FurShader" (compatibility profile: it reads
// the fixed-function lights and material). Shared with the bare OpenGL loop
// of bench/ that measures what the engine costs.
#pragma once

inline constexpr char kFurVertexShader[] =
    "#version 120\n"
    "#define NUM_LIGHTS 2\n"
    "uniform mat4 mv;\n"
    "uniform float FurLength;\n"
    "uniform float UVScale;\n"
    "uniform float Layer;\n"
    "varying vec3 normal;\n"
    "varying vec3 lightDir[NUM_LIGHTS];\n"
    "void main()\n"
    "{\n"
    "  vec4 P = vec4(gl_Vertex.xyz + gl_Normal * FurLength, 1.0);\n"
    "  gl_TexCoord[0] = gl_MultiTexCoord0 * UVScale;\n"
    "  gl_Position = gl_ModelViewProjectionMatrix * P;\n"
    "  vec3 eyeP = (gl_ModelViewMatrix * P).xyz;\n"
    "  vec4 lights[NUM_LIGHTS];\n"
    "  lights[0] = vec4(20.0, 150.0, 100.0, 1.0);\n"
    "  lights[1] = vec4(-20.0, -150.0, 100.0, 1.0);\n"
    "  for (int i = 0; i < NUM_LIGHTS; ++i)\n"
    "    lightDir[i] = (mv * lights[i]).xyz - eyeP;\n"
    "  normal = gl_NormalMatrix * gl_Normal;\n"
    "}\n";

inline constexpr char kFurPixelShader[] =
    "#version 120\n"
    "#define NUM_LIGHTS 2\n"
    "uniform sampler2D tigerMap;\n"
    "uniform sampler2D furMap;\n"
    "uniform float Layer;\n"
    "varying vec3 normal;\n"
    "varying vec3 lightDir[NUM_LIGHTS];\n"
    "void main()\n"
    "{\n"
    "  vec3 N = normalize(normal);\n"
    "  vec4 tiger = texture2D(tigerMap, gl_TexCoord[0].xy);\n"
    "  vec4 fur = texture2D(furMap, gl_TexCoord[0].xy);\n"
    "  fur.a *= pow(1.0 - Layer, 1.2);\n"
    "  tiger *= fur;\n"
    "  vec4 color = vec4(0.0);\n"
    "  for (int i = 0; i < NUM_LIGHTS; ++i) {\n"
    "    vec3 L = normalize(lightDir[i]);\n"
    "    color += gl_LightSource[i].ambient * gl_FrontMaterial.ambient * tiger;\n"
    "    color += gl_LightSource[i].diffuse * gl_FrontMaterial.diffuse * clamp(dot(N, L), 0.0, 1.0) * tiger;\n"
    "  }\n"
    "  gl_FragColor = color;\n"
    "}\n";
