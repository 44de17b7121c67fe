// Starting and stopping the built-in demos, each in a thread and window of
// its own over one demo slot.
#pragma once
#include <windows.h>

#include "demos/DemoSlot.h"

// Slots of the built-in demos (0 and 1 are never used).
enum BuiltinDemoSlot {
  kSlotToon = 2,
  kSlotFur = 3,
  kSlotClJulia = 4,
  kSlotClParticles = 5,
  kSlotClPostFx = 6,
  kSlotClDeformer = 7,
  kSlotGl4Tessellation = 8,
  kSlotGl3Torus = 9,
  kSlotGl3Triangle = 10,
  kSlotVtf = 11,
  kSlotSimpleTorus = 12,
  kSlotSoftShadows = 13,
  kSlotPointSprite = 14,
  kSlotHdrDof = 15,
  kSlotInstancing = 16,
};

// The slots in the order shutdown stops them.
extern const int kShutdownSlotOrder[15];

typedef DWORD(WINAPI* DemoThreadRoutine)(void* slot);

// The thread routine of an OpenGL catalogue row (0 to 10) / OpenCL demo
// number (0 to 3); null for any other row or number.
DemoThreadRoutine GlDemoRoutine(int row);
DemoThreadRoutine ClDemoRoutine(int demoNumber);

bool StartGlDemo(HWND parent, DemoSlot* slot, int demoIndex, DemoThreadRoutine routine, HWND* windowVar,
                 bool showOptions);
// Sets the stop flag and waits for the thread (up to kDemoStopTimeoutMs);
// the slot becomes free only once its thread has ended. False without a
// thread.
bool StopDemoThread(DemoSlot* slot);
// Closes the handle of a slot whose thread has ended; true when the slot is
// free (no thread or an ended one), false while its thread still runs.
bool ReleaseEndedDemoThread(DemoSlot* slot);
// The close of a demo window (close box, Esc, the thread's own close at its
// end): stops the slot's thread and destroys the window; a thread that does
// not stop in time keeps the window, hidden, until it closes it itself.
void CloseDemoWindow(HWND window);
// Closes every demo window and stops every demo thread, in the shutdown
// order; false when a thread is still running afterwards.
bool EndAllDemos();
// Waits for a thread while serving messages sent to this thread's windows;
// false on timeout.
bool WaitServingSentMessages(HANDLE thread, DWORD timeoutMs);

// Longer than one frame of the slowest demos on a software driver, so that
// a stopped demo is normally gone when its window closes.
const DWORD kDemoStopTimeoutMs = 5000;

// The slot of an OpenGL catalogue row (0 to 10); -1 for another row.
int GlDemoSlotOfRow(int row);

// The demo window and the options dialog.
INT_PTR CALLBACK DemoWindowProc(HWND window, UINT msg, WPARAM wp, LPARAM lp);
INT_PTR CALLBACK DemoOptionsDialogProc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp);
// The slot among 2 to 16 whose window is this one; null when none.
DemoSlot* FindDemoSlotOfWindow(HWND window);
