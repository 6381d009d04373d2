// Steric prediction and surface calculation on ubiquitin: orientations x
// atoms (surface: sphere dots x atoms) per second.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <vector>

#include "bench/ubiquitin.h"
#include "simulation/ssia.h"
#include "simulation/unsp.h"

using namespace korim::simulation;

using korim_bench::heavyAtoms;
using korim_bench::maxRadius;
using korim_bench::Molecule;
using korim_bench::radiusOf;
using korim_bench::surfaceAtoms;

namespace {

void runSteric(benchmark::State& state, int lcType, const Molecule& m) {
  const int density = static_cast<int>(state.range(0));
  const int turns = static_cast<int>(state.range(1));
  double* dots = nullptr;
  int nDots = 0;
  if (do_unsp(density, &dots, &nDots) != 0) {
    state.SkipWithError("no sphere");
    return;
  }
  // Bicelle wall 20 A from the centre plane, 100 A free step-out; phage rod
  // of radius 33.5 A at 5 % concentration; 0.2 A between positions.
  const double R = lcType == 1 ? 20.0 : 33.5;
  const double maxL = maxRadius(m);
  double saupe[5];
  korim_bench::Quiet quiet(stderr);
  for (auto _ : state) {
    const int status = stericAlignment(nullptr, 0.0, lcType, 100.0, R, 0.0, 0.2, 0.05, 3.0, m.n(),
                                       m.x.data(), m.y.data(), m.z.data(), maxL, 0.0, turns,
                                       nDots, dots, saupe);
    if (status != 0) {
      state.SkipWithError("prediction failed");
      break;
    }
    benchmark::DoNotOptimize(saupe);
  }
  state.counters["atoms"] = m.n();
  state.counters["orientations"] = static_cast<double>(nDots) * turns;
  state.counters["orient_x_atoms_per_s"] = benchmark::Counter(
      static_cast<double>(nDots) * turns * m.n(), benchmark::Counter::kIsIterationInvariantRate);
}

void BM_StericWallSurface(benchmark::State& s) { runSteric(s, 1, surfaceAtoms()); }
void BM_StericWallAllHeavy(benchmark::State& s) { runSteric(s, 1, heavyAtoms()); }
void BM_StericRodSurface(benchmark::State& s) { runSteric(s, 2, surfaceAtoms()); }
void BM_StericRodAllHeavy(benchmark::State& s) { runSteric(s, 2, heavyAtoms()); }

// Centres and accessible radii (1.4 A probe) of the molecule's atoms.
void accessibleSpheres(const Molecule& m, std::vector<double>* co, std::vector<double>* r) {
  for (int i = 1; i <= m.n(); i++) {
    co->insert(co->end(), {m.x[i], m.y[i], m.z[i]});
    r->push_back(radiusOf(m.element[i]) + kNscProbeRadius);
  }
}

void BM_SurfaceAtoms(benchmark::State& state) {
  const Molecule& all = heavyAtoms();
  std::vector<double> co, r;
  accessibleSpheres(all, &co, &r);
  int nDot = 0;
  for (auto _ : state) {
    double area, vol, *at = nullptr;
    if (nsc_dclm(co.data(), r.data(), all.n(), kNscDensity, kNscVolume | kNscAreas, &area, &at,
                 &vol, nullptr, nullptr) != 0) {
      state.SkipWithError("surface failed");
      break;
    }
    benchmark::DoNotOptimize(area);
    std::free(at);
  }
  unspCurrentDots(&nDot);
  state.counters["atoms"] = all.n();
  state.counters["dots_x_atoms_per_s"] = benchmark::Counter(
      static_cast<double>(nDot) * all.n(), benchmark::Counter::kIsIterationInvariantRate);
}

// The surface selection of a prediction: half-exposed atoms only.
void BM_ExposedSpheres(benchmark::State& state) {
  const Molecule& all = heavyAtoms();
  std::vector<double> co, r;
  accessibleSpheres(all, &co, &r);
  std::vector<char> exposed;
  for (auto _ : state) {
    if (exposedSpheres(co.data(), r.data(), all.n(), &exposed) != 0) {
      state.SkipWithError("surface failed");
      break;
    }
    benchmark::DoNotOptimize(exposed.data());
  }
  state.counters["atoms"] = all.n();
}

}  // namespace

BENCHMARK(BM_StericWallSurface)->Args({100, 18})->Args({700, 36})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StericWallAllHeavy)->Args({100, 18})->Args({700, 36})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StericRodSurface)->Args({100, 18})->Args({700, 36})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StericRodAllHeavy)->Args({100, 18})->Args({700, 36})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SurfaceAtoms)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExposedSpheres)->Unit(benchmark::kMillisecond);
