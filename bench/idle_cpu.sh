#!/usr/bin/env bash
# CPU time of the idle program under Xvfb over 20 seconds, at 80x25 with font 1 and at
# 160x60 with font 3: the window alone and a connected, idle session.
# Targets: at most 1% of one core at 80x25, 2% at 160x60.
# usage: bench/idle_cpu.sh [build-dir] [seconds] [repeat]   (repeat > 1 reports medians)
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
[ -x "$dir/lanternyx" ] || cmake --build "$dir" --target lanternyx
exec python3 bench/session_measure.py "$dir/lanternyx" idle "${2:-20}" "${3:-1}"
