// Entry point of the benchmark program (every bench/*.cpp registers its own cases).
#include <benchmark/benchmark.h>

BENCHMARK_MAIN();
