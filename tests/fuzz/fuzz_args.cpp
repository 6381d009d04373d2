// Fuzz target: the program's option parsing (the check of every word against the option words,
// getparams, the warnings of repeated options and of outputs the mode does not write, then the
// check of unread options) on an argument vector built from the words of the input.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/korim_utils.h"
#include "app/option_words.h"
#include "app/run_outputs.h"
#include "couplings/dc.h"
#include "foundation/cmndargs.h"
#include "settings/settings_null.h"
#include "structure/pdb.h"
#include "tests/fuzz/fuzz_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> words = korim::fuzz::inputWords(data, size, 200);
  std::string prog = "korim";
  std::vector<char*> argv = korim::fuzz::argVector(prog, words);
  const int argc = static_cast<int>(argv.size()) - 1;

  korim::app::KorimParams params{};
  korim::app::korimParamsNull(&params);
  korim::structure::PDBSelectInfo sel{};
  korim::structure::pdbSelectNull(&sel);
  korim::couplings::DTable tab{};
  korim::couplings::dTabNull(&tab);
  korim::settings::KorimInfo info{};
  korim::settings::korimInfoNull(&info);
  korim::settings::DcInfo dc{};
  korim::settings::dcInfoNull(&dc);

  korim::foundation::initArgs(argc, argv.data(), 5);
  korim::app::refuseUnknownWords(argc, argv.data());
  if (korim::app::getparams(argc, argv.data(), &params, &tab.dTensor, &info, &sel, &dc) == 0) {
    korim::app::warnRepeatedOptions(argc, argv.data());
    korim::app::warnUnwrittenOutputs(params, info, argc, argv.data());
    korim::foundation::checkArgs(argc, argv.data());
  } else {
    korim::foundation::nullArgs();
  }
  korim::couplings::dTabFree(&tab);
  return 0;
}
