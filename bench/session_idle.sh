#!/usr/bin/env bash
# CPU of the idle program, window alone and connected (the same as bench/idle_cpu.sh).
# usage: bench/session_idle.sh [build-dir] [seconds] [repeat]
exec "$(dirname "$0")/idle_cpu.sh" "$@"
