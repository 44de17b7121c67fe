// Demo entry points that are not part of this build yet.
#include "demos/DemoControl.h"

void InitDemoSdk() {}
bool StartSdkDemoByName(const char*, int, int, const char*, bool, int) { return false; }
void ShutdownDemoSdk() {}
void StopDemoThread(int) {}
bool StartClJuliaDemo(HWND, int, bool) { return false; }
bool StartClParticlesDemo(HWND, int, bool) { return false; }
bool StartClMeshDeformerDemo(HWND, int, bool) { return false; }
bool StartClPostFxDemo(HWND, int, bool) { return false; }
bool StartCatalogueGlDemo(HWND, int, bool) { return false; }
