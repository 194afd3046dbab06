#!/usr/bin/env bash
# Fuzzes the core with libFuzzer: builds the core and the fuzz targets with clang, libFuzzer,
# AddressSanitizer and UndefinedBehaviorSanitizer in build-fuzz (no Qt), then runs every target
# for SECONDS (default 60) seeded with its corpus in fuzz/corpus/<target>/. New inputs the runs
# find go to a scratch folder (VARNOTILE_FUZZ_SCRATCH, default build-fuzz/scratch), never into
# the repository. Fails when a target finds a crash, a hang, a leak or a broken check; the input
# is then kept as build-fuzz/artifacts/<target>/crash-* (or timeout-*, leak-*, oom-*).
#   scripts/fuzz.sh [SECONDS] [TARGET...]     targets: load settings number (default all)
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${VARNOTILE_FUZZ_BUILD:-$ROOT/build-fuzz}"
SECONDS_PER_TARGET="${1:-60}"
shift || true
TARGETS=("$@")
if [ ${#TARGETS[@]} -eq 0 ]; then TARGETS=(load settings number); fi
SCRATCH="${VARNOTILE_FUZZ_SCRATCH:-$BUILD/scratch}"

cmake -S "$ROOT" -B "$BUILD" -G Ninja -DVARNOTILE_FUZZ=ON \
  -DCMAKE_CXX_COMPILER="${CXX_FUZZ:-clang++}" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
ninja -C "$BUILD" $(printf '%s_fuzz ' "${TARGETS[@]}") >/dev/null

status=0
for target in "${TARGETS[@]}"; do
  corpus="$ROOT/fuzz/corpus/$target"
  found="$SCRATCH/$target"
  artifacts="$BUILD/artifacts/$target"
  mkdir -p "$found" "$artifacts"
  log="$BUILD/fuzz-$target.log"
  echo "== $target: ${SECONDS_PER_TARGET}s, seeds from fuzz/corpus/$target"
  # The first folder receives new inputs; the corpus in the repository is only read.
  if "$BUILD/bin/${target}_fuzz" "$found" "$corpus" \
      -max_total_time="$SECONDS_PER_TARGET" -rss_limit_mb=2048 -timeout=10 -max_len=8192 \
      -print_final_stats=1 -artifact_prefix="$artifacts/" >"$log" 2>&1; then
    result=ok
  else
    result=FAILED
    status=1
  fi
  # The last status line carries the executions and the coverage (cov: edges, ft: features).
  last="$(grep -E '^#[0-9]+' "$log" | tail -n 1 || true)"
  execs="$(grep -E '^stat::number_of_executed_units' "$log" | awk '{print $2}' || true)"
  echo "   $result: executions ${execs:-?}; ${last}"
  if [ "$result" = FAILED ]; then
    grep -E 'check failed|ERROR:|SUMMARY|Test unit written' "$log" | head -n 8 | sed 's/^/   /' || true
    echo "   full log: $log"
  fi
done
exit $status
