#!/usr/bin/env bash
# System libraries are taken from the system folder only. Copies of
# OpenCL.dll, vulkan-1.dll and nvcuda.dll planted beside the program, and of
# vulkan-1.dll beside the plug-ins (Windows searches the program's folder
# first; this run tells Wine to prefer such native copies too), are never
# loaded: the collectors of quorvel.exe and both renderer
# plug-ins use what the system's libraries give, and the CUDA driver, which
# the system lacks, is reported absent. The program runs from a folder of
# its own so that the plants never meet the other tests.
. "$(dirname "$0")/lib.sh"

DIR=$(mktemp -d "$BIN/planted.XXXXXX")
trap 'rm -rf "$DIR"' EXIT
cp quorvel.exe stv_x32.dll tvc_x32.dll tvl_x32.dll launcher.exe plugin_probe.exe "$DIR"/ || exit 1
cp -r tvcplugins "$DIR"/ || exit 1
for f in OpenCL.dll vulkan-1.dll nvcuda.dll; do cp "planted/$f" "$DIR/$f" || exit 1; done
cp planted/vulkan-1.dll "$DIR/tvcplugins/" || exit 1
cd "$DIR" || exit 1
export WINEDLLOVERRIDES="opencl,vulkan-1,nvcuda=n,b;mscoree,mshtml="

win launcher.exe --timeout 60000 quorvel.exe /no_online_check /exp_txt_report '/exp_full_filename="r.txt"' >"$OUT" 2>&1
rc=$?
check "report mode exits 0 (got $rc)" test "$rc" = 0
check "quorvel.exe loads none of the planted libraries ($(ls ./*.loaded tvcplugins/*.loaded 2>/dev/null | tr '\n' ' '))" \
  sh -c '! ls ./*.loaded tvcplugins/*.loaded >/dev/null 2>&1'
tr -d '\r' < r.txt > report.clean 2>/dev/null
tr -d '\r' < _log.txt > log.clean 2>/dev/null
check "the system's Vulkan device is reported" grep -q "\[Vulkan device 0\]: llvmpipe" report.clean
check "the system's OpenCL platform is reported" grep -q "CL_PLATFORM_NAME: Portable Computing Language" report.clean
check "the CUDA driver the system lacks is reported absent" grep -qF "Could not find nvcuda.dll." log.clean
rm -f ./*.loaded tvcplugins/*.loaded

win plugin_probe.exe 'tvcplugins\plugin_tvc_vulkan2_x32.dll' 'tvcplugins\plugin_tvc_vulkan_x32.dll' >probe.out 2>&1
cat probe.out
for p in vulkan2 vulkan; do
  check "the $p plug-in runs on the system's loader" \
    grep -qiE "plugin_tvc_${p}_x32.dll: gpu \"[^\"]*llvmpipe[^\"]*\" loader \".*system32.vulkan-1.dll\"" probe.out
done
check "the plug-ins load none of the planted libraries" sh -c '! ls ./*.loaded tvcplugins/*.loaded >/dev/null 2>&1'
finish
