// Two-domain ensemble of ubiquitin (residues 1-35 turned against 40-76, the settings of
// examples/ubiquitin_two_domains.inp): the 100 states of examples/ubiquitin_100_states.ens,
// with and without the clash test, against an ensemble of its first state only.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "couplings/dc.h"
#include "foundation/memory.h"
#include "settings/settings.h"
#include "settings/settings_null.h"
#include "simulation/ensemble.h"
#include "simulation/korim_utils_align.h"
#include "simulation/korim_utils_simu.h"
#include "simulation/unsp.h"
#include "structure/pdb.h"

using namespace korim::simulation;
using korim::settings::KorimInfo;

namespace {

constexpr int kStates = 100;

// The structure as a run sets it up: read, hydrogens deselected, oriented for the ensemble; the
// settings of the two domains; the run's sphere; the 100 states of the example file.
struct Setup {
  korim::structure::PDBInfo pdb{};
  KorimInfo k{};
  korim::couplings::DTable dTab{};
  double* dots = nullptr;
  int nDots = 0;
  std::vector<double> a = std::vector<double>(kEnsembleSlots), b = a, c = a;
  int n = 0;
  bool ok = false;
  Setup() {
    korim::structure::pdbNull(&pdb);
    korim::settings::korimInfoNull(&k);
    korim::couplings::dTabNull(&dTab);
    if (korim::structure::readPDB(KORIM_EXAMPLES "/ubiquitin_1d3z_model1.pdb", &pdb, nullptr,
                                  nullptr) != 0)
      return;
    korim::structure::pdbSetSelection(&pdb, 1);
    korim::structure::pdbSelect1(&pdb, pdb.minResID, pdb.maxResID, "[1-3]H* H*", 0, 3);
    korim::settings::GridInfo& g = k.gridInfo;
    g.startResDom1 = g.startResPart1 = 1;
    g.endResDom1 = g.endResPart1 = g.resDom1Origin = 35;
    g.startResDom2 = g.startResPart2 = g.resDom2Origin = 40;
    g.endResDom2 = g.endResPart2 = 76;
    g.clashDist = 2.0f;
    g.densE = 40;
    g.digPsiE = 12;
    g.hBetaCone = 90.0f;
    refine_bicelle(&k);
    if (do_unsp(k.densityNSC, &dots, &nDots) != 0) return;
    if (initOrient(&pdb, &k) != 0) return;
    if (setupEnsemble(&k, "", "", KORIM_EXAMPLES "/ubiquitin_100_states.ens", &n, a.data(), b.data(), c.data()) != 0 || n != kStates) return;
    ok = true;
  }
};

Setup& setup() {
  static Setup s;
  return s;
}

// The run's messages and its per-state files go to /dev/null and a scratch directory while a
// case runs (their cost stays in).
struct Quiet {
  int out, err;
  std::string cwd, scratch;
  Quiet() {
    std::fflush(stdout);
    std::fflush(stderr);
    out = dup(1);
    err = dup(2);
    const int devnull = open("/dev/null", O_WRONLY);
    dup2(devnull, 1);
    dup2(devnull, 2);
    close(devnull);
    char buf[4096];
    cwd = getcwd(buf, sizeof buf) ? buf : ".";
    char tmpl[] = "/tmp/korim_bench_XXXXXX";
    scratch = mkdtemp(tmpl) ? tmpl : cwd;
    if (chdir(scratch.c_str()) != 0) scratch = cwd;
  }
  ~Quiet() {
    std::fflush(stdout);
    std::fflush(stderr);
    dup2(out, 1);
    dup2(err, 2);
    close(out);
    close(err);
    if (chdir(cwd.c_str()) == 0 && scratch != cwd) {
      for (const char* f : {"rot.pdb", "rotEns.pdb"}) std::remove((scratch + "/" + f).c_str());
      rmdir(scratch.c_str());
    }
  }
};

// Arguments: the number of states (the first n of the file) and the clash test (0 off, 1 on).
void BM_Ensemble(benchmark::State& state) {
  Setup& s = setup();
  if (!s.ok) {
    state.SkipWithError("no ensemble set-up");
    return;
  }
  const int states = static_cast<int>(state.range(0));
  s.k.gridInfo.clashFlag = static_cast<int>(state.range(1));
  EnsembleCharges ch;
  double ave[5];
  Quiet quiet;
  for (auto _ : state) {
    if (ensembleAlignment(&s.pdb, &s.dTab, &s.k, nullptr, "", "", 0, states, s.a.data(),
                          s.b.data(), s.c.data(), ch, s.nDots, s.dots, ave) != 0) {
      state.SkipWithError("ensemble failed");
      break;
    }
    benchmark::DoNotOptimize(ave);
  }
  state.counters["states"] = states;
}

}  // namespace

BENCHMARK(BM_Ensemble)->Args({1, 0})->Args({100, 0})->Args({100, 1})->Unit(benchmark::kMillisecond);
