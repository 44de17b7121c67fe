#!/usr/bin/env bash
# Sets up the machine (scripts/setup.sh) and builds both architectures:
# build/i686 (the shipped 32-bit binaries) and build/x86_64 (what the tests run).
# Usage: build.sh [i686|x86_64 ...]   (default: both)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/setup.sh"
archs=("$@")
[ ${#archs[@]} -gt 0 ] || archs=(i686 x86_64)
jobs=$(nproc 2>/dev/null || echo 4)
for arch in "${archs[@]}"; do
  register=OFF
  [ "$arch" = x86_64 ] && register=ON
  cmake -S "$root" -B "$root/build/$arch" -G "Unix Makefiles" \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$arch.cmake" \
    -DQV_REGISTER_WINE_TESTS=$register >/dev/null
  cmake --build "$root/build/$arch" -j "$jobs"
done
