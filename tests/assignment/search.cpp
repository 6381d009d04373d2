// The assignment search on ubiquitin: N-H, C-N and C-HN couplings of the six glutamates,
// back-calculated from a known tensor and handed to the wrong peaks, are assigned back.
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "assignment/ran_sim_dc.h"
#include "assignment/visit_globals.h"
#include "couplings/dc.h"
#include "foundation/memory.h"
#include "settings/settings_null.h"
#include "structure/pdb.h"
#include "tests/support/capture.h"
#include "tests/support/files.h"

using namespace korim::assignment;
using korim::couplings::DInfo;
using korim::couplings::DTable;

namespace {

const int kGlu[] = {16, 18, 24, 34, 51, 64};
constexpr double kDa = -10.0, kRh = 0.3;  // Hz on the N-H scale; inside the default window

struct SearchRun : ::testing::Test {
  static inline korim::structure::PDBInfo* pdb = nullptr;
  static inline korim::structure::PDBSelectInfo sel{};
  korim_test::TempDir dir;
  std::unique_ptr<DTable> dTab = std::make_unique<DTable>();
  std::unique_ptr<korim::settings::KorimInfo> k = std::make_unique<korim::settings::KorimInfo>();
  std::map<int, float> truth;  // row -> coupling of the true assignment
  int media = 1;               // 2: every coupling twice, in media "A" (Da -10 Hz) and "B" (-6 Hz)
  double daA = kDa, daB = -6.0;  // Hz on the N-H scale: the tensors of the media

  static void SetUpTestSuite() {
    pdb = new korim::structure::PDBInfo{};
    korim::structure::pdbNull(pdb);
    ASSERT_EQ(korim::structure::readPDB(korim_test::kUbiquitinPdb.c_str(), pdb, nullptr, nullptr), 0);
    korim::structure::pdbSelectNull(&sel);
    sel.res1 = pdb->minResID;
    sel.resN = pdb->maxResID;
    korim::structure::pdbSelect(pdb, &sel);
  }

  const char* resName(int id) {
    for (int i = 0; i < pdb->resCount; i++)
      if (pdb->resList[i].resID == id) return pdb->resList[i].resName;
    return "UNK";
  }

  // N-H, C-N and C-HN of every glutamate and one N-H of Gln 2 that the selection left out; the
  // couplings of glutamate i stand under glutamate i + 1.
  void SetUp() override {
    korim::settings::korimInfoNull(k.get());
    std::string text = "VARS RESID_I RESNAME_I ATOMNAME_I RESID_J RESNAME_J ATOMNAME_J D DD W\n"
                       "FORMAT %4d %4s %4s %4d %4s %4s %9.3f %9.3f %.2f\n";
    char line[128];
    for (int m = 0; m < media * 6; m++) {
      const int r = kGlu[m % 6], p = r - 1;
      std::snprintf(line, sizeof line, "%d GLU N %d GLU H 0.0 1.0 1.0\n", r, r), text += line;
      std::snprintf(line, sizeof line, "%d %s C %d GLU N 0.0 1.0 1.0\n", p, resName(p), r), text += line;
      std::snprintf(line, sizeof line, "%d %s C %d GLU H 0.0 1.0 1.0\n", p, resName(p), r), text += line;
    }
    text += "2 GLN N 2 GLN H 0.0 1.0 1.0\n";
    korim_test::writeFile(dir / "in.tab", text);
    korim::couplings::dTabNull(dTab.get());
    ASSERT_EQ(korim::couplings::readDC((dir / "in.tab").c_str(), dTab.get()), 0);
    korim::couplings::selectD(dTab->dObsList, dTab->dCount, 1, 76, 3);
    korim::couplings::buildDC(pdb, dTab.get(), 0, 1, nullptr, 0, k->allowFixedDI);
    const int n = dTab->dCount;
    dTab->dObsList[n - 1].valid = dTab->dCalcList[n - 1].valid = 0;
    // Couplings of a tensor whose axes are those of the structure's frame.
    const int per = (n - 1) / media;
    for (int row = 0; row + 1 < n; row++) {
      const double da = (row < per ? daA : daB) / 21585.2;
      const double s[3] = {-da * (1 - 1.5 * kRh), -da * (1 + 1.5 * kRh), 2 * da};
      if (media > 1) std::snprintf(dTab->dObsList[row].segNameI, 16, "%s", row < per ? "A" : "B");
      const DInfo& c = dTab->dCalcList[row];
      ASSERT_EQ(c.atomICount * c.atomJCount, 1) << row;
      const double v[3] = {c.atomJ[0]->x - c.atomI[0]->x, c.atomJ[0]->y - c.atomI[0]->y,
                           c.atomJ[0]->z - c.atomI[0]->z};
      const double r2 = v[0] * v[0] + v[1] * v[1] + v[2] * v[2];
      truth[row] = static_cast<float>(std::fabs(c.di) * (s[0] * v[0] * v[0] + s[1] * v[1] * v[1] + s[2] * v[2] * v[2]) / r2);
    }
    for (int row = 0; row + 1 < n; row++)
      dTab->dObsList[row].d = truth[(row + 3) % per + row / per * per];
  }

