// Allocation failures at every tagged allocation of the entry points, one after the other: each
// call reports the failure or delivers its whole result, never a partial result as success, and
// a reported failure leaves the caller's data as it was.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/analyze_dc.h"
#include "assignment/ran_sim_dc.h"
#include "assignment/visit_globals.h"
#include "app/convert_tab.h"
#include "settings/settings_null.h"
#include "couplings/dc.h"
#include "couplings/writedc.h"
#include "fitting/aerasimdc.h"
#include "fitting/daflex.h"
#include "fitting/mapsimdc.h"
#include "fitting/noisestruc.h"
#include "fitting/simdc.h"
#include "fitting/statdc.h"
#include "foundation/cmndargs.h"
#include "foundation/genrand.h"
#include "foundation/hsymbol.h"
#include "foundation/isdataline.h"
#include "foundation/maptext.h"
#include "foundation/memory.h"
#include "foundation/nonlinearfit.h"
#include "foundation/nrutil.h"
#include "foundation/polyfit.h"
#include "foundation/rdtext.h"
#include "foundation/smspline.h"
#include "foundation/stralloc.h"
#include "foundation/svdpoly.h"
#include "foundation/table.h"
#include "foundation/token.h"
#include "interp/symbol.h"
#include "restraints/cs.h"
#include "restraints/dist.h"
#include "restraints/distmap.h"
#include "restraints/energy.h"
#include "restraints/surf.h"
#include "spectral/apod.h"
#include "spectral/fdatap.h"
#include "spectral/dmusic.h"
#include "spectral/ftnet.h"
#include "spectral/ipl.h"
#include "spectral/lp2d.h"
#include "spectral/lpc.h"
#include "spectral/ml.h"
#include "spectral/phasetab.h"
#include "spectral/qmix.h"
#include "spectral/sase.h"
#include "spectral/solvent.h"
#include "spectral/tessmar.h"
#include "simulation/do_nsc.h"
#include "simulation/korim_iface.h"
#include "simulation/korim_utils_align.h"
#include "simulation/nsc.h"
#include "simulation/ssia.h"
#include "simulation/unsp.h"
#include "structure/pdb.h"
#include "tests/support/allocfail.h"
#include "tests/support/argv.h"
#include "tests/support/capture.h"
#include "tests/restraints/rtest.h"
#include "tests/support/files.h"
#include "tests/support/surfaces.h"
#include "tests/support/text.h"

namespace fnd = korim::foundation;
namespace st = korim::structure;
namespace cp = korim::couplings;
namespace sim = korim::simulation;
using korim::settings::KorimInfo;
using korim_test::Outcome;

