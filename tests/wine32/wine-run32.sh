#!/usr/bin/env bash
# Runs a Windows program of the i686 build under 32-bit Wine: the private
# runtime of scripts/wine32.sh under qemu-i386, in a pure 32-bit prefix,
# served by the host's 64-bit wineserver of the same Wine version.
# Usage: wine-run32.sh PREFIX PROGRAM [ARGS...]   (same as wine-run.sh)
# The prefix is made on first use; without a display the run goes to Xvfb.
set -euo pipefail
prefix="$1"; shift
here="$(cd "$(dirname "$0")" && pwd)"
rt="$(cd "$here/../.." && pwd)/build/wine32"
qemu="$rt/bin/qemu-i386"
sysroot="$rt/root"
loader="$sysroot/usr/lib/wine/wine"
[ -x "$qemu" ] && [ -x "$loader" ] || { echo "wine-run32: no 32-bit runtime in $rt (scripts/wine32.sh makes it)" >&2; exit 2; }

export WINEPREFIX="$prefix" WINEARCH=win32 WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
# The loader runs under the emulator already: no re-exec through a preloader.
export WINELOADERNOEXEC=1
export WINESERVER=/usr/lib/wine/wineserver64
# The 32-bit Vulkan loader cannot list its driver folder under the emulator
# (its readdir overflows on 64-bit inode numbers): name the driver file.
export VK_ICD_FILENAMES="$sysroot/usr/share/vulkan/icd.d/lvp_icd.i686.json"
run() { "$qemu" -L "$sysroot" "$loader" "$@"; }

boot() {
  run wineboot -i || true
  # A crash ends the process: Wine's debugger, which it would start for an
  # unhandled exception, never finishes under the emulator.
  run reg add 'HKCU\Software\Wine\DllOverrides' /v winedbg.exe /t REG_SZ /d '' /f || true
  "$WINESERVER" -w || true
}
. "$here/../wine-prefix.sh"
qv_ensure_prefix "$prefix" boot

if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$qemu" -L "$sysroot" "$loader" "$@"
fi
exec "$qemu" -L "$sysroot" "$loader" "$@"
