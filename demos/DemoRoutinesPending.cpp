// Thread routines of the built-in demos: without a routine a demo does not
// start (the ones not part of this build yet).
#include "demos/DemoStart.h"
#include "demos/FurDemo.h"

DemoThreadRoutine GlDemoRoutine(int row) { return row == 3 ? FurDemoThread : nullptr; }
DemoThreadRoutine ClDemoRoutine(int) { return nullptr; }
