// The list of option words korim knows is the list of words its option readers look for.
#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "app/korim_utils.h"
#include "app/option_words.h"
#include "couplings/writedc.h"
#include "foundation/cmndargs.h"
#include "settings/settings_null.h"
#include "tests/support/argv.h"
#include "tests/support/capture.h"
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

// Every refused word ends "korim -help lists the options": every option word korim reads stands in
// the usage text as a word of its own.
TEST(OptionWords, UsageTextListsEveryWordKorimReads) {
  const std::string usage = korim_test::readFile(korim_test::testData("golden/usage.txt"));
  for (const OptionWord& o : optionWords()) {
    const std::string w = o.word;
    bool listed = false;
    for (size_t at = usage.find(w); !listed && at != std::string::npos; at = usage.find(w, at + 1)) {
      const char after = at + w.size() < usage.size() ? usage[at + w.size()] : '\n';
      listed = at > 0 && (usage[at - 1] == ' ' || usage[at - 1] == '(') && !std::isalnum(static_cast<unsigned char>(after));
    }
    EXPECT_TRUE(listed) << w;
  }
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

// What the run does otherwise than its words say, one line each and the run going on: a word of
// other modes, switches of one setting given with different values (the one read last counts,
// wherever it stands), a switch given twice, an atom selection in a fit. Words another option
// takes as its value, and words the run uses, say nothing.
TEST(OptionWords, ChoicesTheRunDoesNotMakeAreSaid) {
  const std::string steric = "this run is the steric prediction (-stKorim, the default mode) and does not use it.\n";
  const std::string hist = "this run is the Da and R histogram (-daHist) and does not use it.\n";
  const std::string struc = "this run is the structural noise (-struc) and does not use it.\n";
  const std::string anA = "this run is the comparison of two order matrices (-anA) and does not use it.\n";
  const std::string csSim = "this run is the charge set-up (-csSim) and does not use it.\n";
  const std::string structure = "a setting of -stKorim, -stKorimGrid, -elKorim, -elKorimFree, -elKorimGrid, -bestFit, "
                                "-csSim, -asRan, -anPdb and -struc";
  const std::string comparisons = "a setting of -stKorim, -stKorimGrid, -elKorim and -bestFit";
  const std::string analysis = "a setting of -stKorim, -stKorimFree, -stKorimGrid, -elKorim, -bestFit, -anA and -anPdb";
  const std::string rim = "a setting of -stKorim, -stKorimFree, -stKorimGrid and -elKorim";
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"-rand", "-noerr", "-nDfixed", "-outD", "x.tab"},
       "korim: -rand chooses the assignment search of -bestFit; " + steric +
           "korim: -nDfixed chooses the couplings each trial of -bestFit -jack keeps; " + steric +
           "korim: -noerr chooses the fits kept by -bestFit -mcDc; " + steric},
      {{"-stKorim", "-add", "-xplor"},
       "korim: -xplor chooses the format of -conv; this run is the steric prediction (-stKorim) and does not use it.\n"
       "korim: -add chooses the operation of -anA and -anDc; this run is the steric prediction (-stKorim) and does "
       "not use it.\n"},
      {{"-anPdb", "-twist", "1", "0", "0", "-mapMl"},
       "korim: -twist chooses the twist axis of -anA; this run is the structure analysis (-anPdb) and does not use it.\n"
       "korim: -mapMl chooses the transform of the couplings of -daMl; this run is the structure analysis (-anPdb) "
       "and does not use it.\n"},
      {{"-bestFit", "-jack", "-map", "3", "-el", "-conv", "-noave"},
       "korim: options -bestFit and -conv choose the mode: -conv is used; -bestFit is not.\n"
       "korim: -jack chooses the error estimate of -bestFit; this run is the conversion of a coupling table (-conv) "
       "and does not use it.\n"
       "korim: -map chooses a setting of -bestFit (-jack, -mcDc, -mcStruc, -rand, -exhaust or -exhaustSel); this run "
       "is the conversion of a coupling table (-conv) and does not use it.\n"
       "korim: -el chooses the charged model of -anPdb and of the predictions from -pdb; this run is the conversion "
       "of a coupling table (-conv) and does not use it.\n"
       "korim: -noave chooses the extremes' average of -daHist and -daFlex; this run is the conversion of a coupling "
       "table (-conv) and does not use it.\n"},
      // Words taken as values, and words of the run's own mode.
      {{"-stKorim", "-ave", "-noave", "-outD", "-sub"}, ""},
      {{"-daHist", "-ave", "-noave"}, ""},
      {{"-struc", "-angNoise", "-fixCone", "-el", "-stKorim"},
       "korim: options -struc and -stKorim choose the mode: -struc is used; -stKorim is not.\n"
       "korim: -el chooses the charged model of -anPdb and of the predictions from -pdb; this run is the "
       "structural noise (-struc) and does not use it.\n"},
      {{"-stKorim", "-el", "-pf1"}, ""},
      {{"-daMl", "-nomapMl", "-conv", "-daHist"},
       "korim: options -daMl, -conv and -daHist choose the mode: -conv is used; -daMl and -daHist are not.\n"
       "korim: -nomapMl chooses the transform of the couplings of -daMl; this run is the conversion of a coupling "
       "table (-conv) and does not use it.\n"},
      {{"-bestFit", "-single", "-jack", "-single", "-map", "3"},
       "korim: option -single is given 2 times: -single (argument 2) is used; -single (argument 4) is not.\n"
       "korim: options -single and -jack choose the variant of -bestFit: -jack is used; -single is not.\n"},
      {{"-conv", "-cns", "-xplor", "-unscale", "-scale"},
       "korim: options -unscale and -scale choose the normalisation: -unscale is used; -scale is not.\n"
       "korim: options -cns and -xplor choose the format: -cns is used; -xplor is not.\n"},
      {{"-daFlex", "-ave", "a.tab", "-noave"},
       "korim: options -ave and -noave choose the extremes' average: -ave is used; -noave is not.\n"},
      // The atom selection is read with -pdb only; it chooses the couplings of no fit.
      {{"-bestFit", "-mcStruc", "-map", "3", "-pdb", "x.pdb", "-r1", "10", "-rN", "40", "-atom", "N", "H"},
       "korim: the atom selection -r1 10 -rN 40 -atom N H chooses atoms, not the couplings of a fit; this run is the "
       "best fit (-bestFit -mcStruc) and fits the couplings that -s1 and -sN choose.\n"},
      {{"-bestFit", "-r1", "10"}, ""},
      {{"-stKorim", "-pdb", "x.pdb", "-r1", "10", "-rN", "40"}, ""},
      // The structure, its couplings, the table and the tensor's analysis, named by the runs that
      // read them; a selection without -pdb is left to the final check. Switches of a setting the
      // run does not read are named each, not weighed against each other.
      {{"-daHist", "-pdb", "x.pdb", "-r1", "5", "-hetatm", "-idum", "-7", "-qStd", "-sID", "3", "-a1", "2",
        "-nofixedDI", "-rem", "note", "-yzInv", "-rotID", "2"},
       "korim: -idum chooses the seed of the noise of -struc and of -conv -dcNoise; " + hist +
           "korim: -pdb chooses " + structure + "; " + hist +
           "korim: -hetatm chooses nothing any run of korim reads; " + hist + "korim: -r1 chooses the atoms of the structure of -pdb; " + hist + "korim: -qStd chooses " +
           comparisons + "; " + hist + "korim: -sID chooses nothing any run of korim reads; " + hist +
           "korim: -a1 chooses " + structure + "; " + hist + "korim: -nofixedDI chooses " + comparisons + "; " + hist +
           "korim: -rem chooses a setting of -stKorim, -stKorimGrid, -elKorim, -bestFit, -anPdb and -struc; " + hist +
           "korim: -yzInv chooses " + analysis + "; " + hist +
           "korim: -rotID chooses a setting of -stKorim, -bestFit, -anA and -anPdb; " + hist},
      {{"-daHist", "-r1", "5", "-atom", "N"}, ""},
      {{"-struc", "-euler", "-noeuler", "-verb", "-noverb", "-rim", "1", "-rem", "x", "-a1", "2", "-w", "1"},
       "korim: -euler chooses " + analysis + "; " + struc + "korim: -noeuler chooses " + analysis + "; " + struc +
           "korim: -noverb chooses a setting of -stKorim, -stKorimFree, -stKorimGrid, -elKorim, -bestFit, -daHist, "
           "-daFlex, -daMl, -anA, -anDc and -conv; " + struc + "korim: -rim chooses " + rim + "; " + struc},
      {{"-anA", "-d1", "3", "-qStd", "-rem", "x", "-rotID", "2", "-yzInv", "-noverb", "-rim", "1"},
       "korim: -qStd chooses " + comparisons + "; " + anA + "korim: -d1 chooses a setting of -stKorim, -stKorimGrid, "
       "-elKorim, -elKorimFree, -elKorimGrid, -bestFit, -csSim, -daHist, -daFlex, -daMl, -asRan, -anDc, -anPdb, "
       "-conv and -struc; " + anA + "korim: -rem chooses a setting of -stKorim, -stKorimGrid, -elKorim, -bestFit, "
       "-anPdb and -struc; " + anA + "korim: -rim chooses " + rim + "; " + anA},
      {{"-csSim", "-pdb", "x.pdb", "-r1", "5", "-w", "1", "-fixedDI", "-noeuler", "-pRatio", "4", "-rim", "1", "-pow",
        "2"},
       "korim: -noeuler chooses " + analysis + "; " + csSim + "korim: -fixedDI chooses " + comparisons + "; " +
           csSim + "korim: -rim chooses " + rim + "; " + csSim +
           "korim: -pow chooses nothing any run of korim reads; " + csSim},
      {{"-bestFit", "-jack", "-map", "3", "-idum", "-7", "-rotID", "2", "-qStd", "-rem", "x", "-a1", "2", "-yzInv",
        "-noverb", "-w", "1", "-nofixedDI", "-rim", "1", "-d1", "3"},
       "korim: -idum chooses the seed of the noise of -struc and of -conv -dcNoise; this run is the best fit "
       "(-bestFit -jack) and does not use it.\nkorim: -rim chooses " + rim + "; this run is the best fit (-bestFit "
       "-jack) and does not use it.\n"},
  };
  for (const auto& [words, expected] : cases) {
    korim_test::Argv args(words);
    static KorimParams p;  // large
    static korim::settings::KorimInfo k;
    std::string err;
    readOptions(args, p, k, [&] {
      err = korim_test::captureStderr([&] {
        warnRepeatedOptions(args.argc(), args.argv());
        warnUnusedChoices(args.argc(), args.argv(), k);
      });
    });
    EXPECT_EQ(err, expected) << words[0] << " ... " << words.back();
  }
}

