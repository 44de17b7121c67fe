#include "demos/DemoFps.h"

void DemoFpsStart(DemoFpsStats& s, unsigned reading) { s.lastTimerValue = reading; }

unsigned DemoFpsAddTime(DemoFpsStats& s, unsigned reading) {
  unsigned delta = reading - s.lastTimerValue;  // unsigned: wraps like the tick count
  s.elapsedMs += delta;
  s.windowMs += delta;
  s.lastTimerValue = reading;
  return delta;
}

bool DemoFpsDurationReached(const DemoFpsStats& s, unsigned durationMs) {
  return durationMs != 0 && s.elapsedMs >= durationMs;
}

void DemoFpsCountFrame(DemoFpsStats& s) {
  ++s.frameCount;
  ++s.windowFrames;
  if (s.windowMs < 1000) return;
  s.currentFps = s.windowFrames;
  s.windowFrames = 0;
  s.windowMs = 0;
  if (!s.firstWindowDone) {
    s.minFps = s.maxFps = s.fpsSum = s.averageFps = s.currentFps;
    s.windowCount = 1;
    s.firstWindowDone = 1;
  } else {
    if (s.currentFps < s.minFps) s.minFps = s.currentFps;
    if (s.currentFps > s.maxFps) s.maxFps = s.currentFps;
    s.fpsSum += s.currentFps;
    ++s.windowCount;
    s.averageFps = s.fpsSum / s.windowCount;
  }
  s.resultValid = 1;
}
