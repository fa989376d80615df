#!/usr/bin/env bash
# A 20 MB BBS-like ANSI stream over loopback telnet, timed to the answer of the cursor
# position request sent right after it, at 80x25 font 1 and 160x60 font 3 (once more
# scrolling every line); xterm shows the same streams for comparison.
# Target: at least 20 times as fast as xterm at 80x25.
# usage: bench/session_stream.sh [build-dir] [MB] [repeat]   (repeat > 1 reports medians)
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
[ -x "$dir/lanternyx" ] || cmake --build "$dir" --target lanternyx
exec python3 bench/session_measure.py "$dir/lanternyx" stream "${2:-20}" "${3:-1}"
