#!/usr/bin/env bash
# quorvel.exe exports the five AMD GPU Services functions under plain names.
# Usage: check_exports.sh OBJDUMP EXE
set -u
objdump="$1"; exe="$2"
[ -f "$exe" ] || { echo "FAIL: $exe missing"; exit 1; }
table=$("$objdump" -p "$exe" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p')
bad=0
for name in agsInitialize agsDeInitialize agsGetVersionNumber agsCheckDriverVersion agsSetDisplayMode; do
  if echo "$table" | grep -qE "\] ${name}\$"; then echo "ok: exports $name"
  else echo "FAIL: $name not exported"; bad=1; fi
done
exit $bad
