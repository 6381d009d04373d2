// Option reader: reading order, mode and variant test orders, values, counted options and the
// refusals of values that would overflow buffers, index past arrays or never end a loop.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/korim_utils.h"
#include "couplings/writedc.h"
#include "foundation/cmndargs.h"
#include "foundation/memory.h"
#include "settings/settings_null.h"
#include "simulation/unsp.h"
#include "tests/support/argv.h"
#include "tests/support/capture.h"
#include "tests/support/fields.h"

using namespace korim::app;
using namespace korim::settings;
namespace fnd = korim::foundation;

namespace {

// One run of the option reader on a command line, with all records at their defaults.
struct CmdLine {
  korim_test::Argv args;
  KorimParams p;
  korim::couplings::DTensor tensor;
  KorimInfo k;
  korim::structure::PDBSelectInfo sel;
  DcInfo dc;
  int status = -99;
  std::string err;

  explicit CmdLine(std::vector<std::string> words, int checkMode = 0) : args(std::move(words)) {
    korimParamsNull(&p);
    korim::couplings::dTensorNull(&tensor);
    korimInfoNull(&k);
    korim::structure::pdbSelectNull(&sel);
    dcInfoNull(&dc);
    korim::couplings::dbgFlag = 0;
    fnd::initArgs(args.argc(), args.argv(), checkMode);
    err = korim_test::captureStderr([&] { status = getparams(args.argc(), args.argv(), &p, &tensor, &k, &sel, &dc); });
  }
  int dbgLevel() const { return korim::couplings::dbgFlag; }
  // Reports of words no option consumed (checking every argument).
  int unconsumed() {
    int n = 0;
    korim_test::captureStderr([&] { n = fnd::checkArgs(args.argc(), args.argv()); });
    return n;
  }
};

std::vector<std::string> manyWords(const char* option, int n, const char* value) {
  std::vector<std::string> v{option};
  for (int i = 0; i < n; i++) v.push_back(value);
  return v;
}

}  // namespace

TEST(Options, ModeAndVariantTestOrder) {
  struct Case { std::vector<std::string> args; int mode, elFlag; };
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
}

