#!/usr/bin/env bash
# CPU of a connected, idle session over 10 seconds. Target: under 2% of one core.
# usage: bench/session_idle.sh [build-dir] [seconds]
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
[ -x "$dir/lanternyx" ] || cmake --build "$dir" --target lanternyx
exec python3 bench/session_measure.py "$dir/lanternyx" idle ${2:-10}