// The switch each line names as used is the one the reading kept: for every two switches of one
// setting, given in either order, what the setting holds is what the named switch alone gives.
TEST(OptionWords, TheSwitchNamedAsUsedIsTheOneRead) {
  using korim::settings::KorimInfo;
  struct Setting {
    std::vector<std::string> run;  // the mode that reads the setting
    std::vector<std::string> words;
    int (*held)(const KorimInfo&);
  };
  const std::vector<Setting> settings = {
      {{}, {"-stKorim", "-stKorimFree", "-stKorimGrid", "-elKorim", "-elKorimFree", "-elKorimGrid", "-bestFit", "-csSim",
            "-daHist", "-daFlex", "-daMl", "-asRan", "-anA", "-anDc", "-anPdb", "-conv", "-struc"},
       [](const KorimInfo& k) { return k.korimMode; }},
      {{"-bestFit", "-map", "3"}, {"-single", "-jack", "-mcDc", "-mcStruc", "-rand", "-exhaust", "-exhaustSel"},
       [](const KorimInfo& k) { return k.spreadMode; }},
      {{"-anDc"}, {"-add", "-sub", "-mul", "-div", "-max"}, [](const KorimInfo& k) { return k.opCode; }},
      {{"-conv"}, {"-xplor", "-cns", "-tbl", "-dyana", "-korim", "-rosetta"},
       [](const KorimInfo& k) { return k.outFormat; }},
      {{}, {"-bic", "-pf1", "-3D"}, [](const KorimInfo& k) { return k.lcType; }},
      {{"-anPdb"}, {"-user", "-ster", "-el"}, [](const KorimInfo& k) { return k.elPdbFlag; }},
      {{"-daHist"}, {"-noave", "-ave"}, [](const KorimInfo& k) { return k.histInfo.optExtrem; }},
      {{"-daMl"}, {"-nomapMl", "-mapMl"}, [](const KorimInfo& k) { return k.histInfo.mlMap; }},
      {{}, {"-qDa", "-qRms", "-qStd"}, [](const KorimInfo& k) { return k.qFlag; }},
      {{}, {"-charmm", "-charmm22", "-nocharmm"}, [](const KorimInfo& k) { return k.elInfo.charmm; }},
  };
  static KorimParams p;  // large
  static KorimInfo k;
  const auto read = [&](std::vector<std::string> words, std::string* err) {
    korim_test::Argv args(words);
    readOptions(args, p, k, [&] {
      *err = korim_test::captureStderr([&] { warnUnusedChoices(args.argc(), args.argv(), k); });
    });
  };
  int pairs = 0;
  for (const Setting& s : settings)
    for (const std::string& a : s.words)
      for (const std::string& b : s.words) {
        if (a == b || a == "-ave") continue;  // -ave takes the word after it: -ave -noave is no pair
        std::vector<std::string> words = s.run;
        words.insert(words.end(), {a, b});
        std::string err;
        read(words, &err);
        const int held = s.held(k);
        const size_t at = err.find(": ", err.find(" choose "));
        const size_t end = err.find(" is used;");
        ASSERT_TRUE(at != std::string::npos && end != std::string::npos) << a << " " << b << ": " << err;
        std::vector<std::string> alone = s.run;
        alone.push_back(err.substr(at + 2, end - at - 2));
        read(alone, &err);
        EXPECT_EQ(held, s.held(k)) << a << " " << b << " names " << alone.back();
        pairs++;
      }
  EXPECT_EQ(pairs, 17 * 16 + 7 * 6 + 5 * 4 + 6 * 5 + 3 * 2 + 3 * 2 + 1 + 2 + 3 * 2 + 3 * 2);
}