// Each value option sets its own field: every option of the documented list at once, each with its
// own value, every word consumed.
TEST(Options, EachValueOptionWritesItsField) {
#define N(opt, field) {opt, [](const CmdLine& c) -> double { return c.field; }}
  struct Num { const char* opt; double (*get)(const CmdLine&); };
  const Num nums[] = {
      N("-idum", k.idum), N("-map", p.mapCount), N("-dFrac", k.mapFrac), N("-stdCone", k.coneWidth),
      N("-digCone", k.coneDig), N("-nCone", k.nConeAdjust), N("-lCone", k.nConeStart), N("-incCone", k.nConeInc),
      N("-nAdjustMc", k.nAdjustMc), N("-fracAdjustMc", k.mcAdjustFrac), N("-kAdjustMc", k.kSigma),
      N("-kLAdjustMc", k.kLSigma), N("-incAdjustMc", k.incSigma), N("-sStep", dc.segStep), N("-s1", dc.segFirst),
      N("-sN", dc.segLast), N("-sID", dc.segID), N("-a1", dc.aFirst), N("-csThresh", p.csThresh),
      N("-vcThresh", p.validThresh), N("-wv", k.concentration), N("-vol", k.volSample), N("-mwLC", k.mwLC),
      N("-massLC", k.massLC), N("-unitLC", k.unitLengthLC), N("-polyLC", k.polymerDeg), N("-dot", k.densityNSC),
      N("-digPsi", k.digPsiNSC), N("-dGrid", k.gridSpacing), N("-dX", k.grid3DdeltaX), N("-dY", k.grid3DdeltaY),
      N("-dZ", k.grid3DdeltaZ), N("-nX", k.grid3DnX), N("-nY", k.grid3DnY), N("-nZ", k.grid3DnZ),
      N("-maxPot", k.elInfo.maxPot), N("-z1", k.elInfo.z1), N("-zN", k.elInfo.zN), N("-rM", k.radiusModel),
      N("-lcS", k.lcOrder), N("-rA", k.radiusAtom), N("-rim", k.includeRim), N("-pRatio", k.molarRatio),
      N("-lM", k.lengthModel), N("-rimDisc", k.orderDiscRim), N("-pH", k.elInfo.pH), N("-nacl", k.elInfo.concNaCl),
      N("-chSurf", k.elInfo.chDensSurf), N("-dIFace", k.elInfo.iFace), N("-cut", k.elInfo.cutoffPot),
      N("-kEne", k.elInfo.kEnergy), N("-kPot", k.elInfo.kPot), N("-kMono", k.elInfo.kMonoCh),
      N("-kDipo", k.elInfo.kDipoCh), N("-kQuad", k.elInfo.kQuadCh), N("-temp", k.elInfo.temperaturePot),
      N("-kAtt", k.elInfo.kAtt), N("-pow", k.elInfo.pow), N("-tensID", k.dcID), N("-c1", k.c1), N("-c2", k.c2),
      N("-bin", k.histInfo.nBinIn), N("-nFit", k.histInfo.modeFit), N("-sdevDzz", k.histInfo.sdevDzz),
      N("-sdevDyy", k.histInfo.sdevDyy), N("-daLo", k.histInfo.daLo), N("-daHi", k.histInfo.daHi),
      N("-rhLo", k.histInfo.rhLo), N("-rhHi", k.histInfo.rhHi), N("-nSel", k.sCount), N("-nRun", k.histRan),
      N("-lDa", k.histInfo.lDaMl), N("-hDa", k.histInfo.hDaMl), N("-incDa", k.histInfo.incDaMl),
      N("-lR", k.histInfo.lRMl), N("-hR", k.histInfo.hRMl), N("-incR", k.histInfo.incRMl), N("-rotID", k.rotN),
  };
#undef N
  const int nNum = static_cast<int>(sizeof nums / sizeof nums[0]);
  // Texts, by their offset in KorimParams.
#define T(opt, field) {opt, offsetof(KorimParams, field)}
  struct Txt { const char* opt; size_t off; };
  const Txt texts[] = {
      T("-outFail", outDFailName), T("-inD", inDName), T("-outD", outDName), T("-outPka", outPkaName),
      T("-pdb", pdbName), T("-inp", inpName), T("-outDa", outDaName), T("-outMap", outMapName),
      T("-outAng", outAngName), T("-pot", potName), T("-pot3D", pot3DName), T("-pka", pkaName),
      T("-inE", inEName), T("-outE", outEName), T("-flex", flexName), T("-dcEns", oDcEName), T("-ave", aveName),
      T("-pdbF", pdbFName), T("-pdbRot", pRotName), T("-outEAx", outEAxName), T("-aD1", atomNameS1),
      T("-aD2", atomNameS2), T("-inD1", inD1Name), T("-inD2", inD2Name), T("-outA", outAName),
      T("-outP", outPName), T("-outCol", outColName), T("-outSc", outScName),
  };
#undef T
  // -rotID, the last number, takes 0 to 3; -lcS above 0 to 1, -rimDisc 0 to 1 and -rim 0 or 1;
  // the shares -dFrac and -fracAdjustMc lie above 0 and below 1, the step -incAdjustMc is at most
  // 10, the pH at most 14 and the seed -idum at most 0, in every mode; the salt, the temperature and
  // the surface charge lie within those of real samples.
  const auto value = [&](int i) {
    const std::string o = nums[i].opt;
    return i == nNum - 1                                      ? 2.0
           : o == "-lcS" || o == "-rimDisc" || o == "-rim" ? 1.0
           : o == "-dFrac" || o == "-fracAdjustMc"         ? 0.5
           : o == "-nacl"                                    ? 0.25
           : o == "-chSurf"                                  ? -1.25
           : o == "-temp"                                    ? 250.0 + i
           : o == "-incAdjustMc"                             ? 5.0
           : o == "-pH"                                      ? 14.0
           : o == "-idum"                                    ? -10.0 - i
                                                           : 10.0 + i;
  };
  std::vector<std::string> args;
  for (int i = 0; i < nNum; i++) {
    char word[32];
    std::snprintf(word, sizeof word, "%g", value(i));
    args.insert(args.end(), {nums[i].opt, word});
  }
  for (const Txt& t : texts) args.insert(args.end(), {t.opt, std::string("file") + t.opt});
  CmdLine all(args, 2);
  ASSERT_EQ(all.status, 0) << all.err;
  EXPECT_EQ(all.unconsumed(), 0);
  for (int i = 0; i < nNum; i++) EXPECT_EQ(nums[i].get(all), value(i)) << nums[i].opt;
  EXPECT_EQ(all.k.nSel, all.k.sCount);
  for (const Txt& t : texts)
    EXPECT_STREQ(reinterpret_cast<const char*>(&all.p) + t.off, (std::string("file") + t.opt).c_str()) << t.opt;
}

