// Test support: a structure record assembled atom by atom, without the structure reader.
#pragma once

#include <cstdio>
#include <vector>

#include "structure/pdb.h"

namespace korim_test {

struct TestStructure {
  std::vector<korim::structure::AtomInfo> atoms;
  korim::structure::PDBInfo pdb{};
  korim::structure::AtomInfo& add(double x, double y, double z, int selected = 1, int resID = 1,
                                  const char* name = "CA", const char* resName = "") {
    korim::structure::AtomInfo a{};
    std::snprintf(a.atomName, sizeof a.atomName, "%s", name);
    std::snprintf(a.resName, sizeof a.resName, "%s", resName);
    a.x = static_cast<float>(x);
    a.y = static_cast<float>(y);
    a.z = static_cast<float>(z);
    a.selected = selected;
    a.resID = resID;
    atoms.push_back(a);
    return atoms.back();
  }
  // The record over the atoms, residue range from the lowest and highest number.
  korim::structure::PDBInfo* get() {
    pdb.atomList = atoms.data();
    pdb.atomCount = pdb.maxAtomCount = static_cast<int>(atoms.size());
    for (size_t i = 0; i < atoms.size(); ++i) {
      if (i == 0 || atoms[i].resID < pdb.minResID) pdb.minResID = atoms[i].resID;
      if (i == 0 || atoms[i].resID > pdb.maxResID) pdb.maxResID = atoms[i].resID;
    }
    return &pdb;
  }
};

}  // namespace korim_test
