#!/usr/bin/env bash
# Installs a build into a scratch prefix, as a user takes it, and fails unless that holds the three
# programs and no camera library: the vendor's CDSDK.DLL, PRSDK.DLL and EDSDK.DLL go beside the
# programs, and a stand-in there would run every camera simulated.
# Usage: scripts/check-install.sh BUILD_DIR
set -euo pipefail
build=$1
prefix=$(mktemp -d "${TMPDIR:-/tmp}/timelapse_install.XXXXXX")
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
status=0
for program in torvane pellmark quensil; do
  found=$(find "$prefix" -type f \( -name "$program" -o -iname "$program.exe" \))
  if [ -z "$found" ]; then
    echo "FAIL install: $program is missing"
    status=1
  fi
done
libraries=$(find "$prefix" -iname '*cdsdk*' -o -iname '*prsdk*' -o -iname '*edsdk*')
if [ -n "$libraries" ]; then
  echo "FAIL install: holds camera libraries:" ${libraries//"$prefix"\//}
  status=1
fi
echo "install of $build:" $(cd "$prefix" && find . -type f | sed 's|^\./||' | sort)
[ $status -ne 0 ] || echo "ok   install: the three programs, no camera library"
exit $status
