#!/usr/bin/env bash
# The GL3 torus's cost over a bare loop: torus_bare.exe draws the same torus
# with the same shaders, lights and rotation with plain OpenGL in a window of
# the same client size. The goal: the raw demo pattern costs at most 5 %.
# Both run in a 240 x 240 window by default.
# Usage: bench/torus_bench.sh [N] [DURATION_MS] [WINDOW_SIZE]
#        (after scripts/build.sh x86_64)
exec bash "$(dirname "$0")/demo_vs_bare.sh" "${1:-5}" "${2:-10000}" "${3:-240}" /start_demo_gl3_torus torus_bare.exe
