// Test support: ATOM records of a PDB file read by fixed columns, without the
// structure reader, as 1-based coordinate arrays.
#pragma once

#include <cmath>
#include <fstream>
#include <string>
#include <vector>

namespace korim_test {

struct PdbAtoms {
  std::vector<double> x{0.0}, y{0.0}, z{0.0};  // entry 0 unused
  std::vector<std::string> names{""}, resNames{""};
  std::vector<int> resIDs{0};
  int n() const { return static_cast<int>(x.size()) - 1; }
  void add(double px, double py, double pz, const std::string& name = "C", int resID = 1,
           const std::string& resName = "") {
    x.push_back(px);
    y.push_back(py);
    z.push_back(pz);
    names.push_back(name);
    resNames.push_back(resName);
    resIDs.push_back(resID);
  }
  // Subtracts the centroid taken with single-precision running sums, as the simulation centres.
  void centre() {
    for (std::vector<double>* v : {&x, &y, &z}) {
      float sum = 0;
      for (int i = 1; i <= n(); i++) sum = static_cast<float>(sum + (*v)[i]);
      const float c = sum / n();
      for (int i = 1; i <= n(); i++) (*v)[i] -= c;
    }
  }
  double maxRadius() const {
    double m = 0;
    for (int i = 1; i <= n(); i++) m = std::fmax(m, std::sqrt(x[i] * x[i] + y[i] * y[i] + z[i] * z[i]));
    return m;
  }
};

// ATOM records; hydrogens (element column H) skipped unless asked. Names lose their blanks.
inline PdbAtoms readPdbAtoms(const std::string& path, bool withHydrogens = false) {
  PdbAtoms c;
  std::ifstream in(path);
  std::string s;
  auto field = [&](size_t from, size_t len) {
    std::string f = s.substr(from, len);
    f.erase(0, f.find_first_not_of(' '));
    f.erase(f.find_last_not_of(' ') + 1);
    return f;
  };
  while (std::getline(in, s)) {
    if (s.compare(0, 6, "ATOM  ") != 0 || s.size() < 54) continue;
    if (!withHydrogens && s.size() >= 78 && s.substr(76, 2).find('H') != std::string::npos) continue;
    c.add(std::stod(s.substr(30, 8)), std::stod(s.substr(38, 8)), std::stod(s.substr(46, 8)),
          field(12, 4), std::stoi(s.substr(22, 4)), field(17, 4));
  }
  return c;
}

}  // namespace korim_test