// Flags, flag pairs, variants and options written by two words: the field each command line
// leaves, whatever the order of its words; every word consumed.
TEST(Options, OneFieldPerCommandLine) {
#define F(field) [](const CmdLine& c) -> double { return c.field; }
  struct Case { std::vector<std::string> args; double (*get)(const CmdLine&); double value; };
  const Case cases[] = {
      {{"-rand"}, F(k.spreadMode), 4}, {{"-exhaust"}, F(k.spreadMode), 5}, {{"-exhaustSel"}, F(k.spreadMode), 6},
      {{"-jack"}, F(k.spreadMode), 1}, {{"-mcDc"}, F(k.spreadMode), 2}, {{"-mcStruc"}, F(k.spreadMode), 3},
      {{"-rand", "-jack"}, F(k.spreadMode), 1}, {{"-single", "-exhaust"}, F(k.spreadMode), 0},
      {{"-nodcOpt"}, F(k.dcSelOpt), 0}, {{"-nDfixed"}, F(k.mapFixCount), 1}, {{"-angNoise"}, F(k.noiseMode), 0},
      {{"-fixCone"}, F(k.coneFix), 1}, {{"-noautoCone"}, F(k.nConeFlag), 0}, {{"-noautoMc"}, F(k.mcAdjustFlag), 0},
      {{"-noverb"}, F(k.verbFlag), 0}, {{"-verb", "-noverb"}, F(k.verbFlag), 0}, {{"-qRms"}, F(k.qFlag), 0},
      {{"-qStd"}, F(k.qFlag), 2}, {{"-qStd", "-qDa"}, F(k.qFlag), 2}, {{"-noerr"}, F(k.mapMode), 0},
      {{"-excl"}, F(dc.excludeMode), 1}, {{"-inc"}, F(dc.excludeMode), 2}, {{"-inc", "-excl"}, F(dc.excludeMode), 2},
      {{"-nofixedDI"}, F(k.allowFixedDI), 0}, {{"-yzInv"}, F(k.yzFlag), 1}, {{"-H"}, F(k.Hflag), 1},
      {{"-noH", "-H"}, F(k.Hflag), 0}, {{"-nosurf"}, F(k.surfFlag), 0}, {{"-elInfo"}, F(k.elInfo.chFlag), 1},
      {{"-dipole"}, F(k.elInfo.dipoleFlag), 1}, {{"-chSel"}, F(k.elInfo.chSelFlag), 1},
      {{"-nopkaDef"}, F(k.elInfo.pkaFlag), 0}, {{"-charmm"}, F(k.elInfo.charmm), 1},
      {{"-charmm22"}, F(k.elInfo.charmm), 2}, {{"-charmm22", "-charmm"}, F(k.elInfo.charmm), 2},
      {{"-charmm", "-nocharmm"}, F(k.elInfo.charmm), 0}, {{"-nochTerm"}, F(k.elInfo.chTerminiFlag), 0},
      {{"-dcHH"}, F(k.dcProton), 1}, {{"-scale"}, F(k.normDc), 1}, {{"-xplor"}, F(k.outFormat), 0},
      {{"-cns"}, F(k.outFormat), 1}, {{"-dyana"}, F(k.outFormat), 3}, {{"-korim"}, F(k.outFormat), 4},
      {{"-rosetta"}, F(k.outFormat), 5}, {{"-rosetta", "-xplor"}, F(k.outFormat), 5}, {{"-dcNoise"}, F(k.dcNoise), 1},
      {{"-add"}, F(k.opCode), 1}, {{"-mul"}, F(k.opCode), 3}, {{"-div"}, F(k.opCode), 4}, {{"-max"}, F(k.opCode), 5},
      {{"-anA", "-max", "-add"}, F(k.opCode), 5}, {{"-anDc"}, F(k.opCode), 1}, {{"-anDc"}, F(k.c1), 0},
      {{"-anDc", "-sub", "-c1", "2"}, F(k.opCode), 2}, {{"-anDc", "-sub", "-c1", "2"}, F(k.c1), 2},
      {{"-user"}, F(k.elPdbFlag), 2}, {{"-el"}, F(k.elPdbFlag), 1}, {{"-el", "-user"}, F(k.elPdbFlag), 1},
      {{"-user", "-ster"}, F(k.elPdbFlag), 0}, {{"-noave"}, F(k.histInfo.optExtrem), 0},
      {{"-noave", "-ave"}, F(k.histInfo.optExtrem), 1}, {{"-mapMl"}, F(k.histInfo.mlMap), 1},
      {{"-mapMl", "-nomapMl"}, F(k.histInfo.mlMap), 1}, {{"-fit"}, F(p.fitFlag), 1}, {{"-noeuler"}, F(k.eulerFlag), 0},
      {{"-euler", "-noeuler"}, F(k.eulerFlag), 0},
      // Media: the rod takes its own model radius unless one is given; the 3-D grid has none.
      {{"-pf1", "-rM", "40"}, F(k.radiusModel), 40}, {{"-pf1", "-bic"}, F(k.lcType), 2},
      {{"-pf1", "-bic"}, F(k.radiusModel), 33.5}, {{"-3D", "-bic"}, F(k.lcType), 3}, {{"-3D"}, F(k.radiusModel), 0},
      // Two words for one field: the one read first wins.
      {{"-s1", "4", "-d1", "3"}, F(dc.segFirst), 4}, {{"-dN", "9"}, F(dc.segLast), 9},
      {{"-sStep", "3", "-dStep", "2"}, F(dc.segStep), 3}, {{"-nSel", "7"}, F(k.nSel), 7},
      {{"-inS", ".1", ".2", ".3", ".4", ".5", "-inS1", ".9", ".9", ".9", ".9", ".9"}, F(p.userSaupe1[4]), 0.5},
      // Negative numbers are values; a number may carry a sign.
      {{"-s1", "-5"}, F(dc.segFirst), -5}, {{"-lDa", "-30.5"}, F(k.histInfo.lDaMl), -30.5},
      {{"-chSurf", "-.6"}, F(k.elInfo.chDensSurf), -0.6f}, {{"-c1", "-1e38"}, F(k.c1), -1e38f},
      {{"-wv", "+3"}, F(k.concentration), 3}, {{"-c2", "-1e-4"}, F(k.c2), -1e-4f},
      {{"-tensID", "+12"}, F(k.dcID), 12}, {{"-cut", "1e-7"}, F(k.elInfo.cutoffPot), 1e-7},
      {{"-bestFit", "-exhaust"}, F(k.spreadMode), 5}, {{"-bestFit", "-mcDc", "-map", "1"}, F(p.mapCount), 1},
      {{"-stdCone", "0.1"}, F(k.coneWidth), 0.1}, {{"-hinge", "1", "-2", "3"}, F(p.hingeAxis[1]), -2},
      {{"-inS2", ".1", ".2", ".3", ".4", ".5"}, F(p.userSaupe2[4]), 0.5},
      // Selection options are read once -pdb is present, even as another option's value.
      {{"-outD", "-pdb", "-res", "5"}, F(sel.res1), 5},
      // Lists: absent, empty and given; -w reads its values until the next option.
      {{"-fixAa", "-fixRes", "-dcID", "-pdb", "x"}, F(k.nAaCheck), 0},
      {{"-fixAa", "-fixRes", "-dcID", "-pdb", "x"}, F(p.nFixAa), 0},
      {{"-fixAa", "-fixRes", "-dcID", "-pdb", "x"}, F(k.nChainDc), 1}, {{"-fixAa", "3", "0", "2"}, F(k.nAaCheck), 3},
      {{"-fixAa", "3", "0", "2"}, F(k.exCheckList[2]), 2}, {{"-fixRes", "12", "15"}, F(p.nFixAa), 2},
      {{"-fixRes", "12", "15"}, F(p.fixResList[1]), 15}, {{"-dcID", "A", "B"}, F(k.nChainDc), 2},
      {{"-w", "1", "0.5", "2", "-pdb", "x"}, F(p.wCount), 3},
      {{"-w", "1", "0.5", "2", "-pdb", "x"}, F(p.wList[2]), 2},
      {{"-w", "1", "0.5", "2"}, F(p.wList[1]), 0.5}, {{"-fixRes", "12", "-15", "-pdb", "x"}, F(p.fixResList[1]), -15}, {{"-w", "-pdb", "x"}, F(p.wList == nullptr), 1},
      // -dbg alone is level 1; a value that is another option is not taken.
      {{"-dbg"}, F(dbgLevel()), 1}, {{"-dbg", "-pdb", "x"}, F(dbgLevel()), 1}, {{"-dbg", "3"}, F(dbgLevel()), 3},
      {{"-dbg", "-2"}, F(dbgLevel()), -2}, {{"-pdb", "x"}, F(dbgLevel()), 0},
  };
#undef F
  for (const Case& c : cases) {
    CmdLine r(c.args, 2);
    EXPECT_EQ(r.status, 0) << c.args[0] << r.err;
    EXPECT_EQ(c.get(r), c.value) << c.args[0] << " ... " << c.args.back();
    EXPECT_EQ(r.unconsumed(), 0) << c.args[0];
  }
}

