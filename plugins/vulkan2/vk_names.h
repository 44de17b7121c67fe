// Names of layers and extensions: what a driver offered, and the lists of
// names handed to vkCreateInstance and vkCreateDevice.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

inline bool offered(const std::vector<std::string>& names, const char* name) {
  if (!name) return false;
  for (const std::string& n : names)
    if (n == name) return true;
  return false;
}

// The text of a fixed-size name field from a driver, never read past its end.
inline std::string bounded(const char* text, size_t capacity) { return std::string(text, strnlen(text, capacity)); }

// A fixed-capacity list of names; never overflows.
class FixedNameList {
 public:
  enum { kCapacity = 64 };
  const char* names[kCapacity];
  uint32_t count = 0;
  bool contains(const char* name) const {
    for (uint32_t i = 0; i < count; ++i)
      if (strcmp(names[i], name) == 0) return true;
    return false;
  }

 protected:
  bool append(const char* name) {
    if (count >= kCapacity) return false;
    names[count++] = name;
    return true;
  }
};

// Keeps every name it is given, repeats too (the instance's lists: each
// request is passed on as it came); false when full.
struct RepeatingNameList : FixedNameList {
  bool add(const char* name) { return append(name); }
};

// Holds each name once (the device's lists).
struct UniqueNameList : FixedNameList {
  void add(const char* name) {
    if (!contains(name)) append(name);
  }
};
