#!/usr/bin/env bash
# Builds only the program (not the tests and benchmarks) into ./build and
# starts it; arguments go to the program, e.g. scripts/run.sh telnet://host:23/
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja >/dev/null
cmake --build build --target lanternyx -j "$(nproc)"
exec ./build/lanternyx "$@"
