// The thread routine of every built-in demo, by OpenGL catalogue row and by
// OpenCL demo number.
#include "demos/ClDemoRoutines.h"
#include "demos/DemoStart.h"
#include "demos/EngineDemoThreads.h"
#include "demos/FurDemo.h"
#include "demos/HdrDofDemo.h"
#include "demos/InstancingDemo.h"
#include "demos/PointSpriteDemo.h"
#include "demos/RawGlDemos.h"

DemoThreadRoutine GlDemoRoutine(int row) {
  switch (row) {
    case 0: return Gl4TessellationThread;
    case 1: return Gl3TorusThread;
    case 2: return Gl3TriangleThread;
    case 3: return FurDemoThread;
    case 4: return HdrDofThread;
    case 5: return InstancingDemoThread;
    case 6: return SoftShadowsThread;
    case 7: return PointSpriteThread;
    case 8: return VertexTextureFetchThread;
    case 9: return ToonShadingThread;
    case 10: return SimpleTorusThread;
    default: return nullptr;
  }
}

DemoThreadRoutine ClDemoRoutine(int demoNumber) {
  switch (demoNumber) {
    case 0: return ClJuliaThread;
    case 1: return ClParticlesThread;
    case 2: return ClDeformerThread;
    case 3: return ClPostFxThread;
    default: return nullptr;
  }
}
