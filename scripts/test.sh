#!/usr/bin/env bash
# Sets up, builds both architectures and runs every test: host-side checks of
# the i686 binaries, then the x86_64 tests under Wine (on Xvfb without a display).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/build.sh"

xvfb_pid=""
prefix="$root/build/x86_64/wineprefix"
cleanup() {
  WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1 || true
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

# Make the Wine prefix once and keep one wineserver alive across the tests.
"$root/tests/wine-run.sh" "$prefix" cmd /c exit 0 >/dev/null 2>&1 || true
WINEPREFIX="$prefix" wineserver -p >/dev/null 2>&1 || true

ctest --test-dir "$root/build/i686" --output-on-failure
ctest --test-dir "$root/build/x86_64" --output-on-failure -j 4 --timeout 600
