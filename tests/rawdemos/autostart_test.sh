#!/usr/bin/env bash
# A raw demo started by its start switch runs its benchmark, writes its row
# to bench_result.csv and closes the program by itself.
#   autostart_test.sh BIN WINE_RUN PREFIX TEST_NAME SWITCH...
. "$(dirname "$0")/../e2e/lib.sh"
name="$4"; shift 4

rm -f bench_result.csv
win launcher.exe --timeout 90000 quorvel.exe /no_online_check "$@" \
  /benchmark_duration=2000 /benchmark_log_results /close_app_end_of_demo >"$OUT" 2>&1; rc=$?
check "program closed by itself (got $rc)" test "$rc" = 0
row=$(grep -F "\"$name\"" bench_result.csv 2>/dev/null | tail -n 1)
check "row for $name" test -n "$row"
avg=$(printf '%s\n' "$row" | awk -F'","|",|,"|,' '{ print $(NF - 3) }')
check "average FPS above zero (got '$avg')" test "${avg:-0}" -gt 0
finish