TEST(Options, TextsListsAndDebugLevel) {
  EXPECT_STREQ(CmdLine({"-outD", "a.tab", "-outD", "b.tab"}).p.outDName, "a.tab");
  EXPECT_STREQ(CmdLine({"-in", "x", "-inD", "y"}).p.inDName, "y");
  EXPECT_STREQ(CmdLine({"-outD", "o", "-out", "p"}).p.outDName, "o");
  CmdLine aveNoave({"-ave", "-noave"});
  EXPECT_TRUE(aveNoave.k.histInfo.optExtrem == 1 && std::string(aveNoave.p.aveName) == "-noave");
  // Without -pdb the selection options are not read and not consumed; "-incl" is no option word
  // (the range mode that keeps either end inside is -inc).
  for (const std::vector<std::string>& args : {std::vector<std::string>{"-inD", "d.tab", "-res", "5"}, {"-incl"}}) {
    CmdLine r(args, 2);
    EXPECT_TRUE(r.sel.res1 == 0 && r.dc.excludeMode == 3 && r.unconsumed() == 1) << args[0];
  }
  // A selection the selection reader refuses fails the option reading.
  EXPECT_EQ(CmdLine({"-pdb", "x", "-res", "five"}).status, 1);
  EXPECT_EQ(CmdLine({"-pdb", "x", "-id", "2.5"}).err, "KORIM Error: option -id value 2.5 must be an integer.\n");
  // Accepted without effect, but consumed.
  CmdLine unused({"-inCS", "a", "-outS", "b", "-outCS", "c", "-ref", "d", "-path", "e", "-list", "f", "-sPath",
                  "g", "-sList", "h", "-rList", "i", "-csThresh", "3", "-vcThresh", "0.5", "-fit", "-nofit"}, 2);
  EXPECT_TRUE(unused.status == 0 && unused.unconsumed() == 0);
  CmdLine rem({"-rem", "my remark"});
  EXPECT_EQ(rem.p.remark, rem.args.argv()[2]);  // the word itself, not a copy
  CmdLine lists({"-dcID", "A", "B"});
  EXPECT_TRUE(std::string(lists.k.chainDc[1]) == "B" && lists.k.chainDc[2][0] == '\0');
  EXPECT_NE(lists.k.chainDc[0], lists.args.argv()[2]);  // copies, not the words
}

