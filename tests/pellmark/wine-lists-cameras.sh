#!/bin/sh
# pellmark.exe under Wine: lists the attached PowerShot cameras (CD library first, a name both
# PowerShot libraries report once, no EOS camera) into serial\pellmark and quits by itself.
# Usage: wine-lists-cameras.sh PROGRAM EMULATOR...
# Only the path without errors runs here: an error box would wait for a click under Wine.
set -u
program=$1
shift
dir=$(mktemp -d "${TMPDIR:-/tmp}/pellmark_wine.XXXXXX") || exit 1
trap 'rm -rf "$dir"' EXIT
mkdir "$dir/work" "$dir/work/serial"
printf '%s\n' 'camera cd Cam Alpha' 'camera eos EOS One' 'camera cd Shared Cam' \
  'camera pr PR Beta' 'camera pr Shared Cam' >"$dir/simcam.cfg"
printf 'Cam Alpha\r\nPR Beta\r\nShared Cam\r\n' >"$dir/expected"
printf 'Old Camera One\r\nOld Camera Two\r\nOld Camera Three\r\nOld Camera Four\r\n' \
  >"$dir/work/serial/pellmark"

cd "$dir/work" || exit 1
# Wine's drive Z: is the root of the host's file system.
SIMCAM_CONFIG="Z:$dir/simcam.cfg" timeout -s KILL 120 "$@" "$program" >"$dir/output" 2>&1
status=$?
if [ "$status" -ne 0 ]; then
  echo "FAIL: pellmark ended with status $status (137: killed after the time limit)"
  cat "$dir/output"
  exit 1
fi
if ! cmp -s "$dir/expected" serial/pellmark; then
  echo "FAIL: serial\\pellmark differs"
  od -c serial/pellmark
  exit 1
fi
echo "ok: serial\\pellmark lists the cameras"
