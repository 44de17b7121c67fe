// Support for the randomised tests: a fixed seed that is printed, bounds on
// count and time, and a report that names the input a crash happened on.
//
// Each round notes its input with Fuzz::note(); when the process then dies
// on an access violation (a guard page), a stack-protector or fortify abort,
// or any other unhandled exception, the crash report prints the seed, the
// round and the input before the process ends, so that it can be replayed.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>

#include "GuardedMemory.h"

class Fuzz {
 public:
  // count rounds at most, and no more than budgetMs of wall time.
  Fuzz(const char* what, uint32_t seed, int count, int budgetMs)
      : m_what(what), m_seed(seed), m_count(count), m_budgetMs(budgetMs), m_rng(seed),
        m_start(std::chrono::steady_clock::now()) {
    printf("[fuzz] %s: seed %u, at most %d rounds in %d ms\n", what, seed, count, budgetMs);
    fflush(stdout);
    CrashContext() = [this] { return std::string(m_what) + ", " + describe(); };
    InstallCrashReport();
  }
  ~Fuzz() {
    printf("[fuzz] %s: %d rounds\n", m_what, m_round);
    fflush(stdout);
    CrashContext() = nullptr;
  }
  Fuzz(const Fuzz&) = delete;
  Fuzz& operator=(const Fuzz&) = delete;

  // True while rounds are left; counts the round.
  bool next() {
    if (m_round >= m_count) return false;
    if (m_round > 0 && elapsedMs() > m_budgetMs) return false;
    ++m_round;
    return true;
  }
  int round() const { return m_round; }
  uint32_t seed() const { return m_seed; }
  std::mt19937& rng() { return m_rng; }

  // Random integer in [lo, hi].
  int64_t range(int64_t lo, int64_t hi) {
    return std::uniform_int_distribution<int64_t>(lo, hi)(m_rng);
  }
  bool chance(int percent) { return range(1, 100) <= percent; }
  template <typename T, size_t N>
  const T& pick(const T (&items)[N]) {
    return items[static_cast<size_t>(range(0, static_cast<int64_t>(N) - 1))];
  }
  // Random bytes; zero bytes only when withZeros.
  std::string bytes(size_t n, bool withZeros = false) {
    std::string s(n, '\0');
    for (char& c : s) {
      int v = static_cast<int>(range(withZeros ? 0 : 1, 255));
      c = static_cast<char>(v);
    }
    return s;
  }
  // A few random edits: flips, inserts, deletions, truncation.
  std::string mutate(std::string s) {
    const int edits = static_cast<int>(range(1, 4));
    for (int k = 0; k < edits; ++k) {
      const size_t at = s.empty() ? 0 : static_cast<size_t>(range(0, static_cast<int64_t>(s.size())));
      switch (range(0, 4)) {
        case 0: if (at < s.size()) s[at] = static_cast<char>(range(1, 255)); break;
        case 1: s.insert(at, bytes(static_cast<size_t>(range(1, 8)))); break;
        case 2: if (at < s.size()) s.erase(at, static_cast<size_t>(range(1, 8))); break;
        case 3: s.resize(at); break;
        default: s.insert(at, s.substr(0, static_cast<size_t>(range(0, 40)))); break;
      }
    }
    return s;
  }

  // The input of this round, shown if the process dies on it.
  void note(const std::string& input) { m_input = input; }
  // The input as printable text, for failure messages.
  std::string describe() const { return describe(m_input); }
  std::string describe(const std::string& input) const {
    std::string out = "seed " + std::to_string(m_seed) + ", round " + std::to_string(m_round) + ", input \"";
    char hex[8];
    for (size_t i = 0; i < input.size() && i < 2048; ++i) {
      unsigned char c = static_cast<unsigned char>(input[i]);
      if (c == '\\' || c == '"') {
        out += '\\';
        out += static_cast<char>(c);
      } else if (c >= 0x20 && c < 0x7F) {
        out += static_cast<char>(c);
      } else {
        snprintf(hex, sizeof(hex), "\\x%02X", c);
        out += hex;
      }
    }
    if (input.size() > 2048) out += "...";
    return out + "\" (" + std::to_string(input.size()) + " bytes)";
  }

 private:
  int64_t elapsedMs() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - m_start)
        .count();
  }

  const char* m_what;
  uint32_t m_seed;
  int m_count;
  int m_budgetMs;
  std::mt19937 m_rng;
  std::chrono::steady_clock::time_point m_start;
  int m_round = 0;
  std::string m_input;
};
