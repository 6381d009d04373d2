// Fuzz target: a PDB file read as the structure of a run.
#include <cstddef>
#include <cstdint>

#include "structure/pdb.h"
#include "tests/fuzz/fuzz_file.h"

using namespace korim::structure;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string name = korim::fuzz::inputFile(data, size, "pdb");
  pdbModuleReset();
  PDBInfo pdb{};
  PDBSelectInfo sel{};
  pdbNull(&pdb);
  pdbSelectNull(&sel);
  readPDB(name.c_str(), &pdb, &sel, "");
  pdbFree(&pdb);
  return 0;
}
