#include <gtest/gtest.h>
#include <windows.h>

#include "demos/Timers.h"

namespace {

// A clock that counts frequency reads and advances by a fixed step.
struct CountingClock {
  static LONG frequencyReads;
  static LONGLONG counter;
  static BOOL WINAPI queryCounter(LARGE_INTEGER* v) {
    counter += 1000;
    v->QuadPart = counter;
    return TRUE;
  }
  static BOOL WINAPI queryFrequency(LARGE_INTEGER* v) {
    ++frequencyReads;
    v->QuadPart = 1000000;
    return TRUE;
  }
};
LONG CountingClock::frequencyReads = 0;
LONGLONG CountingClock::counter = 0;

class ClockSeam {
 public:
  ClockSeam() {
    static const PerfClockApi api = {CountingClock::queryCounter, CountingClock::queryFrequency};
    CountingClock::frequencyReads = 0;
    CountingClock::counter = 0;
    SetPerfClockApi(&api);
  }
  ~ClockSeam() { SetPerfClockApi(nullptr); }
};

TEST(PerfTimerTest, ElapsedGrowsAcrossSleepAndResetStartsOver) {
  PerfTimer t;
  int first = t.elapsedMs();
  EXPECT_GE(first, 0);
  EXPECT_LT(first, 50);
  Sleep(120);
  int later = t.elapsedMs();
  EXPECT_GE(later, 100);
  EXPECT_LT(later, 5000);
  EXPECT_GE(t.elapsedMs(), later);
  t.reset();
  EXPECT_LT(t.elapsedMs(), later);
}

TEST(PerfTimerTest, FrequencyIsReadAgainEvery200Readings) {
  ClockSeam seam;
  PerfTimer t;
  EXPECT_EQ(1, CountingClock::frequencyReads);  // the reset reads it once
  for (int i = 0; i < 199; ++i) t.elapsedMs();
  EXPECT_EQ(1, CountingClock::frequencyReads);
  EXPECT_EQ(199, t.readingCount());
  t.elapsedMs();
  EXPECT_EQ(2, CountingClock::frequencyReads);
  EXPECT_EQ(0, t.readingCount());
  for (int i = 0; i < 200; ++i) t.elapsedMs();
  EXPECT_EQ(3, CountingClock::frequencyReads);
}

TEST(PerfTimerTest, MillisecondsFromCounterAndFrequency) {
  ClockSeam seam;
  PerfTimer t;  // start counter 1000, frequency 1 MHz
  // Each reading advances the counter by 1000 ticks = 1 ms.
  EXPECT_EQ(1, t.elapsedMs());
  EXPECT_EQ(2, t.elapsedMs());
}

TEST(PerfTimerTest, ReadingKeepsTheThreadsOwnAffinityMask) {
  DWORD_PTR processMask = 0, systemMask = 0;
  ASSERT_TRUE(GetProcessAffinityMask(GetCurrentProcess(), &processMask, &systemMask));
  // The highest processor the process may use: a mask narrower than the
  // process mask whenever there are two or more.
  DWORD_PTR narrow = processMask;
  while (narrow & (narrow - 1)) narrow &= narrow - 1;

  PerfTimer t;
  DWORD_PTR before = SetThreadAffinityMask(GetCurrentThread(), narrow);
  ASSERT_NE(0u, before);
  t.elapsedMs();
  DWORD_PTR after = SetThreadAffinityMask(GetCurrentThread(), processMask);
  EXPECT_EQ(narrow, after);
}

TEST(TickTimerTest, RestartStartsNearZeroAndGrows) {
  PerfTimer t;
  uint32_t first = t.tickElapsed(true);
  EXPECT_LT(first, 50u);
  Sleep(100);
  uint32_t later = t.tickElapsed(false);
  EXPECT_GE(later, 80u);
  // The start tick is shared: a restart through another timer moves it.
  PerfTimer other;
  other.tickElapsed(true);
  EXPECT_LT(t.tickElapsed(false), later);
}

}  // namespace
