#!/bin/sh
# Times one quensil pass that erases a whole store against `rm -rf` of an identical store.
# Prints figures only; asserts nothing.
#
# Usage: bench/quensil_bench.sh PATH/TO/quensil [DAYS [PICTURES]]
#   DAYS      past days per storage folder (default 30)
#   PICTURES  numbered pictures per day folder (default 2000), each of PICTURE_BYTES bytes
#             (environment, default 100), with last_serial and re_serial
# ROUNDS (environment, default 3): rounds of both timings; the best of each side is compared.
# Needs root (a tmpfs in a private mount namespace) and python3. Use a release build:
# the sanitizers of a debug build dominate the figures.
#
# The store sits on a tmpfs next to a ballast file of just over half its size, so the drive stays
# less than half free until every day folder is gone and the pass erases all of them. quensil's
# first tick comes 1000 ms after start; the pass time is the run's wall time minus those 1000 ms.
set -eu

[ $# -ge 1 ] || {
  echo "usage: $0 PATH/TO/quensil [DAYS [PICTURES]]" >&2
  exit 2
}
quensil=$(realpath "$1")
days=${2:-30}
pictures=${3:-2000}
picture_bytes=${PICTURE_BYTES:-100}
rounds=${ROUNDS:-3}

if [ -z "${QUENSIL_BENCH_NAMESPACE:-}" ]; then
  [ "$(id -u)" = 0 ] || {
    echo "needs root (a tmpfs in a private mount namespace)" >&2
    exit 2
  }
  QUENSIL_BENCH_NAMESPACE=1 exec unshare -m --propagation private sh "$0" "$quensil" "$days" \
    "$pictures"
fi

export LC_ALL=C
scratch=$(mktemp -d /tmp/quensil-bench.XXXXXX)
drive=$scratch/drive
work=$scratch/work
mkdir -p "$drive" "$work"

# Every file takes at least one page of the tmpfs.
page=4096
per_picture=$(((picture_bytes + page - 1) / page))
[ "$per_picture" -ge 1 ] || per_picture=1
store_pages=$((9 * days * (pictures * per_picture + 8)))
size_pages=$((2 * store_pages + 16384))
mount -t tmpfs -o size=$((size_pages * page)),nr_inodes=0 tmpfs "$drive"
trap 'umount "$drive"; rm -rf "$scratch"' EXIT

# The store: storage folders 1..9, the DAYS days before today, each day folder with its
# numbered pictures, serial files and day video (the videos are not erased).
build_store() {
  python3 - "$drive" "$days" "$pictures" "$picture_bytes" <<'EOF'
import datetime, os, subprocess, sys
drive, days, pictures, size = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])
today = datetime.date.today()
data = b"\xff" * size
os.makedirs(os.path.join(drive, "videos"), exist_ok=True)
for back in range(1, days + 1):
    day = today - datetime.timedelta(days=back)
    name = day.strftime("%x").replace(" ", "-").replace("/", "-").replace("\\", "-")
    for k in range(1, 10):
        folder = os.path.join(drive, "store", "cam%d" % k, name)
        os.makedirs(folder)
        for i in range(1, pictures + 1):
            with open(os.path.join(folder, "%d.jpg" % i), "wb") as f:
                f.write(data)
        for serial in ("last_serial", "re_serial"):
            with open(os.path.join(folder, serial), "wb") as f:
                f.write(b"%d\r\n" % pictures)
        open(os.path.join(drive, "videos", day.strftime("%Y.%m.%d") + ".cam%d.mpg" % k), "wb").close()
EOF
}

# Seconds since the epoch with nanoseconds.
now() { date +%s.%N; }

# Empties the drive but for the videos' folder.
clear_drive() { rm -rf "${drive:?}/store" "$drive/videos" "$drive/ballast"; }

echo "store: 9 storage folders x $days days x $pictures pictures of $picture_bytes bytes" \
  "($((9 * days * pictures)) pictures), $rounds round(s)"
printf 'c:\\store\r\n' >"$work/rec_path"
printf 'c:\\videos\r\n' >"$work/mpg_path"

# The fixed cost: a pass over nine empty storage folders on a drive less than half free walks
# every date since 2007 once and erases nothing.
mkdir -p "$drive/videos"
for k in 1 2 3 4 5 6 7 8 9; do mkdir -p "$drive/store/cam$k"; done
head -c $(($(stat -f -c %b "$drive") / 2 * page + 4 * 1024 * 1024)) /dev/zero >"$drive/ballast"
start=$(now)
(cd "$work" && DRIVE_C=$drive "$quensil" >/dev/null)
end=$(now)
clear_drive
awk -v s="$start" -v e="$end" \
  'BEGIN { printf "empty store:    pass %.3f s (the search since 2007, nothing to erase)\n", e - s - 1.0 }'

round=1
results=""
while [ "$round" -le "$rounds" ]; do
  build_store
  used=$(($(stat -f -c %b "$drive") - $(stat -f -c %a "$drive")))
  ballast=$(($(stat -f -c %b "$drive") / 2 + 1024))
  head -c $((ballast * page)) /dev/zero >"$drive/ballast"
  [ "$round" -gt 1 ] ||
    echo "tmpfs: $(stat -f -c %b "$drive") pages, store $used pages, ballast $ballast pages"
  sync
  start=$(now)
  (cd "$work" && DRIVE_C=$drive "$quensil" >/dev/null)
  end=$(now)
  left=$(find "$drive/store" -mindepth 2 | wc -l)
  [ "$left" = 0 ] || echo "warning: $left entries left in the store"
  clear_drive

  build_store
  sync
  rm_start=$(now)
  rm -rf "$drive"/store/cam*/*
  rm_end=$(now)
  clear_drive

  line=$(awk -v s="$start" -v e="$end" -v rs="$rm_start" -v re="$rm_end" \
    'BEGIN { printf "%.3f %.3f %.3f", e - s, e - s - 1.0, re - rs }')
  echo "$line" | awk -v r="$round" '{ printf "round %d: quensil run %.3f s, pass %.3f s; rm -rf %.3f s; ratio %.2f\n", r, $1, $2, $3, $2 / $3 }'
  results="$results$line
"
  round=$((round + 1))
done

# Best of the rounds for each side: the least disturbed by whatever else the machine runs.
printf '%s' "$results" | awk '
NR == 1 || $2 < pass { pass = $2 }
NR == 1 || $3 < rm { rm = $3 }
END {
  printf "best pass:      %.3f s (run minus the 1.000 s before the first tick)\n", pass
  printf "best rm -rf:    %.3f s\n", rm
  printf "ratio:          %.2f (pass / rm -rf)\n", pass / rm
}'
