// Test support: phi/psi shift surfaces written through the NMR data format, and a surface directory.
#pragma once

#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "restraints/surf.h"
#include "structure/pdb.h"
#include "tests/support/files.h"

namespace korim_test {

// Writes a surface over -180..180 degrees with value f(i, j) at cell (i, j).
inline void writeSurf(const std::string& path, int n, const std::function<float(int, int)>& f, float thresh = 0.5f,
               int obsCount = 42) {
  std::vector<float> grid(static_cast<size_t>(n) * n);
  for (int j = 0; j < n; j++)
    for (int i = 0; i < n; i++) grid[i + j * n] = f(i, j);
  korim::structure::PhiPsiSurface s{};
  s.value = grid.data();
  s.phiCount = s.psiCount = n;
  s.phi1 = s.psi1 = -180.0f;
  s.phiN = s.psiN = 180.0f;
  s.obsCount = obsCount;
  s.avgDev = 0.25f;
  s.thresh = thresh;
  ASSERT_EQ(korim::restraints::surfWrite2D(path.c_str(), &s), 0) << path;
}

// A surface directory: CA of alanine, the atom-only CA surface, the alanine conformation
// surface, the zero surface and both tables.
inline void makeSurfDir(const std::string& d, int zeroSize) {
  std::filesystem::create_directories(d);
  for (const char* suffix : {".dat", ".d.dat", ".q.dat"}) {
    writeSurf(d + "/CA.ALA" + suffix, 361, [suffix](int i, int j) {
      return std::strcmp(suffix, ".dat") == 0 ? 0.001f * ((i - 210) * (i - 210) + (j - 120) * (j - 120)) : 1.0f;
    });
    writeSurf(d + "/CA" + suffix, 37, [](int, int) { return 1.0f; });
  }
  writeSurf(d + "/ALA.dat", 361, [](int, int) { return 20.0f; });
  writeSurf(d + "/zero.dat", zeroSize, [](int, int) { return 0.0f; });
  writeFile(d + "/rc.tab",
                        "VARS RESNAME ATOMNAME TYPE OFFSET SHIFT\nFORMAT %s %s %s %d %f\n"
                        "A CA RC 0 52.5\nA CA ADJ 0 0.25\nG CA ADJ -1 -0.5\nP CA ADJ 1 -2.0\nG HA3 RC 0 3.9\n");
  writeFile(d + "/homo.tab", "VARS RESNAME ALA GLY\nFORMAT %s %f %f\nALA 1.0 0.2\nGLY 0.2 1.0\n");
}

}  // namespace korim_test
