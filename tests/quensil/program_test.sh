#!/bin/sh
# Runs the built quensil on a small file system of its own and checks what it leaves: a tmpfs of
# 4 MiB in a private mount namespace stands for drive C:, filled with day folders until less than
# half of it is free. Today is 8 December 2026 (faketime); the timers keep the real clock.
#
# Usage: program_test.sh PATH/TO/quensil
# Needs root, unshare, mount and faketime; exits 77 (skipped) without them.
set -u

quensil=$(realpath "$1")

skip() {
  echo "skipped: $*"
  exit 77
}

if [ -z "${QUENSIL_TEST_NAMESPACE:-}" ]; then
  [ "$(id -u)" = 0 ] || skip "needs root for a private mount namespace"
  command -v unshare >/dev/null || skip "unshare is missing"
  command -v faketime >/dev/null || skip "faketime is missing"
  unshare -m --propagation private true 2>/dev/null || skip "no private mount namespace"
  QUENSIL_TEST_NAMESPACE=1 exec unshare -m --propagation private sh "$0" "$1"
fi

scratch=$(mktemp -d /tmp/quensil-program.XXXXXX)
drive=$scratch/drive
work=$scratch/work
mkdir -p "$drive" "$work"
mount -t tmpfs -o size=4m tmpfs "$drive" 2>/dev/null || {
  rm -rf "$scratch"
  skip "cannot mount a tmpfs"
}
trap 'umount "$drive"; rm -rf "$scratch"' EXIT
# A copy of the program where an ordinary user may run it too, whatever folder the build is in.
chmod 755 "$scratch"
cp "$quensil" "$scratch/quensil"
quensil=$scratch/quensil

export LC_ALL=C
failures=0

fail() {
  printf 'FAIL [%s]: %s\n' "$scenario" "$*"
  failures=$((failures + 1))
}

# Day folder names as the program builds them: the short date text of the C locale, its blanks,
# slashes and backslashes dashed.
day_text() {
  date -d "$1" +%x | tr ' /\\' '---'
}

# Native path of the day folder of date $2 in storage folder $1.
folder() {
  echo "$drive/store/cam$1/$(day_text "$2")"
}

# File of $2 KiB at $1.
file() {
  mkdir -p "$(dirname "$1")"
  head -c "$(($2 * 1024))" /dev/zero >"$1"
}

# Day folder of date $2 in storage folder $1: $3 pictures of 16 KiB numbered from 1, the serial
# files, preview and HDTV with a picture each; with its day video when $4 is "video".
day() {
  f=$(folder "$1" "$2")
  mkdir -p "$f"
  i=1
  while [ "$i" -le "$3" ]; do
    file "$f/$i.jpg" 16
    i=$((i + 1))
  done
  printf '%s\r\n' "$3" >"$f/last_serial"
  printf '%s\r\n' "$3" >"$f/re_serial"
  file "$f/preview/1.jpg" 16
  file "$f/HDTV/1.jpg" 16
  if [ "${4:-}" = video ]; then
    mkdir -p "$drive/videos"
    : >"$drive/videos/$(date -d "$2" +%Y.%m.%d).cam$1.mpg"
  fi
}

# Pages of the drive: free, total; pages used by a folder.
free_pages() { stat -f -c %a "$drive"; }
total_pages() { stat -f -c %b "$drive"; }
pages() { du -s -B 4096 "$1" | cut -f1; }

# Adds a ballast file so that $1 pages are free.
leave_free() {
  extra=$(($(free_pages) - $1))
  if [ "$extra" -lt 0 ]; then
    fail "fixture too large: cannot leave $1 pages free"
  elif [ "$extra" -gt 0 ]; then
    head -c "$((extra * 4096))" /dev/zero >>"$drive/ballast"
  fi
}

