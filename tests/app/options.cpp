// Option reader: reading order, mode and variant test orders, values, counted options and the
// refusals of values that would overflow buffers, index past arrays or never end a loop.
#include <gtest/gtest.h>

#include <cstddef>
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
}

// Every value option lands in its own field: one command line gives each option a distinct value.
TEST(Options, EachValueOptionWritesItsField) {
#define NUM(opt, field) {opt, [](const CmdLine& c) -> double { return c.field; }}
  struct Num { const char* opt; double (*get)(const CmdLine&); };
  const Num nums[] = {
      NUM("-idum", k.idum), NUM("-map", p.mapCount), NUM("-dFrac", k.mapFrac), NUM("-stdCone", k.coneWidth),
      NUM("-digCone", k.coneDig), NUM("-nCone", k.nConeAdjust), NUM("-lCone", k.nConeStart),
      NUM("-incCone", k.nConeInc), NUM("-nAdjustMc", k.nAdjustMc), NUM("-fracAdjustMc", k.mcAdjustFrac),
      NUM("-kAdjustMc", k.kSigma), NUM("-kLAdjustMc", k.kLSigma), NUM("-incAdjustMc", k.incSigma),
      NUM("-sStep", dc.segStep), NUM("-s1", dc.segFirst), NUM("-sN", dc.segLast), NUM("-sID", dc.segID),
      NUM("-a1", dc.aFirst), NUM("-csThresh", p.csThresh), NUM("-vcThresh", p.validThresh),
      NUM("-wv", k.concentration), NUM("-vol", k.volSample), NUM("-mwLC", k.mwLC), NUM("-massLC", k.massLC),
      NUM("-unitLC", k.unitLengthLC), NUM("-polyLC", k.polymerDeg), NUM("-dot", k.densityNSC),
      NUM("-digPsi", k.digPsiNSC), NUM("-dGrid", k.gridSpacing), NUM("-dX", k.grid3DdeltaX),
      NUM("-dY", k.grid3DdeltaY), NUM("-dZ", k.grid3DdeltaZ), NUM("-nX", k.grid3DnX), NUM("-nY", k.grid3DnY),
      NUM("-nZ", k.grid3DnZ), NUM("-maxPot", k.elInfo.maxPot), NUM("-z1", k.elInfo.z1), NUM("-zN", k.elInfo.zN),
      NUM("-rM", k.radiusModel), NUM("-lcS", k.lcOrder), NUM("-rA", k.radiusAtom), NUM("-rim", k.includeRim),
      NUM("-pRatio", k.molarRatio), NUM("-lM", k.lengthModel), NUM("-rimDisc", k.orderDiscRim),
      NUM("-pH", k.elInfo.pH), NUM("-nacl", k.elInfo.concNaCl), NUM("-chSurf", k.elInfo.chDensSurf),
      NUM("-dIFace", k.elInfo.iFace), NUM("-cut", k.elInfo.cutoffPot), NUM("-kEne", k.elInfo.kEnergy),
      NUM("-kPot", k.elInfo.kPot), NUM("-kMono", k.elInfo.kMonoCh), NUM("-kDipo", k.elInfo.kDipoCh),
      NUM("-kQuad", k.elInfo.kQuadCh), NUM("-temp", k.elInfo.temperaturePot), NUM("-kAtt", k.elInfo.kAtt),
      NUM("-pow", k.elInfo.pow), NUM("-tensID", k.dcID), NUM("-c1", k.c1), NUM("-c2", k.c2),
      NUM("-bin", k.histInfo.nBinIn), NUM("-nFit", k.histInfo.modeFit), NUM("-sdevDzz", k.histInfo.sdevDzz),
      NUM("-sdevDyy", k.histInfo.sdevDyy), NUM("-daLo", k.histInfo.daLo), NUM("-daHi", k.histInfo.daHi),
      NUM("-rhLo", k.histInfo.rhLo), NUM("-rhHi", k.histInfo.rhHi), NUM("-nSel", k.sCount),
      NUM("-nRun", k.histRan), NUM("-lDa", k.histInfo.lDaMl), NUM("-hDa", k.histInfo.hDaMl),
      NUM("-incDa", k.histInfo.incDaMl), NUM("-lR", k.histInfo.lRMl), NUM("-hR", k.histInfo.hRMl),
      NUM("-incR", k.histInfo.incRMl), NUM("-rotID", k.rotN),
  };
#undef NUM
  const int nNum = static_cast<int>(sizeof nums / sizeof nums[0]);
  // Texts, by their offset in KorimParams.
  struct Txt { const char* opt; size_t off; };
  const Txt texts[] = {
      {"-outFail", offsetof(KorimParams, outDFailName)}, {"-inD", offsetof(KorimParams, inDName)},
      {"-outD", offsetof(KorimParams, outDName)}, {"-outPka", offsetof(KorimParams, outPkaName)},
      {"-pdb", offsetof(KorimParams, pdbName)}, {"-inp", offsetof(KorimParams, inpName)},
      {"-outDa", offsetof(KorimParams, outDaName)}, {"-outMap", offsetof(KorimParams, outMapName)},
      {"-outAng", offsetof(KorimParams, outAngName)}, {"-pot", offsetof(KorimParams, potName)},
      {"-pot3D", offsetof(KorimParams, pot3DName)}, {"-pka", offsetof(KorimParams, pkaName)},
      {"-inE", offsetof(KorimParams, inEName)}, {"-outE", offsetof(KorimParams, outEName)},
      {"-flex", offsetof(KorimParams, flexName)}, {"-dcEns", offsetof(KorimParams, oDcEName)},
      {"-ave", offsetof(KorimParams, aveName)}, {"-pdbF", offsetof(KorimParams, pdbFName)},
      {"-pdbRot", offsetof(KorimParams, pRotName)}, {"-outEAx", offsetof(KorimParams, outEAxName)},
      {"-aD1", offsetof(KorimParams, atomNameS1)}, {"-aD2", offsetof(KorimParams, atomNameS2)},
      {"-inD1", offsetof(KorimParams, inD1Name)}, {"-inD2", offsetof(KorimParams, inD2Name)},
      {"-outA", offsetof(KorimParams, outAName)}, {"-outP", offsetof(KorimParams, outPName)},
      {"-outCol", offsetof(KorimParams, outColName)}, {"-outSc", offsetof(KorimParams, outScName)},
  };
  std::vector<std::string> args;
  for (int i = 0; i < nNum; i++) {
    args.push_back(nums[i].opt);
    args.push_back(std::to_string(i == nNum - 1 ? 2 : 10 + i));  // -rotID takes 0 to 3
  }
  for (const Txt& t : texts) args.insert(args.end(), {t.opt, std::string("file") + t.opt});
  CmdLine all(args, 2);
  ASSERT_EQ(all.status, 0) << all.err;
  EXPECT_EQ(all.unconsumed(), 0);
  for (int i = 0; i < nNum; i++) EXPECT_EQ(nums[i].get(all), i == nNum - 1 ? 2 : 10 + i) << nums[i].opt;
  EXPECT_EQ(all.k.nSel, all.k.sCount);
  for (const Txt& t : texts)
    EXPECT_STREQ(reinterpret_cast<const char*>(&all.p) + t.off, (std::string("file") + t.opt).c_str()) << t.opt;
}

