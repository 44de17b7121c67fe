#!/usr/bin/env bash
# Fails when a built binary imports a DLL that is neither a Windows system
# library nor one of our own: every binary must carry its runtime.
# Usage: check_deps.sh OBJDUMP BIN_DIR
set -u
objdump="$1"; bin="$2"
system='^(kernel32|user32|gdi32|advapi32|shell32|comctl32|comdlg32|ws2_32|opengl32|msvcrt|setupapi|version|ole32|oleaut32|shlwapi|winmm|ntdll|dbghelp|imm32|uuid|cfgmgr32|bcrypt|psapi|dwmapi|shcore|crypt32|secur32|userenv)\.dll$'
own=$(find "$bin" -name '*.dll' -printf '%f\n' | tr 'A-Z' 'a-z')
bad=0; count=0
while IFS= read -r -d '' f; do
  count=$((count + 1))
  while read -r dll; do
    lc=$(echo "$dll" | tr 'A-Z' 'a-z')
    if ! echo "$lc" | grep -qE "$system" && ! echo "$own" | grep -qxF "$lc"; then
      echo "FAIL: ${f#$bin/} imports $dll"; bad=1
    fi
  done < <("$objdump" -p "$f" | sed -n 's/^\s*DLL Name: //p')
done < <(find "$bin" \( -name '*.exe' -o -name '*.dll' \) -print0)
[ $count -gt 0 ] || { echo "FAIL: no binaries under $bin"; exit 1; }
[ $bad = 0 ] && echo "ok: $count binaries import only system DLLs and our own"
exit $bad