namespace {

// The ubiquitin structure and its couplings, mapped and selected as the program does.
struct Ubiquitin {
  st::PDBInfo pdb{};
  st::PDBSelectInfo sel{};
  cp::DTable tab{};
  KorimInfo k{};
  int valid = 0;
  Ubiquitin() {
    st::pdbNull(&pdb), st::pdbSelectNull(&sel), cp::dTabNull(&tab), korim::settings::korimInfoNull(&k);
    korim_test::captureStderr([&] {
      if (st::readPDB(korim_test::kUbiquitinPdb.c_str(), &pdb, nullptr, nullptr) != 0) return;
      if (cp::readDC(korim_test::kUbiquitinCouplings.c_str(), &tab) != 0) return;
      cp::selectD(tab.dObsList, tab.dCount, tab.dMinRes, tab.dMaxRes, 3);
      valid = cp::buildDC(&pdb, &tab, 0, tab.dMinRes, nullptr, 0, k.allowFixedDI);
      sel.res1 = pdb.minResID, sel.resN = pdb.maxResID;
      st::pdbSelect(&pdb, &sel);
    });
  }
  bool sameAtoms(const std::vector<st::AtomInfo>& before) const {
    for (int i = 0; i < pdb.atomCount; i++) {
      const st::AtomInfo &a = pdb.atomList[i], &b = before[i];
      if (a.x != b.x || a.y != b.y || a.z != b.z || a.selected != b.selected) return false;
    }
    return true;
  }
};

// The status of a call run with its standard output captured.
int quiet(const std::function<int()>& f) {
  int rc = 1;
  korim_test::captureStdout([&] { rc = f(); });
  return rc;
}

// Coupling rows of a written table: the non-empty lines after the FORMAT line.
int rowCount(const std::string& table) {
  int rows = -1;
  for (const std::string& line : korim_test::lines(table)) {
    if (line.compare(0, 7, "FORMAT ") == 0) rows = 0;
    else if (rows >= 0 && !line.empty()) rows++;
  }
  return rows;
}

// An entry point under the sweep: run() calls it, after prepare() (if any) built its input.
struct Entry {
  const char* name;
  std::function<Outcome()> run;
  std::function<void()> prepare = [] {};
};

// Status 1 exactly when an allocation failed, else 0.
bool reportsFailure(int s, bool fired, const std::string&) { return s == (fired ? 1 : 0); }

// A call swept for the status it returns: holds(status, fired, err) in every round, and at least
// `rounds` rounds met a failure.
struct Reported {
  const char* name;
  std::function<int()> run;
  std::function<bool(int, bool, const std::string&)> holds = reportsFailure;
  int rounds = 1;
};

// A tool's set-up, then its release: reported as above and, unless the tool keeps a work space
// for the run, nothing left allocated after a clean round.
Reported setUp(const char* name, std::function<int()> init, std::function<void()> release, bool keepsWork = false) {
  return {name, [=] {
            const int s = init();
            release();
            return s;
          },
          [keepsWork](int s, bool fired, const std::string&) {
            return reportsFailure(s, fired, "") && (fired || keepsWork || fnd::memoryBytesUsed() == 0);
          }};
}

class AllocationFailures : public testing::Test {
 protected:
  void SetUp() override {
    fnd::memoryReset();
    fnd::tokenReset();
    fnd::strallocReset();
    fnd::hsymbolReset();
    st::pdbModuleReset();
    sim::nscReset();
  }
  void TearDown() override { fnd::memoryReset(); }
  // Sweeps every entry; each must meet at least one failing allocation.
  void sweep(const std::vector<Entry>& entries) {
    for (const Entry& e : entries) EXPECT_GT(korim_test::sweepEntryPoint(e.name, e.prepare, e.run), 0) << e.name;
  }
  // Sweeps one reported call; how many rounds met a failure.
  int sweepOne(const Reported& r) {
    int s = 0;
    return korim_test::sweepAllocationFailures(
        [&](int) { s = r.run(); },
        [&](int n, bool fired, const std::string& err) {
          EXPECT_TRUE(r.holds(s, fired, err)) << r.name << ", allocation " << n << ", status " << s << ":\n" << err;
        });
  }
  void sweepReported(const std::vector<Reported>& rows) {
    for (const Reported& r : rows) EXPECT_GE(sweepOne(r), r.rounds) << r.name;
  }
  korim_test::TempDir dir;
};

}  // namespace

