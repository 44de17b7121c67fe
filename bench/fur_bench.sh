#!/usr/bin/env bash
# The fur cube's cost over a bare loop: fur_bare.exe draws the same
# background, inner box and fur shells with plain OpenGL in a window of the
# same client size. The goal: the engine and the demo pattern cost at most
# 5 %. Both run in a 240 x 240 window by default.
# Usage: bench/fur_bench.sh [N] [DURATION_MS] [WINDOW_SIZE]
#        (after scripts/build.sh x86_64)
exec bash "$(dirname "$0")/demo_vs_bare.sh" "${1:-5}" "${2:-10000}" "${3:-240}" /start_demo_gl2_furry_cube \
  fur_bare.exe media/textures/fur_color.jpg
