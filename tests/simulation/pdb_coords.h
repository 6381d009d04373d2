// Test helper: atom coordinates of a PDB file read by fixed columns, without
// the structure reader, as 1-based arrays.
#pragma once

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

struct TestCoords {
  std::vector<double> x{0.0}, y{0.0}, z{0.0};  // entry 0 unused
  std::vector<std::string> names{""};
  std::vector<int> resIDs{0};
  int n() const { return static_cast<int>(x.size()) - 1; }
  void add(double px, double py, double pz, const std::string& name = "C", int resID = 1) {
    x.push_back(px);
    y.push_back(py);
    z.push_back(pz);
    names.push_back(name);
    resIDs.push_back(resID);
  }
  // Subtracts the centroid (float running sums, as the simulation centres).
  void centre() {
    float sx = 0, sy = 0, sz = 0;
    for (int i = 1; i <= n(); i++) {
      sx = static_cast<float>(sx + x[i]);
      sy = static_cast<float>(sy + y[i]);
      sz = static_cast<float>(sz + z[i]);
    }
    const float cx = sx / n(), cy = sy / n(), cz = sz / n();
    for (int i = 1; i <= n(); i++) {
      x[i] -= cx;
      y[i] -= cy;
      z[i] -= cz;
    }
  }
  double maxRadius() const {
    double m = 0;
    for (int i = 1; i <= n(); i++) {
      const double r = std::sqrt(x[i] * x[i] + y[i] * y[i] + z[i] * z[i]);
      if (r > m) m = r;
    }
    return m;
  }
};

// ATOM records of a PDB file; hydrogens (element column H) skipped unless asked.
inline TestCoords readTestPdb(const char* path, bool withHydrogens = false) {
  TestCoords c;
  FILE* f = std::fopen(path, "r");
  if (!f) return c;
  char line[256];
  while (std::fgets(line, sizeof line, f)) {
    if (std::strncmp(line, "ATOM", 4) != 0 || std::strlen(line) < 54) continue;
    std::string s(line);
    const std::string element = s.size() >= 78 ? s.substr(76, 2) : "";
    if (!withHydrogens && element.find('H') != std::string::npos) continue;
    std::string name = s.substr(12, 4);
    name.erase(0, name.find_first_not_of(' '));
    name.erase(name.find_last_not_of(' ') + 1);
    c.add(std::atof(s.substr(30, 8).c_str()), std::atof(s.substr(38, 8).c_str()),
          std::atof(s.substr(46, 8).c_str()), name, std::atoi(s.substr(22, 4).c_str()));
  }
  std::fclose(f);
  return c;
}
