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
