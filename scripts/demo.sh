#!/usr/bin/env bash
# Installs what is missing, builds the native release tree and shows the system at work on the
# stand-in camera libraries: torvane takes a picture every 2 seconds for about 20 seconds and is
# stopped the controller's way ("0" in cams.run_state); pellmark then lists the cameras, and
# quensil (when it is built) makes its erase pass over the demo's picture store.
# Everything happens in demo-run/ at the top of the tree, made afresh on every run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/install-deps.sh native
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DTIMELAPSE_TESTS=OFF
cmake --build build-release -j "$(nproc)"
bin="$root/build-release/bin"
# The stand-ins are not beside the programs (a copy of bin/ must not run on simulated cameras):
# the programs find them through the loader's path.
export LD_LIBRARY_PATH="$root/build-release/simcam-bin${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"

step() { printf '\n==== %s\n' "$*"; }

# The working directory, as the outside controller would lay it out. Drive C: of the programs is
# demo-run/ itself, so the picture store "c:\store" is demo-run/store.
run="$root/demo-run"
rm -rf "$run"
mkdir -p "$run/config" "$run/errors" "$run/serial"
export DRIVE_C="$run"
unset SIMCAM_CONFIG SIMCAM_TRACE  # the stand-in's default cameras; "PowerShot Sim" is the first
camera="PowerShot Sim"
printf 'c:\\store\r\n' >"$run/rec_path"
printf 'c:\\videos\r\n' >"$run/mpg_path"
mkdir -p "$run/videos"
# A tick every 2 seconds by day and by night, whatever the hour.
printf '2\r\n2\r\n' >"$run/config/$camera.intervals"
printf '0\r\n' >"$run/config/$camera.size"
printf '3\r\n' >"$run/config/$camera.zoom"

step "torvane: one picture every 2 s for about 20 s"
cd "$run"
"$bin/torvane" >"$run/torvane.out" 2>&1 &
torvane=$!
sleep 20
printf '0\r\n' >"$run/cams.run_state"
# The program quits at its next tick; it is killed only if it does not.
for _ in $(seq 1 100); do
  kill -0 "$torvane" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$torvane" 2>/dev/null; then
  echo "torvane did not stop: killed"
  kill -KILL "$torvane"
fi
status=0
wait "$torvane" || status=$?
echo "torvane ended with status $status"
echo "status lines:"
sed 's/^/  /' "$run/torvane.out"
dir=$(tr -d '\r\n' <"$run/cam1.dir" 2>/dev/null || true)
echo "camera slot 1: $(tr -d '\r\n' <"$run/cam1.type" 2>/dev/null || echo none), storage folder ${dir:-none}"
if [ -n "$dir" ]; then
  for day in "$run/store/cam$dir"/*/; do
    [ -d "$day" ] || continue
    echo "day folder ${day#"$run"/}:"
    ls -lv "$day" | sed 's/^/  /'
    printf '  last_serial: %s\n' "$(tr -d '\r\n' <"$day/last_serial" 2>/dev/null || echo missing)"
  done
fi
if [ -n "$(ls -A "$run/errors")" ]; then
  echo "error logs:"
  for log in "$run/errors"/*; do printf '  %s: %s\n' "${log##*/}" "$(tr -d '\r\n' <"$log")"; done
fi

step "pellmark: the attached PowerShot cameras"
timeout 60 "$bin/pellmark"
echo "serial/pellmark:"
sed 's/\r$//; s/^/  /' "$run/serial/pellmark"

if [ -x "$bin/quensil" ]; then
  step "quensil: erase pass over the picture store (today's folder is never erased)"
  timeout 60 "$bin/quensil" || echo "quensil ended with status $?"
  [ -f "$run/erase.log" ] && sed 's/\r$//; s/^/  /' "$run/erase.log"
  echo "store after the pass:"
  (cd "$run/store" && find . -mindepth 2 -maxdepth 2 -type d | sort | sed 's/^/  /')
fi

step "demo finished; everything is in demo-run/"
