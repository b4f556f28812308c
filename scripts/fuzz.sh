#!/usr/bin/env bash
# Fuzzes the link label's parser and layout together with libFuzzer for a
# bounded time:   scripts/fuzz.sh [seconds]    (default 60)
# Builds build/fuzz with clang (-fsanitize=fuzzer,address) and exits non-zero
# when the fuzzer finds a crash, a leak, a hang (10 s per input) or a failed
# check. Findings are kept in build/fuzz/artifacts, the grown corpus in
# build/fuzz/corpus for the next run.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
cd "$ROOT"

RUN_SECONDS="${1:-60}"
case "$RUN_SECONDS" in
  ''|*[!0-9]*) echo "usage: $0 [seconds]" >&2; exit 2 ;;
esac

"$ROOT/scripts/bootstrap.sh" >/dev/null

BUILD="$ROOT/build/fuzz"
FUZZ_SRC="$ROOT/tests/widgets/linklabel/fuzz"
JOBS="${NIMBREL_JOBS:-$(nproc)}"

cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_C_FLAGS="-fsanitize=address,fuzzer-no-link -fno-omit-frame-pointer" \
  -DCMAKE_CXX_FLAGS="-fsanitize=address,fuzzer-no-link -fno-omit-frame-pointer" \
  -DNIMBREL_FUZZ=ON >/dev/null
cmake --build "$BUILD" --target linklabel_fuzz -j "$JOBS"

mkdir -p "$BUILD/corpus" "$BUILD/artifacts"
echo "fuzz: linklabel_fuzz for ${RUN_SECONDS} s"
set +e
"$BUILD/tests/widgets/linklabel/fuzz/linklabel_fuzz" \
  -max_total_time="$RUN_SECONDS" -timeout=10 -rss_limit_mb=2048 \
  -dict="$FUZZ_SRC/linklabel.dict" \
  -artifact_prefix="$BUILD/artifacts/" \
  -print_final_stats=1 \
  "$BUILD/corpus" "$FUZZ_SRC/seeds" 2>"$BUILD/fuzz.log"
rc=$?
set -e
grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb|#[0-9]+ *DONE)' "$BUILD/fuzz.log" || true
if [ "$rc" -ne 0 ]; then
  echo "fuzz: FAILED (exit $rc); see $BUILD/fuzz.log and $BUILD/artifacts/"
  tail -40 "$BUILD/fuzz.log"
  exit 1
fi
echo "fuzz: no crash, leak or hang in ${RUN_SECONDS} s"