TEST_F(AllocationFailures, TextsTokensAndTables) {
  const std::string longLine(900, 'r');
  const std::string text = korim_test::writeFile(dir / "text.txt", "first\n" + longLine + "\nthird 3\n" + longLine + " 4\nEND\n");
  const std::string table = korim_test::writeFile(dir / "t.tab", "REMARK r\nNULLSTRING *\nVARS ID NAME VAL\nFORMAT %d %s %f\n"
                                                              "1 ALA 2\n2 GLY 3\n3 * 4\n");
  const char* name = text.c_str();
  int count = 0, error = 0, length = 0, cap = 0, vars = 0;
  char *str = nullptr, buff[8], **list = nullptr;
  fnd::HTable* h = nullptr;
  fnd::tabVar* info = nullptr;
  float* m = nullptr;
  sweep({
      {"rdText", [&] {
         char** l = fnd::rdText(name, &count, &error);
         return Outcome{error == 0, l && count == 5 && l[3] == longLine + " 4" && !l[5]};
       }},
      {"rdText2", [&] {
         FILE* in = std::fopen(name, "r");
         char** l = fnd::rdText2(in, &count, "end", 0, &error);
         std::fclose(in);
         return Outcome{error == 0, l && count == 5 && l[1] == longLine && !l[5]};
       }},
      {"rdTextC", [&] {
         char* b = fnd::rdTextC(name, &count, &length, &error);
         return Outcome{error == 0, b && length == 7 + 902 + 9 + 904 + 5 + 1 && std::string(b + 7) == longLine + "\n"};
       }},
      {"cntDataLine", [&] { return Outcome{fnd::cntDataLine(name, &count) == 0, count == 4}; }, [] { fnd::tokenReset(); }},
      {"buildList", [&] {
         char** l = fnd::buildList(5);
         return Outcome{l != nullptr, l && !l[5] && l[4] && l[4][0] == '\0'};
       }},
      // A failed growth gives an empty token flagged as bad, never a cut one.
      {"getToken", [&] {
         const std::string t = fnd::getToken(2, ("x " + longLine).c_str());
         return Outcome{fnd::badToken == 0, t == longLine, t.empty()};
       }, [] { fnd::tokenReset(); }},
      {"ctempAlloc", [&] {
         char* s = fnd::ctempAlloc(5000);
         return Outcome{fnd::badToken == 0, s && s[0] == '\0', s && s[0] == '\0'};
       }, [] { fnd::strallocReset(); }},
      // A failed growth keeps the text as it was.
      {"strcatAlloc", [&] {
         char* r = fnd::strcatAlloc(&str, longLine.c_str(), buff, 8, &cap);
         return Outcome{r != nullptr, str == "abc" + longLine, std::string(str) == "abc"};
       }, [&] { std::snprintf(buff, sizeof buff, "abc"), str = buff, cap = 8; }},
      {"mapText", [&] {
         int at = -1;
         korim_test::captureStdout([&] { at = fnd::mapText("b", &list, &count, &error); });
         return Outcome{at == 1, count == 2 && std::strcmp(list[1], "b") == 0 && !list[2],
                        count == 1 && !list[1] && std::strcmp(list[0], "a") == 0};
       }, [&] { list = nullptr, count = error = 0, fnd::mapText("a", &list, &count, &error); }},
      {"rdTable2", [&] {
         fnd::hdrList* hdr = fnd::hdrInit();
         int entries = 0, rc = 1;
         if (hdr != nullptr)
           korim_test::captureStdout([&] { rc = fnd::rdTable2(table.c_str(), &m, &vars, &entries, &info, &hdr, 0, 0, 1); });
         return Outcome{rc == 0, rc == 0 && entries == 3 && info[1].equivCount == 2 &&
                                     std::strcmp(info[1].equivList[static_cast<int>(m[1 * vars + 1])], "GLY") == 0};
       }},
      {"addTabVar", [&] {
         return Outcome{fnd::addTabVar(&info, &vars, "B", "%f", 0, fnd::TAB_FLOAT) == 0,
                        vars == 2 && std::strcmp(info[1].fmt, "%f") == 0,
                        vars == 1 && std::strcmp(info[0].name, "A") == 0};
       }, [&] { info = nullptr, vars = 0, fnd::addTabVar(&info, &vars, "A", "%d", 0, fnd::TAB_INT); }},
      // Every symbol counted is found, and the table holds just the symbols stored.
      {"symbol table", [&] {
         const char* names[] = {"N", "CA", "C", "O", "CB"};
         if ((h = fnd::hSymTabAlloc(7)) == nullptr) return Outcome{false, false};
         int stored = 0, found = 0;
         bool consistent = true;
         for (int k = 0; k < 5; ++k) {
           const int rc = k % 2 ? fnd::hSetSymStr(names[k], "val", h) : fnd::hSetSymInt(names[k], k, h);
           stored += rc == 0;
           consistent = consistent && (rc == 0) == (fnd::hFindSym(names[k], h) != nullptr);
         }
         for (int b = 0; b < h->hashLength; ++b)
           for (fnd::HSymbol* s = h->base[b]; s; s = s->next) ++found;
         consistent = consistent && found == stored && h->symbolCount == stored;
         return Outcome{stored == 5, consistent, consistent};
       }},
      {"rListArg", [&] {
         korim_test::Argv args({"-v", "1", "2"});
         int n = 0;
         float* v = fnd::rListArg(args.argc(), args.argv(), "-v", &n);
         return Outcome{v != nullptr, n == 2 && v[0] == 1.0f && v[1] == 2.0f, n == -1};
       }},
  });
}

