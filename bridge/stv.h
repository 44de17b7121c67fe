// The bridge between the program and the outside demo framework: a flat set
// of functions over one state object. Strings passed in are borrowed; strings
// returned stay owned by the bridge.
#pragma once

#ifdef STV_BUILDING_LIBRARY
#define STV_API __declspec(dllexport)
#else
#define STV_API __declspec(dllimport)
#endif

namespace stv {

// Folder of the running program, with a trailing separator.
STV_API const char* get_app_directory();

}  // namespace stv
