#!/usr/bin/env bash
# A built-in demo's cost over a bare loop of our own: N runs of the demo
# from its start switch (its average FPS from bench_result.csv) against N
# runs of a bare program that draws the same picture with plain OpenGL in a
# window of the same client size; prints each run, the medians and their
# ratio. Called by the demo benchmarks (bench/*_bench.sh).
# Both draw in a SIZE x SIZE window (the demo's outer size; the bare loop
# takes the demo's client size) with Mesa's software renderer on one thread,
# so that machines shared with other work still give comparable figures.
# Usage: demo_vs_bare.sh N DURATION_MS SIZE START_SWITCH BARE_EXE [BARE_EXTRA_ARG...]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
n="$1"; duration="$2"; size="$3"; switch="$4"; bare_exe="$5"; shift 5
export LP_NUM_THREADS="${LP_NUM_THREADS:-1}"
bin="${QV_BENCH_BIN:-$root/build/x86_64/bin}"
prefix="${QV_BENCH_PREFIX:-$root/build/x86_64/wineprefix}"
run="$root/tests/wine-run.sh"
cd "$bin"
[ -f "$bare_exe" ] || { echo "build first: bash scripts/build.sh x86_64" >&2; exit 1; }
if [ -z "${DISPLAY:-}" ]; then exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$n" "$duration" "$size" "$switch" "$bare_exe" "$@"; fi
median() { sort -n | awk '{v[NR]=$1} END{print v[int((NR+1)/2)]}'; }

demo_runs=$(mktemp); bare_runs=$(mktemp)
for ((i = 0; i < n; i++)); do
  rm -f bench_result.csv
  "$run" "$prefix" launcher.exe --timeout 120000 quorvel.exe \
    "/no_logfile /no_online_check $switch /benchmark_duration=$duration /benchmark_log_results /close_app_end_of_demo /demo_win_width=$size /demo_win_height=$size" \
    >/dev/null 2>&1
  row="$(tail -n 1 bench_result.csv | tr -d '\r')"
  ncol=$(echo "$row" | awk -F, '{ print NF }')
  read -r width height fps < <(echo "$row" | awk -F, -v n="$ncol" '{ print $(n-9), $(n-8), $(n-3) }')
  echo "demo run $i: ${width}x${height} avg ${fps} FPS"
  echo "$fps" >> "$demo_runs"
  bare=$("$run" "$prefix" "$bare_exe" "$width" "$height" "$duration" "$@" 2>/dev/null |
         tr -d '\r' | sed -n 's/^avg_fps //p')
  echo "bare run $i: ${width}x${height} avg ${bare} FPS"
  echo "$bare" >> "$bare_runs"
done
rm -f bench_result.csv
demo=$(median < "$demo_runs"); bare=$(median < "$bare_runs")
rm -f "$demo_runs" "$bare_runs"
echo "median FPS: demo $demo, bare loop $bare"
awk -v d="$demo" -v b="$bare" 'BEGIN { if (b > 0) printf "demo / bare = %.3f (cost %.1f %%)\n", d / b, (1 - d / b) * 100 }'
