#!/usr/bin/env bash
# Runs the NVIDIA tests in a Wine prefix of their own.
# Usage: run_nvidia.sh MODE BIN WINE_RUN PREFIX FAKE_DIR NVAPI_NAME
#   with-driver: the stand-ins in the prefix's system folder, nvidia_tests.exe
#   absent:      no stand-ins in the system folder, the "Absent*" tests
#   e2e:         quorvel.exe in report mode with the stand-ins installed;
#                its log and its text report show the stand-in GPUs
# The stand-ins are removed from the system folder again when the script ends.
set -u
MODE="$1"; BIN="$2"; WINE_RUN="$3"; PREFIX="$4"; FAKES="$5"; NVAPI="$6"
cd "$BIN" || exit 1
SYS="$PREFIX/drive_c/windows/system32"
INSTALLED=(${NVAPI}.dll nvcpl.dll qvbadinit.dll)
OUT="nvidia_${MODE}.out"

win() { "$WINE_RUN" "$PREFIX" "$@"; }
remove_fakes() { for f in "${INSTALLED[@]}"; do rm -f "$SYS/$f"; done; }

# Make the prefix on first use.
win cmd /c exit >/dev/null
[ -d "$SYS" ] || { echo "no Wine prefix at $PREFIX"; exit 2; }
remove_fakes
trap remove_fakes EXIT

# Windows path of the stand-ins, for the test that installs one itself.
export QV_NV_FAKE_DIR="Z:$(echo "$FAKES" | tr / '\\')"

case "$MODE" in
  with-driver)
    for f in "${INSTALLED[@]}"; do cp "$FAKES/$f" "$SYS/$f" || exit 1; done
    win nvidia_tests.exe --gtest_color=no '--gtest_filter=-Absent*'
    ;;
  absent)
    win nvidia_tests.exe --gtest_color=no '--gtest_filter=Absent*'
    ;;
  e2e)
    for f in "${INSTALLED[@]}"; do cp "$FAKES/$f" "$SYS/$f" || exit 1; done
    FAILS=0
    check() { local what="$1"; shift
      if "$@"; then echo "ok: $what"; else FAILS=$((FAILS + 1)); echo "FAIL: $what"; fi; }
    rm -f _log.txt _report_*.txt _report_*.xml
    win launcher.exe --timeout 30000 quorvel.exe "/no_online_check /exp_txt_report" >"$OUT" 2>&1; rc=$?
    check "report mode exits 0 (got $rc)" test "$rc" = 0
    tr -d '\r' < _log.txt > nvidia_log.clean 2>/dev/null
    for line in ": FakeForce RTX B" ": NVIDIA GeForce GTX 1050 Ti" "----> Bus ID: 2" "----> Bus ID: 5" \
        "----> Config: cores:10496" "----> GPU brand type: Titan GeForce" "----> GPU brand type: GeForce" \
        "----> GPU base clock: 1290 MHz, boost clock: 1392 MHz" "----> # fan coolers: 2" \
        "----> GPU temperature: 60.0" "----> Fan speed: 35% / 1200 RPM" \
        "----> PState 8, GPU clock 500 MHz" "----> PState 0, GPU clock 1400 MHz"; do
      check "log holds '$line'" grep -qF -- "$line" nvidia_log.clean
    done
    check "the planted library is never used" sh -c '! grep -q "planted" nvidia_log.clean'
    report=$(ls _report_*.txt 2>/dev/null | head -n 1)
    check "a text report is written ($report)" test -n "$report"
    for text in "FakeForce RTX B" "NVIDIA GeForce GTX 1050 Ti" "Titan GeForce" "r470_rel"; do
      check "report holds '$text'" grep -qF -- "$text" "${report:-/dev/null}"
    done
    rm -f nvidia_log.clean _report_*.txt _report_*.xml
    [ "$FAILS" = 0 ]
    ;;
  *) echo "unknown mode $MODE"; exit 2 ;;
esac