TEST(Options, CountedOptionsAndRefusedValues) {
  struct Case { std::vector<std::string> args; std::string msg; };
  // Options with the wrong count of values; values refused by the option reader.
  auto count = [](std::vector<std::string> args, const std::string& needs) {
    return Case{args, "MERIDO Error: " + args[0] + " option requires " + needs + ".\n"};
  };
  auto value = [](const std::string& o, const std::string& v, const std::string& why) {
    return Case{{o, v}, "KORIM Error: option " + o + " value " + v + " " + why + ".\n"};
  };
  const std::string one = "1 value only", five = "5 values", noDot = "gives no sphere of 12 to 40001 orientations "
                                                                     "(densities 3 to 39692)";
  const std::string binCounts =
      "must be 0 (bins of twice the mean error) or 3 to 250 (one bin holds every coupling, and two are centred at "
      "the ends of the span, one of which is then the fullest; the histogram holds at most 250 bins)";
  // Finite values beyond the option's type name its range.
  const std::string kSingle = "lies outside what the option holds, a single-precision number: 0, or 1.1755e-38 to "
                              "3.4028e+38 in size, of either sign";
  const std::string kDouble = "lies outside what the option holds, a double-precision number: 0, or 2.2251e-308 to "
                              "1.79769e+308 in size, of either sign";
  const Case bad[] = {
      count({"-cut"}, one), count({"-cut", "1", "2"}, one), count({"-inS1", "1", "2", "3", "4"}, five),
      count({"-inS1", "1", "2", "3", "4", "-", "5"}, five), count({"-inS2", "1", "2", "3", "4", "5", "6"}, five),
      count({"-hinge", "1", "2", "-outD", "x"}, "3 values"), count({"-twist"}, "3 values"), count({"-inS", "1"}, five),
      // The first failing check ends the reading; the tensor reader's check comes first.
      {{"-inS", "1", "-cut"}, "MERIDO Error: -cut option requires 1 value only.\n"},
      count({"-saupe", "1", "2", "-cut"}, five),
      // Values that would index past an array, divide by zero or never end a loop.
      value("-rotID", "4", "must lie between 0 and 3"), value("-rotID", "-1", "must lie between 0 and 3"),
      value("-digPsi", "0", "must be at least 1"), value("-digCone", "-3", "must be at least 1"),
      value("-nX", "0", "must be at least 1"), value("-incCone", "0", "must be a positive number"),
      value("-incDa", "-0.1", "must be a positive number"), value("-incR", "nan", "must be a finite number"),
      value("-dGrid", "abc", "must be a number"), value("-bin", "-1", binCounts), value("-bin", "1", binCounts),
      value("-bin", "2", binCounts),
      value("-dot", "2", noDot), value("-dot", "39693", noDot),
      {{"-nX", "512", "-nY", "512", "-nZ", "1024"},
       "KORIM Error: options -nX 512 -nY 512 -nZ 1024 give 268435456 grid points, more than 268435455.\n"},
      {{"-nX", "2000000000", "-nY", "2000000000", "-nZ", "2000000000"},
       "KORIM Error: options -nX 2000000000 -nY 2000000000 -nZ 2000000000 give 8e+27 grid points, more than "
       "268435455.\n"},
      // Numbers that are not finite: each option is named.
      value("-lcS", "nan", "must be a finite number"), value("-wv", "1e39", kSingle),
      value("-pH", "-inf", "must be a finite number"), value("-da", "NAN", "must be a finite number"),
      value("-cut", "inf", "must be a finite number"), value("-w", "nan", "must be a finite number"),
      {{"-saupe", "1e-4", "0", "0", "0", "infinity"},
       "KORIM Error: option -saupe value infinity must be a finite number.\n"},
      // Words that are not numbers of their option's type, in every kind of option.
      value("-wv", "abc", "must be a number"), value("-idum", "12abc", "must be an integer"),
      value("-nX", "1e3", "must be an integer"), value("-dbg", "2.5", "must be an integer"),
      value("-c1", "1.2.3", "must be a number"), value("-fixRes", "9x", "must be an integer"),
      value("-cut", "1e999", kDouble),
      {{"-hinge", "1", "2", "1e39"}, "KORIM Error: option -hinge value 1e39 " + kSingle + ".\n"},
      value("-map", "2147483648", "must lie between -2147483648 and 2147483647"),
      {{"-bestFit", "-jack"},
       "KORIM Error: option -map must give at least 1 trial for -jack; the run gives no -map (-map 1000 draws 1000).\n"},
      {{"-bestFit", "-mcStruc", "-map", "0"},
       "KORIM Error: option -map must give at least 1 trial for -mcStruc (got 0).\n"},
      // Lists and texts longer than their buffers.
      {{"-dcID", "A", "B", "C", "D"}, "KORIM Error: option -dcID takes at most 3 values, 4 given.\n"},
      {manyWords("-fixAa", 26, "1"), "KORIM Error: option -fixAa takes at most 25 values, 26 given.\n"},
      {manyWords("-fixRes", 801, "5"), "KORIM Error: option -fixRes takes at most 800 values, 801 given.\n"},
      {{"-pdb", std::string(256, 'n')}, "Argument Error: value for '-pdb' longer than 255 characters.\n"},
  };
  for (const Case& c : bad) {
    CmdLine r(c.args);
    EXPECT_EQ(r.err, c.msg);
    // Nothing written past a buffer or a list.
    EXPECT_TRUE(r.status == 1 && r.k.nAaCheck == 1 && r.p.pdbName[0] == '\0') << c.msg;
  }
  // What was read before stays; nothing after is read.
  CmdLine partial({"-inS1", "1", "2", "3", "4", "-5", "-inS2", "1", "-c1", "3", "-tensID", "7"});
  // -tensID is read before the counted options, -c1 after them.
  korim_test::expectFields({KORIM_FIELD(partial, status, 1), KORIM_FIELD(partial.p, userSaupe1[4], -5.0),
                            KORIM_FIELD(partial.k, dcID, 7), KORIM_FIELD(partial.k, c1, 1.0)});

  // The largest values still accepted.
  std::vector<std::string> edge = {"-dot", "39692", "-rotID", "3", "-bin", "0", "-nX", "512", "-nY", "512",
                                   "-nZ", "1023", "-digPsi", "1", "-aD2", std::string(255, 'a')};
  for (const auto& list : {manyWords("-fixAa", 25, "2"), manyWords("-fixRes", 800, "5")})
    edge.insert(edge.end(), list.begin(), list.end());
  CmdLine ok(edge);
  ASSERT_EQ(ok.status, 0) << ok.err;
  korim_test::expectFields({KORIM_FIELD(ok.k, densityNSC, 39692), KORIM_FIELD(ok.k, rotN, 3),
                            KORIM_FIELD(ok.k, grid3DnZ, 1023), KORIM_FIELD(ok.k, exCheckList[24], 2),
                            KORIM_FIELD(ok.p, nFixAa, 800)});
  EXPECT_EQ(std::string(ok.p.atomNameS2), std::string(255, 'a'));
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
  EXPECT_EQ(orientationDotCount(2147483647, 40001), -1);
}