// Each flag alone stores its value in its field.
TEST(Options, EachFlagWritesItsField) {
#define FLAG(opt, field, v) {opt, [](const CmdLine& c) { return c.field; }, v}
  struct Flag { const char* opt; int (*get)(const CmdLine&); int value; };
  const Flag flags[] = {
      FLAG("-rand", k.spreadMode, 4), FLAG("-exhaust", k.spreadMode, 5), FLAG("-exhaustSel", k.spreadMode, 6),
      FLAG("-nodcOpt", k.dcSelOpt, 0), FLAG("-jack", k.spreadMode, 1), FLAG("-mcDc", k.spreadMode, 2),
      FLAG("-mcStruc", k.spreadMode, 3), FLAG("-nDfixed", k.mapFixCount, 1), FLAG("-angNoise", k.noiseMode, 0),
      FLAG("-fixCone", k.coneFix, 1), FLAG("-noautoCone", k.nConeFlag, 0), FLAG("-noautoMc", k.mcAdjustFlag, 0),
      FLAG("-noverb", k.verbFlag, 0), FLAG("-qRms", k.qFlag, 0), FLAG("-qStd", k.qFlag, 2),
      FLAG("-noerr", k.mapMode, 0), FLAG("-excl", dc.excludeMode, 1), FLAG("-inc", dc.excludeMode, 2),
      FLAG("-nofixedDI", k.allowFixedDI, 0), FLAG("-yzInv", k.yzFlag, 1), FLAG("-pf1", k.lcType, 2),
      FLAG("-3D", k.lcType, 3), FLAG("-H", k.Hflag, 1), FLAG("-nosurf", k.surfFlag, 0),
      FLAG("-elInfo", k.elInfo.chFlag, 1), FLAG("-dipole", k.elInfo.dipoleFlag, 1),
      FLAG("-chSel", k.elInfo.chSelFlag, 1), FLAG("-nopkaDef", k.elInfo.pkaFlag, 0),
      FLAG("-charmm", k.elInfo.charmm, 1), FLAG("-charmm22", k.elInfo.charmm, 2),
      FLAG("-nochTerm", k.elInfo.chTerminiFlag, 0), FLAG("-dcHH", k.dcProton, 1), FLAG("-scale", k.normDc, 1),
      FLAG("-xplor", k.outFormat, 0), FLAG("-cns", k.outFormat, 1), FLAG("-dyana", k.outFormat, 3),
      FLAG("-korim", k.outFormat, 4), FLAG("-rosetta", k.outFormat, 5), FLAG("-dcNoise", k.dcNoise, 1),
      FLAG("-add", k.opCode, 1), FLAG("-mul", k.opCode, 3), FLAG("-div", k.opCode, 4), FLAG("-max", k.opCode, 5),
      FLAG("-user", k.elPdbFlag, 2), FLAG("-el", k.elPdbFlag, 1), FLAG("-el", k.elInfo.elFlag, 1),
      FLAG("-noave", k.histInfo.optExtrem, 0), FLAG("-mapMl", k.histInfo.mlMap, 1), FLAG("-fit", p.fitFlag, 1),
      FLAG("-noeuler", k.eulerFlag, 0),
  };
#undef FLAG
  for (const Flag& f : flags) {
    CmdLine r({f.opt}, 2);
    EXPECT_EQ(f.get(r), f.value) << f.opt;
    EXPECT_EQ(r.unconsumed(), 0) << f.opt;
  }
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
  EXPECT_EQ(CmdLine({"-mapMl", "-nomapMl"}).k.histInfo.mlMap, 1);
  EXPECT_EQ(CmdLine({"-charmm22", "-charmm"}).k.elInfo.charmm, 2);
  EXPECT_EQ(CmdLine({"-charmm", "-nocharmm"}).k.elInfo.charmm, 0);
  EXPECT_EQ(CmdLine({"-qStd", "-qDa"}).k.qFlag, 2);
  EXPECT_EQ(CmdLine({"-inc", "-excl"}).dc.excludeMode, 2);
  EXPECT_EQ(CmdLine({"-rosetta", "-xplor"}).k.outFormat, 5);
  EXPECT_EQ(CmdLine({"-el", "-user"}).k.elPdbFlag, 1);
  EXPECT_EQ(CmdLine({"-user", "-ster"}).k.elPdbFlag, 0);
  EXPECT_EQ(CmdLine({"-euler", "-noeuler"}).k.eulerFlag, 0);

  CmdLine ave({"-ave", "mean.tab"});
  EXPECT_EQ(ave.k.histInfo.optExtrem, 1);
  EXPECT_STREQ(ave.p.aveName, "mean.tab");
  CmdLine aveNoave({"-ave", "-noave"});
  EXPECT_EQ(aveNoave.k.histInfo.optExtrem, 1);
  EXPECT_STREQ(aveNoave.p.aveName, "-noave");
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
      {{"-incDa", "-0.1"}, "KORIM Error: option -incDa value -0.1 must be a positive number.\n"},
      {{"-incR", "nan"}, "KORIM Error: option -incR value nan must be a positive number.\n"},
      {{"-dGrid", "abc"}, "KORIM Error: option -dGrid value abc must be a positive number.\n"},
      {{"-bin", "-1"}, "KORIM Error: option -bin value -1 must be 0 (automatic) or more.\n"},
      {{"-dot", "2"},
       "KORIM Error: option -dot value 2 gives no sphere of 12 to 40001 orientations (densities 3 to 39692).\n"},
      {{"-dot", "39693"},
       "KORIM Error: option -dot value 39693 gives no sphere of 12 to 40001 orientations (densities 3 to "
       "39692).\n"},
      {{"-nX", "512", "-nY", "512", "-nZ", "1024"},
       "KORIM Error: options -nX 512 -nY 512 -nZ 1024 give 268435456 grid points, more than 268435455.\n"},
      {{"-nX", "100000", "-nY", "100000", "-nZ", "100000"},
       "KORIM Error: options -nX 100000 -nY 100000 -nZ 100000 give 1e+15 grid points, more than "
       "268435455.\n"},
      {{"-nX", "2000000000", "-nY", "2000000000", "-nZ", "2000000000"},
       "KORIM Error: options -nX 2000000000 -nY 2000000000 -nZ 2000000000 give "
       "8e+27 grid points, more than 268435455.\n"},
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
