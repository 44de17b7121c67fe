// What start-up and shutdown call of the demos: the framework-demo bridge
// set-up, the built-in demo slots and the OpenCL entry points.
#pragma once

#include "demos/ClEntryPoints.h"

void InitDemoSdk();
bool StartSdkDemoByName(const char* name, int width, int height, const char* msaaText,
                        bool fullscreen, int vkGpuIndex);
void ShutdownDemoSdk();

// Built-in demo slots, in the order shutdown stops them.
enum DemoSlotIndex {
  kSlotGl4Tessellation,
  kSlotClParticles,
  kSlotClPostFx,
  kSlotClDeformer,
  kSlotGl3Torus,
  kSlotGl3Triangle,
  kSlotFur,
  kSlotToon,
  kSlotVtf,
  kSlotSimpleTorus,
  kSlotSoftShadows,
  kSlotPointSprite,
  kSlotHdrDof,
  kSlotInstancing,
  kSlotClJulia,
  kSlotUsedCount
};
void StopDemoThread(int slot);
