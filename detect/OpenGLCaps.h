// The named OpenGL limits of the detection context.
#pragma once
#include "detect/PtrList.h"

struct OpenGLCap {
  char* name;
  char* value;
  int section;
};

// Frees every entry of the caps list and empties it.
void ReleaseOpenGLCaps(PtrList& caps);
