#!/usr/bin/env bash
# quorvel.exe with the fake display library installed in the AMD prefix:
# the start-up log shows the fake AMD GPU.
. "$(dirname "$0")/../e2e/lib.sh"

sys32="$WINE_PREFIX_DIR/drive_c/windows/system32"
win cmdecho.exe >/dev/null 2>&1  # makes the prefix on first use
cleanup() { rm -f "$sys32/atiadlxx.dll" "$sys32/atiadlxy.dll"; }
trap cleanup EXIT
cleanup
cp fake_adl_full.dll "$sys32/atiadlxx.dll"

log_has() { grep -qF -- "$1" log.clean; }
rm -f _log.txt
win launcher.exe --timeout 60000 quorvel.exe "/no_online_check /exp_txt_report" >"$OUT" 2>&1; rc=$?
check "report mode exits 0 (got $rc)" test "$rc" = 0
tr -d '\r' < _log.txt > log.clean 2>/dev/null
for line in "AMD Radeon RX 480" "----> DeviceID: 1002-67DF" "----> Fan speed: 38% / 1450 RPM" \
    "reading hardware sensors via shared memory supported."; do
  check "log holds '$line'" log_has "$line"
done
check "shutdown ok" log_has "Quorvel shutdown ok."
rm -f log.clean
finish
