// Ubiquitin (the example structure) for the benchmarks: heavy atoms centred on
// their centroid, the surface atoms the predictions sample, and a guard that
// sends stderr to /dev/null while a case runs.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "simulation/do_nsc.h"
#include "simulation/nsc.h"

namespace korim_bench {


struct Molecule {
  std::vector<double> x{0.0}, y{0.0}, z{0.0};  // 1-based
  std::vector<char> element{' '};
  std::vector<std::string> atom{""}, residue{""};  // atom and residue names
  std::vector<int> resID{0};
  int n() const { return static_cast<int>(x.size()) - 1; }
  void add(const Molecule& from, int i) {
    x.push_back(from.x[i]);
    y.push_back(from.y[i]);
    z.push_back(from.z[i]);
    element.push_back(from.element[i]);
    atom.push_back(from.atom[i]);
    residue.push_back(from.residue[i]);
    resID.push_back(from.resID[i]);
  }
};

// Heavy atoms of the example structure, centred on their centroid.
inline const Molecule& heavyAtoms() {
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
      std::string name = s.substr(12, 4), res = s.substr(17, 3);
      name.erase(std::remove(name.begin(), name.end(), ' '), name.end());
      c.atom.push_back(name);
      c.residue.push_back(res);
      c.resID.push_back(std::atoi(s.substr(22, 4).c_str()));
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

inline double radiusOf(char first) {
  if (first == 'C' || first == 'F') return 1.9;
  if (first == 'N' || first == 'P' || first == 'S') return 1.8;
  return 1.4;
}

// The surface atoms the prediction samples by default.
inline const Molecule& surfaceAtoms() {
  static Molecule m = [] {
    const Molecule& all = heavyAtoms();
    std::vector<double> co, r;
    for (int i = 1; i <= all.n(); i++) {
      co.insert(co.end(), {all.x[i], all.y[i], all.z[i]});
      r.push_back(radiusOf(all.element[i]) + korim::simulation::kNscProbeRadius);
    }
    double area, vol, *at = nullptr;
    namespace sim = korim::simulation;
    sim::nsc_dclm(co.data(), r.data(), all.n(), sim::kNscDensity, sim::kNscVolume | sim::kNscAreas,
                  &area, &at, &vol, nullptr, nullptr);
    Molecule s;
    for (int i = 1; i <= all.n(); i++) {
      const double rr = r[i - 1] - korim::simulation::kNscProbeRadius;
      if (at[i - 1] / (12.5663706 * rr * rr) <= 0.5) continue;
      s.add(all, i);
    }
    std::free(at);
    return s;
  }();
  return m;
}

inline double maxRadius(const Molecule& m) {
  double r = 0;
  for (int i = 1; i <= m.n(); i++)
    r = std::max(r, std::sqrt(m.x[i] * m.x[i] + m.y[i] * m.y[i] + m.z[i] * m.z[i]));
  return r;
}

// A stream (stderr for progress lines, stdout for report lines) goes to
// /dev/null while a case runs (the cost of writing stays in).
struct Quiet {
  FILE* stream;
  int fd, saved;
  explicit Quiet(FILE* s) : stream(s), fd(fileno(s)) {
    std::fflush(stream);
    saved = dup(fd);
    const int devnull = open("/dev/null", O_WRONLY);
    dup2(devnull, fd);
    close(devnull);
  }
  ~Quiet() {
    std::fflush(stream);
    dup2(saved, fd);
    close(saved);
  }
  Quiet(const Quiet&) = delete;
  Quiet& operator=(const Quiet&) = delete;
};

}  // namespace korim_bench
