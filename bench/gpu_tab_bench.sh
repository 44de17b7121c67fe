#!/usr/bin/env bash
# CPU time per tick of the GPU tab's one-second refresh, under our fake
# NVIDIA driver library and then under our fake AMD one (tests/fakes/),
# each installed in turn into the system folder of a Wine prefix of the
# benchmark's own (the program loads driver libraries from there only).
# Goal: at most 1 ms of thread CPU time per tick.
# Usage: bench/gpu_tab_bench.sh [TICKS]   (default 1000, about 2 minutes; after scripts/build.sh x86_64)
set -euo pipefail
. "$(dirname "$0")/lib.sh"
bench_with_display "$@"
ticks="${1:-1000}"
gpu_prefix="${QV_BENCH_GPU_PREFIX:-$root/build/x86_64/wineprefix-gpubench}"
fakes="$root/build/x86_64/nvfakes"
bench_need bench_gpu_tab.exe fake_adl_full.dll
[ -f "$fakes/nvapi64.dll" ] || { echo "missing $fakes/nvapi64.dll: build first (bash scripts/build.sh x86_64)" >&2; exit 1; }
cd "$bin"
"$run" "$gpu_prefix" cmd /c exit 0 >/dev/null 2>&1 || true  # makes the prefix on first use
sys32="$gpu_prefix/drive_c/windows/system32"
installed=(nvapi64.dll nvcpl.dll atiadlxx.dll)
remove_fakes() { for f in "${installed[@]}"; do rm -f "$sys32/$f"; done; }
trap remove_fakes EXIT

bench_load before
for vendor in nvidia amd; do
  remove_fakes
  if [ $vendor = nvidia ]; then cp "$fakes/nvapi64.dll" "$fakes/nvcpl.dll" "$sys32/"
  else cp fake_adl_full.dll "$sys32/atiadlxx.dll"; fi
  echo "== $vendor fake driver"
  "$run" "$gpu_prefix" bench_gpu_tab.exe "$ticks" 2>&1 | tr -d '\r'
done
echo "goal: the refresh at most 1000 us of thread CPU time per tick"
bench_load after
