#!/usr/bin/env bash
# "/run_tvl_demo=" end to end: quorvel.exe runs one catalogue demo alone as a
# timed benchmark (an OpenGL one, then a Vulkan2 one on Wine's Vulkan), writes
# its CSV row and log lines and exits by itself.
# Usage: run_tvl_demo_e2e.sh BIN WINE_RUN PREFIX
set -euo pipefail
bin="$1"; run="$2"; prefix="$3"
cd "$bin"
# A failed check names itself and shows what the run left.
trap 'echo "FAIL: $BASH_COMMAND"; cat _tvl_benchmark_results.csv 2>/dev/null; tail -n 20 _log.txt 2>/dev/null' ERR
rm -f _tvl_benchmark_results.csv _log.txt
timeout 120 bash "$run" "$prefix" ./quorvel.exe /run_tvl_demo=gl32_triangle /benchmark_duration=2000 /benchmark_log_results \
  /no_online_check
grep -q 'starting gl32_triangle demo...' _log.txt
grep -q '\[STV\] - Demo initialized OK.' _log.txt
grep -q 'TVL DEMO - benchmark completed' _log.txt
grep -q 'gl32_triangle demo stopped.' _log.txt
grep -q 'Quorvel 1.54.0.0 shutdown ok.' _log.txt
head -1 _tvl_benchmark_results.csv | tr -d '\r' | grep -qx 'renderer,api_version,demo_name,width,height,msaa,fullscreen,avg_fps,score,duration_ms'
tr -d '\r' < _tvl_benchmark_results.csv | grep -Eq '^"[^"]+","[^"]*","gl32_triangle",[0-9]+,[0-9]+,"[^"]*","no",[0-9]+,[1-9][0-9]*,2000'

rm -f _tvl_benchmark_results.csv _log.txt
timeout 120 bash "$run" "$prefix" ./quorvel.exe /run_tvl_demo=vk2_triangle /benchmark_duration=3000 /benchmark_log_results \
  /no_online_check
grep -q 'TVL DEMO - benchmark completed' _log.txt
grep -q 'vk2_triangle demo stopped.' _log.txt
tr -d '\r' < _tvl_benchmark_results.csv | grep -Eq '^"[^"]+","[^"]*","vk2_triangle",[0-9]+,[0-9]+,"[^"]*","no",[1-9][0-9]*,[0-9]+,3000'
echo "run_tvl_demo end to end: ok"
