#!/usr/bin/env bash
# Sets up, builds and runs Quorvel under Wine. With a display the program
# opens as usual; without one it runs headless on Xvfb in report mode and
# says where its output went. Extra arguments go to the program.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/build.sh" x86_64
bin="$root/build/x86_64/bin"
prefix="$root/build/x86_64/wineprefix"
cd "$bin"
if [ -n "${DISPLAY:-}" ]; then
  exec "$root/tests/wine-run.sh" "$prefix" quorvel.exe "$@"
fi

stamp=$(mktemp); sleep 1
args=("$@")
[ ${#args[@]} -gt 0 ] || args=(/exp_txt_report /no_online_check)
echo "No display: running Quorvel headless in report mode: quorvel.exe ${args[*]}"
set +e
"$root/tests/wine-run.sh" "$prefix" quorvel.exe "${args[@]}"
rc=$?
set -e
echo "quorvel.exe exited with $rc"
new=$(find "$bin" -maxdepth 1 -type f -newer "$stamp" \( -name '_report*' -o -name '_log.txt' \) | sort)
rm -f "$stamp"
if [ -n "$new" ]; then
  echo "Output written:"; echo "$new" | sed 's/^/  /'
  report=$(echo "$new" | grep '_report' | head -n 1 || true)
  [ -n "$report" ] || report=$(echo "$new" | head -n 1)
  echo "--- $report (first lines) ---"; head -n 40 "$report"
else
  echo "Quorvel wrote no report or log in $bin yet."
fi
exit $rc
