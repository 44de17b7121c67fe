#!/usr/bin/env bash
# Frames per second of one textured quad a frame under Wine on the system's
# Vulkan (lavapipe here): the Vulkan2 plug-in loaded by the demo framework
# stand-in against a bare Vulkan loop of our own. N runs each (default 5),
# medians and their ratio bare/plug-in (goal: at most 1.1).
# Usage: bench/vk_draw_bench.sh [N] [FRAMES]   (after scripts/build.sh)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
n="${1:-5}"
frames="${2:-300}"
bin="${QV_BENCH_BIN:-$root/build/x86_64/bin}"
prefix="${QV_BENCH_PREFIX:-$root/build/x86_64/wineprefix}"
run="$root/tests/wine-run.sh"
cd "$bin"
[ -f bench_vk_draw.exe ] || { echo "build first: bash scripts/build.sh x86_64" >&2; exit 1; }
if [ -z "${DISPLAY:-}" ]; then exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"; fi
median() { sort -n | awk '{v[NR]=$1} END{print v[int((NR+1)/2)]}'; }
declare -A fps
for mode in plugin bare; do
  : > "/tmp/qv_vkbench_$mode"
  for ((i = 0; i < n; i++)); do
    "$run" "$prefix" bench_vk_draw.exe "$mode" "$frames" 2>/dev/null | tr -d '\r' | sed -n 's/^fps=//p' >> "/tmp/qv_vkbench_$mode"
  done
  fps[$mode]=$(median < "/tmp/qv_vkbench_$mode")
  printf '%-6s runs: %s\n' "$mode" "$(tr '\n' ' ' < "/tmp/qv_vkbench_$mode")"
done
printf 'plug-in through the framework: median %s fps\n' "${fps[plugin]}"
printf 'bare Vulkan loop:              median %s fps\n' "${fps[bare]}"
awk -v a="${fps[bare]}" -v b="${fps[plugin]}" 'BEGIN{ if (b > 0) printf "ratio bare/plug-in: %.3f (goal: at most 1.1)\n", a / b }'
