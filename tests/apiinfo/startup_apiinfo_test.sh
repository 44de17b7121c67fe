#!/usr/bin/env bash
# quorvel.exe in report mode under Wine: the OpenCL and Vulkan collectors run
# against pocl and lavapipe, CUDA is absent; the switches that turn the
# collectors off or read more are obeyed.
# Called as: script BIN_DIR WINE_RUN WINE_PREFIX
. "$(dirname "$0")/../e2e/lib.sh"

run() {  # run "switches": one report-mode run, its log in log.clean
  rm -f _log.txt log.clean
  win launcher.exe --timeout 60000 quorvel.exe "/no_online_check /exp_txt_report $1" >"$OUT" 2>&1
  local rc=$?
  tr -d '\r' < _log.txt > log.clean 2>/dev/null
  return $rc
}
has() { grep -qF -- "$1" log.clean; }
hasnt() { ! grep -qF -- "$1" log.clean; }

check "plain run exits 0" run ""
for line in ">> Found 1 OpenCL-capable platform." ">> - CL_DEVICE_NAME => " ">> Vulkan - # devices: 1" \
    ">> Vulkan -   device name: llvmpipe" ">> Vulkan -   device type: VK_PHYSICAL_DEVICE_TYPE_CPU" \
    ">> Vulkan - try quorvel.exe /read_vk_khr_driver_properties" ">> Could not find nvcuda.dll." \
    ">> Quorvel shutdown ok."; do
  check "log holds '$line'" has "$line"
done
check "nvcuda stand-in not seen by the program" hasnt "CUDA-capable devices"

check "driver properties run exits 0" run "/read_vk_khr_driver_properties"
check "driver id named" has ">>        - driver ID: VK_DRIVER_ID_MESA_LLVMPIPE (13)"
check "shutdown after driver properties" has ">> Quorvel shutdown ok."

check "run without OpenCL exits 0" run "/disable_cl_support"
check "no OpenCL lines" hasnt "OpenCL"
check "Vulkan still read" has ">> Vulkan - # devices: 1"

check "run without Vulkan exits 0" run "/disable_vulkan_support"
check "no Vulkan lines" hasnt "Vulkan -"
check "OpenCL still read" has ">> Found 1 OpenCL-capable platform."
rm -f log.clean
finish
