#include "demos/Timers.h"

#include <ctime>

namespace {

const PerfClockApi kSystemClock = {QueryPerformanceCounter, QueryPerformanceFrequency};
const PerfClockApi* g_clock = &kSystemClock;

// One start tick for every TickTimer reading of the program.
volatile uint32_t g_tickStart = 0;

int64_t readCounter() {
  LARGE_INTEGER v;
  v.QuadPart = 0;
  g_clock->queryCounter(&v);
  return v.QuadPart;
}

int64_t readFrequency() {
  LARGE_INTEGER v;
  v.QuadPart = 0;
  g_clock->queryFrequency(&v);
  return v.QuadPart;
}

}  // namespace

void SetPerfClockApi(const PerfClockApi* api) { g_clock = api ? api : &kSystemClock; }

PerfTimer::PerfTimer()
    : m_clockAtReset(0), m_tickAtReset(0), m_lastDelta(0), m_startCounter(0), m_frequency(0),
      m_processAffinityMask(0), m_systemAffinityMask(0), m_thread(nullptr), m_readingCount(0),
      m_tickElapsed(0) {
  reset();
}

void PerfTimer::reset() {
  m_clockAtReset = static_cast<int>(clock());
  m_frequency = readFrequency();
  m_startCounter = readCounter();
  m_tickAtReset = GetTickCount();
  m_lastDelta = 0;
  m_readingCount = 0;
  if (!GetProcessAffinityMask(GetCurrentProcess(), &m_processAffinityMask, &m_systemAffinityMask)) {
    m_processAffinityMask = m_systemAffinityMask = 0;
  }
  m_thread = GetCurrentThread();
}

int PerfTimer::elapsedMs() {
  // Compare the counter of one processor with itself: pin the thread for the
  // read, then give it back the mask it had (a demo thread pins itself on
  // purpose and must stay pinned).
  DWORD_PTR previousMask = SetThreadAffinityMask(m_thread, 1);
  int64_t now = readCounter();
  if (++m_readingCount >= kFrequencyRereadInterval) {
    m_readingCount = 0;
    m_frequency = readFrequency();
  }
  if (previousMask != 0) SetThreadAffinityMask(m_thread, previousMask);

  int64_t delta = now - m_startCounter;
  m_lastDelta = delta;
  if (m_frequency <= 0) return 0;
  return static_cast<int>(delta * 1000 / m_frequency);
}

uint32_t PerfTimer::tickElapsed(bool restart) {
  if (restart) {
    g_tickStart = GetTickCount();
    m_tickElapsed = 0;
  }
  m_tickElapsed = GetTickCount() - g_tickStart;
  return m_tickElapsed;
}