  using Driver = decltype(&exhSimDC);
  Driver driver = exhSimDC;
  std::vector<int> fixRes;  // -fixRes
  int run(int mode, int map = 0, const std::string& out = "out.tab") {
    k->spreadMode = mode;
    visitGlobalsReset();
    int rc = -1;
    err = korim_test::captureStderr([&] {
      text = korim_test::captureStdout([&] {
        rc = driver(pdb, &sel, dTab.get(), k.get(), (dir / out).c_str(), "", map,
                    static_cast<int>(fixRes.size()), fixRes.data(), 0, "", "");
      });
    });
    return rc;
  }
  std::string err, text;
};

// The text without its first line that begins with start (which must be there).
std::string without(std::string text, const std::string& start) {
  const size_t at = text.find("\n" + start);
  if (at == std::string::npos) return "<no line " + start + ">";
  return text.erase(at + 1, text.find('\n', at + 1) - at);
}

}  // namespace

// Both drivers on one medium, then the exhaustive one on two media of different tensors.
TEST_F(SearchRun, ExhaustiveSearchRestoresTheTrueAssignment) {
  char a[] = "A", b[] = "B";
  const struct { Driver d; int media; } runs[] = {{exhSimDC, 1}, {ranSimDC, 1}, {exhSimDC, 2}};
  for (const auto& r : runs) {
    media = r.media;
    SetUp();
    driver = r.d;
    if (media == 1) k->nAaCheck = 0;
    else k->nChainDc = 2, k->chainDc[0] = a, k->chainDc[1] = b;
    ASSERT_EQ(run(korim::settings::kSpreadExhaustive), 0) << err;
    EXPECT_LT(visitGlobals().pSumDGlobal, 1e-3f);
    if (media == 1) { EXPECT_EQ(visitGlobals().cGlobal, 720); }
    for (const auto& [row, d] : truth) EXPECT_NEAR(dTab->dObsList[row].d, d, 1e-3) << row;
    // The valid flags are those of the table on entry.
    const int last = dTab->dCount - 1;
    EXPECT_EQ(dTab->dObsList[last].valid + dTab->dCalcList[last].valid, 0);
    for (int row = 0; row < last; row++) EXPECT_EQ(dTab->dCalcList[row].valid, 1) << row;
    EXPECT_NE(korim_test::readFile(dir / "out.tab").find("DATA Da_HN"), std::string::npos);
  }
}

// A search that finds nothing is no result (status 1), but still writes its table.
TEST_F(SearchRun, RandomSearchWithoutDrawsWritesTheMarkers) {
  ASSERT_EQ(run(korim::settings::kSpreadRandom, 0), 1) << err;
  EXPECT_NE(err.find("Warning: no assignment was found for Da [-25.000,-3.000] R [0.000 0.700]!\n"),
            std::string::npos) << err;
  for (const auto& [row, d] : truth) {
    const DInfo& o = dTab->dObsList[row];
    EXPECT_EQ(o.d, 888.0f);
    EXPECT_EQ(o.sigma, 100000.0f);
    EXPECT_EQ(o.w, 1.0e-6f);
  }
  EXPECT_FALSE(korim_test::readFile(dir / "out.tab").empty());
}

