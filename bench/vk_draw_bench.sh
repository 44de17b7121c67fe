#!/usr/bin/env bash
# Frames per second of one textured quad a frame under Wine on the system's
# Vulkan (lavapipe here): the Vulkan2 plug-in loaded by the demo framework
# stand-in against a bare Vulkan loop of our own. N rounds (default 5) of one
# run each, medians and their ratio bare/plug-in (goal: at most 1.1).
# The runs alternate, and the rounds alternate which loop goes first, so
# that a change of load during the bench falls on both loops alike; the
# median of the rounds' own ratios is printed beside the ratio of medians.
# A first round of one run per loop is not counted: the first seconds of a
# fresh display and Wine session draw slower, whichever loop runs in them.
# Usage: bench/vk_draw_bench.sh [N] [FRAMES]   (after scripts/build.sh)
set -euo pipefail
. "$(dirname "$0")/lib.sh"
bench_with_display "$@"
n="${1:-5}"
frames="${2:-300}"
bench_need bench_vk_draw.exe
cd "$bin"
bench_load before
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
: > "$out/plugin"
: > "$out/bare"
: > "$out/ratios"
declare -A fps round
for ((i = -1; i < n; i++)); do
  order="plugin bare"
  ((i % 2)) && order="bare plugin"
  for mode in $order; do
    "$run" "$prefix" bench_vk_draw.exe "$mode" "$frames" 2>/dev/null | tr -d '\r' > "$out/run" || true
    ((i < 0)) && continue
    round[$mode]=$(sed -n 's/^fps=//p' "$out/run")
    [ -n "${round[$mode]}" ] && echo "${round[$mode]}" >> "$out/$mode"
    # What the loop's frame is made of, from its first run.
    [ -s "$out/$mode.work" ] || grep -E '^(present_mode|frames_in_flight|size|warm_up)=' "$out/run" | tr '\n' ' ' > "$out/$mode.work" || true
  done
  awk -v a="${round[bare]:-0}" -v b="${round[plugin]:-0}" 'BEGIN{ if (a > 0 && b > 0) printf "%.3f\n", a / b }' >> "$out/ratios"
done
for mode in plugin bare; do
  fps[$mode]=$(median < "$out/$mode")
  printf '%-6s runs: %s\n' "$mode" "$(tr '\n' ' ' < "$out/$mode")"
  printf '%-6s frame: %s\n' "$mode" "$(cat "$out/$mode.work")"
done
printf 'plug-in through the framework: median %s fps\n' "${fps[plugin]}"
printf 'bare Vulkan loop:              median %s fps\n' "${fps[bare]}"
awk -v a="${fps[bare]}" -v b="${fps[plugin]}" 'BEGIN{ if (b > 0) printf "ratio bare/plug-in: %.3f (goal: at most 1.1)\n", a / b }'
printf 'ratio of each round: %s(median %s)\n' "$(tr '\n' ' ' < "$out/ratios")" "$(median < "$out/ratios")"
bench_load after
