#!/usr/bin/env bash
# Installs a build into a scratch prefix with the README's install step (stripped), as a user takes
# it, and fails unless that holds the three programs, without debugging sections, and no camera
# library: the vendor's CDSDK.DLL, PRSDK.DLL and EDSDK.DLL go beside the programs, and a stand-in
# there would run every camera simulated. Installed Windows programs must also pass
# scripts/check-imports.sh (manifest, SetDllDirectoryA, listed imports only).
# Usage: scripts/check-install.sh BUILD_DIR
set -euo pipefail
export LC_ALL=C
here=$(cd "$(dirname "$0")" && pwd)
build=$1
scratch=$(mktemp -d "${TMPDIR:-/tmp}/timelapse_install.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
prefix=$scratch/bin # laid out as a build's bin/, for scripts/check-imports.sh
cmake --install "$build" --prefix "$prefix" --strip >/dev/null
status=0
for program in torvane pellmark quensil; do
  found=$(find "$prefix" -type f \( -name "$program" -o -iname "$program.exe" \))
  if [ -z "$found" ]; then
    echo "FAIL install: $program is missing"
    status=1
    continue
  fi
  # The MinGW objdump reads 32-bit and 64-bit Windows programs alike.
  case $found in
    *.exe | *.EXE) objdump=x86_64-w64-mingw32-objdump ;;
    *) objdump=objdump ;;
  esac
  debug=$("$objdump" -h "$found" | awk '$2 ~ /^\.debug_/ { print $2 }')
  if [ -n "$debug" ]; then
    echo "FAIL install: ${found#"$prefix"/} carries debugging sections:" $debug
    status=1
  fi
done
libraries=$(find "$prefix" -iname '*cdsdk*' -o -iname '*prsdk*' -o -iname '*edsdk*')
if [ -n "$libraries" ]; then
  echo "FAIL install: holds camera libraries:" ${libraries//"$prefix"\//}
  status=1
fi
if [ -n "$(find "$prefix" -maxdepth 1 -iname '*.exe')" ]; then
  bash "$here/check-imports.sh" "$scratch" | sed 's/^/install: /' || status=1
fi
echo "install of $build:" $(cd "$prefix" && find . -type f | sed 's|^\./||' | sort)
[ $status -ne 0 ] || echo "ok   install: the three programs, stripped, no camera library"
exit $status
