// Demo entry points that are not part of this build yet.
#include "demos/DemoControl.h"

void InitDemoSdk() {}
bool StartSdkDemoByName(const char*, int, int, const char*, bool, int) { return false; }
void ShutdownDemoSdk() {}
