// Test support for the restraint tables: an indexed structure built atom by atom, and table files.
#pragma once

#include <string>
#include <vector>

#include "structure/pdb.h"
#include "tests/support/capture.h"
#include "tests/support/files.h"
#include "tests/support/structure.h"

namespace rtest {

struct Atom {
  int resID;
  const char* resName;
  const char* atomName;
  double x, y, z;
  const char* chain = "A";
  const char* seg = "";
};

// An indexed structure of the atoms, with bond matrix and neighbour lists when asked.
struct Mol {
  korim::structure::PDBInfo p{};
  explicit Mol(const std::vector<Atom>& atoms, bool merLists = false) {
    using namespace korim::structure;
    std::vector<korim_test::AtomSpec> specs;
    for (const Atom& a : atoms) specs.push_back({a.resID, a.resName, a.atomName, a.chain, a.seg, ""});
    korim_test::appendAtoms(&p, specs.data(), static_cast<int>(specs.size()));
    for (size_t i = 0; i < atoms.size(); i++) {
      p.atomList[i].x = static_cast<float>(atoms[i].x);
      p.atomList[i].y = static_cast<float>(atoms[i].y);
      p.atomList[i].z = static_cast<float>(atoms[i].z);
    }
    indexPDB(&p);
    if (merLists) merAllocInfo(&p);
  }
  Mol(const Mol&) = delete;
  Mol& operator=(const Mol&) = delete;
  ~Mol() { korim::structure::pdbFree(&p); }
  korim::structure::PDBInfo* get() { return &p; }
};

// Reads a table through reader(path) from text written to a private file; the reader's status,
// its messages in *err when given.
template <class Reader>
int readText(const std::string& text, Reader reader, std::string* err = nullptr) {
  korim_test::TempDir dir;
  const std::string path = korim_test::writeFile(dir / "table.tab", text);
  int rc = -1;
  std::string e = korim_test::captureStderr([&] { rc = reader(path.c_str()); });
  if (err != nullptr) *err = e;
  return rc;
}

// What writer(path) puts in a file.
template <class Writer>
std::string writtenText(Writer writer) {
  korim_test::TempDir dir;
  const std::string path = dir / "out.tab";
  korim_test::captureStderr([&] { writer(path.c_str()); });
  return korim_test::readFile(path);
}

}  // namespace rtest
