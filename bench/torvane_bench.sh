#!/usr/bin/env bash
# Benchmarks of torvane on the stand-in camera (native release build). Prints figures only; no
# test asserts a time and CI does not run this.
#  (a) CPU time and peak resident memory over a 2-minute run at 1-second intervals, and the
#      resident memory at minute 1 and at minute 2 (a growing figure would be a leak);
#  (b) from the same run, each of the first 100 ticks' lateness against a fixed-rate schedule,
#      read from the picture files' modification times (the moment each picture was closed);
#  (c) under strace, the time from the release (the tick's last settings read, right before
#      RemoteTakePicture) to the picture in place under its name, against the stand-in's own
#      transfer time (its open of the file it writes to its close); the rest of the picture's way
#      to its name, flush and rename, is shown apart.
# Usage: bench/torvane_bench.sh [BUILD_DIR]   (default build-release; built when missing)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-release}
# Absolute: the program runs from inside a scratch working directory.
case $build in
  /*) ;;
  *) build="$PWD/$build" ;;
esac
if [ ! -x "$build/bin/torvane" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTIMELAPSE_TESTS=OFF >/dev/null
  cmake --build "$build" --target torvane >/dev/null
fi
program="$build/bin/torvane"
# The stand-in camera libraries are not beside the program: it finds them through the loader's path.
export LD_LIBRARY_PATH="$build/simcam-bin${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"
scratch=$(mktemp -d "${TMPDIR:-/tmp}/torvane_bench.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
tick=$(getconf CLK_TCK)

# A working directory for one run: camera "Bench Cam", a tick every second day and night.
prepare() {
  local work=$1
  mkdir -p "$work/config" "$work/errors"
  printf 'store\r\n' >"$work/rec_path"
  printf '1\r\n1\r\n' >"$work/config/Bench Cam.intervals"
  printf 'camera cd Bench Cam\n' >"$scratch/simcam.cfg"
}

stop() {
  local work=$1 pid=$2
  printf '0\r\n' >"$work/cams.run_state"
  for _ in $(seq 1 50); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -KILL "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}

field() { awk -v k="$2:" '$1 == k { print $2 }' "/proc/$1/status"; }

echo "==== (a) 2 minutes at 1-second intervals"
work="$scratch/a"
prepare "$work"
(cd "$work" && SIMCAM_CONFIG="$scratch/simcam.cfg" LC_ALL=C exec "$program" >/dev/null 2>&1) &
pid=$!
sleep 60
rss1=$(field $pid VmRSS)
sleep 60
rss2=$(field $pid VmRSS)
peak=$(field $pid VmHWM)
read -r utime stime < <(awk '{ print $14, $15 }' "/proc/$pid/stat")
stop "$work" $pid
awk -v u="$utime" -v s="$stime" -v t="$tick" \
  'BEGIN { printf "CPU time: %.2f s user + %.2f s system over 120 s (%.2f%% of one core)\n", u/t, s/t, 100*(u+s)/t/120 }'
echo "resident memory: ${rss1} kB at minute 1, ${rss2} kB at minute 2; peak ${peak} kB"

echo
echo "==== (b) lateness of the first 100 ticks (fixed-rate schedule, 1 s)"
day=$(find "$work/store/cam1" -mindepth 1 -maxdepth 1 -type d | head -n 1)
count=$(find "$day" -name '*.jpg' | wc -l)
echo "pictures filed: $count"
# The schedule's phase is taken from the earliest picture relative to its slot; each tick's
# lateness is how much later than that its picture was closed.
find "$day" -name '*.jpg' -printf '%f %T@\n' | sed 's/\.jpg / /' | sort -n | head -n 100 |
  awk '{ n[NR] = $1; t[NR] = $2 - ($1 - 1) }
       END {
         if (NR == 0) { print "no pictures"; exit }
         base = t[1]; for (i = 1; i <= NR; i++) if (t[i] < base) base = t[i]
         for (i = 1; i <= NR; i++) { late[i] = (t[i] - base) * 1000; sorted[i] = late[i] }
         for (i = 2; i <= NR; i++) {  # insertion sort (no asort in every awk)
           v = sorted[i]; j = i - 1
           while (j >= 1 && sorted[j] > v) { sorted[j + 1] = sorted[j]; j-- }
           sorted[j + 1] = v
         }
         first = 0; last = 0; k = (NR < 10 ? NR : 10)
         for (i = 1; i <= k; i++) { first += late[i]; last += late[NR - k + i] }
         printf "ticks: %d; lateness ms: median %.1f, 95th percentile %.1f, max %.1f\n",
           NR, sorted[int((NR + 1) / 2)], sorted[int(NR * 0.95 + 0.5)], sorted[NR]
         printf "drift: mean of the last %d ticks minus mean of the first %d: %+.1f ms\n",
           k, k, (last - first) / k
       }'

echo
echo "==== (c) release to picture in place, against the stand-in's transfer (strace, 12 ticks)"
if ! command -v strace >/dev/null; then
  echo "strace is not installed: skipped"
  exit 0
fi
work="$scratch/c"
prepare "$work"
(cd "$work" && SIMCAM_CONFIG="$scratch/simcam.cfg" LC_ALL=C exec strace -f -tt \
  -e trace=openat,close,fsync,rename,renameat,renameat2 \
  -o "$scratch/strace.txt" "$program" >/dev/null 2>&1) &
pid=$!
sleep 13
stop "$work" $pid
sleep 1
# The picture is written aside (<n>.jpg.part) and renamed once flushed; a build that writes it
# under its name directly has it in place when the file is closed.
awk '
  function secs(ts,   p) { split(ts, p, ":"); return p[1] * 3600 + p[2] * 60 + p[3] }
  function done(at) { n++; total[n] = (at - release) * 1000; own[n] = (closed - opened) * 1000; after[n] = (at - closed) * 1000 }
  / openat\(/ && /Bench Cam\.night_exp"/ { release = secs($2) }
  / openat\(/ && /\.jpg(\.part)?"/ && /O_WRONLY/ && / = [0-9]+$/ { fd = $NF; opened = secs($2); aside = ($0 ~ /\.part"/) }
  / close\(/ {
    c = $3; sub(/^close\(/, "", c); sub(/\)$/, "", c)
    if (c == fd) { closed = secs($2); fd = ""; if (!aside) done(closed) }
  }
  / rename(at2?)?\(/ && /\.jpg\.part"/ && / = 0$/ { done(secs($2)) }
  END {
    if (n == 0) { print "no pictures seen"; exit }
    for (i = 1; i <= n; i++) {
      st += total[i]; so += own[i]; sa += after[i]
      if (total[i] > mt) mt = total[i]; if (own[i] > mo) mo = own[i]; if (after[i] > ma) ma = after[i]
    }
    printf "pictures: %d\n", n
    printf "release to picture in place: mean %.1f ms, max %.1f ms\n", st / n, mt
    printf "stand-in transfer (file open to close): mean %.1f ms, max %.1f ms\n", so / n, mo
    printf "file closed to picture in place (flush, rename): mean %.1f ms, max %.1f ms\n", sa / n, ma
    printf "outside the transfer (release, events, filing): mean %.1f ms\n", (st - so) / n
  }' "$scratch/strace.txt"