TEST_F(AllocationFailures, Numerics) {
  float a[12], y[6], coef[2];
  for (int i = 0; i < 6; i++) a[2 * i] = 1, a[2 * i + 1] = float(i), y[i] = 2 + 3.0f * i;
  // The exact line 2 + 0.5 x at x = 1..6, sigma 0.5, for the Levenberg-Marquardt fit.
  float lx[7], ly[7], sig[7], la[3], guess[3] = {0, 0, 0}, err[3];
  int ia[3] = {0, 1, 1};
  for (int i = 1; i <= 6; i++) lx[i] = float(i), ly[i] = 2.0f + 0.5f * i, sig[i] = 0.5f;
  auto line = [](float xv, float* p, float* ymod, float* dyda, int) {
    *ymod = p[1] + p[2] * xv;
    dyda[1] = 1.0f, dyda[2] = xv;
  };
  float px[5] = {0, 1, 2, 3, 4}, py[5] = {1, 3, 5, 7, 9};
  sweep({
      {"svdLSMat", [&] {
         return Outcome{fnd::svdLSMat(a, y, 6, 2, coef, nullptr, 1) == 0,
                        std::fabs(coef[0] - 2) < 1e-4f && std::fabs(coef[1] - 3) < 1e-4f};
       }, [] { fnd::svdPolyFree(); }},
      // An allocation failure is never a perfect fit. The errors of the weighted line:
      // sqrt(Sxx/D) and sqrt(S/D), S = 24, Sxx = 364, D = 1680.
      {"nonlinearfit", [&] {
         return Outcome{fnd::nonlinearfit(lx, ly, sig, 6, la, guess, ia, 2, line, err) == 0,
                        std::fabs(la[1] - 2) < 1e-4f && std::fabs(la[2] - 0.5f) < 1e-4f &&
                            std::fabs(err[1] - std::sqrt(364.0f / 1680)) < 1e-4f &&
                            std::fabs(err[2] - std::sqrt(24.0f / 1680)) < 1e-4f};
       }},
      {"matrix", [&] { return Outcome{fnd::matrix(1, 2, 1, 3) != nullptr, true}; }},
      // The interpolating spline (s below any residual: through the points) and the polynomial
      // fit of the exact line y = 1 + 2x. (Library routines the program never calls, such as the
      // inverse, the baseline record and the 4-D views, are not swept.)
      {"smSpline", [&] {
         float* p = fnd::smSpline(px, py, 5, 1.0f, 1e-6f);
         const bool through = p && std::fabs(fnd::cSplineVal(px, p, 5, 2.0f) - 5.0f) < 2e-3f;
         return Outcome{p != nullptr, through};
       }},
      {"polyFit", [&] {
         float c[2] = {0, 0};
         return Outcome{fnd::polyFit(px, py, 5, 1, c) == 0, std::fabs(c[0] - 1) < 1e-4f && std::fabs(c[1] - 2) < 1e-4f};
       }, [] { fnd::svdPolyFree(); }},
  });
}

