// Fuzz target: a pKa file (-pka) placing charges on the example structure.
#include <cstddef>
#include <cstdint>

#include "charges/korim_charge_setup.h"
#include "settings/settings_null.h"
#include "structure/pdb.h"
#include "tests/fuzz/fuzz_file.h"

using namespace korim::structure;

namespace {
PDBInfo pdb{};
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  pdbNull(&pdb);
  if (readPDB(KORIM_EXAMPLES "/ubiquitin_1d3z_model1.pdb", &pdb, nullptr, nullptr) != 0) __builtin_trap();
  // The whole structure selected, as the program does when no residue range is given.
  PDBSelectInfo sel{};
  pdbSelectNull(&sel);
  sel.res1 = pdb.minResID;
  sel.resN = pdb.maxResID;
  pdbSelect(&pdb, &sel);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string name = korim::fuzz::inputFile(data, size, "charges.pka");
  korim::settings::KorimInfo info{};
  korim::settings::korimInfoNull(&info);
  info.elInfo.elFlag = 1;
  int count = 0, atomID[korim::charges::kChargeArraySize] = {};
  float sum = 0.0f, charges[korim::charges::kChargeArraySize] = {};
  korim::charges::chargeSetup(name.c_str(), &pdb, &info, &count, &sum, atomID, charges, "");
  return 0;
}
