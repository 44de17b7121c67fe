#!/usr/bin/env bash
# The "Vulkan" scenes end to end: quorvel.exe runs each alone as a timed
# benchmark through the first-generation plug-in (frames drawn through
# command lists), ends by itself and writes a non-zero FPS row.
# Usage: run_vk_first_demos_e2e.sh BIN WINE_RUN PREFIX
set -euo pipefail
bin="$1"; run="$2"; prefix="$3"
cd "$bin"
for demo in vk_shadertoy_seascape vk_normal_mapping vk_postfx01; do
  rm -f _tvl_benchmark_results.csv _log.txt
  timeout 120 bash "$run" "$prefix" ./quorvel.exe /run_tvl_demo=$demo /benchmark_duration=3000 \
    /benchmark_log_results /no_online_check
  grep -q "$demo scene ready" _log.txt || { echo "$demo: the scene did not start"; exit 1; }
  grep -q 'TVL DEMO - benchmark completed' _log.txt || { echo "$demo: no benchmark"; exit 1; }
  grep -q "$demo demo stopped." _log.txt || { echo "$demo: not stopped"; exit 1; }
  tr -d '\r' < _tvl_benchmark_results.csv | grep -Eq "^\"[^\"]+\",\"[^\"]*\",\"$demo\",[0-9]+,[0-9]+,\"[^\"]*\",\"no\",[1-9][0-9]*,[0-9]+,3000" ||
    { echo "$demo: no FPS row"; cat _tvl_benchmark_results.csv; exit 1; }
  tr -d '\r' < _tvl_benchmark_results.csv | grep "\"$demo\""
done
echo "Vulkan scene end to end: ok"
