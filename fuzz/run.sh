#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for a short time and prints its speed.
# usage: fuzz/run.sh <build-dir> [seconds-per-target]
# New inputs go to a scratch directory; fuzz/long.sh keeps them between runs.
set -euo pipefail
build=${1:?build directory}
secs=${2:-30}
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=fuzz/run_one.sh
source "$here/run_one.sh"
shopt -s nullglob
status=0
for f in "$build"/fuzzers/*; do
  [ -x "$f" ] || continue
  work=$(mktemp -d)
  run_one "$f" "$secs" "$work" "$work" || status=1
  rm -rf "$work"
done
exit $status
