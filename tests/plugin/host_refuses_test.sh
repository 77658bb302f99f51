#!/bin/sh
# kavora-host.exe loads the plug-in and its information block changes only
# its fields; the builds of the host that lack the first or the last KVA_
# name are refused by the plug-in's attach.
#   host_refuses_test.sh WINE_RUN ARCH DLL SAMPLES HOST HOST_WITHOUT_FIRST HOST_WITHOUT_LAST
set -u
wine_run=$1 arch=$2 dll=$3 samples=$4
shift 4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$dll" "$work/ravlet.dll"
cp -r "$samples" "$work/store"
failed=0

run() {  # run EXE EXPECTED_STATUS EXPECTED_LINE
  cp "$1" "$work/host.exe"
  (cd "$work" && "$wine_run" "$arch" ./host.exe ravlet.dll store 1000 >log)
  status=$?
  [ $status -eq 77 ] && exit 77
  if [ $status -ne "$2" ] || ! grep -qx "$3" "$work/log"; then
    echo "${1##*/}: exit status $status (expected $2), log:"
    cat "$work/log"
    echo "expected the line: $3"
    failed=1
  fi
}

run "$1" 0 '  info bytes changed outside the fields: 0'
run "$2" 1 'load ravlet.dll: failed, error 1114'
run "$3" 1 'load ravlet.dll: failed, error 1114'
exit $failed
