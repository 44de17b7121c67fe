#!/usr/bin/env bash
# Report mode of quorvel.exe under Wine: the files it writes and how they
# look, and a non-zero exit when a report cannot be written.
. "$(dirname "$0")/lib.sh"

run() { win launcher.exe --timeout 60000 quorvel.exe "$@" >"$OUT" 2>&1; }

rm -rf _report_*.txt _report_*.xml "out dir"
run /no_online_check /exp_txt_report; rc=$?
check "text report mode exits 0 (got $rc)" test "$rc" = 0
report=$(ls _report_*.txt 2>/dev/null | head -n 1)
check "a time-stamped text report is written ($report)" test -n "$report"
check "CR LF line ends" grep -q $'\r$' "$report"
check "no bare LF" sh -c "! tr -d '\r' < '$report' | cmp -s - '$report'"
tr -d '\r' < "$report" > report.clean
check "header line" grep -qx "Quorvel v1.54.0.0 report" report.clean
for section in "[ System / CPU ]" "[ Graphics Adapters / GPUs ]" "[ OpenGL GPU Capabilities ]" \
    "[ Vulkan Capabilities ]"; do
  check "section $section" grep -qF -- "$section" report.clean
done
needs_opencl "section [ OpenCL Capabilities ]" && check "section [ OpenCL Capabilities ]" grep -qF -- "[ OpenCL Capabilities ]" report.clean
check "no CUDA section without a CUDA driver" sh -c '! grep -qF "[ NVIDIA CUDA Capabilities ]" report.clean'
stated=$(sed -n 's/^- OpenGL Extensions: \([0-9]*\) extensions.*/\1/p' report.clean)
listed=$(awk '/^- OpenGL Extensions:/{on=1; next} on && /^  - /{n++; next} on{exit} END{print n+0}' report.clean)
check "every stated GL extension is listed ($stated = $listed)" test "$stated" = "$listed" -a "$listed" -gt 0

mkdir -p "out dir"
run /no_online_check /exp_xml_report '/exp_full_filename="out dir/r.xml"'; rc=$?
check "XML report exits 0 (got $rc)" test "$rc" = 0
check "XML report at the given name" test -f "out dir/r.xml"
check "XML report is well-formed" xmllint --noout "out dir/r.xml"
check "it names the CPU" sh -c "xmllint --xpath 'string(//cpu/@name)' 'out dir/r.xml' | grep -q ."
check "it lists the llvmpipe Vulkan device" sh -c "xmllint --xpath 'string(//vulkan//device/@name)' 'out dir/r.xml' | grep -q llvmpipe"

rm -f "out dir"/*
run /no_online_check /exp_xml_report /exp_txt_report '/exp_full_filename="out dir/both.xml"'; rc=$?
check "both reports exit 0 (got $rc)" test "$rc" = 0
check "both files written" test -f "out dir/both.xml" -a -f "out dir/both.txt"
check "the XML one is XML" xmllint --noout "out dir/both.xml"

run /no_online_check /exp_xml_report '/exp_full_filename="no such dir/r.xml"'; rc=$?
check "an unwritable path exits non-zero (got $rc)" test "$rc" != 0
check "the log names the path" grep -qF "Could not write the XML report to no such dir/r.xml" _log.txt
rm -rf report.clean "out dir" _report_*.txt
finish
