#!/usr/bin/env bash
# Resident memory of the program after start-up. Target: under 60 MB.
# usage: bench/session_rss.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
[ -x "$dir/lanternyx" ] || cmake --build "$dir" --target lanternyx
exec python3 bench/session_measure.py "$dir/lanternyx" rss 
