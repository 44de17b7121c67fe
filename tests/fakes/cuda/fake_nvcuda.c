/* A stand-in for the CUDA driver library with canned devices. The test picks
 * a scenario through the environment variable QV_FAKE_CUDA_SCENARIO, read on
 * each cuInit:
 *   (unset) or "two"   two devices, compute capability 8.6 and 7.5
 *   "init_fails"       cuInit answers an error
 *   "get_fails_1"      two devices, cuDeviceGet fails for index 1
 *   "long_name"        one device whose name fills the whole buffer, unterminated
 *   "unknown_cc"       one device of compute capability 12.1
 *   "garbage:SEED"     counts at their limits and beyond, texts that fill
 *                      their buffers without a terminator, random values;
 *                      the same SEED gives the same answers
 */
#include <stddef.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

#if defined(_WIN32) && !defined(_WIN64)
#define API __stdcall
#else
#define API
#endif
#define EXPORT __declspec(dllexport)

typedef struct {
  int maxThreadsPerBlock;
  int maxThreadsDim[3];
  int maxGridSize[3];
  int sharedMemPerBlock;
  int totalConstantMemory;
  int simdWidth;
  int memPitch;
  int regsPerBlock;
  int clockRate;
  int textureAlign;
} FakeProps;

typedef struct {
  const char* name;
  unsigned long long totalMem;
  const char* pciBusId;
  int major, minor, smCount, memClockKhz, busWidth, clockKhz, pciBus;
} FakeDevice;

static const FakeDevice kDevices[] = {
    {"Fake GPU Alpha", 24ull << 30, "0000:01:00.0", 8, 6, 82, 7000000, 384, 1695000, 1},
    {"Fake GPU Beta", 8ull << 30, "0000:02:00.0", 7, 5, 40, 7000000, 256, 1545000, 2},
};
static const FakeDevice kUnknownCc = {"Fake GPU Gamma", 1ull << 30, "0000:03:00.0", 12, 1, 10, 1000000, 64, 1000000, 3};

static char g_scenario[64];
static unsigned g_random;

static int scenario(const char* name) { return strcmp(g_scenario, name) == 0; }
static int garbage(void) { return strncmp(g_scenario, "garbage:", 8) == 0; }

/* The next pseudo-random number of the garbage scenario. */
static unsigned nextRandom(void) {
  g_random = g_random * 1664525u + 1013904223u;
  return g_random >> 8;
}
static int randomInt(void) {
  static const int kEdges[] = {0, 1, -1, 2147483647, -2147483647 - 1, 65535, 64, 65};
  return (nextRandom() % 3 == 0) ? kEdges[nextRandom() % 8] : (int)(nextRandom() * 2654435761u);
}
/* Fills a whole text buffer with non-zero bytes: no terminator. */
static void fillText(char* text, int len) {
  for (int i = 0; i < len; ++i) text[i] = (char)(1 + nextRandom() % 255);
}

static const FakeDevice* device(int d) {
  if (garbage()) return &kDevices[0];
  if (scenario("unknown_cc")) return d == 0 ? &kUnknownCc : NULL;
  if (scenario("long_name")) return d == 0 ? &kDevices[0] : NULL;
  return d >= 0 && d < 2 ? &kDevices[d] : NULL;
}

EXPORT int API cuInit(unsigned int flags) {
  DWORD n = GetEnvironmentVariableA("QV_FAKE_CUDA_SCENARIO", g_scenario, sizeof(g_scenario));
  if (n == 0 || n >= sizeof(g_scenario)) strcpy(g_scenario, "two");
  g_random = garbage() ? (unsigned)strtoul(g_scenario + 8, NULL, 10) : 0;
  if (flags != 0) return 1;
  return scenario("init_fails") ? 100 : 0;
}

EXPORT int API cuDeviceGetCount(int* count) {
  if (garbage()) {
    static const int kCounts[] = {0, 1, 63, 64, 65, 1000, 2147483647, -1};
    *count = kCounts[nextRandom() % 8];
    return 0;
  }
  *count = (scenario("unknown_cc") || scenario("long_name")) ? 1 : 2;
  return 0;
}

