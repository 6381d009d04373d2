// Monte-Carlo error estimate on the couplings (-mcDc) on the example: ubiquitin and its 63 N-H
// couplings, 1000 noisy fits per estimate; rate: fits per second.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

#include "couplings/dc.h"
#include "fitting/mapsimdc.h"
#include "settings/settings_null.h"
#include "structure/pdb.h"

using namespace korim;

namespace {

// Standard output and standard error go to /dev/null while it lives (progress lines, tables).
struct Silence {
  int saved[2];
  Silence() {
    std::fflush(stdout);
    std::fflush(stderr);
    for (int fd = 1; fd <= 2; fd++) {
      saved[fd - 1] = dup(fd);
      const int devnull = open("/dev/null", O_WRONLY);
      dup2(devnull, fd);
      close(devnull);
    }
  }
  ~Silence() {
    std::fflush(stdout);
    std::fflush(stderr);
    for (int fd = 1; fd <= 2; fd++) {
      dup2(saved[fd - 1], fd);
      close(saved[fd - 1]);
    }
  }
};

void BM_MonteCarloCouplings(benchmark::State& state) {
  const int trials = static_cast<int>(state.range(0));
  structure::PDBInfo pdb{};
  structure::PDBSelectInfo sel{};
  couplings::DTable tab{};
  settings::KorimInfo k{};
  structure::pdbNull(&pdb);
  structure::pdbSelectNull(&sel);
  couplings::dTabNull(&tab);
  settings::korimInfoNull(&k);
  if (structure::readPDB(KORIM_EXAMPLES "/ubiquitin_1d3z_model1.pdb", &pdb, nullptr, nullptr) != 0 ||
      couplings::readDC(KORIM_EXAMPLES "/ubiquitin_nh_bicelle.tab", &tab) != 0) {
    state.SkipWithError("cannot read the example");
    return;
  }
  couplings::selectD(tab.dObsList, tab.dCount, tab.dMinRes, tab.dMaxRes, 3);
  k.validCountD = couplings::buildDC(&pdb, &tab, 0, tab.dMinRes, nullptr, 0, k.allowFixedDI);
  k.mcAdjustFlag = 0;  // the error bars as measured: the trials alone are timed
  k.kSigma = 2.0f;
  Silence quiet;
  for (auto _ : state) {
    const int rc = fitting::mapSimDC(&pdb, &sel, &tab, &k, "/dev/null", "", 0, "/dev/null",
                                     "/dev/null", trials, "/dev/null", "/dev/null", "/dev/null", "");
    if (rc != 0) {
      state.SkipWithError("estimate failed");
      break;
    }
  }
  state.counters["fits_per_s"] =
      benchmark::Counter(static_cast<double>(trials), benchmark::Counter::kIsIterationInvariantRate);
}

}  // namespace

BENCHMARK(BM_MonteCarloCouplings)->Arg(1000)->Unit(benchmark::kMillisecond);
