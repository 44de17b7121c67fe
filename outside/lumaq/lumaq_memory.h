// Memory whose size comes from a file or a setting. A 32-bit process runs
// out of address space long before such sizes stop being accepted, so a
// failed allocation is answered with false, never with an exception: the
// caller reports it and the program goes on.
#pragma once
#include <cstddef>
#include <exception>

namespace Korveth_nsp {

// Whether count elements of elementSize bytes may be asked for: false when
// the product overflows or passes the allocation ceiling.
bool kvAllocationFits(size_t count, size_t elementSize);

// Allocations through kvTryResize above this many bytes fail as if memory
// had run out; no ceiling by default. Tests lower it to reach the failure
// paths that a 64-bit process would seldom see.
void kvSetAllocationCeiling(size_t bytes);
void kvClearAllocationCeiling();

// Resizes the container (vector, string) to count elements, the new ones
// copies of value; false, with the container emptied, when the memory
// cannot be had.
template <class Container>
bool kvTryResize(Container& c, size_t count,
                 const typename Container::value_type& value = typename Container::value_type()) {
  if (kvAllocationFits(count, sizeof(value))) {
    try {
      c.resize(count, value);
      return true;
    } catch (const std::exception&) {  // out of memory, or longer than the container allows
    }
  }
  Container().swap(c);
  return false;
}

}  // namespace Korveth_nsp
