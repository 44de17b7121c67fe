// What start-up and shutdown call of the demos: the framework-demo bridge
// set-up, the built-in demo slots and the OpenCL entry points.
#pragma once
#include <windows.h>

#include "demos/ClEntryPoints.h"
#include "demos/DemoLauncher.h"
#include "demos/DemoStart.h"

// Starters of the built-in demos, on the UI thread. The OpenCL starters take
// the device type (4 GPU, 2 CPU); with showOptions the demo options dialog
// comes first. False when refused (busy slot, missing device, cancelled
// options, no thread).
bool StartClJuliaDemo(HWND parent, int deviceType, bool showOptions);
bool StartClParticlesDemo(HWND parent, int deviceType, bool showOptions);
bool StartClMeshDeformerDemo(HWND parent, int deviceType, bool showOptions);
bool StartClPostFxDemo(HWND parent, int deviceType, bool showOptions);
// The OpenGL demo of a row of the OpenGL catalogue (0 to 10), in its own
// slot with its own thread routine and window variable.
bool StartCatalogueGlDemo(HWND parent, int row, bool showOptions);
