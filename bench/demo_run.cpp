// The demo side of bench/demo_vs_bare.sh: the whole program, run from the
// command line it is given exactly as quorvel.exe runs it (detection, main
// window, the demo of the start switch, shutdown), then the demo's own
// statistics, which the benchmark row only gives as whole FPS.
//
// Usage: bench_demo_run.exe SWITCH...   (e.g. /start_demo_gl3_torus
//        /benchmark_duration=10000 /close_app_end_of_demo)
// Prints, for each slot that drew: "demo slot S: WIDTHxHEIGHT frames F
// elapsed_ms E fps X", where E is the demo's own clock over exactly those F
// frames (its loop ends at the first reading past the duration, before it
// draws again), so X = F / E has the clock's resolution, not a whole FPS.
#include <windows.h>

#include <cstdio>
#include <string>

#include "app/AppState.h"
#include "app/Startup.h"

int main(int argc, char** argv) {
  std::string commandLine;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) commandLine += ' ';
    commandLine += argv[i];
  }
  // The program's resources are linked into this executable too.
  int rc = RunQuorvel(GetModuleHandleA(nullptr), commandLine.c_str());
  int drawn = 0;
  for (int i = 0; i < kDemoSlotCount; ++i) {
    const DemoSlot& slot = g_app.demoSlots[i];
    if (slot.fps.frameCount == 0) continue;
    ++drawn;
    printf("demo slot %d: %dx%d frames %u elapsed_ms %u fps %.3f\n", i, slot.clientWidth, slot.clientHeight,
           slot.fps.frameCount, slot.fps.elapsedMs,
           slot.fps.elapsedMs ? slot.fps.frameCount * 1000.0 / slot.fps.elapsedMs : 0.0);
  }
  if (!drawn) fprintf(stderr, "no demo drew a frame\n");
  return rc != 0 ? rc : drawn ? 0 : 1;
}
