// Fuzz target: a PDB file read as the structure of a run, then the whole of it selected as the
// program selects it when no residue range is given.
#include <cstddef>
#include <cstdint>

#include "structure/pdb.h"
#include "tests/fuzz/fuzz_file.h"

using namespace korim::structure;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string name = korim::fuzz::inputFile(data, size, "pdb");
  pdbModuleReset();
  PDBInfo pdb{};
  pdbNull(&pdb);
  if (readPDB(name.c_str(), &pdb, nullptr, nullptr) == 0) {
    PDBSelectInfo sel{};
    pdbSelectNull(&sel);
    sel.res1 = pdb.minResID;
    sel.resN = pdb.maxResID;
    pdbSelect(&pdb, &sel);
  }
  pdbFree(&pdb);
  return 0;
}
