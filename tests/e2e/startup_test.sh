#!/usr/bin/env bash
# Start-up and shutdown of quorvel.exe: the log file in report mode, the
# "/no_logfile" switch, the progress dialog and the main window that follows
# it, and a log that is complete when the process is killed.
. "$(dirname "$0")/lib.sh"

log_has() { grep -qF -- "$1" _log.txt; }

# Report mode: no window, a complete log with gap-free counters.
rm -f _log.txt
start=$(date +%s)
win launcher.exe --timeout 30000 quorvel.exe "/no_online_check /exp_txt_report" >"$OUT" 2>&1; rc=$?
check "report mode exits 0 within 30 s (got $rc)" test "$rc" = 0 -a $(( $(date +%s) - start )) -lt 45
check "log written" test -s _log.txt
tr -d '\r' < _log.txt > log.clean
check "every line has the prefix, counters 0, 1, 2, ... without gaps" \
  awk '{ if ($0 !~ /^[0-9][0-9]:[0-9][0-9]:[0-9][0-9] \| [0-9]+ >> /) exit 1; split($0, f, " "); if (f[3] != NR - 1) exit 1 }' log.clean
check "first line is the start-up line" grep -qE '^[0-9:]+ \| 0 >> Quorvel 1\.54\.0\.0 startup\.\.\.$' log.clean
for line in "- DEV 0 - DeviceID: " "- DEV 0 - DeviceName: " "- DEV 0 - DeviceString: " "- DEV 0 - DeviceKey: " \
    "Detected graphics cards and GPUs:" "- GPU 1: Wine Adapter" "----> DeviceID: " "----> Bus ID: " \
    "----> Config: cores:" "Quorvel 1.54.0.0 shutdown..." "Quorvel shutdown ok."; do
  check "log holds '$line'" log_has "$line"
done
check "shutdown ok is the last line" sh -c 'tail -n 1 log.clean | grep -q ">> Quorvel shutdown ok.$"'

# "/no_logfile": an existing log is left untouched.
printf 'keep me\n' > _log.txt
win launcher.exe --timeout 30000 quorvel.exe /no_logfile /no_online_check /exp_txt_report >"$OUT" 2>&1; rc=$?
check "no_logfile run exits 0 (got $rc)" test "$rc" = 0
check "existing log untouched" test "$(cat _log.txt)" = "keep me"

# Normal mode: the progress dialog shows the version while detection runs;
# the main window closes it when it opens, and closing the main window ends
# the program. The progress dialog may be gone before the first look on a
# fast machine, so its text is checked whenever it was seen (the test of the
# main window checks it from the resources as well).
rm -f _log.txt
win launcher.exe --timeout 60000 quorvel.exe /no_online_check >"$OUT" 2>&1 & prog=$!
win wintool.exe dialog-text 1144 30000 > wintool.out 2>&1; found=$?
win wintool.exe title 1000 60000 > title.out 2>&1; main=$?
seen="$(tr -d '\r' < wintool.out)"
check "progress dialog seen with 'Quorvel 1.54.0.0' ($seen), or already closed by the main window" \
  test "$seen" = "Quorvel 1.54.0.0" -o \( "$found" != 0 -a "$main" = 0 \)
check "main window opened ($(tr -d '\r' < title.out))" test "$(tr -d '\r' < title.out)" = "Brenvik Quorvel 1.54.0.0"
check "the progress dialog is gone once the main window is up" \
  sh -c "! '$WINE_RUN' '$WINE_PREFIX_DIR' wintool.exe dialog-text 1144 500 >/dev/null 2>&1"
win wintool.exe close 1000 10000 >/dev/null 2>&1
wait "$prog"; rc=$?
check "closing the main window ends the program with 0 (got $rc)" test "$rc" = 0
check "main window start-up logged" log_has "Quorvel startup ok."
check "normal shutdown logged" log_has "Quorvel shutdown ok."

# Killed while running: the log is complete up to then.
rm -f _log.txt
win launcher.exe --timeout 8000 quorvel.exe /no_online_check >"$OUT" 2>&1; rc=$?
check "program killed after its time (got $rc)" test "$rc" = 124
check "start-up line on disk" log_has "Quorvel 1.54.0.0 startup..."
check "detection lines on disk" log_has "Detected graphics cards and GPUs:"
rm -f log.clean wintool.out title.out
finish
