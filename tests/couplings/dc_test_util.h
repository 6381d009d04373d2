// Helpers shared by the coupling tests: physical constants, the order matrix, command lines and
// the ubiquitin structure with a coupling table mapped onto it.
#pragma once

#include <cmath>
#include <string>
#include <vector>

#include "couplings/dc.h"
#include "foundation/cmndargs.h"
#include "structure/pdb.h"
#include "tests/support/argv.h"
#include "tests/support/capture.h"
#include "tests/support/files.h"
#include "tests/support/rotation.h"

namespace dctest {

using korim_test::captureStderr;
using korim_test::Mat3;
using korim_test::testData;

// Dipolar prefactor from the physical constants, mu0/(4 pi) hbar / pi, with r in Angstrom.
constexpr double kPref = 1e-7 * 1.054571817e-34 / M_PI * 1e30;
constexpr double gH = 2.675198e8, gN = -2.7116e7, gC = 6.7283e7;
inline double physicalDI(double g1, double g2, double r) { return kPref * g1 * g2 / (r * r * r); }

// The traceless order matrix of the Saupe elements Szz, Sxx-Syy, Sxy, Sxz, Syz, and back.
inline Mat3 orderMatrix(const double* s) {
  const double sxx = -(s[0] - s[1]) / 2, syy = -(s[0] + s[1]) / 2;
  return {{{sxx, s[2], s[3]}, {s[2], syy, s[4]}, {s[3], s[4], s[0]}}};
}
inline void saupeOf(const Mat3& m, double* s) {
  const double v[5] = {m.m[2][2], m.m[0][0] - m.m[1][1], m.m[0][1], m.m[0][2], m.m[1][2]};
  for (int k = 0; k < 5; ++k) s[k] = v[k];
}
// u^T S u for a unit vector u.
inline double orderMatrixQuad(const double* s, const double* u) {
  double su[3];
  korim_test::apply(orderMatrix(s), u, su);
  return u[0] * su[0] + u[1] * su[1] + u[2] * su[2];
}

// Unit vector from a to b in u; returns the distance.
template <class A>
double bond(const A* a, const A* b, double* u) {
  const double d[3] = {b->x - a->x, b->y - a->y, b->z - a->z}, r = std::hypot(d[0], d[1], d[2]);
  for (int k = 0; k < 3; ++k) u[k] = d[k] / r;
  return r;
}

// A tensor-option reader (the program's getDCTensorParams or the self-contained
// getDTensorParams) on the command line "korim <words>"; its status, its stderr in *err.
inline int tensorOptions(const std::vector<std::string>& words, korim::couplings::DTensor* t,
                         std::string* err = nullptr, bool selfContained = false) {
  korim_test::Argv a(words);
  korim::foundation::nullArgs();
  int rc = -1;
  const auto read = selfContained ? korim::couplings::getDTensorParams : korim::couplings::getDCTensorParams;
  const std::string e = captureStderr([&] { rc = read(a.argc(), a.argv(), t); });
  if (err != nullptr) *err = e;
  return rc;
}

// The ubiquitin structure and a coupling table of tests/data, read; map() selects and builds.
struct Ubiquitin {
  korim::structure::PDBInfo pdb;
  korim::couplings::DTable tab;
  explicit Ubiquitin(const char* table) {
    korim::structure::pdbNull(&pdb);
    korim::structure::readPDB(korim_test::kUbiquitinPdb.c_str(), &pdb, nullptr, "");
    korim::couplings::dTabNull(&tab);
    korim::couplings::readDC(testData(table).c_str(), &tab);
  }
  ~Ubiquitin() {
    korim::couplings::dTabFree(&tab);
    korim::structure::pdbFree(&pdb);
    korim::couplings::dipolarFree();
    korim::couplings::fitDCFree();
  }
  int map(int allowFixed = 1) {
    korim::couplings::mapDCInfo(&pdb, &tab, 0);
    korim::couplings::selectD(tab.dObsList, tab.dCount, -1000, 1000, 3);
    return korim::couplings::buildDC(&pdb, &tab, 0, 0, nullptr, 0, allowFixed);
  }
  float q() {
    float qq = 0, r = 0;
    int n = 0;
    korim::couplings::getStatDCQR(tab.dObsList, tab.dCalcList, tab.dCount, &qq, &r, &n);
    return qq;
  }
};

}  // namespace dctest
