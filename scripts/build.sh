#!/usr/bin/env bash
# Configures and builds Lanternyx into ./build (or the directory given).
# Extra arguments are passed to cmake's configure step.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}; shift || true
cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
cmake --build "$dir" -j "$(nproc)"
