#!/usr/bin/env bash
# The launcher passes an exact command line, returns the exit code, and
# kills a program that runs past its time limit.
. "$(dirname "$0")/lib.sh"

rm -f cmdecho.txt
win launcher.exe --timeout 30000 cmdecho.exe '/exp_full_filename="a b.xml"' /next >"$OUT" 2>&1; rc=$?; out=$(cat "$OUT")
check "exit code passed through (got $rc)" test "$rc" = 7
line=$(tr -d '\r' < cmdecho.txt 2>/dev/null)
check "quotes intact: $line" test "$line" = '"cmdecho.exe" /exp_full_filename="a b.xml" /next'

win launcher.exe --timeout 1500 cmdecho.exe --sleep >"$OUT" 2>&1; rc=$?; out=$(cat "$OUT")
check "time-out returns 124 (got $rc)" test "$rc" = 124
check "time-out is reported" grep -q "timed out after 1500 ms and was killed" <<<"$out"

win launcher.exe no_such_program.exe >"$OUT" 2>&1; rc=$?; out=$(cat "$OUT")
check "missing program returns 125 (got $rc)" test "$rc" = 125
finish
