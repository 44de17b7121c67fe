// What the tests can ask of the stand-in driver libraries (nvapi and
// nvcpl) built in the test tree. The tests load the same DLL that the
// program loaded from the system folder and call these exports.
#pragma once

#include "detect/nvidia/NvapiTypes.h"

// Scenario flags of the stand-in nvapi; 0 is two GPUs with every query
// answering.
enum FakeNvapiScenario : unsigned {
  kFakeDefault = 0,
  kFakePstates20V3Rejected = 1u << 0,   // version 3 of the P-state table: -9
  kFakeNoPstates20 = 1u << 1,           // the P-state table query fails
  kFakeCurrentPstateMissing = 1u << 2,  // current P-state 12: only in the older table
  kFakeCountsOverCapacity = 1u << 3,    // every count far above its structure's capacity
  kFakeInitFails = 1u << 4,             // the initialise entry answers -1
  kFakeNoInitEntry = 1u << 5,           // no initialise entry
  kFakeNoActiveAppsWithFlags = 1u << 6, // only the plain running-application query works
  kFakeIdenticalGpus = 1u << 7,         // three GPUs with the same PCI ids
  kFakePreHookOnly = 1u << 8,           // a pre-call hook, no post-call hook
  kFakeBothHooks = 1u << 9,             // both call hooks
  kFakeUnterminatedTexts = 1u << 10,    // texts fill their buffers without terminator
  kFakeNoVoltage = 1u << 11,            // core voltage status not 0; no domain 0
};

typedef void (*FakeNvapiSetScenarioFn)(unsigned flags);
typedef int (*FakeNvapiCountFn)();
typedef int (*FakeNvapiIdCountFn)(NvU32 id);
typedef void (*FakeNvapiHideFn)(NvU32 id);
typedef const char* (*FakeOriginFn)();
typedef void (*FakeNvapiSetArchFn)(int gpu, NvU32 arch, NvU32 impl, NvU32 revision);
typedef void (*FakeNvcplSetScenarioFn)(int scenario);
typedef int (*FakeNvcplDataIntCallsFn)(long id);

// Exports of the stand-in nvapi:
//   FakeNvapiSetScenario(flags)  - also clears every counter and hidden id
//   FakeNvapiInitCalls()         - calls of the initialise entry
//   FakeNvapiQueryCount(id)      - nvapi_QueryInterface calls for id
//   FakeNvapiCallCount(id)       - calls of the entry point of id
//   FakeNvapiHookCalls()         - calls of either hook
//   FakeNvapiHide(id)            - id answers null from now on
//   FakeNvapiSetArch(gpu, arch, implementation, revision)
//   FakeOrigin()                 - "system" or "planted"
// Exports of the stand-in nvcpl:
//   FakeNvcplSetScenario(n)      - 0 SLI pair, 1 single GPU with failing
//                                  display query, 2 unterminated texts
//   FakeNvcplDataIntCalls(id)    - NvCplGetDataInt calls for id
