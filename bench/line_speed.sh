#!/usr/bin/env bash
# Modem-speed playback: a phone-book entry at 9600 bps receives 60 seconds' worth of a
# BBS-like ANSI stream and a cursor position request; the answer's time against 60 s is the
# pacing error, and the program's CPU over the run is measured beside it (80x25, font 1).
# Targets: pacing error under 1%, CPU under 2% of one core.
# usage: bench/line_speed.sh [build-dir] [seconds] [repeat]   (repeat > 1 reports medians)
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
[ -x "$dir/lanternyx" ] || cmake --build "$dir" --target lanternyx
exec python3 bench/session_measure.py "$dir/lanternyx" pace "${2:-60}" "${3:-1}"
