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
// wrong. Like every limit the engine demos check, read from the engine's
// caps of the current render window, the device the demo draws with; the
// detection context answers only the feature requirements.
bool EngineDemoSizeFits(int size, const char* what);

// A perspective camera named "<baseName>_<engine id>" in the slot's scene
// (it becomes the slot's camera): created with fovDeg, near 1, far 2000;
// viewport on the whole window; projection projFovDeg, near 1, far 4000;
// looking from eye at target with y up.
Korveth_nsp::kvCamera* CreateEngineDemoCamera(DemoSlot* slot, const char* baseName, float fovDeg, float projFovDeg,
                                             const Korveth_nsp::kvVector4& eye,
                                             const Korveth_nsp::kvVector4& target);
// Places the slot's camera (if any) on a circle about the y axis: at
// (radius cos θ, height, radius sin θ), θ = degrees in radians, looking at
// target with y up.
void PlaceEngineDemoOrbitCamera(DemoSlot* slot, float degrees, float radius, float height,
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

// The start of every engine demo's frame: clear with the scene's background
// colour and apply the slot's camera; false (nothing done) without a scene
// or a camera.
bool StartEngineDemoFrame(DemoSlot* slot);
// On the first frame of a run only: sorts the materials and prepares the
// scene for the slot's camera, then clears the first-frame flag; true when
// it did, so that a demo can add its own first-frame work.
bool PrepareEngineDemoFirstFrame(DemoSlot* slot);
// The plain frame of a scene: the frame start, then the scene's own
// objects.
void DrawEngineDemoScene(DemoSlot* slot, float dt);
// Triangles of a mesh (0 for none).
int EngineMeshTriangles(Korveth_nsp::kvMesh* mesh);
