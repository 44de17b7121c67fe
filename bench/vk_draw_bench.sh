#!/usr/bin/env bash
# Frames per second of one textured quad a frame under Wine on the system's
# Vulkan (lavapipe here): the Vulkan2 plug-in loaded by the demo framework
# stand-in against a bare Vulkan loop of our own. N runs each (default 5),
# medians and their ratio bare/plug-in (goal: at most 1.1).
# Usage: bench/vk_draw_bench.sh [N] [FRAMES]   (after scripts/build.sh)
set -euo pipefail
. "$(dirname "$0")/lib.sh"
bench_with_display "$@"
n="${1:-5}"
frames="${2:-300}"
bench_need bench_vk_draw.exe
cd "$bin"
bench_load before
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
bench_load after
