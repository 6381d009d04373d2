#!/usr/bin/env bash
# Installs what the build needs when it is missing (Debian); sourced by the other scripts, which
# then build and test with korim_jobs jobs (scripts/jobs.sh: JOBS, or the machine's cores).
. "$(dirname "${BASH_SOURCE[0]}")/jobs.sh"
korim_need=()
command -v cmake >/dev/null 2>&1 || korim_need+=(cmake)
command -v g++ >/dev/null 2>&1 || korim_need+=(g++)
command -v make >/dev/null 2>&1 || korim_need+=(make)
[ -f /usr/include/gtest/gtest.h ] || korim_need+=(libgtest-dev)
[ -f /usr/include/benchmark/benchmark.h ] || korim_need+=(libbenchmark-dev)
# clang with its sanitizer and libFuzzer runtimes, for the fuzz targets (tests/fuzz).
command -v clang++ >/dev/null 2>&1 || korim_need+=(clang)
ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-*.a >/dev/null 2>&1 ||
  korim_need+=(libclang-rt-dev)
if [ ${#korim_need[@]} -gt 0 ]; then
  echo "korim: installing ${korim_need[*]}"
  korim_sudo=""
  [ "$(id -u)" -ne 0 ] && korim_sudo="sudo"
  $korim_sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $korim_sudo apt-get install -y -qq "${korim_need[@]}"
fi