TEST_F(SearchRun, RandomSearchesWithTheSameDrawsAgree) {
  ASSERT_EQ(run(korim::settings::kSpreadRandom, 40, "a.tab"), 0) << err;
  SetUp();
  ASSERT_EQ(run(korim::settings::kSpreadRandom, 40, "b.tab"), 0) << err;
  const std::string a = korim_test::readFile(dir / "a.tab");
  EXPECT_FALSE(a.empty());
  EXPECT_EQ(a, korim_test::readFile(dir / "b.tab"));
}

TEST_F(SearchRun, SearchesThatWouldNotEndAreRefusedAndWriteNothing) {
  struct Case { int mode, groups, nSel; const char* message; };
  const Case cases[] = {
      {korim::settings::kSpreadExhaustive, 7, 0, "7 residue-type groups given"},
      {korim::settings::kSpreadExhaustSel, 1, 7, "option -nSel value 7 must lie from 2 to 6"},
  };
  for (const Case& c : cases) {
    k->nAaCheck = c.groups;
    for (int& g : k->exCheckList) g = 1;
    k->nSel = c.nSel;
    EXPECT_EQ(run(c.mode), 1);
    EXPECT_NE(err.find(c.message), std::string::npos) << err;
    EXPECT_FALSE(std::filesystem::exists(dir / "out.tab"));
  }
}

// The one-medium driver against the exhaustive one on one medium, with Glu 16 fixed: the random,
// exhaustive and subset searches find the same assignment and write the same table; the
// one-medium driver adds its three TEST lines and leaves out the column count and the total of
// fixed couplings. Its subset search prints the lines of the golden file (peaks 3 4 5 are the
// hand-checked spread optimum, -17.267 and 3.726 the extreme couplings of the peaks).
TEST_F(SearchRun, OneMediumDriverAgreesWithTheMediaDriver) {
  struct Case { int mode, map, groups, nSel; };
  const Case cases[] = {{korim::settings::kSpreadRandom, 30, 1, 0},
                        {korim::settings::kSpreadExhaustive, 0, 0, 0},
                        {korim::settings::kSpreadExhaustSel, 0, 3, 3}};
  std::string traces[2];
  for (const Case& c : cases) {
    std::string out[2], errs[2], tables[2];
    float best[2];
    std::map<int, float> written[2];
    for (int d = 0; d < 2; d++) {
      SetUp();
      // Glu 16 (rows 0 to 2) carries its own couplings; the other five are handed one peak on.
      for (int row = 0; row < 18; row++)
        dTab->dObsList[row].d = truth[row < 3 ? row : 3 + row % 15];
      fixRes = {16};
      k->nAaCheck = c.groups;
      k->nSel = c.nSel;
      driver = d == 0 ? exhSimDC : ranSimDC;
      // The exhaustive runs are traced: the peak matrices' sizes.
      korim::foundation::setAlloc(c.mode == korim::settings::kSpreadExhaustive);
      const int rc = run(c.mode, c.map, d == 0 ? "a.tab" : "b.tab");
      korim::foundation::setAlloc(0);
      ASSERT_EQ(rc, 0) << err;
      out[d] = text, errs[d] = err;
      tables[d] = korim_test::readFile(dir / (d == 0 ? "a.tab" : "b.tab"));
      best[d] = visitGlobals().pSumDGlobal;
      for (const auto& [row, v] : truth) written[d][row] = dTab->dObsList[row].d;
    }
    SCOPED_TRACE(c.mode);
    EXPECT_EQ(written[0], written[1]);
    EXPECT_EQ(best[0], best[1]);
    EXPECT_FALSE(tables[0].empty());
    EXPECT_EQ(tables[0], tables[1]);
    const std::string media =
        without(without(out[0], "REMARK # of coupling types: "), "REMARK 3 couplings fixed in total.");
    EXPECT_EQ(out[1], "TEST\nTEST\nTEST\n" + media);
    if (c.mode == korim::settings::kSpreadExhaustive) {
      traces[0] = errs[0], traces[1] = errs[1];
      for (const auto& [row, v] : truth) EXPECT_NEAR(written[1][row], v, 1e-3) << row;
    } else {
      // The lines that name the table name each run's own file.
      std::string named = errs[1];
      for (size_t at = named.find("/b.tab"); at != std::string::npos; at = named.find("/b.tab", at))
        named.replace(at, 6, "/a.tab");
      EXPECT_EQ(errs[0], named);
    }
    if (c.mode == korim::settings::kSpreadExhaustSel) {
      EXPECT_EQ(out[1], korim_test::readFile(korim_test::testData("golden/ran_sim_dc_subset.txt")));
    }
  }
  // Seven peak matrices of 5 rows: 30 columns in the media driver, 10 in the one-medium one.
  for (int d = 0; d < 2; d++) {
    std::vector<std::string> sizes;
    const std::string& t = traces[d];
    for (size_t at = t.find("Name: ranSimDC Alloc: "); at != std::string::npos;
         at = t.find("Name: ranSimDC Alloc: ", at + 1)) {
      const size_t add = t.find(" Add: ", at) + 6;
      sizes.push_back(t.substr(add, t.find(' ', add) - add));
    }
    EXPECT_EQ(sizes, std::vector<std::string>(7, d == 0 ? "600" : "200"));
  }
}

