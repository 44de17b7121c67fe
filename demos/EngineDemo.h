// The thread pattern of the built-in demos drawn with the 3D engine: set-up
// under the engine lock, a frame loop with the HUD and the FPS statistics,
// the benchmark row, teardown under the lock and the closing of the window.
#pragma once
#include <windows.h>

#include "demos/DemoSlot.h"
#include "lumaq.h"

// What one engine demo brings to the pattern.
struct EngineDemoSpec {
  const char* testName;     // of the benchmark row
  bool setAffinity;         // pin the thread by the launch counter
  bool sleepAfterSetup;     // Sleep(0) once after the set-up
  bool tickTimer;           // the coarse tick timer instead of the slot's PerfTimer
  bool logoAfterHud;        // the logo quad after the HUD lines, not before
  bool (*setup)(DemoSlot* slot);
  void (*teardown)(DemoSlot* slot);
  // Work outside the lock before each frame (may be null).
  void (*prepareFrame)(DemoSlot* slot, float dt, float elapsedSeconds);
  // The scene's drawing, inside the frame.
  void (*drawFrame)(DemoSlot* slot, float dt, float elapsedSeconds);
  // A fifth HUD line (may be null): sets the font's text.
  void (*hudLine)(DemoSlot* slot, Korveth_nsp::kvFont* font);
  // Red, green, blue of the HUD text; null for white.
  const float* hudColor;
};

// The whole run of an engine demo on the calling thread; returns when the
// thread should exit.
void RunEngineDemo(DemoSlot* slot, const EngineDemoSpec& spec);

// The first steps of every engine demo set-up: the requirement (an OpenGL
// feature index of the detection context; its message shown when missing),
// the client size, the engine start, the render window, the scene with its
// background colour. False on failure (the message already shown).
bool BeginEngineDemoSetup(DemoSlot* slot, int requiredFeature, const char* requirementMessage,
                          float red, float green, float blue);
// The last steps: logo quad, HUD font, window title.
bool FinishEngineDemoSetup(DemoSlot* slot);
// Releases the HUD font, the scene and the render window (with every engine
// object created in it); nothing without a render window.
void DestroyEngineDemo(DemoSlot* slot);

// A GLSL program of the engine from two sources held in the program; null
// (after an error box with the compile log) when a stage fails, or with
// "[name] GPU Shader Error: <log>" when the stages do not link.
Korveth_nsp::kvGpuShader* CreateEngineGlslProgram(const char* name, const char* vertexSource,
                                                  const char* pixelSource);

// While set, every engine demo draws its frame without its scene (the
// clear with the scene's background colour, the HUD and the logo only): the
// reference a test compares the demo's own picture with.
void SetEngineDemoSceneHidden(bool hidden);

// The FPS statistics and the HUD lines the pattern draws; shared with tests.
void DrawEngineDemoHud(DemoSlot* slot, const EngineDemoSpec& spec);
// The affinity mask of a launch: (counter mod processors) + 1, as a number.
DWORD_PTR EngineDemoAffinityMask(int launchCounter, int processorCount);
