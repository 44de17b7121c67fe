#!/usr/bin/env bash
# The fur cube from its start switch: a timed benchmark that closes the
# program by itself and appends its row to bench_result.csv.
. "$(dirname "$0")/../e2e/lib.sh"

log_has() { grep -qF -- "$1" _log.txt; }
last_row() { tail -n 1 bench_result.csv | tr -d '\r'; }
# Field N of a CSV row whose quoted fields hold no commas.
field() { echo "$1" | awk -F, -v n="$2" '{ gsub(/"/, "", $n); print $n }'; }

rm -f bench_result.csv _log.txt
start=$(date +%s)
win launcher.exe --timeout 90000 quorvel.exe \
  "/no_online_check /start_demo_gl2_furry_cube /benchmark_duration=2000 /benchmark_log_results /close_app_end_of_demo" \
  >"$OUT" 2>&1; rc=$?
check "the timed fur cube closes the program by itself with 0 (got $rc)" test "$rc" = 0
check "it took less than 90 s ($(( $(date +%s) - start )) s)" test $(( $(date +%s) - start )) -lt 90
check "bench_result.csv starts with the header" \
  sh -c "head -n 1 bench_result.csv | tr -d '\r' | grep -qx 'Renderer,Driver,CL name,CL type,CL CU,CL CU Clock(MHz),CL Driver,Test name,MSAA,width,height,CL GL interop,CL native sin,CL explicit wkgrp size,CL local mem,AVG FPS,MIN FPS,MAX FPS,Misc'"
check "one row after the header" test "$(wc -l < bench_result.csv)" = 2
row="$(last_row)"
echo "row: $row"
check "test name GL_Furry_Cube" sh -c "echo '$row' | grep -q '\"GL_Furry_Cube\"'"
check "renderer named" test -n "$(field "$row" 1)"
check "renderer is the one the log names" log_has "$(field "$row" 1)"
# The driver line of the GPU tab: filled when Wine's adapter key carries a
# driver version (the tab's own tests check the line for other cases).
win reg query 'HKLM\System\CurrentControlSet\Control\Video' /s > reg.out 2>&1
if grep -q 'DriverVersion' reg.out; then
  check "driver column filled ($(field "$row" 2))" test -n "$(field "$row" 2)"
fi
rm -f reg.out
# Width, height and FPS sit at fixed places counted from the end.
ncol=$(echo "$row" | awk -F, '{ print NF }')
width=$(field "$row" $((ncol - 9))); height=$(field "$row" $((ncol - 8)))
avg=$(field "$row" $((ncol - 3)))
check "width and height of the demo's client area ($width x $height)" test "$width" -gt 100 -a "$height" -gt 100
check "average FPS above zero ($avg)" test "$avg" -gt 0
check "the program shut down in order" log_has "Quorvel shutdown ok."

rm -f bench_result.csv
finish
