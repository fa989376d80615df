#!/usr/bin/env bash
# A 20 MB BBS-like ANSI stream over loopback telnet, timed to the answer of the cursor
# position request sent right after it; xterm shows the same stream for comparison.
# Target: at least five times as fast as xterm.
# usage: bench/session_stream.sh [build-dir] [MB]
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
[ -x "$dir/lanternyx" ] || cmake --build "$dir" --target lanternyx
exec python3 bench/session_measure.py "$dir/lanternyx" stream ${2:-20}