# Starts a scenario on an empty drive and a working directory with rec_path and mpg_path.
begin() {
  scenario=$1
  rm -rf "${drive:?}"/* "${work:?}"/*
  printf 'c:\\store\r\n' >"$work/rec_path"
  printf 'c:\\videos\r\n' >"$work/mpg_path"
}

# Runs quensil in the working directory with drive C: on the tmpfs, today 8 December 2026; with
# the arguments in front of it, such as a change of user. A run that shows no error ends with
# status 0; run_error expects one that shows an error, and so ends with status 1. A sanitizer
# report ends it with 86, so that it never passes for an error the run was meant to show. Its
# message boxes go to standard error, each a line of the caption (the program's title, "quensil")
# and the text.
launch() {
  (cd "$work" && DRIVE_C=$drive FAKETIME_DONT_FAKE_MONOTONIC=1 \
    ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0:exitcode=86 \
    UBSAN_OPTIONS=${UBSAN_OPTIONS:+$UBSAN_OPTIONS:}exitcode=86 \
    timeout -k 5 60 "$@" faketime '2026-12-08 12:00:00' "$quensil" >"$scratch/out" 2>"$scratch/err")
  status=$?
}
run() {
  launch "$@"
  [ "$status" = 0 ] || fail "quensil ended with status $status: $(cat "$scratch/err")"
}
run_error() {
  launch "$@"
  [ "$status" = 1 ] || fail "quensil ended with status $status, not 1: $(cat "$scratch/err")"
}

expect_gone() { for f in "$@"; do [ ! -e "$f" ] || fail "still there: $f"; done; }
expect_kept() { for f in "$@"; do [ -e "$f" ] || fail "erased: $f"; done; }

crlf() { printf '%s\r\n' "$@"; }

# ---- The oldest erasable folders go in order until half the drive is free: earliest date first,
# of one date the highest storage number first. The ballast leaves the drive short of half by
# the first two folders and half the third.
begin "order"
day 7 2007-02-01 3 video
day 5 2025-03-05 6 video
day 2 2025-03-05 0 video
c2=$(folder 2 2025-03-05)
for n in 1 2 3 5 8 20; do file "$c2/$n.jpg" 16; done
file "$c2/x.JPG" 16
crlf 5 >"$c2/last_serial"
crlf 7 >"$c2/re_serial"
day 4 2025-06-15 4 video
day 9 2025-12-20 4 video
day 1 2026-12-07 4 video
day 3 2024-01-10 4
day 1 2026-12-08 4 video
half=$(($(total_pages) / 2))
c7=$(folder 7 2007-02-01)
c5=$(folder 5 2025-03-05)
leave_free $((half - $(pages "$c7") - $(pages "$c5") - $(pages "$c2") / 2))
run
expect_gone "$c7" "$c5" "$c2"
expect_kept "$(folder 4 2025-06-15)/1.jpg" "$(folder 9 2025-12-20)/1.jpg" \
  "$(folder 1 2026-12-07)/1.jpg" "$(folder 3 2024-01-10)/1.jpg" "$(folder 1 2026-12-08)/1.jpg"
[ "$(free_pages)" -ge "$half" ] || fail "less than half free at the end"
w='c:\store\cam2\'$(day_text 2025-03-05)
crlf "Erasing $w\\1.jpg" "Erasing $w\\2.jpg" "Erasing $w\\3.jpg" "Erasing $w\\5.jpg" \
  "Erasing $w\\8.jpg" "Erasing $w\\last_serial" "Erasing $w\\re_serial" "Erasing dir$w" \
  >"$scratch/expected"
cmp -s "$scratch/expected" "$work/erase.log" || fail "erase.log: $(od -c "$work/erase.log")"
{
  echo Edit1
  for w in "cam7\\$(day_text 2007-02-01)" "cam5\\$(day_text 2025-03-05)" \
    "cam2\\$(day_text 2025-03-05)"; do
    printf 'c:\\store\\%s\\preview\nc:\\store\\%s\\HDTV\nc:\\store\\%s\n' "$w" "$w" "$w"
  done
} >"$scratch/expected"
cmp -s "$scratch/expected" "$scratch/out" ||
  fail "status lines: $(diff "$scratch/expected" "$scratch/out")"

# ---- A drive that stays less than half free: every erasable folder goes, yesterday's too; today's
# and those without a video stay; a folder with a stray file is wiped once and stays, and the
# program still ends. A corrupt last_serial (2147483647) does not keep it from ending in time.
# What a download killed half way left aside yesterday does not keep that folder.
begin "everything"
day 6 2010-01-01 3 video
file "$(folder 6 2010-01-01)/notes.txt" 1
day 8 2010-01-01 3 video
mkdir -p "$(folder 8 2010-01-01)/HDTV/clips"
day 1 2026-02-28 3 video
crlf 2147483647 >"$(folder 1 2026-02-28)/last_serial"
day 1 2026-12-07 3 video
file "$(folder 1 2026-12-07)/4.jpg.part" 8
day 2 2026-12-08 3 video
day 3 2026-11-30 3
leave_free $(($(total_pages) / 4))
run
expect_gone "$(folder 1 2026-02-28)" "$(folder 1 2026-12-07)" "$(folder 6 2010-01-01)/1.jpg" \
  "$(folder 6 2010-01-01)/preview" "$(folder 8 2010-01-01)/last_serial"
expect_kept "$(folder 6 2010-01-01)/notes.txt" "$(folder 8 2010-01-01)/HDTV/clips" \
  "$(folder 2 2026-12-08)/3.jpg" "$(folder 3 2026-11-30)/3.jpg"

# ---- At least half free: nothing is touched, erase.log keeps what the last run left.
begin "half free"
day 1 2020-05-05 3 video
crlf "previous" >"$work/erase.log"
leave_free $(($(total_pages) / 2 + 1))
run
expect_kept "$(folder 1 2020-05-05)/3.jpg"
[ "$(cat "$work/erase.log")" = "$(crlf previous)" ] || fail "erase.log changed"

# ---- Exactly half free: nothing is wiped. tmpfs counts whole pages, so the ballast can make it.
begin "exactly half"
day 1 2020-05-05 3 video
crlf "previous" >"$work/erase.log"
leave_free $(($(total_pages) / 2))
if [ "$(($(free_pages) * 2))" = "$(total_pages)" ]; then
  run
  expect_kept "$(folder 1 2020-05-05)/3.jpg"
  [ "$(cat "$work/erase.log")" = "$(crlf previous)" ] || fail "erase.log changed"
else
  echo "note: exactly half free could not be arranged; the unit tests cover it"
fi

# ---- An upper-case drive letter names no drive: nothing is erased, the program ends.
begin "upper-case drive"
printf 'C:\\store\r\n' >"$work/rec_path"
day 1 2020-05-05 3 video
leave_free $(($(total_pages) / 4))
run
expect_kept "$(folder 1 2020-05-05)/3.jpg"
[ ! -e "$work/erase.log" ] || fail "erase.log written"

# ---- Nothing is erased through a link. Yesterday's cam1 day folder is a link to cam2's folder of
# today, and a preview links to a folder outside the store; both have their day videos. Both
# targets keep every file, and the genuine erasable folder of a later date still goes.
begin "links"
day 2 2026-12-08 3
mkdir -p "$drive/store/cam1"
ln -s "../cam2/$(day_text 2026-12-08)" "$(folder 1 2026-12-07)"
mkdir -p "$drive/videos"
: >"$drive/videos/2026.12.07.cam1.mpg"
day 3 2025-01-01 3 video
rm -r "$(folder 3 2025-01-01)/preview"
file "$drive/outside/1.jpg" 16
printf '1\r\n' >"$drive/outside/last_serial"
ln -s ../../../outside "$(folder 3 2025-01-01)/preview"
day 4 2026-01-01 3 video
leave_free $(($(total_pages) / 4))
run
expect_kept "$(folder 2 2026-12-08)/1.jpg" "$(folder 2 2026-12-08)/3.jpg" \
  "$(folder 2 2026-12-08)/last_serial" "$(folder 2 2026-12-08)/re_serial" \
  "$(folder 2 2026-12-08)/preview/1.jpg" "$(folder 2 2026-12-08)/HDTV/1.jpg" \
  "$drive/outside/1.jpg" "$drive/outside/last_serial" "$(folder 3 2025-01-01)/preview"
expect_gone "$(folder 4 2026-01-01)"

# ---- A NUL in mpg_path after an existing video's name names no folder: no path is cut back to
# that video, and a day without its own video stays.
begin "NUL in mpg_path"
printf 'c:\\videos\\2026.06.10.cam1.mpg\000x\r\n' >"$work/mpg_path"
day 1 2026-06-10 3 video
day 1 2026-03-01 3
leave_free $(($(total_pages) / 4))
run
expect_kept "$(folder 1 2026-03-01)/1.jpg"
[ ! -e "$work/erase.log" ] || fail "erase.log written"

# ---- A rec_path whose first line is 256 kB names nothing: the run ends at once, erasing nothing.
begin "long rec_path"
{
  printf 'c:\\store'
  head -c 262144 /dev/zero | tr '\0' x
  printf '\r\n'
} >"$work/rec_path"
day 1 2020-05-05 3 video
leave_free $(($(total_pages) / 4))
run
expect_kept "$(folder 1 2020-05-05)/1.jpg"
[ ! -e "$work/erase.log" ] || fail "erase.log written"

# ---- Run as an ordinary user, the oldest erasable folder's last_serial cannot be read: it counts
# as 0, and the later erasable folders go in the same run. The error is still shown.
begin "unreadable last_serial"
day 1 2020-01-01 3 video
day 2 2021-01-01 3 video
day 1 2022-01-01 3 video
leave_free $(($(total_pages) / 4))
chown -R 65534:65534 "$drive" "$work"
chmod 000 "$(folder 1 2020-01-01)/last_serial"
if command -v setpriv >/dev/null &&
  setpriv --reuid=65534 --regid=65534 --clear-groups test -x "$quensil" 2>/dev/null; then
  run_error setpriv --reuid=65534 --regid=65534 --clear-groups
  expect_gone "$(folder 2 2021-01-01)" "$(folder 1 2022-01-01)" "$(folder 1 2020-01-01)/1.jpg"
  grep -q '^quensil: File access denied\.$' "$scratch/err" ||
    fail "no message box: $(cat "$scratch/err")"
else
  echo "note: quensil cannot be run as an ordinary user here (setpriv); the unit tests cover it"
fi

# ---- erase.log cannot be created (a folder holds its name): the erasable folders go all the same,
# and the error is shown once, not once per wipe.
begin "erase.log a folder"
day 1 2020-01-01 3 video
day 2 2021-01-01 3 video
mkdir "$work/erase.log"
leave_free $(($(total_pages) / 4))
run_error
expect_gone "$(folder 1 2020-01-01)" "$(folder 2 2021-01-01)"
[ "$(grep -c '^quensil: File access denied\.$' "$scratch/err")" = 1 ] ||
  fail "not one message box: $(cat "$scratch/err")"

# ---- The working directory on the picture drive, filled to the last block, and two past day
# folders with their videos, whose preview and HDTV are empty: the first wipes free nothing for
# erase.log's line, yet both folders go in one run, and erase.log holds the last wipe. The first
# folder holds 2000 empty pictures, whose lines overflow erase.log's buffer (64 KiB), so that a
# write fails half way through its wipe, not only the close.
begin "full drive"
day 1 2020-01-01 0 video
day 2 2021-01-01 3 video
f=$(folder 1 2020-01-01)
i=1
while [ "$i" -le 2000 ]; do
  : >"$f/$i.jpg"
  i=$((i + 1))
done
crlf 2000 >"$f/last_serial"
for f in "$(folder 1 2020-01-01)" "$(folder 2 2021-01-01)"; do
  rm "$f/preview/1.jpg" "$f/HDTV/1.jpg"
done
mkdir "$drive/work"
mv "$work/rec_path" "$work/mpg_path" "$drive/work"
cat /dev/zero >"$drive/ballast" 2>/dev/null
[ "$(free_pages)" = 0 ] || fail "fixture: $(free_pages) pages still free"
work=$drive/work
run_error
work=$scratch/work
expect_gone "$(folder 1 2020-01-01)" "$(folder 2 2021-01-01)"
grep -q '^quensil: Disk full\.$' "$scratch/err" || fail "no message box: $(cat "$scratch/err")"
w='c:\store\cam2\'$(day_text 2021-01-01)
crlf "Erasing $w\\1.jpg" "Erasing $w\\2.jpg" "Erasing $w\\3.jpg" "Erasing $w\\last_serial" \
  "Erasing $w\\re_serial" "Erasing dir$w" >"$scratch/expected"
cmp -s "$scratch/expected" "$drive/work/erase.log" ||
  fail "erase.log: $(od -c "$drive/work/erase.log")"

# ---- No rec_path: the error is shown ("File not found."), there is no pass, the program ends.
begin "missing rec_path"
rm "$work/rec_path"
day 1 2020-05-05 3 video
leave_free $(($(total_pages) / 4))
run_error
grep -q '^quensil: File not found\.$' "$scratch/err" || fail "no message box: $(cat "$scratch/err")"
expect_kept "$(folder 1 2020-05-05)/3.jpg"
[ ! -e "$work/erase.log" ] || fail "erase.log written"

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all program checks passed"
