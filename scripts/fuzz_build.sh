#!/usr/bin/env bash
# Configures and builds the libFuzzer targets (clang, sanitizers) in build/fuzz; sourced by
# fuzz.sh and test.sh. Sets korim_fuzz_bin; returns 2 with a message when clang or its fuzzer
# runtime is missing, and 1 when the targets do not build.
korim_fuzz_bin=build/fuzz/tests/fuzz
if ! command -v clang++ >/dev/null 2>&1 ||
   ! ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-*.a >/dev/null 2>&1; then
  echo "korim: clang++ with the libFuzzer runtime is not installed; fuzz targets skipped"
  return 2
fi
cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" \
      -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DKORIM_FUZZ=ON \
      -DKORIM_TESTS=OFF -DKORIM_BENCH=OFF >/dev/null || return 1
korim_fuzz_targets=$(cd tests/fuzz && ls fuzz_*.cpp | sed 's/\.cpp$//' | grep -v '^fuzz_file$')
# shellcheck disable=SC2086
if ! cmake --build build/fuzz -j"${korim_jobs:-3}" --target $korim_fuzz_targets >build/fuzz/build.log 2>&1; then
  tail -n 30 build/fuzz/build.log
  echo "korim: the fuzz targets do not build (build/fuzz/build.log)"
  return 1
fi
# Leak reports are off: several tables (restraint tables, module state) live for the whole run
# by design and have no release, so a report would not point at a fault.
export ASAN_OPTIONS="detect_leaks=0:abort_on_error=0:strict_string_checks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
return 0