EXPORT int API cuDeviceGet(int* dev, int ordinal) {
  if (!device(ordinal)) return 101;
  if (scenario("get_fails_1") && ordinal == 1) return 101;
  *dev = ordinal;
  return 0;
}

EXPORT int API cuDeviceGetName(char* name, int len, int dev) {
  const FakeDevice* d = device(dev);
  if (!d || len <= 0) return 1;
  if (garbage()) {
    fillText(name, len);
    return 0;
  }
  if (scenario("long_name")) {
    memset(name, 'N', (size_t)len); /* no room left for a terminator */
    return 0;
  }
  strncpy(name, d->name, (size_t)len);
  name[len - 1] = 0;
  return 0;
}

EXPORT int API cuDeviceTotalMem_v2(size_t* bytes, int dev) {
  const FakeDevice* d = device(dev);
  if (!d) return 1;
  if (garbage()) {
    *bytes = (size_t)nextRandom() * (size_t)nextRandom();
    return 0;
  }
  *bytes = (size_t)(d->totalMem > (size_t)-1 ? (size_t)-1 : d->totalMem);
  return 0;
}

/* The first-version entry point answers a value of its own, so that a test
 * sees which one was used. */
EXPORT int API cuDeviceTotalMem(unsigned int* bytes, int dev) {
  if (!device(dev)) return 1;
  *bytes = 0x12345678u;
  return 0;
}

EXPORT int API cuDeviceGetPCIBusId(char* text, int len, int dev) {
  const FakeDevice* d = device(dev);
  if (!d || len <= 0) return 1;
  if (garbage()) {
    fillText(text, len);
    return 0;
  }
  strncpy(text, d->pciBusId, (size_t)len);
  text[len - 1] = 0;
  return 0;
}

EXPORT int API cuDeviceGetProperties(FakeProps* p, int dev) {
  if (!device(dev)) return 1;
  if (garbage()) {
    int* words = (int*)p;
    for (size_t i = 0; i < sizeof(*p) / sizeof(int); ++i) words[i] = randomInt();
    return 0;
  }
  p->maxThreadsPerBlock = 1024;
  p->maxThreadsDim[0] = 1024;
  p->maxThreadsDim[1] = 1024;
  p->maxThreadsDim[2] = 64;
  p->maxGridSize[0] = 2147483647;
  p->maxGridSize[1] = 65535;
  p->maxGridSize[2] = 65535;
  p->sharedMemPerBlock = 49152;
  p->totalConstantMemory = 65536;
  p->simdWidth = 32;
  p->memPitch = 2147483647;
  p->regsPerBlock = 65536;
  p->clockRate = device(dev)->clockKhz;
  p->textureAlign = 512;
  return 0;
}

EXPORT int API cuDeviceGetAttribute(int* value, int attribute, int dev) {
  const FakeDevice* d = device(dev);
  if (!d) return 1;
  if (garbage()) {
    *value = randomInt();
    return 0;
  }
  switch (attribute) {
    case 1: *value = 1024; return 0;        /* threads per block */
    case 2: *value = 1024; return 0;        /* block dims */
    case 3: *value = 1024; return 0;
    case 4: *value = 64; return 0;
    case 5: *value = 2147483647; return 0;  /* grid dims */
    case 6: *value = 65535; return 0;
    case 7: *value = 65535; return 0;
    case 8: *value = 49152; return 0;       /* shared memory per block */
    case 9: *value = 65536; return 0;       /* constant memory */
    case 10: *value = 32; return 0;         /* warp size */
    case 13: *value = d->clockKhz; return 0;
    case 16: *value = d->smCount; return 0;
    case 33: *value = d->pciBus; return 0;
    case 36: *value = d->memClockKhz; return 0;
    case 37: *value = d->busWidth; return 0;
    case 38: *value = 6291456; return 0;    /* L2 */
    case 39: *value = 1536; return 0;       /* threads per multiprocessor */
    case 40: *value = 2; return 0;          /* async engines */
    case 75: *value = d->major; return 0;
    case 76: *value = d->minor; return 0;
    case 81: *value = 102400; return 0;     /* shared memory per multiprocessor */
    default: return 1;
  }
}
