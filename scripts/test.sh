#!/usr/bin/env bash
# Builds (if needed) and runs the whole test suite with CTest.
# usage: scripts/test.sh [build-dir [cmake options...]]
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}; shift || true
bash scripts/build.sh "$dir" "$@"
ctest --test-dir "$dir" --output-on-failure -j "$(nproc)"
