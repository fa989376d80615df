#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for a short time.
# usage: fuzz/run.sh <build-dir> [seconds-per-target]
set -euo pipefail
build=${1:?build directory}
secs=${2:-30}
here=$(cd "$(dirname "$0")" && pwd)
shopt -s nullglob
status=0
for f in "$build"/fuzzers/*; do
  [ -x "$f" ] || continue
  name=$(basename "$f")
  work=$(mktemp -d)
  seeds=()
  [ -d "$here/corpus/$name" ] && seeds=("$here/corpus/$name")
  echo "fuzz: $name for ${secs}s"
  if ! "$f" -max_total_time="$secs" -rss_limit_mb=2048 -artifact_prefix="$work/" "$work" "${seeds[@]}" >"$work/log" 2>&1; then
    echo "fuzz: $name FAILED"; tail -n 40 "$work/log"; status=1
    ls "$work"/crash-* "$work"/leak-* "$work"/timeout-* 2>/dev/null || true
  else
    grep -E '^#[0-9]+.*DONE' "$work/log" | tail -n 1 || true
  fi
done
exit $status
