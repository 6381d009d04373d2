#!/usr/bin/env bash
# Builds korim with AddressSanitizer and UndefinedBehaviorSanitizer and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/deps.sh
cmake -S . -B build/test -DCMAKE_BUILD_TYPE=Debug -DKORIM_SANITIZE=ON \
      -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" >/dev/null
cmake --build build/test -j"$korim_jobs"
ctest --test-dir build/test --output-on-failure -j"$korim_jobs"

scripts/check_layers.sh build/test

# The fuzz targets over their seed corpus and the saved regression inputs: each input once.
# A machine without clang skips them; targets that do not build fail the run.
fuzz_status=0
. scripts/fuzz_build.sh || fuzz_status=$?
[ "$fuzz_status" -eq 1 ] && exit 1
if [ "$fuzz_status" -eq 0 ]; then
  for src in tests/fuzz/fuzz_*.cpp; do
    t=$(basename "$src" .cpp); t=${t#fuzz_}
    [ "$t" = file ] && continue
    inputs=$(find tests/fuzz/corpus/"$t" tests/fuzz/regressions/"$t" -type f 2>/dev/null | sort || true)
    [ -z "$inputs" ] && continue
    # shellcheck disable=SC2086
    if ! "$korim_fuzz_bin/fuzz_$t" $inputs >"build/fuzz/regression_$t.log" 2>&1; then
      echo "korim: fuzz regression $t FAILED (build/fuzz/regression_$t.log)"
      exit 1
    fi
    echo "korim: fuzz regression $t: $(echo "$inputs" | wc -l) inputs passed"
  done
fi
