#!/usr/bin/env bash
# Runs a Windows program under 64-bit Wine in the build tree's private prefix.
# Usage: wine-run.sh PREFIX PROGRAM [ARGS...]
# The prefix is made on first use; without a display the run goes to Xvfb.
set -euo pipefail
prefix="$1"; shift
export WINEPREFIX="$prefix" WINEDEBUG="${WINEDEBUG:--all}" WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
wine_bin=/usr/lib/wine/wine64
[ -x "$wine_bin" ] || wine_bin=$(command -v wine64 || command -v wine)

. "$(dirname "$0")/wine-prefix.sh"
boot() { wineboot -i || true; wineserver -w || true; }
qv_ensure_prefix "$prefix" boot

if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$wine_bin" "$@"
fi
exec "$wine_bin" "$@"
