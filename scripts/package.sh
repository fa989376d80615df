#!/usr/bin/env bash
# Builds the program (only) and makes the Debian package
# <build-dir>/package/lanternyx_<version>_<arch>.deb; prints its path.
# usage: scripts/package.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
cmake -S . -B "$dir" -G Ninja >/dev/null
cmake --build "$dir" --target lanternyx -j "$(nproc)" >/dev/null
rm -rf "$dir/package"
cpack --config "$dir/CPackConfig.cmake" -B "$dir/package" >"$dir/cpack.log" 2>&1 \
  || { cat "$dir/cpack.log"; exit 1; }
ls "$dir"/package/lanternyx_*.deb
