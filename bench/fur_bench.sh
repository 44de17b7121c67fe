#!/usr/bin/env bash
# The fur cube's cost over a bare loop: N runs of the demo from its start
# switch (its average FPS from bench_result.csv) against N runs of
# fur_bare.exe, which draws the same background, inner box and fur shells
# with plain OpenGL in a window of the same client size; prints each run and
# the medians and their ratio. The goal: the engine and the demo pattern
# cost at most 5 %.
# Both draw in a 240 x 240 window (the demo's outer size; the bare loop
# takes the demo's client size) with Mesa's software renderer on one thread,
# so that machines shared with other work still give comparable figures.
# Usage: bench/fur_bench.sh [N] [DURATION_MS] [WINDOW_SIZE]
#        (after scripts/build.sh x86_64)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
n="${1:-5}"
duration="${2:-10000}"
size="${3:-240}"
export LP_NUM_THREADS="${LP_NUM_THREADS:-1}"
bin="${QV_BENCH_BIN:-$root/build/x86_64/bin}"
prefix="${QV_BENCH_PREFIX:-$root/build/x86_64/wineprefix}"
run="$root/tests/wine-run.sh"
cd "$bin"
[ -f fur_bare.exe ] || { echo "build first: bash scripts/build.sh x86_64" >&2; exit 1; }
if [ -z "${DISPLAY:-}" ]; then exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"; fi
median() { sort -n | awk '{v[NR]=$1} END{print v[int((NR+1)/2)]}'; }

: > /tmp/qv_fur_demo; : > /tmp/qv_fur_bare
for ((i = 0; i < n; i++)); do
  rm -f bench_result.csv
  "$run" "$prefix" launcher.exe --timeout 120000 quorvel.exe \
    "/no_logfile /no_online_check /start_demo_gl2_furry_cube /benchmark_duration=$duration /benchmark_log_results /close_app_end_of_demo /demo_win_width=$size /demo_win_height=$size" \
    >/dev/null 2>&1
  row="$(tail -n 1 bench_result.csv | tr -d '\r')"
  ncol=$(echo "$row" | awk -F, '{ print NF }')
  read -r width height fps < <(echo "$row" | awk -F, -v n="$ncol" '{ print $(n-9), $(n-8), $(n-3) }')
  echo "demo run $i: ${width}x${height} avg ${fps} FPS"
  echo "$fps" >> /tmp/qv_fur_demo
  bare=$("$run" "$prefix" fur_bare.exe "$width" "$height" "$duration" media/textures/fur_color.jpg 2>/dev/null |
         tr -d '\r' | sed -n 's/^avg_fps //p')
  echo "bare run $i: ${width}x${height} avg ${bare} FPS"
  echo "$bare" >> /tmp/qv_fur_bare
done
rm -f bench_result.csv
demo=$(median < /tmp/qv_fur_demo); bare=$(median < /tmp/qv_fur_bare)
echo "median FPS: demo $demo, bare loop $bare"
awk -v d="$demo" -v b="$bare" 'BEGIN { if (b > 0) printf "demo / bare = %.3f (cost %.1f %%)\n", d / b, (1 - d / b) * 100 }'
