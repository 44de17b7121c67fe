#!/usr/bin/env bash
# The main window of the running program, driven from outside: its title,
# the seven tabs in order, the GPU tab's fields for Wine's one adapter, the
# Tools tab, a screenshot when asked for, and that closing the window ends
# the program with 0.
. "$(dirname "$0")/../e2e/lib.sh"

TABS=1000
field() {  # field CHILD_ID: "text<TAB>visible|hidden<TAB>enabled|disabled"
  win wintool.exe child-text $TABS "$1" 10000 > field.out 2>&1
  tr -d '\r' < field.out
}
field_is() { test "$(field "$1")" = "$2"; }
field_starts() { case "$(field "$1")" in "$2"*) return 0;; esac; return 1; }
field_matches() { field "$1" | grep -qE "$2"; }

rm -f _log.txt
win launcher.exe --timeout 90000 quorvel.exe /no_online_check >"$OUT" 2>&1 & prog=$!
win wintool.exe title $TABS 60000 > title.out 2>&1; found=$?
check "main window found" test "$found" = 0
check "title is 'Brenvik Quorvel 1.54.0.0' ($(tr -d '\r' < title.out))" \
  test "$(tr -d '\r' < title.out)" = "Brenvik Quorvel 1.54.0.0"

win wintool.exe tab-texts $TABS 10000 > tabs.out 2>&1
printf 'GPU\t0\nOpenGL\t1\nCUDA\t2\nOpenCL\t3\nVulkan\t4\n3D Demos\t8\nTools\t6\n' > tabs.expected
check "seven tabs in order with their parameters" sh -c "tr -d '\r' < tabs.out | cmp -s - tabs.expected"

TAB=$(printf '\t')
check "GPU list shows Wine's adapter" field_is 1271 "GPU 1: Wine Adapter${TAB}visible${TAB}enabled"
check "device id field" field_starts 1008 "0000-0000${TAB}visible"
check "core config field" field_starts 1007 "0vp,0pp${TAB}visible"
check "OpenGL line names the renderer" field_starts 1035 "OpenGL "
check "no CUDA on Wine, field disabled" field_is 1040 "No CUDA support${TAB}visible${TAB}disabled"
check "no sensor back-end: temperature blank and disabled" field_is 1015 "${TAB}visible${TAB}disabled"
check "Tools tab hidden at first" field_matches 1026 "${TAB}hidden${TAB}"

if [ -n "${QV_SCREENSHOT:-}" ] && command -v import >/dev/null; then
  import -window root "$QV_SCREENSHOT.gpu.png" 2>/dev/null
fi

win wintool.exe select-tab $TABS 6 10000 >/dev/null 2>&1
check "Tools tab shown after selecting it" field_starts 1070 "Export GPU data${TAB}visible"
check "GPU tab hidden then" field_starts 1271 "GPU 1: Wine Adapter${TAB}hidden"
check "memory line" field_matches 1030 '^[0-9]+ MB'
check "display mode line" field_matches 1025 '^[0-9]+x[0-9]+ @ [0-9]+Hz - [0-9]+bpp'
check "driver link" field_starts 1262 "- Latest NVIDIA drivers${TAB}visible"
check "group box text" field_starts 1245 "  Sytem information  ${TAB}visible"

if [ -n "${QV_SCREENSHOT:-}" ] && command -v import >/dev/null; then
  import -window root "$QV_SCREENSHOT.tools.png" 2>/dev/null
fi

win wintool.exe close $TABS 10000 >/dev/null 2>&1
wait "$prog"; rc=$?
check "closing the main window ends the program with 0 (got $rc)" test "$rc" = 0
check "startup ok logged" grep -qF "Quorvel startup ok." _log.txt
check "shutdown ok logged" grep -qF "Quorvel shutdown ok." _log.txt
check "no update check with /no_online_check" sh -c '! grep -qF "Checking for new version" _log.txt'
rm -f title.out tabs.out tabs.expected field.out
finish
