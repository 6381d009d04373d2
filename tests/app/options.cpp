// Option reader: reading order, mode and variant test orders, values, counted options and the
// refusals of values that would overflow buffers, index past arrays or never end a loop.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/korim_utils.h"
#include "app/korim_utils_null.h"
#include "app/korim_utils_output.h"
#include "foundation/cmndargs.h"
#include "foundation/memory.h"
#include "simulation/unsp.h"
#include "tests/app/capture.h"

using namespace korim::app;
namespace fnd = korim::foundation;

namespace {

// One run of the option reader on a command line, with all records at their defaults.
struct CmdLine {
  std::vector<std::string> words;
  std::vector<char*> argv;
  KorimParams p;
  korim::couplings::DTensor tensor;
  KorimInfo k;
  korim::structure::PDBSelectInfo sel;
  DcInfo dc;
  int status = -99;
  std::string err;

  explicit CmdLine(std::vector<std::string> args, int checkMode = 0) : words(std::move(args)) {
    words.insert(words.begin(), "korim");
    for (auto& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    korimParamsNull(&p);
    korim::couplings::dTensorNull(&tensor);
    korimInfoNull(&k);
    korim::structure::pdbSelectNull(&sel);
    dcInfoNull(&dc);
    dbgFlag = 0;
    fnd::initArgs(argc(), argv.data(), checkMode);
    err = korim_test::captureStderr([&] { status = getparams(argc(), argv.data(), &p, &tensor, &k, &sel, &dc); });
  }
  int argc() const { return static_cast<int>(words.size()); }
  // Reports of words no option consumed (checking every argument).
  int unconsumed() {
    int n = 0;
    korim_test::captureStderr([&] { n = fnd::checkArgs(argc(), argv.data()); });
    return n;
  }
};

std::string usageText() {
  return korim_test::captureStderr([] { printInfo(); });
}

std::vector<std::string> manyWords(const char* option, int n, const char* value) {
  std::vector<std::string> v{option};
  for (int i = 0; i < n; i++) v.push_back(value);
  return v;
}

}  // namespace

TEST(Options, UsageWhenNoArgumentsOrHelp) {
  CmdLine none({});
  EXPECT_EQ(none.status, 1);
  EXPECT_EQ(none.err, usageText());
  EXPECT_EQ(none.p.mapCount, 0);

  // -help anywhere: the usage text and nothing else read.
  CmdLine help({"-bestFit", "-stdCone", "3", "-help", "-map", "9"});
  EXPECT_EQ(help.status, 1);
  EXPECT_EQ(help.err, usageText());
  EXPECT_EQ(help.k.korimMode, 1);
  EXPECT_EQ(help.k.coneWidth, 5.0);
  EXPECT_EQ(help.p.mapCount, 0);
}

TEST(Options, ModeAndVariantTestOrder) {
  struct Case { std::vector<std::string> args; int mode; int elFlag; };
  const Case cases[] = {
      {{"-pdb", "x.pdb"}, 1, 0},     {{"-stKorim", "-anA"}, 14, 0}, {{"-anA", "-stKorim"}, 14, 0},
      {{"-conv", "-struc"}, 16, 0},  {{"-daFlex", "-daMl"}, 10, 0}, {{"-daMl", "-daFlex"}, 10, 0},
      {{"-elKorim"}, 4, 1},          {{"-elKorim", "-stKorim"}, 4, 1}, {{"-stKorimGrid"}, 3, 0},
      {{"-elKorimGrid", "-bestFit"}, 7, 1}, {{"-asRan", "-daHist"}, 12, 0}, {{"-anPdb", "-anDc"}, 15, 0},
      {{"-stKorim", "-el"}, 1, 1},
  };
  for (const Case& c : cases) {
    CmdLine r(c.args);
    ASSERT_EQ(r.status, 0) << c.args[0] << r.err;
    EXPECT_EQ(r.k.korimMode, c.mode) << c.args[0];
    EXPECT_EQ(r.k.elInfo.elFlag, c.elFlag) << c.args[0];
  }
  EXPECT_EQ(CmdLine({"-rand", "-jack"}).k.spreadMode, 1);
  EXPECT_EQ(CmdLine({"-single", "-exhaust"}).k.spreadMode, 0);
  EXPECT_EQ(CmdLine({"-mcStruc", "-exhaustSel"}).k.spreadMode, 3);
  EXPECT_EQ(CmdLine({"-exhaustSel"}).k.spreadMode, 6);
}

TEST(Options, ArithmeticAndMediumSettings) {
  CmdLine anDc({"-anDc"});
  EXPECT_EQ(anDc.k.opCode, 1);
  EXPECT_EQ(anDc.k.c1, 0.0f);
  EXPECT_EQ(anDc.k.c2, 1.0f);
  CmdLine anDcSub({"-anDc", "-sub", "-c1", "2"});
  EXPECT_EQ(anDcSub.k.opCode, 2);
  EXPECT_EQ(anDcSub.k.c1, 2.0f);
  EXPECT_EQ(CmdLine({"-anA", "-max", "-add"}).k.opCode, 5);

  CmdLine pf1({"-pf1", "-rM", "40"});
  EXPECT_EQ(pf1.k.lcType, 2);
  EXPECT_EQ(pf1.k.radiusModel, 40.0f);
  CmdLine both({"-pf1", "-bic"});
  EXPECT_EQ(both.k.lcType, 2);
  EXPECT_EQ(both.k.radiusModel, 33.5f);
  CmdLine grid({"-3D", "-bic"});
  EXPECT_EQ(grid.k.lcType, 3);
  EXPECT_EQ(grid.k.radiusModel, 0.0f);
}

TEST(Options, TwoWordsForOneField) {
  EXPECT_STREQ(CmdLine({"-outD", "a.tab", "-outD", "b.tab"}).p.outDName, "a.tab");
  EXPECT_STREQ(CmdLine({"-in", "x", "-inD", "y"}).p.inDName, "y");
  EXPECT_STREQ(CmdLine({"-inD", "y", "-in", "x"}).p.inDName, "y");
  EXPECT_STREQ(CmdLine({"-outD", "o", "-out", "p"}).p.outDName, "o");
  CmdLine range({"-s1", "4", "-d1", "3", "-dN", "9", "-sStep", "3", "-dStep", "2"});
  EXPECT_EQ(range.dc.segFirst, 4);
  EXPECT_EQ(range.dc.segLast, 9);
  EXPECT_EQ(range.dc.segStep, 3);
  CmdLine inS({"-inS", "1", "2", "3", "4", "5", "-inS1", "9", "9", "9", "9", "9"});
  EXPECT_EQ(inS.p.userSaupe1[0], 1.0);
  EXPECT_EQ(inS.p.userSaupe1[4], 5.0);
  CmdLine nSel({"-nSel", "7"});
  EXPECT_EQ(nSel.k.sCount, 7);
  EXPECT_EQ(nSel.k.nSel, 7);

  // The output name "-pdb" is a value, yet -pdb counts as present: the selection options are read.
  CmdLine odd({"-outD", "-pdb", "-res", "5"});
  EXPECT_STREQ(odd.p.outDName, "-pdb");
  EXPECT_EQ(odd.sel.res1, 5);
  // Without -pdb the selection options are not read and not consumed.
  CmdLine noPdb({"-inD", "d.tab", "-res", "5"}, 2);
  EXPECT_EQ(noPdb.sel.res1, 0);
  EXPECT_EQ(noPdb.unconsumed(), 1);
  // A selection the selection reader refuses fails the option reading.
  EXPECT_EQ(CmdLine({"-pdb", "x", "-res", "five"}).status, 1);
}

TEST(Options, FlagPairsAndTestOrder) {
  EXPECT_EQ(CmdLine({"-verb", "-noverb"}).k.verbFlag, 0);
  EXPECT_EQ(CmdLine({"-noH", "-H"}).k.Hflag, 0);
  EXPECT_EQ(CmdLine({"-H"}).k.Hflag, 1);
  EXPECT_EQ(CmdLine({"-mapMl", "-nomapMl"}).k.histInfo.mlMap, 1);
  EXPECT_EQ(CmdLine({"-charmm22", "-charmm"}).k.elInfo.charmm, 2);
  EXPECT_EQ(CmdLine({"-charmm", "-nocharmm"}).k.elInfo.charmm, 0);
  EXPECT_EQ(CmdLine({"-qStd", "-qDa"}).k.qFlag, 2);
  EXPECT_EQ(CmdLine({"-inc", "-excl"}).dc.excludeMode, 2);
  EXPECT_EQ(CmdLine({"-excl"}).dc.excludeMode, 1);
  EXPECT_EQ(CmdLine({"-rosetta", "-xplor"}).k.outFormat, 5);
  EXPECT_EQ(CmdLine({"-el", "-user"}).k.elPdbFlag, 1);
  EXPECT_EQ(CmdLine({"-user", "-ster"}).k.elPdbFlag, 0);
  EXPECT_EQ(CmdLine({"-noeuler"}).k.eulerFlag, 0);
  EXPECT_EQ(CmdLine({"-euler", "-noeuler"}).k.eulerFlag, 0);

  CmdLine ave({"-ave", "mean.tab"});
  EXPECT_EQ(ave.k.histInfo.optExtrem, 1);
  EXPECT_STREQ(ave.p.aveName, "mean.tab");
  CmdLine aveNoave({"-ave", "-noave"});
  EXPECT_EQ(aveNoave.k.histInfo.optExtrem, 1);
  EXPECT_STREQ(aveNoave.p.aveName, "-noave");
  EXPECT_EQ(CmdLine({"-noave"}).k.histInfo.optExtrem, 0);
  EXPECT_EQ(CmdLine({"-noave", "-ave"}).k.histInfo.optExtrem, 1);

  // "-incl" of the usage text is no option word: consumed by nothing, range mode unchanged.
  CmdLine incl({"-incl"}, 2);
  EXPECT_EQ(incl.dc.excludeMode, 3);
  EXPECT_EQ(incl.unconsumed(), 1);
  // Accepted without effect, but consumed.
  CmdLine unused({"-inCS", "a", "-outS", "b", "-outCS", "c", "-ref", "d", "-path", "e", "-list", "f", "-sPath",
              "g", "-sList", "h", "-rList", "i", "-csThresh", "3", "-vcThresh", "0.5", "-fit", "-nofit"},
             2);
  EXPECT_EQ(unused.status, 0);
  EXPECT_EQ(unused.unconsumed(), 0);
}

TEST(Options, NumbersNegativeValuesAndDebugLevel) {
  CmdLine neg({"-s1", "-5", "-sN", "-2", "-lDa", "-30.5", "-chSurf", "-.6"});
  EXPECT_EQ(neg.dc.segFirst, -5);
  EXPECT_EQ(neg.dc.segLast, -2);
  EXPECT_EQ(neg.k.histInfo.lDaMl, -30.5f);
  EXPECT_EQ(neg.k.elInfo.chDensSurf, -0.6f);
  // Non-numbers read as 0 or as their leading number, silently.
  CmdLine junk({"-wv", "abc", "-idum", "12abc"});
  EXPECT_EQ(junk.status, 0);
  EXPECT_EQ(junk.k.concentration, 0.0f);
  EXPECT_EQ(junk.k.idum, 12);
  // Doubles keep full precision.
  EXPECT_EQ(CmdLine({"-cut", "1e-7"}).k.elInfo.cutoffPot, 1e-7);
  EXPECT_EQ(CmdLine({"-stdCone", "0.1"}).k.coneWidth, 0.1);

  EXPECT_EQ(CmdLine({"-dbg"}).status, 0);
  EXPECT_EQ(dbgFlag, 1);
  CmdLine dbgOpt({"-dbg", "-pdb", "x"});
  EXPECT_EQ(dbgFlag, 1);
  EXPECT_STREQ(dbgOpt.p.pdbName, "x");
  CmdLine({"-dbg", "3"});
  EXPECT_EQ(dbgFlag, 3);
  CmdLine({"-dbg", "-2"});
  EXPECT_EQ(dbgFlag, -2);
  CmdLine({"-pdb", "x"});
  EXPECT_EQ(dbgFlag, 0);

  CmdLine rem({"-rem", "my remark"});
  EXPECT_EQ(rem.p.remark, rem.argv[2]);  // the word itself, not a copy

  CmdLine w({"-w", "1", "0.5", "-2", "-pdb", "x"});
  ASSERT_EQ(w.p.wCount, 3);
  EXPECT_EQ(w.p.wList[0], 1.0f);
  EXPECT_EQ(w.p.wList[1], 0.5f);
  EXPECT_EQ(w.p.wList[2], -2.0f);
  CmdLine wNone({"-w", "-pdb", "x"});
  EXPECT_EQ(wNone.p.wCount, 0);
  EXPECT_EQ(wNone.p.wList, nullptr);
}

TEST(Options, CountedOptions) {
  CmdLine ok({"-inS1", "1", "2", "3", "4", "-5", "-inS2", ".1", ".2", ".3", ".4", ".5"});
  ASSERT_EQ(ok.status, 0) << ok.err;
  const double want1[5] = {1, 2, 3, 4, -5};
  for (int i = 0; i < 5; i++) EXPECT_EQ(ok.p.userSaupe1[i], want1[i]);
  EXPECT_EQ(ok.p.userSaupe2[4], 0.5);

  struct Case { std::vector<std::string> args; const char* msg; };
  const Case bad[] = {
      {{"-cut"}, "MERIDO Error: -cut option requires 1 value only.\n"},
      {{"-cut", "1", "2"}, "MERIDO Error: -cut option requires 1 value only.\n"},
      {{"-inS1", "1", "2", "3", "4"}, "MERIDO Error: -inS1 option requires 5 values.\n"},
      {{"-inS1", "1", "2", "3", "4", "-", "5"}, "MERIDO Error: -inS1 option requires 5 values.\n"},
      {{"-inS2", "1", "2", "3", "4", "5", "6"}, "MERIDO Error: -inS2 option requires 5 values.\n"},
      {{"-hinge", "1", "2", "-pdb", "x"}, "MERIDO Error: -hinge option requires 3 values.\n"},
      {{"-twist"}, "MERIDO Error: -twist option requires 3 values.\n"},
      {{"-inS", "1"}, "MERIDO Error: -inS option requires 5 values.\n"},
      // The first failing check ends the reading; the tensor reader's check comes first.
      {{"-inS", "1", "-cut"}, "MERIDO Error: -cut option requires 1 value only.\n"},
      {{"-saupe", "1", "2", "-cut"}, "MERIDO Error: -saupe option requires 5 values.\n"},
  };
  for (const Case& c : bad) {
    CmdLine r(c.args);
    EXPECT_EQ(r.status, 1) << c.msg;
    EXPECT_EQ(r.err, c.msg);
  }
  // What was read before stays; nothing after is read.
  CmdLine partial({"-inS1", "1", "2", "3", "4", "5", "-inS2", "1", "-c1", "3", "-tensID", "7"});
  EXPECT_EQ(partial.status, 1);
  EXPECT_EQ(partial.p.userSaupe1[2], 3.0);
  EXPECT_EQ(partial.k.dcID, 7);  // read before the counted options
  EXPECT_EQ(partial.k.c1, 1.0f);  // read after them

  CmdLine axes({"-hinge", "1", "-2", "3"});
  EXPECT_EQ(axes.p.hingeAxis[1], -2.0f);
  EXPECT_EQ(axes.p.twistAxis[0], 0.0f);
}

TEST(Options, AssignmentLists) {
  CmdLine none({"-pdb", "x"});
  EXPECT_EQ(none.k.nAaCheck, 1);
  EXPECT_EQ(none.p.nFixAa, 0);
  EXPECT_EQ(none.k.nChainDc, 1);
  CmdLine empty({"-fixAa", "-fixRes", "-dcID", "-pdb", "x"});
  EXPECT_EQ(empty.k.nAaCheck, 0);
  EXPECT_EQ(empty.p.nFixAa, 0);
  EXPECT_EQ(empty.k.nChainDc, 1);
  for (char* c : empty.k.chainDc) EXPECT_STREQ(c, "");
  CmdLine lists({"-fixAa", "3", "0", "2", "-fixRes", "12", "15", "-dcID", "A", "B"});
  ASSERT_EQ(lists.status, 0) << lists.err;
  EXPECT_EQ(lists.k.nAaCheck, 3);
  EXPECT_EQ(lists.k.exCheckList[2], 2);
  EXPECT_EQ(lists.k.exCheckList[3], 0);
  ASSERT_EQ(lists.p.nFixAa, 2);
  EXPECT_EQ(lists.p.fixResList[1], 15);
  ASSERT_EQ(lists.k.nChainDc, 2);
  EXPECT_STREQ(lists.k.chainDc[0], "A");
  EXPECT_STREQ(lists.k.chainDc[1], "B");
  EXPECT_STREQ(lists.k.chainDc[2], "");
  EXPECT_NE(lists.k.chainDc[0], lists.argv[9]);  // copies, not the words
}

TEST(Options, RefusedValues) {
  struct Case { std::vector<std::string> args; const char* msg; };
  const Case bad[] = {
      {{"-rotID", "4"}, "KORIM Error: option -rotID value 4 must lie between 0 and 3.\n"},
      {{"-rotID", "-1"}, "KORIM Error: option -rotID value -1 must lie between 0 and 3.\n"},
      {{"-digPsi", "0"}, "KORIM Error: option -digPsi value 0 must be at least 1.\n"},
      {{"-digCone", "-3"}, "KORIM Error: option -digCone value -3 must be at least 1.\n"},
      {{"-nX", "0"}, "KORIM Error: option -nX value 0 must be at least 1.\n"},
      {{"-incCone", "0"}, "KORIM Error: option -incCone value 0 must be a positive number.\n"},
      {{"-incAdjustMc", "-0.2"}, "KORIM Error: option -incAdjustMc value -0.2 must be a positive number.\n"},
      {{"-incDa", "-0.1"}, "KORIM Error: option -incDa value -0.1 must be a positive number.\n"},
      {{"-incR", "nan"}, "KORIM Error: option -incR value nan must be a positive number.\n"},
      {{"-dGrid", "abc"}, "KORIM Error: option -dGrid value abc must be a positive number.\n"},
      {{"-dZ", "inf"}, "KORIM Error: option -dZ value inf must be a positive number.\n"},
      {{"-bin", "-1"}, "KORIM Error: option -bin value -1 must be 0 (automatic) or more.\n"},
      {{"-dot", "2"},
       "KORIM Error: option -dot value 2 gives no sphere of 12 to 40001 orientations (densities 3 to 39692).\n"},
      {{"-dot", "39693"},
       "KORIM Error: option -dot value 39693 gives no sphere of 12 to 40001 orientations (densities 3 to "
       "39692).\n"},
      {{"-nX", "512", "-nY", "512", "-nZ", "1024"},
       "KORIM Error: options -nX 512 -nY 512 -nZ 1024 give 268435456 grid points, more than 268435455.\n"},
      {{"-nX", "100000", "-nY", "100000", "-nZ", "100000"},
       "KORIM Error: options -nX 100000 -nY 100000 -nZ 100000 give 1000000000000000 grid points, more than "
       "268435455.\n"},
      {{"-dcID", "A", "B", "C", "D"}, "KORIM Error: option -dcID takes at most 3 values, 4 given.\n"},
  };
  for (const Case& c : bad) {
    CmdLine r(c.args);
    EXPECT_EQ(r.status, 1) << c.msg;
    EXPECT_EQ(r.err, c.msg);
  }
  // The largest values still accepted.
  CmdLine edge({"-dot", "39692", "-rotID", "3", "-bin", "0", "-nX", "512", "-nY", "512", "-nZ", "1023", "-digPsi", "1"});
  ASSERT_EQ(edge.status, 0) << edge.err;
  EXPECT_EQ(edge.k.densityNSC, 39692);
  EXPECT_EQ(edge.k.rotN, 3);
  EXPECT_EQ(edge.k.grid3DnZ, 1023);

  // Lists and texts longer than their buffers: refused, nothing written past them.
  CmdLine aa(manyWords("-fixAa", 26, "1"));
  EXPECT_EQ(aa.status, 1);
  EXPECT_EQ(aa.err, "KORIM Error: option -fixAa takes at most 25 values, 26 given.\n");
  EXPECT_EQ(aa.k.nAaCheck, 1);
  CmdLine aaFull(manyWords("-fixAa", 25, "2"));
  EXPECT_EQ(aaFull.status, 0);
  EXPECT_EQ(aaFull.k.exCheckList[24], 2);
  EXPECT_EQ(CmdLine(manyWords("-fixRes", 801, "5")).status, 1);
  CmdLine resFull(manyWords("-fixRes", 800, "5"));
  EXPECT_EQ(resFull.status, 0);
  EXPECT_EQ(resFull.p.nFixAa, 800);

  const std::string longName(256, 'n');
  CmdLine tooLong({"-pdb", longName});
  EXPECT_EQ(tooLong.status, 1);
  EXPECT_EQ(tooLong.err, "Argument Error: value for '-pdb' longer than 255 characters.\n");
  EXPECT_STREQ(tooLong.p.pdbName, "");
  CmdLine fits({"-aD2", std::string(255, 'a')});
  EXPECT_EQ(fits.status, 0);
  EXPECT_EQ(std::string(fits.p.atomNameS2), std::string(255, 'a'));
}

TEST(Options, AllocationFailures) {
  fnd::memoryReset();
  fnd::memoryFailAt(2);
  CmdLine dcId({"-dcID", "A", "B"});
  fnd::memoryReset();
  EXPECT_EQ(dcId.status, 1);
  EXPECT_NE(dcId.err.find("Memory allocation failure.\n"), std::string::npos);

  fnd::memoryFailAt(1);
  CmdLine w({"-w", "1", "2"});
  fnd::memoryReset();
  EXPECT_EQ(w.status, 1);
  EXPECT_EQ(w.p.wList, nullptr);
  EXPECT_EQ(w.p.wCount, 0);
}

TEST(Options, DotDensityMatchesSphereBuilder) {
  // The check of -dot predicts the dot count of the orientation sphere; compare with the sphere
  // the simulation builds for the same density.
  for (int density : {3, 12, 13, 32, 92, 93, 100, 700, 5000, 39692}) {
    double* dots = nullptr;
    int count = 0;
    ASSERT_EQ(korim::simulation::do_unsp(density, &dots, &count), 0) << density;
    EXPECT_EQ(orientationDotCount(density, 40001), count) << density;
  }
  // Beyond 39692 the smallest sphere holds 40962 dots, more than the orientation arrays.
  EXPECT_EQ(orientationDotCount(39693, 40962), 40962);
  EXPECT_EQ(orientationDotCount(39693, 40001), -1);
  EXPECT_EQ(orientationDotCount(2, 40001), -1);
  EXPECT_EQ(orientationDotCount(2147483647, 40001), -1);
}
