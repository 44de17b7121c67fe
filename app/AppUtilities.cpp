#include "app/AppUtilities.h"

#include "app/AppState.h"
#include "detect/Scanrik.h"

int ReadGlobalTimer(int reset) {
  if (reset) g_app.appTimer.reset();
  return g_app.appTimer.elapsedMs();
}

bool IsPhysXOnGpu() {
  Scanrik* s = Scanrik::instance();
  return s && s->isPhysXOnGpu();
}
