// The NVIDIA driver client: one load, one bind, one cached entry point per
// operation.
#include "detect/nvidia/NvapiClient.h"

#include "detect/SecureLoader.h"

namespace {

// One cache slot per operation, in table order.
enum Slot {
#define QV_NVAPI_SLOT(name, id, params, args) kSlot_##name,
  QV_NVAPI_OPERATIONS(QV_NVAPI_SLOT)
#undef QV_NVAPI_SLOT
  kSlotCount
};

struct ClientState {
  HMODULE library;
  bool loaded;
  NvQueryInterfaceFn queryInterface;
  NvInitializeFn initialize;
  NvPreCallHookFn preHook;
  NvPostCallHookFn postHook;
  void* entry[kSlotCount];
  bool initialised;
  int referenceCount;
  int secondCount;
};
ClientState g_client;
volatile LONG g_inFlight = 0;

// The lock around NvapiInitialize: made on first use, deleted at exit.
class InitLock {
 public:
  InitLock() { InitializeCriticalSection(&m_section); }
  ~InitLock() { DeleteCriticalSection(&m_section); }
  void enter() { EnterCriticalSection(&m_section); }
  void leave() { LeaveCriticalSection(&m_section); }

 private:
  CRITICAL_SECTION m_section;
};
InitLock& initLock() {
  static InitLock lock;
  return lock;
}

struct InFlight {
  InFlight() { InterlockedIncrement(&g_inFlight); }
  ~InFlight() { InterlockedDecrement(&g_inFlight); }
};

void clearEntries() {
  for (void*& e : g_client.entry) e = nullptr;
}

template <typename Fn, typename... Args>
int callOperation(Slot slot, NvU32 id, Args... args) {
  InFlight inFlight;
  int status = NvapiLoadLibrary();
  if (status != kNvapiOk) return status;
  void* entry = g_client.entry[slot];
  if (!entry) {
    if (!g_client.queryInterface) return kNvapiNoImplementation;
    entry = g_client.queryInterface(id);
    g_client.entry[slot] = entry;
    if (!entry) return kNvapiNoImplementation;
  }
  NvU32 words[2] = {0, 0};
  if (g_client.preHook) g_client.preHook(id, words);
  status = reinterpret_cast<Fn>(entry)(args...);
  if (g_client.postHook) g_client.postHook(id, words, status);
  return status;
}

}  // namespace

const wchar_t* NvapiLibraryName() {
#ifdef _WIN64
  return L"nvapi64.dll";
#else
  return L"nvapi.dll";
#endif
}

int NvapiBootstrap(HMODULE library) {
  g_client.queryInterface =
      reinterpret_cast<NvQueryInterfaceFn>(
          reinterpret_cast<void*>(GetProcAddress(library, "nvapi_QueryInterface")));
  if (!g_client.queryInterface) return kNvapiError;
  g_client.initialize = reinterpret_cast<NvInitializeFn>(g_client.queryInterface(kNvIdInitialize));
  if (!g_client.initialize) return kNvapiError;
  int status = g_client.initialize();
  if (status != kNvapiOk) return status;
  g_client.preHook = reinterpret_cast<NvPreCallHookFn>(g_client.queryInterface(kNvIdPreCallHook));
  g_client.postHook =
      reinterpret_cast<NvPostCallHookFn>(g_client.queryInterface(kNvIdPostCallHook));
  // The hooks are used only as a pre-call hook without a post-call hook.
  if (!g_client.preHook || g_client.postHook) {
    g_client.preHook = nullptr;
    g_client.postHook = nullptr;
  }
  clearEntries();
  return kNvapiOk;
}

int NvapiLoadLibrary() {
  if (g_client.loaded) return kNvapiOk;
  HMODULE library = SecureLoadSystemLibrary(NvapiLibraryName(), LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (!library) return kNvapiLibraryNotFound;
  int status = NvapiBootstrap(library);
  if (status != kNvapiOk) {
    FreeLibrary(library);
    g_client.queryInterface = nullptr;
    g_client.initialize = nullptr;
    g_client.preHook = nullptr;
    g_client.postHook = nullptr;
    return status;
  }
  g_client.library = library;
  g_client.loaded = true;
  g_client.initialised = true;
  g_client.referenceCount = 1;
  g_client.secondCount = 1;
  return kNvapiOk;
}

int NvapiInitialize() {
  InitLock& lock = initLock();
  lock.enter();
  int status;
  {
    InFlight inFlight;
    int noted = g_client.referenceCount;
    int notedSecond = g_client.secondCount;
    status = NvapiLoadLibrary();
    if (status == kNvapiOk) {
      g_client.referenceCount = noted + 1;
      g_client.secondCount = notedSecond + 1;
    }
  }
  lock.leave();
  return status;
}

int NvapiReferenceCount() { return g_client.referenceCount; }
int NvapiSecondCount() { return g_client.secondCount; }
bool NvapiIsLoaded() { return g_client.loaded; }
HMODULE NvapiLibraryHandle() { return g_client.library; }

void NvapiResetForTests() {
  if (g_client.library) FreeLibrary(g_client.library);
  g_client = ClientState();
}

#define QV_NVAPI_DEFINE(name, id, params, args)                                 \
  int name params {                                                             \
    return callOperation<int(QV_NVAPI_CALL*) params>(kSlot_##name, id, QV_NVAPI_ARGS args); \
  }
#define QV_NVAPI_ARGS(...) __VA_ARGS__
QV_NVAPI_OPERATIONS(QV_NVAPI_DEFINE)
#undef QV_NVAPI_DEFINE
#undef QV_NVAPI_ARGS
