// Thread routines of the built-in demos that are not part of this build yet:
// without a routine a demo does not start.
#include "demos/DemoStart.h"

DemoThreadRoutine GlDemoRoutine(int) { return nullptr; }
DemoThreadRoutine ClDemoRoutine(int) { return nullptr; }
