// The list of option words korim knows is the list of words its option readers look for.
#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>

#include "app/korim_utils.h"
#include "app/option_words.h"
#include "couplings/writedc.h"
#include "foundation/cmndargs.h"
#include "settings/settings_null.h"
#include "tests/support/argv.h"
#include "tests/support/files.h"

using namespace korim::app;
namespace fnd = korim::foundation;

namespace {

// Reads args into p and k (both large: the caller's static records) as korim does, the other
// records local, and calls after() while the argument library still holds its record of the
// words asked for; then releases the library. Returns getparams' status.
template <class After>
int readOptions(korim_test::Argv& args, KorimParams& p, korim::settings::KorimInfo& k, After after) {
  korim::couplings::DTensor tensor;
  korim::structure::PDBSelectInfo sel;
  korim::settings::DcInfo dc;
  korimParamsNull(&p);
  korim::couplings::dTensorNull(&tensor);
  korim::settings::korimInfoNull(&k);
  korim::structure::pdbSelectNull(&sel);
  korim::settings::dcInfoNull(&dc);
  fnd::initArgs(args.argc(), args.argv(), 0);
  const int status = getparams(args.argc(), args.argv(), &p, &tensor, &k, &sel, &dc);
  after();
  fnd::nullArgs();
  return status;
}

}  // namespace

// Every option word getparams and the readers it calls look for (with -pdb, so that the atom
// selection is read too) is in the list, with the same reading of the words after it (none, one
// value, a list up to the next option word, an optional word), and the list holds no word they do
// not look for.
TEST(OptionWords, ListIsTheWordsTheReadersLookFor) {
  korim_test::Argv args({"-pdb", "x.pdb"});
  static KorimParams p;  // large
  static korim::settings::KorimInfo k;
  std::map<std::string, int> asked;
  ASSERT_EQ(readOptions(args, p, k,
                        [&] {
                          for (int i = 0; i < fnd::askedFlagCount(); i++) {
                            int takes = -1;
                            const char* w = fnd::askedFlag(i, &takes);
                            asked[w] = takes;
                          }
                        }),
            0);
  // The library's record of each reading, in the order of Takes.
  const int kinds[] = {fnd::kTakesNothing, fnd::kTakesValue, fnd::kTakesList, fnd::kTakesOptional};
  std::map<std::string, int> listed;
  for (const OptionWord& o : optionWords())
    EXPECT_TRUE(listed.emplace(o.word, kinds[static_cast<int>(o.takes)]).second) << o.word << " twice";
  for (const auto& [w, takes] : asked) {
    const auto it = listed.find(w);
    if (it == listed.end())
      ADD_FAILURE() << w << " is read but not listed";
    else
      EXPECT_EQ(it->second, takes) << w << " is read as taking kind " << takes << " after it";
  }
  for (const auto& [w, takes] : listed) EXPECT_TRUE(asked.count(w)) << w << " is listed but read by no reader";
  EXPECT_GT(asked.size(), 250u);
}

// Every option word the usage text lists (its golden copy, which the usage test holds equal to the
// program's text) is a word korim reads: the text sends no user to a word that is refused.
TEST(OptionWords, UsageTextListsOnlyWordsKorimReads) {
  std::map<std::string, bool> listed;
  for (const OptionWord& o : optionWords()) listed.emplace(o.word, true);
  std::istringstream usage(korim_test::readFile(korim_test::testData("golden/usage.txt")));
  int shown = 0;
  for (std::string line; std::getline(usage, line);) {
    std::istringstream words(line);
    std::string first;
    if (line.rfind(" -", 0) != 0 || !(words >> first)) continue;
    shown++;
    EXPECT_TRUE(listed.count(first)) << first << " is shown in the usage text but is no option word";
  }
  EXPECT_GT(shown, 200);
}

// An option is marked as naming an input exactly when its value lands in a file name that a reader
// of korim opens (the structure, coupling tables, configuration, potentials, pKa values, ensemble
// states, free-format coordinates) or that names an input no step reads (-inCS, -ref, -list): each
// value option is given alone (with -pdb) and the name buffers are looked at.
TEST(OptionWords, OptionsNamingInputFilesAreMarked) {
  static KorimParams p;  // large
  static korim::settings::KorimInfo k;
  const char* const given = "7";  // a file name that every number option takes too
  const auto landsInInput = [&]() {
    for (const char* name : {p.pdbName, p.inDName, p.inD1Name, p.inD2Name, p.inpName, p.potName, p.pot3DName,
                             p.pkaName, p.inEName, p.pdbFName, p.inCSName, p.refName, p.pdbList})
      if (std::string(name) == given) return true;
    return false;
  };
  int marked = 0;
  for (const OptionWord& o : optionWords()) {
    if (o.takes != Takes::Value) continue;
    korim_test::Argv args(std::string(o.word) == "-pdb" ? std::vector<std::string>{"-pdb", given}
                                                        : std::vector<std::string>{"-pdb", "x.pdb", o.word, given});
    readOptions(args, p, k, [] {});
    EXPECT_EQ(landsInInput(), o.namesInput) << o.word << (o.namesInput ? " is" : " is not") << " marked as naming an input";
    marked += o.namesInput ? 1 : 0;
  }
  EXPECT_EQ(marked, 14);
}
