// Electrostatic prediction on ubiquitin: the wall model with the screened
// potential of a charged bicelle, as the example runs it by default, and the
// rod and 3-D grid media of the examples (pf1_rod_radial.pot, pf1_rod_grid.pot).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <tuple>
#include <vector>

#include "bench/ubiquitin.h"
#include "settings/settings.h"
#include "settings/settings_null.h"
#include "simulation/korim_utils_simu.h"
#include "simulation/unsp.h"

using korim_bench::Molecule;

namespace {

// Charge (e) of heavy atom i at pH 7: Lys NZ +1, Arg NH1/NH2 +1/2, Asp
// OD1/OD2 and Glu OE1/OE2 -1/2, the first residue's N +1, the last one's O
// and OXT -1/2; 0 for every other atom.
float chargeOf(const Molecule& m, int i, int firstRes, int lastRes) {
  const std::string& a = m.atom[i];
  const std::string& r = m.residue[i];
  float q = 0.0f;
  if (r == "LYS" && a == "NZ") q += 1.0f;
  if (r == "ARG" && (a == "NH1" || a == "NH2")) q += 0.5f;
  if ((r == "ASP" && (a == "OD1" || a == "OD2")) || (r == "GLU" && (a == "OE1" || a == "OE2")))
    q -= 0.5f;
  if (m.resID[i] == firstRes && a == "N") q += 1.0f;
  if (m.resID[i] == lastRes && (a == "O" || a == "OXT")) q -= 0.5f;
  return q;
}

// The points as the program lays them out: the charged atoms first, then
// the surface atoms; centred on their mean.
struct Charged {
  Molecule points;
  std::vector<int> id{0};
  std::vector<float> q{0.0f};
};

const Charged& chargedUbiquitin() {
  static Charged c = [] {
    Charged out;
    const Molecule& all = korim_bench::heavyAtoms();
    const int first = all.resID[1], last = all.resID[all.n()];
    for (int i = 1; i <= all.n(); i++) {
      const float q = chargeOf(all, i, first, last);
      if (q == 0.0f) continue;
      out.points.add(all, i);
      out.id.push_back(out.points.n());
      out.q.push_back(q);
    }
    const Molecule& surface = korim_bench::surfaceAtoms();
    for (int i = 1; i <= surface.n(); i++) out.points.add(surface, i);
    Molecule& p = out.points;
    double cx = 0, cy = 0, cz = 0;
    for (int i = 1; i <= p.n(); i++) cx += p.x[i], cy += p.y[i], cz += p.z[i];
    for (int i = 1; i <= p.n(); i++) p.x[i] -= cx / p.n(), p.y[i] -= cy / p.n(), p.z[i] -= cz / p.n();
    return out;
  }();
  return c;
}

// The example's charges as one prediction takes them: copies the prediction may reorder, and the
// reach of the molecule (its largest radius and an atom's).
struct ChargedRun {
  explicit ChargedRun(double radiusAtom)
      : c(chargedUbiquitin()),
        nCh(static_cast<int>(c.q.size()) - 1),
        maxL(korim_bench::maxRadius(c.points) + radiusAtom),
        id(c.id),
        q(c.q) {}
  const Charged& c;
  int nCh;
  double maxL;
  std::vector<int> id;
  std::vector<float> q;
};

// The wall model at the salt concentration range(0) mmol/l with the default
// medium: bicelles of 5 % lipid, surface charge -0.47 e/nm^2, 0.2 A between
// positions, the default sphere and 18 turns.
void BM_ElectrostaticWall(benchmark::State& state) {
  korim::settings::KorimInfo k{};
  korim::settings::korimInfoNull(&k);
  k.elInfo.elFlag = 1;
  k.elInfo.concNaCl = static_cast<float>(state.range(0) / 1000.0);
  if (korim::simulation::refine_bicelle(&k) != 0) {
    state.SkipWithError("no bicelles");
    return;
  }
  double* dots = nullptr;
  int nDots = 0;
  if (korim::simulation::do_unsp(k.densityNSC, &dots, &nDots) != 0) {
    state.SkipWithError("no sphere");
    return;
  }
  ChargedRun r(k.radiusAtom);
  const Charged& c = r.c;
  std::vector<double> x = c.points.x, y = c.points.y, z = c.points.z;
  double saupe[5];
  korim_bench::Quiet quietOut(stdout), quietErr(stderr);
  for (auto _ : state) {
    if (korim::simulation::sma(&k, c.points.n(), x.data(), y.data(), z.data(), nDots, dots, r.maxL,
                               k.radiusAtom, r.nCh, r.id.data(), r.q.data(), 0, nullptr, 0.0, 0.0,
                               saupe) != 0) {
      state.SkipWithError("prediction failed");
      break;
    }
    benchmark::DoNotOptimize(saupe);
  }
  state.counters["points"] = c.points.n();
  state.counters["charges"] = r.nCh;
  state.counters["orientations"] = static_cast<double>(nDots) * k.digPsiNSC;
}

// The numbers of a text file after its '#' lines, or empty when it cannot be read.
std::vector<double> numbersOf(const char* path) {
  std::vector<double> v;
  FILE* f = std::fopen(path, "r");
  if (f == nullptr) return v;
  char line[512];
  while (std::fgets(line, sizeof line, f)) {
    if (line[0] == '#') continue;
    char* p = line;
    for (char* end = nullptr;; p = end) {
      const double d = std::strtod(p, &end);
      if (end == p) break;
      v.push_back(d);
    }
  }
  std::fclose(f);
  return v;
}

// The example's rod (-elKorim -pf1 -pot examples/pf1_rod_radial.pot) and 3-D grid (-elKorim -3D
// -pot3D examples/pf1_rod_grid.pot, 33 x 33 x 1 points 4 A apart, -massLC 0.00083) at the
// default sphere.
void BM_ElectrostaticRodAndGrid(benchmark::State& state) {
  const bool grid = state.range(0) == 1;
  korim::settings::KorimInfo k{};
  korim::settings::korimInfoNull(&k);
  k.elInfo.elFlag = 1;
  double* dots = nullptr;
  int nDots = 0;
  if (korim::simulation::do_unsp(k.densityNSC, &dots, &nDots) != 0) {
    state.SkipWithError("no sphere");
    return;
  }
  std::vector<double> table{0.0}, values;
  if (grid) {
    k.lcType = 3, k.radiusModel = 0.0f, k.massLC = 0.00083f;
    std::tie(k.grid3DnX, k.grid3DnY, k.grid3DnZ, k.elInfo.z1, k.elInfo.zN) = std::tuple(33, 33, 1, 1, 1);
    k.grid3DdeltaX = k.grid3DdeltaY = k.grid3DdeltaZ = 4.0f;
    values = numbersOf(KORIM_EXAMPLES "/pf1_rod_grid.pot");
    if (values.size() != 33 * 33) {
      state.SkipWithError("no grid");
      return;
    }
  } else {
    k.lcType = 2, k.radiusModel = 33.5f;
    const std::vector<double> rows = numbersOf(KORIM_EXAMPLES "/pf1_rod_radial.pot");
    for (size_t i = 1; i < rows.size(); i += 2) table.push_back(rows[i]);
    if (table.size() < 3) {
      state.SkipWithError("no potential table");
      return;
    }
  }
  ChargedRun r(k.radiusAtom);
  const Charged& c = r.c;
  double saupe[5];
  korim_bench::Quiet quietOut(stdout), quietErr(stderr);
  for (auto _ : state) {
    std::vector<double> x = c.points.x, y = c.points.y, z = c.points.z, t = table;
    const int st = grid ? korim::simulation::sma3D(&k, c.points.n(), x.data(), y.data(), z.data(), nDots, dots,
                                                   r.nCh, r.id.data(), r.q.data(), 0, values.data(), saupe)
                        : korim::simulation::sma(&k, c.points.n(), x.data(), y.data(), z.data(), nDots, dots, r.maxL,
                                                 k.radiusAtom, r.nCh, r.id.data(), r.q.data(),
                                                 static_cast<int>(t.size()) - 1, t.data(), 0.0, 1.0, saupe);
    if (st != 0) {
      state.SkipWithError("prediction failed");
      break;
    }
    benchmark::DoNotOptimize(saupe);
  }
  state.counters["orientations"] = static_cast<double>(nDots) * k.digPsiNSC;
}

}  // namespace

BENCHMARK(BM_ElectrostaticRodAndGrid)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ElectrostaticWall)->Arg(200)->Arg(150)->Arg(50)->Unit(benchmark::kMillisecond);
