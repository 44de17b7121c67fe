#!/usr/bin/env bash
# A particles kernel file that does not build: the build log appears in an
# error box (seen by the box watcher), the autostarted run writes its
# "(kernel ERROR)" row and the program ends normally.
. "$(dirname "$0")/../e2e/lib.sh"

dir=rawdemo_kernel_error
rm -rf "$dir"; mkdir -p "$dir/media"
printf '__kernel void updateParticleWithoutCollision(__global float* p { oops }\n' > "$dir/media/particles.cl"
rm -f bench_result.csv
rec="$dir/boxes.rec"; stop="$dir/boxes.stop"
win boxwatch.exe "$rec" 90000 "$stop" & watcher=$!
win launcher.exe --timeout 90000 --cwd "$dir" quorvel.exe /no_online_check /cl_cpu /start_demo_cl_particles \
  /benchmark_duration=2000 /benchmark_log_results /close_app_end_of_demo >"$OUT" 2>&1; rc=$?
touch "$stop"; wait "$watcher"
check "program ended normally (got $rc)" test "$rc" = 0
check "build log box recorded" grep -q "^Quorvel Error	CL kernel compil error: " "$rec"
check "kernel ERROR row" grep -qF '"CL_Particles(kernel ERROR)"' bench_result.csv
check "no run row" sh -c '! grep -qF "\"CL_Particles\"" bench_result.csv'
rm -rf "$dir"
finish
