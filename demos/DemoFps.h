// Frame timing and FPS statistics shared by every built-in demo thread:
// frames are counted in windows of at least one second.
#pragma once
#include "demos/DemoSlot.h"

// Starts the statistics at a first timer reading.
void DemoFpsStart(DemoFpsStats& s, unsigned reading);
// Adds the time since the last reading; returns the delta in milliseconds.
unsigned DemoFpsAddTime(DemoFpsStats& s, unsigned reading);
// True once a benchmark duration (0: none) has run out.
bool DemoFpsDurationReached(const DemoFpsStats& s, unsigned durationMs);
// Counts a drawn frame and closes the FPS window after 1000 ms (the excess
// is dropped, not carried into the next window).
void DemoFpsCountFrame(DemoFpsStats& s);
