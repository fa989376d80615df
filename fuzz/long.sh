#!/usr/bin/env bash
# Longer fuzzing before a release: every target of a fuzz build for the given time each,
# with its corpus kept between runs in <corpus-root>/<target> (seeded from fuzz/corpus).
# Crashes are kept beside the corpus, in <corpus-root>/artifacts.
# usage: fuzz/long.sh <build-dir> [seconds-per-target] [corpus-root]
set -euo pipefail
build=${1:?build directory}
secs=${2:-600}
root=${3:-$build/fuzz-corpus}
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=fuzz/run_one.sh
source "$here/run_one.sh"
shopt -s nullglob
status=0
for f in "$build"/fuzzers/*; do
  [ -x "$f" ] || continue
  name=$(basename "$f")
  run_one "$f" "$secs" "$root/$name" "$root/artifacts" || status=1
  echo "fuzz: $name corpus: $(ls "$root/$name" | wc -l) inputs in $root/$name"
done
exit $status
