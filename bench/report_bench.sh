#!/usr/bin/env bash
# Times report mode against the least any such tool must do (bench_probe:
# an OpenGL context, a Vulkan instance with its devices, the OpenCL
# platforms), N runs each under Wine, and prints the median wall times,
# their ratio and the peak memory of each.
# Usage: bench/report_bench.sh [N]   (after scripts/build.sh)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
n="${1:-7}"
bin="${QV_BENCH_BIN:-$root/build/x86_64/bin}"
prefix="${QV_BENCH_PREFIX:-$root/build/x86_64/wineprefix}"
run="$root/tests/wine-run.sh"
cd "$bin"
[ -f bench_probe.exe ] || { echo "build first: bash scripts/build.sh x86_64" >&2; exit 1; }
if [ -z "${DISPLAY:-}" ]; then exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"; fi
WINEPREFIX="$prefix" wineserver -p 60 >/dev/null 2>&1 || true
"$run" "$prefix" cmd /c exit 0 >/dev/null 2>&1 || true

# One run: the launcher prints the child's wall time and peak memory.
measure() {
  "$run" "$prefix" launcher.exe --stats --timeout 120000 "$@" 2>&1 >/dev/null | sed -n 's/^launcher: stats //p' | tr -d '\r'
}
median() { sort -n | awk '{v[NR]=$1} END{print v[int((NR+1)/2)]}'; }

declare -A ms kb
for what in probe report; do
  : > "/tmp/qv_bench_$what"
  for ((i = 0; i < n; i++)); do
    if [ $what = probe ]; then line=$(measure bench_probe.exe)
    else line=$(measure quorvel.exe /no_logfile /no_online_check /exp_xml_report '/exp_full_filename="bench_report.xml"'); fi
    echo "$line" >> "/tmp/qv_bench_$what"
  done
  ms[$what]=$(sed -n 's/.*elapsed_ms=\([0-9]*\).*/\1/p' "/tmp/qv_bench_$what" | median)
  kb[$what]=$(sed -n 's/.*peak_kb=\([0-9]*\).*/\1/p' "/tmp/qv_bench_$what" | sort -n | tail -n 1)
done
rm -f bench_report.xml
printf 'runs: %d each\n' "$n"
printf 'probe  (GL context + Vulkan devices + OpenCL platforms): median %5d ms, peak %6d KB\n' "${ms[probe]}" "${kb[probe]}"
printf 'report (quorvel.exe /exp_xml_report):                   median %5d ms, peak %6d KB\n' "${ms[report]}" "${kb[report]}"
awk -v a="${ms[report]}" -v b="${ms[probe]}" 'BEGIN{ if (b > 0) printf "ratio report/probe: %.2f (goal: at most 1.50)\n", a / b }'
