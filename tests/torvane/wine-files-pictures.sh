#!/bin/sh
# torvane.exe under Wine: claims slot 1, records its camera and storage folder, files pictures
# 1.jpg, 2.jpg, ... in today's day folder with last_serial and re_serial, and quits at the tick
# after the controller writes "0" into cams.run_state. The third release fails: it is logged
# under a name made of Windows' own date and time texts, turns cams.error to "1", and once the
# controller clears it the pictures go on without a gap in the numbers.
# Usage: wine-files-pictures.sh PROGRAM EMULATOR...
# The date is Wine's own (libfaketime does not reach it), so the day folder is found by listing.
set -u
program=$1
shift
dir=$(mktemp -d "${TMPDIR:-/tmp}/torvane_wine.XXXXXX") || exit 1
trap 'rm -rf "$dir"' EXIT
mkdir "$dir/work" "$dir/work/config" "$dir/work/errors"
printf '%s\n' 'camera cd Cam A' 'fail CDRelease 0x81 from=3 count=1' >"$dir/simcam.cfg"
printf 'store\r\n' >"$dir/work/rec_path"
printf '1\r\n1\r\n' >"$dir/work/config/Cam A.intervals"

fail() {
  echo "FAIL: $*"
  sed 's/^/  output: /' "$dir/output" 2>/dev/null
  exit 1
}

cd "$dir/work" || exit 1
# Wine's drive Z: is the root of the host's file system.
SIMCAM_CONFIG="Z:$dir/simcam.cfg" timeout -s KILL 120 "$@" "$program" >"$dir/output" 2>&1 &
pid=$!

pictures() { find store/cam1 -name '*.jpg' 2>/dev/null | wc -l; }
# Waits (at most 90 s: Wine starts slowly) until the shell condition holds.
wait_for() {
  i=0
  while ! eval "$1" && [ $i -lt 900 ] && kill -0 $pid 2>/dev/null; do
    sleep 0.1
    i=$((i + 1))
  done
}
text() { if [ -f "$1" ]; then tr -d '\r\n' <"$1"; fi; }
wait_for '[ "$(text cams.error)" = 1 ]'
[ "$(pictures)" -eq 2 ] || fail "$(pictures) pictures before the failed release, not 2"
log=$(ls errors)
case "$log" in
  *_Cam\ A_error_log) ;;
  *) fail "error log name: '$log'" ;;
esac
case "$log" in
  *[:./\\]*) fail "error log name keeps a separator: '$log'" ;;
esac
[ "$(tr -d '\r\n' <"errors/$log")" = 'RemoteTakePicture error' ] || fail "error log text"
rm "errors/$log"
printf '0\r\n' >cams.error
wait_for '[ "$(pictures)" -ge 4 ]'
printf '0\r\n' >cams.run_state
wait $pid
status=$?
[ "$status" -eq 0 ] || fail "torvane ended with status $status (137: killed after the time limit)"

[ "$(od -An -c cam1.free | tr -d ' ')" = '0\r\n' ] || fail "cam1.free is not 0"
[ "$(tr -d '\r' <cam1.type)" = 'Cam A' ] || fail "cam1.type is not the camera name"
[ "$(tr -d '\r' <cam1.dir)" = '1' ] || fail "cam1.dir is not 1"
[ "$(tr -d '\r' <store/cam1/camdir.res)" = '1' ] || fail "camdir.res is not 1"
days=$(find store/cam1 -mindepth 1 -maxdepth 1 -type d)
[ "$(echo "$days" | wc -l)" -eq 1 ] && [ -n "$days" ] || fail "not exactly one day folder: $days"
count=$(find "$days" -name '*.jpg' | wc -l)
[ "$count" -ge 4 ] || fail "only $count pictures"
n=1
while [ $n -le "$count" ]; do
  [ -f "$days/$n.jpg" ] || fail "picture $n.jpg missing in $days"
  [ "$(wc -c <"$days/$n.jpg")" -eq 50000 ] || fail "$n.jpg is not a whole picture"
  n=$((n + 1))
done
[ "$(tr -d '\r\n' <"$days/last_serial")" = "$count" ] || fail "last_serial is not $count"
[ "$(tr -d '\r\n' <"$days/re_serial")" = "$count" ] || fail "re_serial is not $count"
[ -z "$(ls errors)" ] || fail "errors were logged: $(ls errors)"
echo "ok: $count pictures filed in ${days#store/cam1/}, the failed release logged as $log, stopped by cams.run_state"
