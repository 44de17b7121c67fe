# Shared by the end-to-end scripts: arguments, a Wine runner and checks.
# Each script is called as: script BIN_DIR WINE_RUN WINE_PREFIX
set -u
BIN="$1"; WINE_RUN="$2"; WINE_PREFIX_DIR="$3"
cd "$BIN" || exit 1
OUT="$(basename "$0" .sh).out"  # per script: the tests run in parallel
FAILS=0
PASSES=0

win() { "$WINE_RUN" "$WINE_PREFIX_DIR" "$@"; }

# The 32-bit tier's Wine runtime has no OpenCL implementation: checks that
# need one say so and skip there (and only there: quorvel.exe is i386).
pe_machine() { od -An -tx2 -j $(( $(od -An -tu4 -j 60 -N 4 "$1") + 4 )) -N 2 "$1" | tr -d ' '; }
needs_opencl() {
  [ "$(pe_machine quorvel.exe)" != 014c ] && return 0
  echo "skip: $1 (needs OpenCL, which the 32-bit runtime lacks)"; return 1
}

check() {  # check "what" command...
  local what="$1"; shift
  if "$@"; then PASSES=$((PASSES + 1)); echo "ok: $what"
  else FAILS=$((FAILS + 1)); echo "FAIL: $what"; fi
}

finish() {
  echo "$PASSES passed, $FAILS failed"
  [ "$FAILS" = 0 ]
  exit $?
}
# Output goes through files, not $(...): a wineserver started by a command
# would hold the pipe open and stall the substitution.
