// Two-domain ensemble of ubiquitin (residues 1-35 turned against 40-76, the settings of
// examples/ubiquitin_two_domains.inp): the 100 states of examples/ubiquitin_100_states.ens
// against one state's prediction on the same structure.
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
#include "simulation/korim_utils_coor.h"
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

void BM_Ensemble100States(benchmark::State& state) {
  Setup& s = setup();
  if (!s.ok) {
    state.SkipWithError("no ensemble set-up");
    return;
  }
  s.k.gridInfo.clashFlag = static_cast<int>(state.range(0));
  EnsembleCharges ch;
  double ave[5];
  Quiet quiet;
  for (auto _ : state) {
    if (ensembleAlignment(&s.pdb, &s.dTab, &s.k, nullptr, "", "", 0, kStates, s.a.data(),
                          s.b.data(), s.c.data(), ch, s.nDots, s.dots, ave) != 0) {
      state.SkipWithError("ensemble failed");
      break;
    }
    benchmark::DoNotOptimize(ave);
  }
  state.counters["states"] = kStates;
}

// One state's work without the ensemble around it: coordinate selection with the surface atoms
// and one steric prediction, on the structure as read (0) or with domain 1 turned as in state n.
void BM_OneStatePrediction(benchmark::State& state) {
  Setup& s = setup();
  if (!s.ok) {
    state.SkipWithError("no ensemble set-up");
    return;
  }
  const int st = static_cast<int>(state.range(0));
  korim::structure::storePDBCoords(&s.pdb);
  if (st > 0) {
    const double turn[3] = {s.a[st], s.b[st], s.c[st]};
    rotateDomain(turn, &s.pdb, 1, 35);
  }
  const int len = s.pdb.atomCount + 1201;
  std::vector<double> x(len), y(len), z(len);
  std::vector<int> id(1201);
  std::vector<float> q(1201);
  std::vector<int> marks(s.pdb.atomCount);
  for (int i = 0; i < s.pdb.atomCount; i++) marks[i] = s.pdb.atomList[i].selected;
  double saupe[5];
  Quiet quiet;
  for (auto _ : state) {
    for (int i = 0; i < s.pdb.atomCount; i++) s.pdb.atomList[i].selected = marks[i];
    int n = 0, nCh = 0;
    chCoorSelect(&s.pdb, &s.k, &n, x.data(), y.data(), z.data(), &nCh, id.data(), q.data(), 0);
    simEnsAlignment(&s.k, n, x.data(), y.data(), z.data(), 0, id.data(), q.data(), s.nDots,
                    s.dots, 0, nullptr, 0.0, 0.0, saupe);
    benchmark::DoNotOptimize(saupe);
  }
  korim::structure::restorePDBCoords(&s.pdb);
}

}  // namespace

BENCHMARK(BM_Ensemble100States)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OneStatePrediction)->Arg(0)->Arg(1)->Arg(2)->Arg(50)->Unit(benchmark::kMillisecond);
