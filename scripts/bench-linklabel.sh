#!/usr/bin/env bash
# Builds the link label benchmark in a release build of its own (build/bench)
# and prints the parse-and-layout time per caption and per character for
# captions of 1 KB, 10 KB and 100 KB.
# Growth must be linear: the 100 KB caption may cost about ten times the
# 10 KB one. Time on these shared machines is noisy and caches make long
# captions somewhat dearer per character, so when valgrind is installed the
# verdict comes from instruction counts (limit 11x); otherwise from CPU
# time (limit 15x).
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
cd "$ROOT"

"$ROOT/scripts/bootstrap.sh" >/dev/null

BUILD="$ROOT/build/bench"
JOBS="${NIMBREL_JOBS:-$(nproc)}"
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$BUILD" --target linklabel_bench -j "$JOBS" >/dev/null
BENCH="$BUILD/tests/widgets/linklabel/bench/linklabel_bench"

JSON="$BUILD/linklabel_bench.json"
"$BENCH" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true \
  --benchmark_out="$JSON" --benchmark_out_format=json

INSTR=""
if command -v valgrind >/dev/null; then
  count() {
    valgrind --tool=callgrind --callgrind-out-file=/dev/null "$BENCH" "--once=$1" 2>&1 |
      sed -n 's/.*Collected : \([0-9]*\).*/\1/p'
  }
  # A run without caption gives the fixed start-up cost.
  INSTR="$(count 0) $(count 1024) $(count 10240) $(count 102400)"
fi

python3 - "$JSON" "$INSTR" <<'PY'
import json, sys
runs = json.load(open(sys.argv[1]))["benchmarks"]
median = {r["run_name"]: r for r in runs if r.get("aggregate_name") == "median"}
print()
print("CPU time, median of 3:")
print(f"{'benchmark':<28}{'chars':>8}{'per caption':>16}{'per char':>12}")
time_ratio = 0.0
for family in ("BM_ParseAndLayout", "BM_Relayout"):
    times = {}
    for size in (1024, 10240, 102400):
        r = median[f"{family}/{size}"]
        us = r["cpu_time"]  # microseconds
        chars = int(r.get("label", f"{size} chars").split()[0])
        times[size] = us
        print(f"{family + '/' + str(size // 1024) + 'K':<28}{chars:>8}{us:>13.1f} us{us * 1000 / chars:>9.1f} ns")
    ratio = times[102400] / times[10240]
    time_ratio = max(time_ratio, ratio)
    print(f"{family}: 100 KB / 10 KB = {ratio:.1f}")

counts = sys.argv[2].split()
if len(counts) == 4:
    base, k1, k10, k100 = (int(c) for c in counts)
    print()
    print("Instructions for parse + first layout + second layout (valgrind):")
    for name, size, n in (("1K", 1024, k1), ("10K", 10240, k10), ("100K", 102400, k100)):
        print(f"  {name:<5}{n - base:>13,} instructions{(n - base) / size:>9.1f} per char")
    instr_ratio = (k100 - base) / (k10 - base)
    print(f"  100 KB / 10 KB = {instr_ratio:.2f}")
    ok = instr_ratio <= 11
else:
    print("(valgrind not installed: verdict from CPU time)")
    ok = time_ratio <= 15
print("linear growth:", "yes" if ok else "NO")
sys.exit(0 if ok else 1)
PY
