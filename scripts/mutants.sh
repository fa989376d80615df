#!/usr/bin/env bash
# A small mutation checker: applies each plausible fault from a list to a scratch copy of
# the tree, builds it incrementally, runs the tests that should notice, and reports whether
# they did. Slow, so not part of CI; run it before closing work that changes tests.
#
# usage: scripts/mutants.sh [-n] [-l list] [-w scratch-dir] [-t seconds-per-test] [-m name-regex]
#   -n  only check that every mutant applies (no build, no tests)
#   -l  mutant list (default scripts/mutants.txt)
#   -w  scratch directory, kept between runs so its build is reused (default /tmp/lx-mutants)
#   -t  CTest time limit per test (default 60)
#   -m  run only the mutants whose name matches this regex
#
# List format: one mutant a line, fields separated by TABs, '#' starts a comment line:
#   name  file  where  from-text  to-text  ctest-regex
# "where" is a line number (from-text must occur on that line) or "-" (from-text must occur
# exactly once in the file; use this for files that still change often). Exactly the first
# occurrence on the line is replaced. In the texts, \t stands for a TAB. A line
# "@name<TAB>regex" names a regex; "@name" in a mutant's regex stands for it.
set -uo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
list=$here/scripts/mutants.txt
work=/tmp/lx-mutants
limit=60
only=.
dry=0
while getopts "nl:w:t:m:" o; do
  case $o in
    n) dry=1 ;; l) list=$OPTARG ;; w) work=$OPTARG ;; t) limit=$OPTARG ;; m) only=$OPTARG ;;
    *) sed -n '2,19p' "$0"; exit 2 ;;
  esac
done
src=$work/src
build=$work/build
log=$work/log
mkdir -p "$src" "$log"

echo "mutants: copying the tree to $src"
# The files git knows (committed or not, but not ignored). Only those that differ from the
# scratch copy are copied, with a fresh time, so its build redoes just what changed.
stage=$work/stage
rm -rf "$stage" && mkdir -p "$stage"
(cd "$here" && git ls-files -z -co --exclude-standard | tar --null -cf - -T -) | tar -xf - -C "$stage"
(cd "$stage" && find . -type f -print0) | while IFS= read -r -d '' f; do
  cmp -s "$stage/$f" "$src/$f" || { mkdir -p "$(dirname "$src/$f")" && cp "$stage/$f" "$src/$f"; }
done
if [ $dry = 0 ]; then
export CCACHE_BASEDIR=$work
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
# lld, when there, links the many test programs a mutant touches much faster.
command -v ld.lld >/dev/null && launcher+=(-DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=lld)
cmake -S "$src" -B "$build" -G Ninja -DLX_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug "${launcher[@]}" >"$log/configure" 2>&1 ||
  { echo "mutants: configure failed (see $log/configure)"; exit 2; }
echo "mutants: building the unchanged tree"
cmake --build "$build" -j "$(nproc)" >"$log/build" 2>&1 || { echo "mutants: the unchanged tree does not build"; exit 2; }
fi

# apply <file> <where> <from> <to>: edits the scratch copy; non-zero with a reason when the
# anchor is not found or not unique.
apply() {
  python3 - "$@" <<'PY'
import sys
path, where, old, new = sys.argv[1:5]
old, new = old.replace("\\t", "\t"), new.replace("\\t", "\t")
text = open(path, encoding="utf-8", errors="surrogateescape").read()
if where == "-":
    n = text.count(old)
    if n != 1:
        sys.exit(f"text found {n} times")
    text = text.replace(old, new, 1)
else:
    lines = text.split("\n")
    i = int(where) - 1
    if i < 0 or i >= len(lines) or old not in lines[i]:
        sys.exit("text not on that line")
    lines[i] = lines[i].replace(old, new, 1)
    text = "\n".join(lines)
open(path, "w", encoding="utf-8", errors="surrogateescape").write(text)
PY
}

caught=0 survived=0 broken=0 total=0
survivors=()
declare -A alias=()
# The list comes in on its own descriptor: a test that reads its standard input must not eat
# lines of it.
while IFS=$'\t' read -r -u 3 name file where from to regex rest; do
  [[ -z "$name" || "$name" == \#* ]] && continue
  if [[ "$name" == @* ]]; then alias[$name]=$file; continue; fi
  [[ "$name" =~ $only ]] || continue
  for a in "${!alias[@]}"; do regex=${regex//$a/${alias[$a]}}; done
  total=$((total + 1))
  target=$src/$file
  if [ -z "$regex" ] || [ ! -f "$target" ]; then
    echo "BROKEN   $name: bad line or no file $file"; broken=$((broken + 1)); continue
  fi
  cp "$target" "$work/original"
  if ! why=$(apply "$target" "$where" "$from" "$to" 2>&1); then
    echo "BROKEN   $name: $why"; broken=$((broken + 1)); continue
  fi
  if [ $dry = 1 ]; then
    cat "$work/original" >"$target"; echo "applies  $name"; continue
  fi
  if ! cmake --build "$build" -j "$(nproc)" >"$log/$name.build" 2>&1; then
    echo "BROKEN   $name: does not compile (see $log/$name.build)"; broken=$((broken + 1))
  elif [ "$(ctest --test-dir "$build" -N -R "$regex" | grep -c 'Test *#')" = 0 ]; then
    echo "BROKEN   $name: no test matches '$regex'"; broken=$((broken + 1))
  elif ctest --test-dir "$build" -R "$regex" -j "$(nproc)" --timeout "$limit" >"$log/$name.test" 2>&1; then
    echo "SURVIVED $name ($file: '$from' -> '$to')"; survived=$((survived + 1)); survivors+=("$name")
  else
    echo "caught   $name"; caught=$((caught + 1))
  fi
  # A fresh time stamp, so the next build compiles the restored file again.
  cat "$work/original" >"$target"
done 3<"$list"
# Leave the scratch build matching the unchanged tree.
[ $dry = 1 ] || cmake --build "$build" -j "$(nproc)" >/dev/null 2>&1

valid=$((caught + survived))
pct=0
[ "$valid" -gt 0 ] && pct=$((100 * caught / valid))
echo "mutants: $caught caught, $survived survived, $broken broken, of $total ($pct% of the valid ones caught)"
[ ${#survivors[@]} -gt 0 ] && echo "survivors: ${survivors[*]}"
[ "$broken" -eq 0 ] && [ "$survived" -eq 0 ]
