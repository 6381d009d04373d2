// Steric prediction and surface calculation on ubiquitin: orientations x
// atoms (surface: sphere dots x atoms) per second.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "simulation/do_nsc.h"
#include "simulation/nsc.h"
#include "simulation/ssia.h"
#include "simulation/unsp.h"

using namespace korim::simulation;

namespace {

struct Molecule {
  std::vector<double> x{0.0}, y{0.0}, z{0.0};  // 1-based
  std::vector<char> element{' '};
  int n() const { return static_cast<int>(x.size()) - 1; }
};

// Heavy atoms of the example structure, centred on their centroid.
const Molecule& heavyAtoms() {
  static Molecule m = [] {
    Molecule c;
    FILE* f = std::fopen(KORIM_EXAMPLES "/ubiquitin_1d3z_model1.pdb", "r");
    if (!f) {
      std::fprintf(stderr, "cannot open the example structure\n");
      std::exit(1);
    }
    char line[256];
    while (std::fgets(line, sizeof line, f)) {
      if (std::strncmp(line, "ATOM", 4) != 0 || std::strlen(line) < 78 || line[77] == 'H')
        continue;
      const std::string s(line);
      c.x.push_back(std::atof(s.substr(30, 8).c_str()));
      c.y.push_back(std::atof(s.substr(38, 8).c_str()));
      c.z.push_back(std::atof(s.substr(46, 8).c_str()));
      c.element.push_back(s[13]);
    }
    std::fclose(f);
    double cx = 0, cy = 0, cz = 0;
    for (int i = 1; i <= c.n(); i++) {
      cx += c.x[i];
      cy += c.y[i];
      cz += c.z[i];
    }
    for (int i = 1; i <= c.n(); i++) {
      c.x[i] -= cx / c.n();
      c.y[i] -= cy / c.n();
      c.z[i] -= cz / c.n();
    }
    return c;
  }();
  return m;
}

double radiusOf(char first) {
  if (first == 'C' || first == 'F') return 1.9;
  if (first == 'N' || first == 'P' || first == 'S') return 1.8;
  return 1.4;
}

// The surface atoms the prediction samples by default.
const Molecule& surfaceAtoms() {
  static Molecule m = [] {
    const Molecule& all = heavyAtoms();
    std::vector<double> co, r;
    for (int i = 1; i <= all.n(); i++) {
      co.insert(co.end(), {all.x[i], all.y[i], all.z[i]});
      r.push_back(radiusOf(all.element[i]) + kNscProbeRadius);
    }
    double area, vol, *at = nullptr;
    nsc_dclm(co.data(), r.data(), all.n(), kNscDensity, kNscVolume | kNscAreas, &area, &at, &vol,
             nullptr, nullptr);
    Molecule s;
    for (int i = 1; i <= all.n(); i++) {
      const double rr = r[i - 1] - kNscProbeRadius;
      if (at[i - 1] / (12.5663706 * rr * rr) <= 0.5) continue;
      s.x.push_back(all.x[i]);
      s.y.push_back(all.y[i]);
      s.z.push_back(all.z[i]);
      s.element.push_back(all.element[i]);
    }
    std::free(at);
    return s;
  }();
  return m;
}

double maxRadius(const Molecule& m) {
  double r = 0;
  for (int i = 1; i <= m.n(); i++)
    r = std::max(r, std::sqrt(m.x[i] * m.x[i] + m.y[i] * m.y[i] + m.z[i] * m.z[i]));
  return r;
}

// Progress lines go to /dev/null while a case runs (their cost stays in).
struct QuietStderr {
  int saved;
  QuietStderr() {
    std::fflush(stderr);
    saved = dup(2);
    const int devnull = open("/dev/null", O_WRONLY);
    dup2(devnull, 2);
    close(devnull);
  }
  ~QuietStderr() {
    std::fflush(stderr);
    dup2(saved, 2);
    close(saved);
  }
};

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
  QuietStderr quiet;
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

void BM_SurfaceAtoms(benchmark::State& state) {
  const Molecule& all = heavyAtoms();
  std::vector<double> co, r;
  for (int i = 1; i <= all.n(); i++) {
    co.insert(co.end(), {all.x[i], all.y[i], all.z[i]});
    r.push_back(radiusOf(all.element[i]) + kNscProbeRadius);
  }
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

}  // namespace

BENCHMARK(BM_StericWallSurface)->Args({100, 18})->Args({700, 36})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StericWallAllHeavy)->Args({100, 18})->Args({700, 36})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StericRodSurface)->Args({100, 18})->Args({700, 36})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StericRodAllHeavy)->Args({100, 18})->Args({700, 36})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SurfaceAtoms)->Unit(benchmark::kMillisecond);
