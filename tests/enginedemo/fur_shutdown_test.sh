#!/usr/bin/env bash
# The fur cube from its start switch, and the program shut down while the
# demo runs.
. "$(dirname "$0")/../e2e/lib.sh"

log_has() { grep -qF -- "$1" _log.txt; }

# Closing the main window while the demo runs ends the demo first: its row
# (the run stopped by the close) is written before the program ends.
rm -f bench_result.csv _log.txt
win launcher.exe --timeout 90000 quorvel.exe "/no_online_check /start_demo_gl2_furry_cube /benchmark_log_results" \
  >"$OUT" 2>&1 & prog=$!
win wintool.exe title 1000 60000 >/dev/null 2>&1
sleep 6
win wintool.exe close 1000 10000 >/dev/null 2>&1
wait "$prog"; rc=$?
check "closing the main window during the demo ends the program with 0 (got $rc)" test "$rc" = 0
check "the running demo ended and wrote its row" sh -c "last_row() { tail -n 1 bench_result.csv; }; last_row | grep -q GL_Furry_Cube"
check "no demo thread outlived the shutdown" sh -c "! grep -q 'still running' _log.txt"
check "shutdown ok" log_has "Quorvel shutdown ok."
rm -f bench_result.csv
finish
