#!/usr/bin/env bash
# Times report mode against the least any such tool must do (bench_probe:
# an OpenGL context, a Vulkan instance with its devices, the OpenCL
# platforms), N runs each under Wine, and prints the median wall times, the
# spread of the runs, the peak memory of each and the ratio
# (report - 1 s) / probe against its goal of 1.5: report mode measures the
# CPU clock over one second of the performance counter, a second that no
# build can save, so it is taken off before the comparison.
# Usage: bench/report_bench.sh [N]   (after scripts/build.sh)
set -euo pipefail
. "$(dirname "$0")/lib.sh"
bench_with_display "$@"
n="${1:-7}"
bench_need launcher.exe bench_probe.exe quorvel.exe
cd "$bin"
WINEPREFIX="$prefix" wineserver -p 60 >/dev/null 2>&1 || true
"$run" "$prefix" cmd /c exit 0 >/dev/null 2>&1 || true

# One run: the launcher prints the child's wall time and peak memory.
measure() {
  "$run" "$prefix" launcher.exe --stats --timeout 120000 "$@" 2>&1 >/dev/null | sed -n 's/^launcher: stats //p' | tr -d '\r'
}

bench_load before
runs=$(mktemp -d)
trap 'rm -rf "$runs"' EXIT
declare -A ms kb spread
for what in probe report; do
  : > "$runs/$what"
  for ((i = 0; i < n; i++)); do
    if [ $what = probe ]; then line=$(measure bench_probe.exe)
    else line=$(measure quorvel.exe /no_logfile /no_online_check /exp_xml_report '/exp_full_filename="bench_report.xml"'); fi
    echo "$what run $i: $line"
    echo "$line" >> "$runs/$what"
  done
  sed -n 's/.*elapsed_ms=\([0-9]*\).*/\1/p' "$runs/$what" > "$runs/$what.ms"
  ms[$what]=$(median < "$runs/$what.ms")
  spread[$what]=$(median_spread < "$runs/$what.ms" | sed 's/.*spread //')
  kb[$what]=$(sed -n 's/.*peak_kb=\([0-9]*\).*/\1/p' "$runs/$what" | sort -n | tail -n 1)
done
rm -f bench_report.xml
printf 'runs: %d each\n' "$n"
printf 'probe  (GL context + Vulkan devices + OpenCL platforms): median %5d ms (spread %s), peak %6d KB\n' \
  "${ms[probe]}" "${spread[probe]}" "${kb[probe]}"
printf 'report (quorvel.exe /exp_xml_report):                   median %5d ms (spread %s), peak %6d KB\n' \
  "${ms[report]}" "${spread[report]}" "${kb[report]}"
awk -v a="${ms[report]}" -v b="${ms[probe]}" 'BEGIN{ if (b > 0) {
  r = (a - 1000) / b
  printf "ratio (report - 1 s CPU-clock measurement) / probe: %.2f (goal: at most 1.50, %s)\n", r, (r <= 1.5 ? "met" : "NOT met")
  printf "ratio report / probe, whole: %.2f\n", a / b } }'
bench_load after
