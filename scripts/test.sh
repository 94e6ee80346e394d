#!/usr/bin/env bash
# Installs what is missing, builds every build (native debug with sanitizers, native release,
# 32-bit and 64-bit Windows, the fuzzer) and runs every test, the Windows builds' under 32-bit and
# 64-bit Wine (the 32-bit ones in an emulated machine where this kernel runs no 32-bit programs).
# Exits non-zero on any failure.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
jobs=$(nproc)

bash scripts/install-deps.sh all
bash scripts/check-format.sh

step() { printf '\n==== %s\n' "$*"; }

step "native debug build (AddressSanitizer, UndefinedBehaviorSanitizer) and tests"
cmake -S . -B build-debug -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTIMELAPSE_SANITIZE=ON
cmake --build build-debug -j "$jobs"
ctest --test-dir build-debug --output-on-failure -j "$jobs"

step "native release build"
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DTIMELAPSE_TESTS=OFF
cmake --build build-release -j "$jobs"

step "32-bit Windows build (the real target) and its tests under 32-bit Wine"
cmake -S . -B build-win32 -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake
cmake --build build-win32 -j "$jobs"
bash scripts/check-imports.sh build-win32
bash simcam/check-exports.sh build-win32
bash scripts/check-install.sh build-win32
# Where the kernel runs 32-bit programs the tests run directly; where it runs none (built
# without, or booted with it off), in an emulated machine whose kernel does. Only a person may
# skip them, by hand, with TIMELAPSE_SKIP_32BIT_TESTS=1.
if /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
  echo "32-bit tests: run directly (this kernel runs 32-bit programs)"
  bash scripts/test-win32.sh
elif [ "${TIMELAPSE_SKIP_32BIT_TESTS:-}" = 1 ]; then
  echo "!!!! 32-BIT TESTS NOT RUN: skipped by TIMELAPSE_SKIP_32BIT_TESTS=1 (this kernel runs no 32-bit programs)"
else
  echo "32-bit tests: run in an emulated machine (this kernel runs no 32-bit programs)"
  bash scripts/guest32.sh bash scripts/test-win32.sh
  echo "32-bit tests passed in the emulated machine"
fi

step "64-bit Windows build and its tests under Wine"
cmake -S . -B build-win64 -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake
cmake --build build-win64 -j "$jobs"
bash scripts/check-imports.sh build-win64
export WINEPREFIX="$root/build-win64/wineprefix"
ctest --test-dir build-win64 --output-on-failure
wineserver -k 2>/dev/null || true

step "fuzzing the protocol readers (30 s)"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DTIMELAPSE_TESTS=OFF -DTIMELAPSE_FUZZ=ON
cmake --build build-fuzz -j "$jobs" --target protocol_fuzz
mkdir -p build-fuzz/corpus
(cd build-fuzz && ./bin/protocol_fuzz -max_total_time=30 -print_final_stats=1 corpus)

step "all tests passed"
