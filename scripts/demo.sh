#!/usr/bin/env bash
# Installs what is missing, builds the native release tree and shows what the system does so far.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/install-deps.sh native
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DTIMELAPSE_TESTS=ON \
  -DGTEST_SOURCE_DIR=/usr/src/googletest
cmake --build build-release -j "$(nproc)" --target protocol_tests
./build-release/bin/protocol_tests --gtest_brief=0
