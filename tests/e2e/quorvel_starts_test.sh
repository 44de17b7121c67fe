#!/usr/bin/env bash
# The program starts, parses its switches and ends cleanly.
. "$(dirname "$0")/lib.sh"

win launcher.exe --timeout 60000 quorvel.exe /no_online_check '/exp_full_filename="x y.xml"' >"$OUT" 2>&1; rc=$?; out=$(cat "$OUT")
check "quorvel.exe exits 0 (got $rc)" test "$rc" = 0
finish