TEST_F(AllocationFailures, StructuresAndCouplings) {
  st::PDBInfo pdb{};
  cp::DTable tab{};
  sweep({
      {"readPDB", [&] {
         const int rc = quiet([&] { return st::readPDB(korim_test::testData("pdb/two_chains.pdb").c_str(), &pdb, 0, 0); });
         bool indexed = pdb.atomCount == 20;
         for (int i = 0; indexed && i < pdb.atomCount; i++) indexed = pdb.atomList[i].resInfo != nullptr;
         st::pdbFree(&pdb);
         return Outcome{rc == 0, indexed};
       }, [&] { st::pdbNull(&pdb); }},
      {"readDC", [&] {
         const int rc = quiet([&] { return cp::readDC(korim_test::testData("dc/values.tab").c_str(), &tab); });
         const Outcome o{rc == 0, tab.dCount == 3 && tab.work != nullptr};
         if (rc == 0) cp::dTabFree(&tab);
         return o;
       }, [&] { cp::dTabNull(&tab); }},
  });
}
TEST_F(AllocationFailures, SimulationAndFits) {
  Ubiquitin u;
  ASSERT_EQ(u.valid, 63);
  std::vector<st::AtomInfo> before(u.pdb.atomList, u.pdb.atomList + u.pdb.atomCount);
  double* dots = nullptr;
  int nDots = 0;
  ASSERT_EQ(sim::do_unsp(12, &dots, &nDots), 0);
  // The heavy atoms for the steric model.
  std::vector<double> x{0}, y{0}, z{0};
  for (const st::AtomInfo& a : before)
    if (std::strcmp(a.element, "H") != 0) x.push_back(a.x), y.push_back(a.y), z.push_back(a.z);
  const int n = static_cast<int>(x.size()) - 1;
  double want[5], S[5];
  auto steric = [&](double* s) {
    return sim::stericAlignment(nullptr, 0.0, 1, 100.0, 20.0, 0.0, 0.2, 0.05, 3.0, n, x.data(), y.data(), z.data(),
                                40.0, 0.0, 2, nDots, dots, s);
  };
  korim_test::captureStderr([&] { ASSERT_EQ(steric(want), 0); });
  KorimInfo iface = u.k;
  iface.lcType = 1, iface.radiusModel = 20.0f, iface.radiusAtom = 1.5f;
  korim::settings::ElInfo& el = iface.elInfo;
  el.elFlag = 1, el.iFace = 50.0f, el.concNaCl = 0.1f, el.temperaturePot = 298.15f;
  el.chDensSurf = -0.47f, el.kEnergy = 1.0f, el.kPot = 2.0f;
  int id[2] = {0, 5};
  float q[2] = {0.0f, 1.0f};
  const std::string out = dir / "out.tab";
  std::vector<char> text;
  // Puts the atoms back after a call that moves them.
  auto restore = [&](const Outcome& o) {
    std::copy(before.begin(), before.end(), u.pdb.atomList);
    return o;
  };
  sweep({
      {"stericAlignment", [&] {
         return Outcome{steric(S) == 0, std::equal(S, S + 5, want), S[0] == 9.0};
       }, [&] { std::fill(S, S + 5, 9.0); }},
      // Coordinates and selection are restored on every path.
      {"iFacePDB", [&] {
         return Outcome{quiet([&] {
                          return sim::iFacePDB(30.0, 40.0, 50.0, &u.pdb, &iface, "", (dir / "iface.pdb").c_str(), "iface",
                                               0, nullptr, 0.0, 0.0, 1, id, q);
                        }) == 0, u.sameAtoms(before), u.sameAtoms(before)};
       }},
      {"shiftMol2Domain", [&] {
         return restore({sim::shiftMol2Domain(&u.pdb, 1, u.pdb.maxResID) == 0, !u.sameAtoms(before), u.sameAtoms(before)});
       }},
      {"callNSC", [&] { return restore({sim::callNSC(&u.pdb) == 0, true, u.sameAtoms(before)}); }},
      // The statistics text is empty after a failure.
      {"statDC", [&] {
         return Outcome{korim::fitting::statDC(&u.tab, text.data(), 1) == 0, std::strlen(text.data()) > 0, text[0] == '\0'};
       }, [&] { text.assign(korim::fitting::kStatDCTextLen, 'x'); }},
      // No run that lost its table passes as a written table.
      {"simDC", [&] {
         return Outcome{quiet([&] { return korim::fitting::simDC(&u.pdb, &u.sel, &u.tab, &u.k, "", out.c_str(), "", 0); }) == 0,
                        rowCount(korim_test::readFile(out)) == 63};
       }, [&] { std::remove(out.c_str()); }},
      // A failure leaves the reduced statistics at zero, never a partial sum.
      {"getStatDCmodB", [&] {
         float rms = 7, qIso = 7;
         int n = 7;
         return Outcome{cp::getStatDCmodB(&u.tab, &rms, &qIso, &n) == 0,
                        n == u.valid && rms > 0, n == 0 && rms == 0 && qIso == 0};
       }},
      // A statistics failure writes no report at all.
      {"writeDCmod", [&] {
         KorimInfo k = u.k;
         k.verbFlag = 1;
         return Outcome{cp::writeDCmod(out.c_str(), "w", &u.tab, &k, nullptr) == 0,
                        rowCount(korim_test::readFile(out)) == 63, !korim_test::fileExists(out)};
       }, [&] { std::remove(out.c_str()); }},
      // Nor does a failure of any one medium's statistics (several media).
      {"writeDCmod media", [&] {
         KorimInfo k = u.k;
         k.verbFlag = 1;
         const cp::TableMedium media[2] = {{"", u.tab.dTensor}, {"", u.tab.dTensor}};
         return Outcome{cp::writeDCmod(out.c_str(), "w", &u.tab, &k, nullptr, media, 2) == 0,
                        rowCount(korim_test::readFile(out)) == 63, !korim_test::fileExists(out)};
       }, [&] { std::remove(out.c_str()); }},
      {"energyAlloc", [&] {
         return Outcome{korim::restraints::energyAlloc(30) == 0, korim::restraints::energyCoordCapacity() == 30,
                        korim::restraints::energyCoordCapacity() == 0};
       }, [] { korim::restraints::energyFree(); }},
  });
}

