#!/usr/bin/env bash
# Fails when a C++ source of ours differs from what clang-format makes of it.
set -euo pipefail
cd "$(dirname "$0")/.."
git ls-files -z -- '*.cpp' '*.h' | xargs -0 -r clang-format --dry-run --Werror
echo "format: ok"
