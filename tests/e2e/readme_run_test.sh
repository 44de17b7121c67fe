#!/usr/bin/env bash
# The README's run command, as a new user without a display would use it.
. "$(dirname "$0")/lib.sh"
root="$(cd "$(dirname "$0")/../.." && pwd)"

env -u DISPLAY bash "$root/scripts/run.sh" >"$OUT" 2>&1; rc=$?
check "run command exits 0 (got $rc)" test "$rc" = 0
check "it says it ran headless" grep -q "running Quorvel headless in report mode" "$OUT"
check "it says where the output went" grep -qE "Output written:|wrote no report or log" "$OUT"
finish