// A failed conversion or coupling analysis leaves the output file as it was.
TEST_F(AllocationFailures, AnalysisModes) {
  const std::string three = korim_test::testData("cli/analysis/three.tab"), out = dir / "out.txt";
  KorimInfo k;
  korim::settings::korimInfoNull(&k);
  k.opCode = korim::settings::kOpAdd;
  korim::settings::DcInfo dc;
  std::vector<Entry> entries;
  using namespace korim::settings;
  const struct { const char* name; int mode, format; } modes[] = {
      {"convertTab tbl", kModeConvert, kFormatTbl}, {"convertTab xplor", kModeConvert, kFormatXplor},
      {"analyzeDC", kModeAnalyzeDc, kFormatTbl}};
  for (const auto& m : modes)
    entries.push_back({m.name,
                       [&, m] {
                         const int rc = quiet([&] {
                           return m.mode == kModeConvert
                                      ? korim::app::convertTab(three.c_str(), &k, &dc, "All", "All", out.c_str())
                                      : korim::app::analyzeDC(three.c_str(), three.c_str(), &k, &dc, "All", "All",
                                                              out.c_str());
                         });
                         const bool untouched = korim_test::readFile(out) == "before\n";
                         return Outcome{rc == 0, !untouched, untouched};
                       },
                       [&, m] {
                         k.korimMode = m.mode, k.outFormat = m.format;
                         dcInfoNull(&dc);
                         korim_test::writeFile(out, "before\n");
                       }});
  sweep(entries);
}

// The signal tools' set-ups, the slices of a 2-D complex stream of 256 x 128 and an interpreter
// array: a failure is reported with status 1 and the record can still be released.
TEST_F(AllocationFailures, NmrDataAndInterpreter) {
  using namespace korim::spectral;
  psBuff ps;
  float* w = nullptr;
  LPBuff lp;
  LP2DBuff* lp2 = nullptr;
  solventBuf solv;
  ImageBuff im;
  QMixBuff q;
  korim_test::Argv args({"-ic", "2", "-oc", "2"}, "qmix");
  SASEBuff s;
  int tSize[4] = {16}, fSize[4] = {32}, type[4] = {1};
  float dMin[4] = {0}, dMax[4] = {2}, dTol[4] = {0.1f}, dInit[4] = {0}, fTol[4] = {0.1f}, p0[4] = {0}, p1[4] = {0};
  DMUSICBuff* d = nullptr;
  const std::string weights = korim_test::writeFile(dir / "weights.txt", "1 2 3 4\n");
  FTNetInfo f;
  sweepReported({
      setUp("phase", [&] { return phaseNull(&ps), phaseExpInit(&ps, 16, 45.0f, 2.0f); }, [&] { phaseFree(&ps); }),
      setUp("apod", [&] { return apodInit(APOD_SP, &w, 16, 1, 16, 1, 0, 1, 1, 0, 0, 0); }, [&] { apodFree(&w, 16); }),
      setUp("lpc", [&] { return lpcNull(&lp), lpcInit(&lp, 32, 8, 4, 4, 1, 1, 0, 0); }, [&] { lpcFree(&lp); }),
      setUp("lp2d", [&] { return lp2DInit(&lp2, 8, 8, 2, 2, 10, 10, 1, 0); }, [&] { lp2DFree(&lp2); }),
      setUp("solvent", [&] {
        solventNull(&solv);
        solv.size = 64, solv.filtSize = 4;
        return solventInit(&solv);
      }, [&] { solventFree(&solv); }),
      setUp("ipl", [&] {
        iplNull(&im), iplReset();
        const int status = iplInit(&im, 5, 4, 1, 1);
        return status ? status : iplFilter(&im, 2, nullptr, 1, 1);
      }, [&] { iplFree(&im); }, true),
      setUp("qmix", [&] { return qMixNull(&q), qMixInit(args.argc(), args.argv(), 8, &q); },
            [&] { qMixFree(&q); }),
      setUp("sase", [&] {
        saseNull(&s);
        return saseInit(&s, tSize, fSize, 1, 1, 2, type, dMin, dMax, dTol, dInit, fTol, p0, p1, 1, 100, 2, 10, 0, 2,
                        100, 1, 1, 0);
      }, [&] { saseFree(&s); }),
      setUp("dmusic", [&] { return dmusicInit(&d, 16, 16, 1, 2, 0, 16, 1, 0, 4, 1, 0, 0); },
            [&] { dmusicFree(d), d = nullptr; }),
      setUp("ml", [] { return ml1DInit(32); }, [] { ml1DFree(); }),
      setUp("ftnet", [&] { return ftNetNull(&f), ftNetInit(&f, 1, 1, 1, 0, weights.c_str()); }, [&] { ftNetFree(&f); }),
  });
  auto p = std::make_unique<ProcDataInfo>();
  p->fdata[kWordSize1] = 256, p->fdata[kWordSize2] = 128;
  fixfdata(p->fdata);
  initNMRSizes(p->fdata, p.get());
  p->inCapacity = 4, p->outCapacity = 2, p->inSock = p->outSock = -1;
  EXPECT_EQ(sweepOne({"allocSlice", [&] {
                        p->rdata = p->idata = p->inBuff = p->outBuff = nullptr;
                        return allocSlice(p.get());
                      }}), 4);  // both slices, the input and output buffers
  EXPECT_EQ(p->inBuffPtr, p->inBuff);
  ProcFuncInfo fn{[](ProcDataInfo*) { return 0; }, "TEST", "test function", ""};
  EXPECT_EQ(freeSlice(&fn, p.get()), 0);
  EXPECT_TRUE(p->rdata == nullptr && p->sliceCode == kSliceFinal);
  namespace ki = korim::interp;
  sweep({{"newAdr", [] {
            ki::symbolReset();
            ki::Symbol* a = ki::install("a", ki::ARRAYVAR, 0);
            const int rc = a ? ki::newAdr(a, 8, ki::INTARRAY) : 1;
            return Outcome{rc == 0, a && a->length == 8 && a->u.iPtr[7] == 0,
                           !a || (a->u.iPtr == nullptr && a->length == 0)};
          }}});
}

