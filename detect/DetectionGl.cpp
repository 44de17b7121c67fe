// The hidden OpenGL context of the detection library.
#include "detect/OpenGLCaps.h"
#include "detect/RenderWindow.h"

#include <cstdlib>

bool InitDetectionGlContext(RenderWindowCtx*, HWND, int, int, int, int, int, int) { return false; }

void ShutdownDetectionGlContext(RenderWindowCtx*) {}

void ReleaseOpenGLCaps(PtrList& caps) {
  for (int i = 0; i < caps.count(); ++i) {
    OpenGLCap* cap = static_cast<OpenGLCap*>(caps.itemAt(i));
    if (!cap) continue;
    free(cap->name);
    free(cap->value);
    delete cap;
  }
  caps.clear();
}
