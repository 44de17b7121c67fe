#!/usr/bin/env bash
# Sets up, builds both architectures and runs every test: the 32-bit tier on
# the shipped i686 binaries (under 32-bit Wine on the emulated runtime of
# scripts/wine32.sh, with the host-side checks), then the x86_64 tests under
# 64-bit Wine; on Xvfb without a display.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/build.sh"

xvfb_pid=""
prefix="$root/build/x86_64/wineprefix"
prefix32="$root/build/i686/wineprefix"
cleanup() {
  WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1 || true
  WINEPREFIX="$prefix32" /usr/lib/wine/wineserver64 -k >/dev/null 2>&1 || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT

# One X server for the whole run instead of one per test.
if [ -z "${DISPLAY:-}" ]; then
  fifo=$(mktemp -u); mkfifo "$fifo"
  Xvfb -displayfd 7 -screen 0 1280x1024x24 -nolisten tcp 7>"$fifo" >/dev/null 2>&1 &
  xvfb_pid=$!
  read -r num < "$fifo"; rm -f "$fifo"
  export DISPLAY=":$num"
fi

# Make each tier's Wine prefix once and keep one wineserver alive across its
# tests, started inside this display.
"$root/tests/wine32/wine-run32.sh" "$prefix32" cmd /c exit 0 >/dev/null 2>&1 || true
WINEPREFIX="$prefix32" /usr/lib/wine/wineserver64 -p >/dev/null 2>&1 || true
"$root/tests/wine-run.sh" "$prefix" cmd /c exit 0 >/dev/null 2>&1 || true
WINEPREFIX="$prefix" wineserver -p >/dev/null 2>&1 || true

start=$(date +%s)
ctest --test-dir "$root/build/i686" --output-on-failure -j 4 --timeout 600
echo "32-bit tier: $(( $(date +%s) - start )) s"
start=$(date +%s)
ctest --test-dir "$root/build/x86_64" --output-on-failure -j 4 --timeout 600
echo "x86_64 tests: $(( $(date +%s) - start )) s"