// Loading surfaces and reading restraint and shift tables release what they loaded; the estimates
// of Da and R and of their errors fail (or say so) and leave the couplings and structure as they
// were; the assignment search fails and writes no table.
TEST_F(AllocationFailures, RestraintsAndEstimates) {
  namespace rs = korim::restraints;
  korim_test::makeSurfDir(dir / "s", 37);
  const std::string noe = korim_test::testData("restraints/noe_three_residues.tab"),
                    cs = korim_test::testData("shifts/pcs_small.tab");
  rtest::Mol mol({{1, "ALA", "HA", 0, 0, 0}, {1, "ALA", "HB", 1, 0, 0}, {1, "ALA", "HN", 2, 0, 0},
                  {2, "GLY", "HN", 0, 3, 0}, {3, "SER", "HN", 0, 0, 4}});
  int groupingFailures = 0;
  Ubiquitin u;
  KorimInfo& k = u.k;
  k.validCountD = u.valid, k.mapMode = 0, k.mcAdjustFlag = 0, k.nConeFlag = 0;  // a cone of 5 degrees
  u.tab.dObsList[3].w = 0.5f;
  fnd::genrandReset();
  const std::vector<cp::DInfo> obs(u.tab.dObsList, u.tab.dObsList + u.tab.dCount),
      calc(u.tab.dCalcList, u.tab.dCalcList + u.tab.dCount);
  std::vector<st::AtomInfo> atoms(u.pdb.atomList, u.pdb.atomList + u.pdb.atomCount);
  // A failed step fails the estimate or (a fit's work space) has said so itself; couplings,
  // weights, flags, atom lists and coordinates are those of the start.
  auto estimate = [&](int s, bool fired, const std::string& err) {
    bool same = u.sameAtoms(atoms);
    for (int i = 0; i < u.tab.dCount; i++) {
      const cp::DInfo &o = u.tab.dObsList[i], &c = u.tab.dCalcList[i];
      same = same && o.d == obs[i].d && o.w == obs[i].w && o.valid == obs[i].valid && c.valid == calc[i].valid &&
             c.atomJCount == calc[i].atomJCount;
    }
    return same && (!fired || s != 0 || err.find("Error") != std::string::npos);
  };
  auto path = [&](const char* name) { return dir / name; };
  const std::string da = path("da"), map = path("map"), ang = path("ang"), a = path("a"), out = path("out.tab");
  sweepReported({
      {"surfRead", [&] {
         const int status = rs::surfRead((dir / "s").c_str(), "rc.tab", "homo.tab");
         int count = 0;
         if (status == 0) { EXPECT_NE(rs::getSurfList(&count)[count - 1].value, nullptr); }
         rs::surfFree();
         EXPECT_EQ(rs::getSurfList(&count), nullptr);
         return status;
       }, reportsFailure, 11},  // list, nine grids, both tables; a shift that cannot be stored fails the read
      // Every restraint counted is complete, whether the grouping failed or not.
      {"mapNOEInfo", [&] {
         rs::DistTable t;
         rs::NOETable g;
         rs::distTabNull(&t), rs::noeTabNull(&g);
         if (rs::readDist(noe.c_str(), &t, 1) != 0) return 1;
         const int status = rs::mapNOEInfo(mol.get(), &t, &g);
         for (int i = 0; i < g.noeCount; i++) {
           EXPECT_NE(g.noeList[i].simpleList, nullptr);
           for (int m = 0; m < g.noeList[i].count && g.noeList[i].simpleList; m++)
             EXPECT_NE(g.noeList[i].simpleList[m].distList, nullptr);
         }
         EXPECT_EQ(g.noeCount == 2, status == 0);
         groupingFailures += status;
         return status;
       }, [](int s, bool fired, const std::string& err) {
         return reportsFailure(s, fired, err) &&
                (!fired || err.find("MERIDO Error Allocating") != std::string::npos ||
                 err.find("RdTable") != std::string::npos || err.find("PDB") != std::string::npos);
       }},
      {"readCS", [&] {
         rs::CSTable t;
         const int status = quiet([&] { return rs::readCS(cs.c_str(), &t); });
         if (status == 0) { EXPECT_TRUE(t.csCount == 4 && t.pcsCount == 1 && t.pcsList[0].dTensor != nullptr); }
         rs::csTabFree(&t);
         return status;
       }, [](int, bool, const std::string&) { return true; },
       9},  // reader, header list, records, sequence, centres, tensors, work space
      // The two-extreme estimate (-nFit 2): the bounded fit ends the program when it lacks memory.
      {"motionHist", [&] {
         KorimInfo f;
         korim::settings::DcInfo dc;
         korim::settings::korimInfoNull(&f), korim::settings::dcInfoNull(&dc);
         f.histInfo.modeFit = 2, f.korimMode = korim::settings::kModeDaFlex, f.sCount = 10, f.histRan = 2;
         return quiet([&] {
           return korim::fitting::motionHist(korim_test::kUbiquitinCouplings.c_str(), &f, &dc, "All", "All",
                                             out.c_str(), path("flex.sc").c_str(), path("flex.col").c_str());
         }) != 0 ? 1 : 0;
       }, reportsFailure, 6},
      {"mapSimDC", [&] {
         return quiet([&] {
           return korim::fitting::mapSimDC(&u.pdb, &u.sel, &u.tab, &k, out.c_str(), "", 0, da.c_str(), map.c_str(), 3,
                                           path("fail").c_str(), ang.c_str(), a.c_str(), "");
         });
       }, estimate},
      {"aeraSimDC", [&] {
         return quiet([&] {
           return korim::fitting::aeraSimDC(&u.pdb, &u.sel, &u.tab, &k, out.c_str(), "", 0, 3, da.c_str(),
                                            map.c_str(), ang.c_str(), a.c_str(), "");
         });
       }, estimate},
      {"noiseStrucSimDC", [&] {
         return quiet([&] {
           return korim::fitting::noiseStrucSimDC(&u.pdb, &u.sel, &u.tab, &k, u.tab.dMinRes, u.tab.dMinRes,
                                                  u.tab.dMaxRes, out.c_str(), "", 0, 3, da.c_str(), map.c_str(),
                                                  ang.c_str(), a.c_str(), "");
         });
       }, estimate},
      // A candidate whose fit cannot be made fails the search; the rotated structures are
      // written after the table.
      {"exhSimDC", [&] {
         std::remove(out.c_str());
         cp::dipolarFree();  // the fit's work space, kept from the rows above, is met in the search
         k.spreadMode = korim::settings::kSpreadRandom;
         korim::assignment::visitGlobalsReset();
         return quiet([&] {
           return korim::assignment::exhSimDC(&u.pdb, &u.sel, &u.tab, &k, out.c_str(), "", 20, 0, nullptr, 0, "");
         }) != 0 ? 1 : 0;
       }, [&](int s, bool fired, const std::string& err) {
         return reportsFailure(s, fired, err) &&
                (!fired || err.find("error in writePDBRot") != std::string::npos || !korim_test::fileExists(out));
       }, 6},
  });
  EXPECT_EQ(groupingFailures, 6);  // the list, then per restraint its groups and members
}