// No coupling is fixed: a medium's couplings prove only that its tensor spans them, here Da of at
// least half the largest N-H coupling less its margin (17.27 - 3.86 Hz for Da +10, twice that for
// +20). A window of smaller Da is refused before the search runs (no candidate scored, no table),
// naming that medium; the advised window restores the truth.
TEST_F(SearchRun, AMediumOutsideTheWindowIsRefusedAndTheAdviceFindsTheTruth) {
  char a[] = "A", b[] = "B";
  const struct { int media; double daA, daB; const char* named; float lDa, hDa; } runs[] = {
      {1, 10.0, -6.0, "   the 18 couplings", 0.5f, 1.0f}, {2, 10.0, 20.0, "   medium B (-dcID): the 18", 3.0f, 12.0f}};
  for (const auto& r : runs) {
    media = r.media, daA = r.daA, daB = r.daB;
    SetUp();
    if (media > 1) k->nChainDc = 2, k->chainDc[0] = a, k->chainDc[1] = b;
    k->histInfo.lDaMl = r.lDa, k->histInfo.hDaMl = r.hDa;
    ASSERT_EQ(run(korim::settings::kSpreadExhaustive), 1) << err;
    EXPECT_EQ(visitGlobals().cGlobal, 0);
    EXPECT_FALSE(std::filesystem::exists(dir / "out.tab"));
    const size_t at = err.find(r.named);
    ASSERT_NE(at, std::string::npos) << err;
    EXPECT_NE(err.find("couplings, fixed and unassigned, run from", at), std::string::npos) << err;
    EXPECT_EQ(err.find("   ", at + 3), std::string::npos) << "one medium named\n" << err;
    // The advice: -lDa <l> -hDa <h>, the R window as it is.
    float lDa = 0, hDa = 0;
    ASSERT_EQ(std::sscanf(err.c_str() + err.find("korim: -lDa "), "korim: -lDa %f -hDa %f hold", &lDa, &hDa), 2)
        << err;
    korim::settings::HistInfo& h = k->histInfo;
    h.lDaMl = lDa, h.hDaMl = hDa;
    ASSERT_EQ(run(korim::settings::kSpreadExhaustive), 0) << err;
    for (const auto& [row, d] : truth) EXPECT_NEAR(dTab->dObsList[row].d, d, 1e-3) << row;
    h.lDaMl = -25.0f, h.hDaMl = -3.0f;
    std::filesystem::remove(dir / "out.tab");
  }
}
