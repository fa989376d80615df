#!/usr/bin/env bash
# CPU time of an idle lanternyx window over 10 seconds under Xvfb, at 80x25
# with font 1 and at 160x60 with font 3. Target: under 2% of one core.
# usage: bench/idle_cpu.sh [build-dir] [seconds]
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
secs=${2:-10}
[ -x "$dir/lanternyx" ] || cmake --build "$dir" --target lanternyx
python3 - "$dir/lanternyx" "$secs" <<'PY'
import sys, time
sys.path.insert(0, "tests/app")
import gui_harness as gh

binary, secs = sys.argv[1], float(sys.argv[2])
cases = [("80x25 font 1", {"win_size": 0}),
         ("160x60 font 3", {"win_size": 0, "column_size": 160, "row_size": 60, "upscale": 1})]
with gh.Display(2600, 2000) as display:
    for name, ini in cases:
        with gh.Program(binary, display, ini=ini) as prog:
            prog.wait_window()
            time.sleep(1.0)  # let start-up settle
            c0, t0 = prog.cpu_seconds(), time.monotonic()
            time.sleep(secs)
            c1, t1 = prog.cpu_seconds(), time.monotonic()
            prog.stop()
            print(f"{name}: {c1 - c0:.2f} s CPU in {t1 - t0:.1f} s = {100 * (c1 - c0) / (t1 - t0):.2f}% of one core")
PY
