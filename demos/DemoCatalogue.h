// The catalogues of the built-in demos: name, description and benchmark
// link of each row, in the order of the 3D Demos tab's lists.
#pragma once

struct DemoDescriptor {
  char name[256];
  char description[512];  // lines separated by CR LF
  char benchmarkLink[512];  // empty when the demo has none
};

const int kGlDemoCount = 11;
const int kClDemoCount = 8;

extern const DemoDescriptor kGlDemoCatalogue[kGlDemoCount];
extern const DemoDescriptor kClDemoCatalogue[kClDemoCount];

// The catalogue the 3D Demos tab chose last; null until then.
extern const DemoDescriptor* g_currentCatalogue;

// Row of an OpenCL demo: the GPU variant, or the CPU one right after it.
inline int ClCatalogueRow(int demoNumber, bool cpu) { return demoNumber * 2 + (cpu ? 1 : 0); }
