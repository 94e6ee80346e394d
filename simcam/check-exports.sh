#!/bin/sh
# Checks that the Windows camera libraries of a build export exactly the names of their lists in
# sdk/ (153, 25 and 50), and that the two CD variants differ from the full list as intended.
# The libraries are those of the build's simcam-bin/.
#   simcam/check-exports.sh BUILD_DIR [OBJDUMP]     (OBJDUMP: i686-w64-mingw32-objdump)
set -eu
export LC_ALL=C
build=$1
objdump=${2:-i686-w64-mingw32-objdump}
root=$(cd "$(dirname "$0")/.." && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
status=0

listed() {  # export names of an X-macro list
  grep -o '^  X([A-Za-z_0-9]*, "[^"]*"' "$root/sdk/$1" | sed 's/.*, "\(.*\)"$/\1/' | sort
}
exported() {  # names in a DLL's export table
  "$objdump" -p "$1" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
    sed -n 's/^[[:space:]]*\[ *[0-9]*\] //p' | sort
}
check() {  # DLL, expected names file, expected count
  if [ ! -f "$1" ]; then
    echo "FAIL $1: missing"
    status=1
    return
  fi
  exported "$1" > "$tmp/actual"
  count=$(wc -l < "$tmp/actual")
  if ! diff -u "$2" "$tmp/actual" > "$tmp/diff" || [ "$count" -ne "$3" ]; then
    echo "FAIL $1: $count exports, expected $3"
    head -n 20 "$tmp/diff"
    status=1
  else
    echo "ok   $1: $count exports"
  fi
}

listed CDSDK.h > "$tmp/cd"
listed PRSDK.h > "$tmp/pr"
listed EDSDK.h > "$tmp/eos"
check "$build/simcam-bin/CDSDK.DLL" "$tmp/cd" 153
check "$build/simcam-bin/PRSDK.DLL" "$tmp/pr" 25
check "$build/simcam-bin/EDSDK.DLL" "$tmp/eos" 50
grep -vx 'CDGetSDKVersion' "$tmp/cd" > "$tmp/cd_missing"
check "$build/simcam-bin/variants/cd_missing_entry/CDSDK.DLL" "$tmp/cd_missing" 152
sed 's/^_CDGetReleaseControlFaculty@8$/CDGetReleaseControlFaculty/' "$tmp/cd" | sort > "$tmp/cd_plain"
check "$build/simcam-bin/variants/cd_plain_faculty/CDSDK.DLL" "$tmp/cd_plain" 153
exit $status
