// Millisecond timers for the application and the demo threads.
#pragma once
#include <windows.h>

#include <cstdint>

// The performance-counter calls a PerfTimer makes; tests swap in their own.
struct PerfClockApi {
  BOOL(WINAPI* queryCounter)(LARGE_INTEGER* value);
  BOOL(WINAPI* queryFrequency)(LARGE_INTEGER* value);
};

// Sets the calls every PerfTimer uses from now on; null restores the system's.
void SetPerfClockApi(const PerfClockApi* api);

class PerfTimer {
 public:
  // Readings between two reads of the counter frequency.
  static const int kFrequencyRereadInterval = 200;

  PerfTimer();
  void reset();
  // Milliseconds since the last reset, read with the thread on the first processor.
  int elapsedMs();
  // The coarse reading from the tick count, relative to the one start tick
  // shared by every timer of the program; restart moves that start tick.
  uint32_t tickElapsed(bool restart);

  int64_t frequency() const { return m_frequency; }
  int readingCount() const { return m_readingCount; }

 private:
  int m_clockAtReset;
  uint32_t m_tickAtReset;
  int64_t m_lastDelta;
  int64_t m_startCounter;
  int64_t m_frequency;
  DWORD_PTR m_processAffinityMask;
  DWORD_PTR m_systemAffinityMask;
  HANDLE m_thread;
  int m_readingCount;
  uint32_t m_tickElapsed;
};
