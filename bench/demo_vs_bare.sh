#!/usr/bin/env bash
# A built-in demo's cost over a bare loop of our own: N runs of the demo from
# its start switch against N runs of a bare program that draws the same
# picture with plain OpenGL in a window of the same client size. Called by
# the demo benchmarks (bench/*_bench.sh).
#
# Both sides give frames over their own measured time, not a whole FPS: the
# demo side is bench_demo_run.exe, the program's start-up run from the same
# switches as quorvel.exe, which prints the demo's own frame count and clock
# at the end; the bare loop prints its frame count and clock the same way.
# Prints each run, per side the median frame time and the spread
# (max - min) / median of the runs, and the ratio of the medians. A spread
# of 5 % or more means the runs cannot show a 5 % difference: run longer or
# on a quieter machine.
# Both draw in a SIZE x SIZE window (the demo's outer size; the bare loop
# takes the demo's client size) with Mesa's software renderer on one thread,
# so that machines shared with other work still give comparable figures.
# Usage: demo_vs_bare.sh N DURATION_MS SIZE START_SWITCH BARE_EXE [BARE_EXTRA_ARG...]
set -euo pipefail
. "$(dirname "$0")/lib.sh"
bench_with_display "$@"
n="$1"; duration="$2"; size="$3"; switch="$4"; bare_exe="$5"; shift 5
export LP_NUM_THREADS="${LP_NUM_THREADS:-1}"
# The same C library heap policy on both sides. By default glibc hands a
# freed block at the top of its heap back to the system, and Mesa's software
# renderer frees and allocates such a block around every draw call that
# follows a state change: in a fresh process (the bare loop) that is a system
# call and a run of fresh zeroed pages on every draw, the fur cube's 100
# shells a frame more than doubling its frame time, while the demo's process
# has grown its heap during detection and never pays it. Fixed thresholds
# take that accident of heap history out of the comparison.
export GLIBC_TUNABLES="${GLIBC_TUNABLES:-glibc.malloc.trim_threshold=67108864:glibc.malloc.mmap_threshold=33554432}"
bench_need launcher.exe bench_demo_run.exe "$bare_exe"
cd "$bin"

# "frames F elapsed_ms E" of a run's output -> "F E fps", with fps = F / E.
frames_of() { tr -d '\r' | sed -n 's/.*frames \([0-9]*\) elapsed_ms \([0-9]*\).*/\1 \2/p' | tail -n 1; }
fps_of() { awk '$2 > 0 { printf "%.3f", $1 * 1000 / $2 }'; }

bench_load before
echo "LP_NUM_THREADS=$LP_NUM_THREADS GLIBC_TUNABLES=$GLIBC_TUNABLES"
echo "$n runs of $duration ms each side, window $size x $size"
demo_runs=$(mktemp); bare_runs=$(mktemp); out=$(mktemp)
trap 'rm -f "$demo_runs" "$bare_runs" "$out"' EXIT
for ((i = 0; i < n; i++)); do
  "$run" "$prefix" launcher.exe --timeout $((duration + 120000)) bench_demo_run.exe /no_logfile /no_online_check "$switch" "/benchmark_duration=$duration" \
    /close_app_end_of_demo "/demo_win_width=$size" "/demo_win_height=$size" >"$out" 2>&1 || true
  read -r width height < <(tr -d '\r' < "$out" | sed -n 's/^demo slot [0-9]*: \([0-9]*\)x\([0-9]*\) .*/\1 \2/p' | tail -n 1)
  demo=$(frames_of < "$out")
  [ -n "$demo" ] && [ -n "${width:-}" ] || { echo "demo run $i gave no frame count:" >&2; cat "$out" >&2; exit 1; }
  fps=$(echo "$demo" | fps_of)
  echo "demo run $i: ${width}x${height} $(echo "$demo" | awk '{print $1}') frames in $(echo "$demo" | awk '{print $2}') ms = $fps FPS"
  echo "$fps" >> "$demo_runs"
  "$run" "$prefix" launcher.exe --timeout $((duration + 120000)) "$bare_exe" "$width" "$height" "$duration" "$@" >"$out" 2>/dev/null || true
  bare=$(frames_of < "$out")
  [ -n "$bare" ] || { echo "bare run $i gave no frame count:" >&2; cat "$out" >&2; exit 1; }
  fps=$(echo "$bare" | fps_of)
  echo "bare run $i: ${width}x${height} $(echo "$bare" | awk '{print $1}') frames in $(echo "$bare" | awk '{print $2}') ms = $fps FPS"
  echo "$fps" >> "$bare_runs"
done
demo=$(median < "$demo_runs"); bare=$(median < "$bare_runs")
echo "demo FPS:      $(median_spread < "$demo_runs") (goal for the spread: under 5 %)"
echo "bare loop FPS: $(median_spread < "$bare_runs") (goal for the spread: under 5 %)"
awk -v d="$demo" -v b="$bare" 'BEGIN { if (d > 0 && b > 0)
  printf "median frame time: demo %.2f ms, bare loop %.2f ms\nframe time demo / bare = %.3f (cost %.1f %%; goal: at most 5 %%)\n",
    1000 / d, 1000 / b, b / d, (b / d - 1) * 100 }'
bench_load after
