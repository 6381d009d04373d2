#!/usr/bin/env bash
# Builds the fuzz targets and runs each for the given seconds (default 60), at most
# KORIM_FUZZ_JOBS (default 3) at once; arguments after the time name the targets to run
# (default all, e.g. "pdb dc"). Findings land in build/fuzz/findings/<target>/, logs in
# build/fuzz/logs/; a finding's input belongs in tests/fuzz/regressions/<target>/ once fixed.
set -uo pipefail
cd "$(dirname "$0")/.."
. scripts/deps.sh
. scripts/fuzz_build.sh || exit 1
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=($(ls tests/fuzz/corpus))
jobs_max=${KORIM_FUZZ_JOBS:-3}

run_one() {
  local t=$1 work=build/fuzz/corpus/$1 found=build/fuzz/findings/$1
  mkdir -p "$work" "$found" build/fuzz/logs
  local dict=()
  [ -f "tests/fuzz/$t.dict" ] && dict=(-dict="tests/fuzz/$t.dict")
  local seeds=(tests/fuzz/corpus/"$t")
  [ -d "tests/fuzz/regressions/$t" ] && seeds+=(tests/fuzz/regressions/"$t")
  "$korim_fuzz_bin/fuzz_$t" "$work" "${seeds[@]}" "${dict[@]}" -max_total_time="$seconds" \
    -timeout=10 -rss_limit_mb=2048 -max_len=16384 -close_fd_mask=3 \
    -artifact_prefix="$found/" >"build/fuzz/logs/$t.log" 2>&1
}

for t in "${targets[@]}"; do
  while [ "$(jobs -rp | wc -l)" -ge "$jobs_max" ]; do wait -n; done
  echo "korim: fuzzing $t for $seconds s"
  run_one "$t" &
done
wait

status=0
for t in "${targets[@]}"; do
  log=build/fuzz/logs/$t.log
  runs=$(grep -o 'Done [0-9]* runs in [0-9]* second' "$log" | tail -1)
  found=$(ls build/fuzz/findings/"$t" 2>/dev/null | wc -l)
  if [ "$found" -gt 0 ] || [ -z "$runs" ]; then
    echo "korim: $t: FINDING ($found input(s) in build/fuzz/findings/$t, log $log)"
    status=1
  else
    echo "korim: $t: $runs(s), no finding"
  fi
done
exit $status
