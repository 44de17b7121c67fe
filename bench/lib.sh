# Shared by the benchmark scripts (sourced, never run): where the script and
# the build are, a display for Wine, and small statistics.
# Source it first thing, before any cd:   . "$(dirname "$0")/lib.sh"
# It sets: bench_self (the script's absolute path), root (the repository),
# bin, prefix and run (the x86_64 build, its Wine prefix and runner).

# The absolute path, so that the script can be started again from anywhere,
# whatever folder it was called from and whatever folder it moved to.
bench_self="$(readlink -f "$0")"
root="$(cd "$(dirname "$bench_self")/.." && pwd)"
bin="${QV_BENCH_BIN:-$root/build/x86_64/bin}"
prefix="${QV_BENCH_PREFIX:-$root/build/x86_64/wineprefix}"
run="$root/tests/wine-run.sh"

# Without a display the whole script runs again under a private Xvfb, so
# that every Wine process of the run shares that one display.
bench_with_display() {
  [ -n "${DISPLAY:-}" ] && return 0
  exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$bench_self" "$@"
}

# Fails with a hint when a program of the build is missing.
bench_need() {
  local f
  for f in "$@"; do
    [ -f "$bin/$f" ] || { echo "missing $bin/$f: build first (bash scripts/build.sh x86_64)" >&2; exit 1; }
  done
}

# The load average, before and after the measurements.
bench_load() { printf 'load (%s): %s\n' "$1" "$(uptime | sed 's/.*load average/load average/')"; }

# Median of the numbers on stdin (the lower middle for an even count).
median() { sort -g | awk '{v[NR]=$1} END{print v[int((NR+1)/2)]}'; }

# "median M, spread S %" of the numbers on stdin: spread = (max - min) / median.
median_spread() {
  sort -g | awk '{v[NR]=$1} END{ if (NR == 0) { print "no runs"; exit }
    m = v[int((NR+1)/2)]; printf "median %.3f, spread %.1f %%", m, (m > 0 ? (v[NR] - v[1]) / m * 100 : 0) }'
}
