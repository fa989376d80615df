# run_one <fuzzer> <seconds> <corpus-dir> <artifact-dir>: one target for a time, seeded
# from fuzz/corpus/<name>; prints runs and inputs per second, or the failure.
run_one() {
  local f=$1 secs=$2 corpus=$3 artifacts=$4 name seeds=() log rc=0
  name=$(basename "$f")
  [ -d "$here/corpus/$name" ] && seeds=("$here/corpus/$name")
  mkdir -p "$corpus" "$artifacts"
  log=$artifacts/$name.log
  "$f" -max_total_time="$secs" -rss_limit_mb=2048 -artifact_prefix="$artifacts/" \
    "$corpus" "${seeds[@]}" >"$log" 2>&1 || rc=$?
  if [ $rc -ne 0 ]; then
    echo "fuzz: $name FAILED"; tail -n 40 "$log"
    ls "$artifacts"/crash-* "$artifacts"/leak-* "$artifacts"/timeout-* "$artifacts"/oom-* 2>/dev/null || true
    return 1
  fi
  local runs time
  runs=$(sed -n 's/^Done \([0-9]*\) runs in \([0-9]*\) second.*/\1/p' "$log")
  time=$(sed -n 's/^Done \([0-9]*\) runs in \([0-9]*\) second.*/\2/p' "$log")
  [ -n "$time" ] && [ "$time" -gt 0 ] || time=1
  printf 'fuzz: %-26s %9s runs  %7s exec/s  %s\n' "$name" "${runs:-?}" "$(( ${runs:-0} / time ))" \
    "$(grep -oE 'cov: [0-9]+' "$log" | tail -n 1)"
}
