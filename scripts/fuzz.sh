#!/usr/bin/env bash
# Runs every fuzz target in turn for its share of SECONDS (default 600) on the corpus kept in the
# build folder, which grows from run to run, and prints runs, runs per second and findings per
# target. A target that stops on a finding starts again for the rest of its share. Findings are
# kept as BUILD/fuzz/findings/<target>/crash-* (leak-, timeout-, oom-); the exit status is 1 when
# there is one.
#   scripts/fuzz.sh [SECONDS]      BUILD_DIR selects the build folder (default build)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
seconds=${1:-600}
build=$(realpath -m "${BUILD_DIR:-build}")
fuzz=$build/fuzz
targets=(datetime tal header file findings repair fieldkind)
share=$(( (seconds + ${#targets[@]} - 1) / ${#targets[@]} ))

clangxx=$(command -v clang++ || true)
if [ -z "$clangxx" ]; then
  echo "fuzz.sh: clang++ not found" >&2
  exit 2
fi
cmake -S fuzz/project -B "$fuzz/clang" -DCMAKE_CXX_COMPILER="$clangxx" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELASTRIN_ROOT="$root" >/dev/null
cmake --build "$fuzz/clang" -j"$(nproc)" >/dev/null
"$fuzz/clang/fuzz_seeds" "$fuzz/seeds" "$fuzz/dicts"

log=$(mktemp)
trap 'rm -f "$log"' EXIT
total_runs=0
total_findings=0
printf '%-10s %12s %10s %9s %8s\n' target runs runs/s findings corpus
for target in "${targets[@]}"; do
  corpus=$fuzz/corpus/$target
  findings=$fuzz/findings/$target
  mkdir -p "$corpus" "$findings"
  before=$(find "$findings" -type f ! -name '*.log' | wc -l)
  runs=0
  start=$(date +%s)
  while :; do
    left=$(( share - ($(date +%s) - start) ))
    [ "$left" -gt 0 ] || break
    "$fuzz/clang/${target}_fuzzer" -max_total_time="$left" -max_len=65536 -timeout=30 \
      -rss_limit_mb=2048 -dict="$fuzz/dicts/$target.dict" -print_final_stats=1 \
      -artifact_prefix="$findings/" "$corpus" "$fuzz/seeds/$target" >"$log" 2>&1 || true
    done_runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    runs=$(( runs + ${done_runs:-0} ))
    # A run that stopped without a finding has used its time.
    if ! grep -q 'ERROR: libFuzzer\|ERROR: AddressSanitizer\|runtime error\|check failed' "$log"; then
      break
    fi
    tail -n 40 "$log" >"$findings/last-finding.log"
  done
  elapsed=$(( $(date +%s) - start ))
  found=$(( $(find "$findings" -type f ! -name '*.log' | wc -l) - before ))
  [ "$found" -ge 0 ] || found=0
  printf '%-10s %12d %10d %9d %8d\n' "$target" "$runs" $(( runs / (elapsed > 0 ? elapsed : 1) )) \
    "$found" "$(find "$corpus" -type f | wc -l)"
  total_runs=$(( total_runs + runs ))
  total_findings=$(( total_findings + found ))
done
printf '%-10s %12d %10s %9d\n' total "$total_runs" "" "$total_findings"
[ "$total_findings" -eq 0 ]
