#!/usr/bin/env bash
# Runs the tests of the 32-bit Windows build (build-win32, already built) under 32-bit Wine: makes
# the Wine prefix first, then runs the build's ctest. The test command runs this directly where
# the kernel runs 32-bit programs, and in the emulated machine (scripts/guest32.sh) elsewhere.
# Exits with ctest's status.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
export WINEPREFIX="$root/build-win32/wineprefix"
started=$SECONDS
# Making a prefix takes minutes under emulation: done here, it is not charged to the first test.
scripts/wine32-run
echo "Wine prefix ready after $((SECONDS - started)) s"
status=0
ctest --test-dir build-win32 --output-on-failure || status=$?
# A crash leaves winedbg and the server behind; the next run starts clean.
wineserver -k 2>/dev/null || true
echo "32-bit tests under 32-bit Wine: $((SECONDS - started)) s, ctest status $status"
exit $status
