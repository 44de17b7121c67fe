// Stand-in for the outside demo framework "tvl_x32".
#pragma once

#ifdef TVL_BUILDING_LIBRARY
#define TVL_API __declspec(dllexport)
#else
#define TVL_API __declspec(dllimport)
#endif

namespace tvl {

class TVL_API AppEngine {
 public:
  AppEngine();
  ~AppEngine();
  AppEngine(const AppEngine&) = delete;
  AppEngine& operator=(const AppEngine&) = delete;
  const char* get_version() const;
};

}  // namespace tvl
