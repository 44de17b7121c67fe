// Scene-building helpers the engine demos share: requirement checks,
// cameras, lights, GLSL programs and the plain scene frame.
#pragma once
#include "demos/DemoSlot.h"
#include "lumaq.h"

// False (after the message box) unless the detection context offers the
// OpenGL feature of that index.
bool EngineDemoRequires(int feature, const char* message);
// False (after the message box) when a fixed size of a demo exceeds the
// device's texture or viewport limits: refused up front rather than drawn
// wrong.
bool EngineDemoSizeFits(int size, const char* what);

// A perspective camera named name in the slot's scene (it becomes the
// slot's camera): created with fovDeg, near 1, far 2000; viewport on the
// whole window; projection projFovDeg, near 1, far 4000; looking from eye
// at target with y up.
Korveth_nsp::kvCamera* CreateEngineDemoCamera(DemoSlot* slot, const char* name, float fovDeg, float projFovDeg,
                                             const Korveth_nsp::kvVector4& eye,
                                             const Korveth_nsp::kvVector4& target);
// Width / height of the slot's window (height taken as 1 when below 1).
float EngineDemoAspect(const DemoSlot* slot);

// A point light in the slot's scene.
struct EngineDemoLight {
  const char* name;
  float x, y, z;
  Korveth_nsp::kvVector4 ambient, diffuse, specular;
};
Korveth_nsp::kvLight* CreateEngineDemoLight(DemoSlot* slot, const EngineDemoLight& light);

// A GLSL program whose compile errors read "<prefix>Vertex Shader Error:
// <log>" or "<prefix>Pixel Shader Error: <log>", and whose link error, when
// both stages compile, reads "<prefix><linkLabel>: <log>" (shown, traced);
// null then.
Korveth_nsp::kvGpuShader* CreateEngineDemoShader(const char* name, const char* messagePrefix,
                                                 const char* vertexSource, const char* pixelSource,
                                                 const char* linkLabel = "Shader Program Error");

// The plain frame of a scene: clear with its background colour, the camera,
// the scene's own objects.
void DrawEngineDemoScene(DemoSlot* slot, float dt);
// Triangles of a mesh (0 for none).
int EngineMeshTriangles(Korveth_nsp::kvMesh* mesh);
