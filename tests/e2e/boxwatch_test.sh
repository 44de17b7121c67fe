#!/usr/bin/env bash
# The watcher records and closes a "Quorvel Error" box.
. "$(dirname "$0")/lib.sh"

rec="boxwatch_test.rec"; stop="boxwatch_test.stop"
rm -f "$rec" "$stop"
win boxwatch.exe "$rec" 60000 "$stop" & watcher=$!
win launcher.exe --timeout 30000 showbox.exe '"Quorvel Error"' '"Could not start: Bye..."' >"$OUT" 2>&1; rc=$?; out=$(cat "$OUT")
touch "$stop"; wait "$watcher"
check "box was closed, program ended normally (got $rc)" test "$rc" = 0
check "box recorded" grep -qxF "$(printf 'Quorvel Error\tCould not start: Bye...')" "$rec"
rm -f "$stop"
finish
