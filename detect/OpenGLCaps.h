// The named OpenGL limits of the detection context.
#pragma once
#include <cstdint>

#include "detect/PtrList.h"

const int kGlCapTextSize = 128;

enum OpenGLCapKind {
  kCapNone = 0,  // the separator
  kCapInt = 1,
  kCapFloat = 2,
  kCapInt64 = 4,
  kCapIndexed = 5  // three indexed ints
};

struct OpenGLCap {
  OpenGLCap(const char* name, int glEnum, const char* section);
  int glEnum;
  int kind;
  int intValue;
  int indexedValues[3];
  int64_t int64Value;
  float floatValue;
  char* buffer;
  char name[kGlCapTextSize];
  char section[kGlCapTextSize];
};

// Name of the entry that divides the core limits from the extension limits.
inline constexpr char kGlCapSeparator[] = "GL_CAP_SEPARATOR_01";

// Frees every entry of the caps list and empties it.
void ReleaseOpenGLCaps(PtrList& caps);
