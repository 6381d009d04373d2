// Coupling-table writers: the full report, the compact and the short table as exact text against
// hand-checked files, blocks by flags, agreement statistics checked by hand, tables read back.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "couplings/dcwriters.h"
#include "couplings/writedc.h"
#include "dc_test_util.h"
#include "settings/settings.h"

using namespace korim::couplings;
using namespace korim_test;
using korim::settings::KorimInfo;

namespace {

struct Table {
  std::vector<DInfo> obs, calc;
  DTable t;
  Table() { dTabNull(&t); }
  void add(int res, const char* rn, float dObs, float dCalc, float di, float sigma = 1.0f, const char* seg = "A",
           int calcValid = 1, float w = 1.0f) {
    DInfo o;
    resetDC(&o, 1);
    o.resIDI = o.resIDJ = res, o.valid = 1, o.d = dObs, o.sigma = sigma;
    for (char* name : {o.resNameI, o.resNameJ}) std::strcpy(name, rn);
    for (char* name : {o.segNameI, o.segNameJ}) std::strcpy(name, seg);
    std::strcpy(o.atomNameI, "N"), std::strcpy(o.atomNameJ, "H");
    obs.push_back(o), calc.push_back(o);
    calc.back().valid = calcValid, calc.back().d = dCalc, calc.back().di = di, calc.back().w = w;
  }
  DTable* get() {
    t.dObsList = obs.data(), t.dCalcList = calc.data(), t.dCount = static_cast<int>(obs.size());
    return &t;
  }
};

// The file written into a private directory; its text.
struct Output {
  TempDir dir;
  const std::string path = dir / "out.tab";
  std::string write(DTable* t, const KorimInfo& k, const char* remark = nullptr) {
    std::remove(path.c_str());
    EXPECT_EQ(writeDCmod(path.c_str(), "w", t, &k, remark), 0);
    return readFile(path);
  }
};

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// getStatDCmod into v[0..11] (RMS, chi2, sd, Q, Q iso, R, offset, error, slope, error, mean
// slope, error); returns the status and the count in n.
int stats(DTable* t, float* v, int* n) {
  return getStatDCmod(t, &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6], &v[7], &v[8], &v[9], &v[10], &v[11], n);
}

// The hand-checked case: four couplings in the statistics, one between 888 and 999 (printed, not
// compared: difference 9999), one with a missing observation (difference 9999), one with an
// invalid calculation.
Table ubiquitinRows() {
  Table tab;
  tab.add(2, "GLN", 10, 9, 100);
  tab.add(3, "ILE", -5, -4, -200, 0.5f, "");
  tab.add(4, "PHE", 2, 2, 50);
  tab.add(5, "VAL", 4, 5, 80, 2.0f);
  tab.add(6, "LYS", 950, 3, 10);
  tab.add(7, "THR", 1.5f, 0, 10, 1.0f, "A", 0);
  tab.add(8, "LEU", 9999, 1.25f, 10);
  tab.t.nullSegName = 0;
  DTensor& d = tab.t.dTensor;
  d.saupe[0] = 1e-3f, d.saupe[1] = 6e-4f, d.da = 5e-4f, d.dr = 2e-4f, d.eulerCount = 2;
  const float psi[2] = {10.5f, -20.25f}, theta[2] = {30, 150}, phi[2] = {-45.75f, 134.25f};
  for (int i = 0; i < 2; ++i) d.psiList[i] = psi[i], d.thetaList[i] = theta[i], d.phiList[i] = phi[i];
  return tab;
}

// Three N-H rows for the compact and short tables: two compared (differences 1 and -1, sigma 1
// and 0.5), one with no calculation; segment names on the I end only.
Table shortRows() {
  Table tab;
  tab.add(2, "GLN", 10, 9, -21585.2f, 1, "UBQ");
  tab.add(3, "ILE", -5, -4, -21585.2f, 0.5f, "UBQ");
  tab.add(4, "PHE", 3, 0, -21585.2f, 1, "UBQ", 0);
  for (int i = 0; i < 3; ++i) tab.obs[i].segNameJ[0] = tab.calc[i].segNameJ[0] = '\0';
  tab.t.nullSegName = 0;
  DTensor& d = tab.t.dTensor;
  d.saupe[0] = 4e-4f, d.saupe[1] = -1e-4f, d.da = 2e-4f, d.dr = 5e-5f, d.eulerCount = 1;
  d.psiList[0] = 10, d.thetaList[0] = 20, d.phiList[0] = 30;
  return tab;
}

// A steric run; the electrostatic values are printed only in the electrostatic block, the rim
// values only with includeRim.
KorimInfo stericSettings() {
  KorimInfo k{};
  k.verbFlag = k.surfFlag = k.eulerFlag = 1;
  k.korimMode = korim::settings::kModeSteric, k.lcType = korim::settings::kLcWall;
  k.concentration = 0.05f, k.densityNSC = 100, k.digPsiNSC = 18;
  k.gridSpacing = 0.2f, k.radiusModel = 20.0f, k.lcOrder = 0.8f;
  k.elInfo.pH = 7.5f, k.elInfo.concNaCl = 0.15f, k.elInfo.chDensSurf = -0.25f, k.elInfo.cutoffPot = 12.5;
  k.elInfo.dipoleFlag = k.elInfo.chTerminiFlag = 1;
  k.molarRatio = 3.0f, k.lengthModel = 40.0f, k.orderDiscRim = 0.5f;
  return k;
}

// The hand-checked full report of ubiquitinRows() with stericSettings().
const std::string kGolden = testData("dc/writer_full_report.tab");

// The table part of a file: VARS, FORMAT and the rows.
std::string rowsOf(const std::string& text) { return text.substr(std::min(text.size(), text.find("\nVARS"))); }

}  // namespace

// The full report, hand-checked record by record, is kept as a fixture; the analysis is stored
// in the tensor (eigenvalues zz, yy, xx).
TEST(WriterReport, FullReportExactText) {
  writeDCReset();
  korim::couplings::dbgFlag = 0;
  Table tab = ubiquitinRows();
  Output out;
  EXPECT_EQ(out.write(tab.get(), stericSettings(), "REMARK ubiquitin test\n"), readFile(kGolden));
  const DTensor& d = tab.t.dTensor;
  EXPECT_TRUE(std::fabs(d.eigVal[0] - 1e-3f) < 1e-9f && std::fabs(d.eigVal[1] + 8e-4f) < 1e-9f &&
              std::fabs(d.eigVal[2] + 2e-4f) < 1e-9f && d.eulerCount == 2);
}

TEST(WriterReport, ShortTableNullWordsAndStandardOutput) {
  Table tab;
  tab.add(10, "GLY", 3.0f, -2.5f, 50, 0.25f, "");
  tab.add(11, "LYS", 1.0f, 7.125f, 50, 1.0f, "");
  tab.obs[0].w = 2.0f;
  std::strcpy(tab.obs[1].chainNameI, "B");
  std::strcpy(tab.obs[1].chainNameJ, "B");
  tab.obs[1].resNameJ[0] = '\0';  // a missing name keeps its column as the null word
  tab.t.nullChainName = 0;
  KorimInfo k{};
  Output out;
  EXPECT_EQ(out.write(tab.get(), k, "not in the short table"), readFile(testData("dc/writer_null_words.tab")));
  Table empty;  // only the sequence record
  EXPECT_EQ(out.write(empty.get(), k), "DATA SEQUENCE \n");
  // An output file that cannot be opened: cli FailingRun.UnwritableResultTableFallsBackToStandardOutput.
}

TEST(WriterReport, BlocksFollowTheFlags) {
  Output out;
  KorimInfo k = stericSettings();
  k.eulerFlag = 0;
  k.korimMode = 0;  // no run-mode block
  // Without Euler output the tensor is left unchanged; the analysis records stay.
  Table tab = ubiquitinRows();
  const DTensor before = tab.t.dTensor;
  std::string text = out.write(tab.get(), k);
  EXPECT_TRUE(has(text, "DATA IRREDUCIBLE     1.5853e-03") && has(text, "DATA MAPPING INV "));
  for (const char* absent : {"KORIM_MODE", "EIGENVALUES", "EULER", "DATA Da "}) EXPECT_FALSE(has(text, absent)) << absent;
  EXPECT_EQ(std::memcmp(&before, &tab.t.dTensor, sizeof(DTensor)), 0);
  // A zero tensor: no order-matrix records at all.
  for (float& s : tab.t.dTensor.saupe) s = 0.0f;
  text = out.write(tab.get(), k);
  EXPECT_EQ(text.rfind("REMARK Molecular Alignment Simulation.\n\nREMARK Simulation parameters."
                       "\n\n\n\nREMARK Dipolar couplings.\n\nDATA N                    4\n", 0), 0u) << text;
  EXPECT_EQ(rowsOf(text), rowsOf(readFile(kGolden)));
  // Exactly one quality line by qFlag; Q SAUPE = RMS / sqrt((3R^2 + 4) 2a^2 / 5) with the
  // reference |di| 200, a = 200 * 5e-4, R = 0.4: 0.866 / 0.1339.
  const char* const q[] = {"DATA Q RDC_RMS            0.144\n", "DATA Q SAUPE              6.469\n",
                           "DATA Q STDDEV             0.829\n"};
  for (k.qFlag = 0; k.qFlag <= 3; ++k.qFlag) {
    Table t2 = ubiquitinRows();
    text = out.write(t2.get(), k);
    for (int other = 0; other < 3; ++other) EXPECT_EQ(has(text, q[other]), other == k.qFlag);
    EXPECT_EQ(has(text, "DATA Q "), k.qFlag < 3);
  }
  // No row passes the statistics filter: the file ends with the count 0 and the rows left out, and the x, y, z Euler
  // solutions come from the tensor's own elements: its frame is the identity, whose solutions
  // are (0, 0, 0) and (180, 180, 180), in place of the two given ones.
  Table unmatched = ubiquitinRows();
  for (auto& o : unmatched.obs) o.d = 900.0f;
  k.eulerFlag = 1;
  text = out.write(unmatched.get(), k);
  const std::string tail = "\nREMARK Dipolar couplings.\n\nDATA N                    0\nREMARK The statistics leave out 6 "
                           "of its 6 rows, whose measured D is 888 Hz or more (a D that high marks a coupling as "
                           "missing; one of -888 Hz or less counts).\n";
  EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
  EXPECT_TRUE(has(text, "DATA EULER_SOLUTIONS 2\nDATA EULER_ANGLES    0.00") && !has(text, "10.50"));
  EXPECT_TRUE(has(text, "DATA EULER_ANGLES  180.00  180.00  180.00\n"));
  // A remark line that is not a REMARK is made one, so no reader takes it for a row.
  text = out.write(tab.get(), k, "REMARK first\n  5 GLY N 6 GLY H 3.5\n\nREMARK third");
  EXPECT_EQ(text.rfind("REMARK Molecular Alignment Simulation.\n\nREMARK first\n"
                       "REMARK   5 GLY N 6 GLY H 3.5\n\nREMARK thirdREMARK Simulation", 0), 0u) << text;
}

// Rhombicity of a tensor with Da 0 is 0; with a debug level the first solution's Saupe elements
// are rebuilt on stderr (axial along z: Szz = 2 Da).
TEST(WriterReport, EulerBlockEdgeCases) {
  DTensor t;
  dTensorNull(&t);
  t.eulerCount = 1, t.da = 0.0f, t.dr = 1e-4f;
  EXPECT_TRUE(has(captureStdout([&] { reportEuler(stdout, &t); }), "DATA Rhombicity  0.000000e+00\n"));
  t.da = 5e-4f, t.dr = 0.0f;
  korim::couplings::dbgFlag = 2;
  std::string err;
  captureStdout([&] { err = captureStderr([&] { reportEuler(stdout, &t); }); });
  korim::couplings::dbgFlag = 0;
  EXPECT_EQ(err, "REMARK S 0.001000 0.000000 0.000000 0.000000 0.000000\n\n");
}

// The run-mode records the writer adds to the settings block (whose own lines are checked
// against their golden file with the settings writer), as they follow the parameters remark, up
// to the order-matrix remark, for each run mode (none for 0 and 9) and conversion flags.
TEST(WriterReport, RunModeBlocks) {
  const std::string params = "REMARK Simulation parameters.\n";
  Output out;
  std::string got;
  for (const auto& [mode, flags] : {std::pair{0, 0}, {9, 0}, {8, 0}, {7, 0}, {10, 0}, {17, 0}, {17, 1}}) {
    Table tab = ubiquitinRows();
    tab.t.dTensor.tensorMode = kTensorNoFixed;
    KorimInfo k = stericSettings();
    k.korimMode = mode, k.normDc = k.dcNoise = flags;
    korim::settings::HistInfo& h = k.histInfo;
    float value = 0.0f;
    for (float* v : {&h.lDaMl, &h.hDaMl, &h.incDaMl, &h.lRMl, &h.hRMl, &h.incRMl, &h.Da2Par, &h.R2Par, &h.DaMl,
                     &h.DaErrMl, &h.RMl, &h.RErrMl})
      *v = ++value;
    const std::string text = out.write(tab.get(), k);
    const size_t at = text.find(params) + params.size();
    got += "mode " + std::to_string(mode) + "\n" + text.substr(at, text.find("REMARK Order", at) + 12 - at) + "\n";
  }
  EXPECT_EQ(got, readFile(testData("dc/writer_run_modes.txt")));
}

// Hand-checked: couplings weighted by the calculated row's w, sigma 0 taken as 1, rows marked as
// missing (measured 888 Hz), of weight 0 or invalid left out, the reference of largest |di| (-300, w 0.5) among the rows compared:
// x = (2, -3), y = (1, -1). Two couplings give no regression or correlation. A zero tensor
// predicts 0 everywhere: the inverse regression is undefined, the mean slope 0. Equal
// deviations: the standard deviation is 0, not NaN from rounding.
TEST(WriterStats, HandCheckedAndDegenerateSamples) {
  Table tab;
  tab.add(1, "ALA", 4, 2, 100, 0.0f, "A", 1, 0.5f);
  tab.add(2, "ALA", -6, -2, -300, 2.0f, "A", 1, 0.5f);
  tab.add(3, "ALA", 888, 1, 1000);
  tab.add(4, "ALA", 3, 3, 2000);
  tab.add(5, "ALA", 2, 9999, 3000, 1.0f, "A", 1, 0.0f);
  tab.obs[3].valid = 0;
  // Saupe elements of Da 5e-4 and Dr 1e-4 (principal values 1e-3, -3.5e-4, -6.5e-4).
  tab.t.dTensor.saupe[0] = 1e-3f, tab.t.dTensor.saupe[1] = 3e-4f;
  float v[12];
  int n = 0;
  ASSERT_EQ(stats(tab.get(), v, &n), 0);
  EXPECT_EQ(n, 2);
  // RMS sqrt(5/2), chi2 1 + 1, sd sqrt((5 - 1/2)/2), Q sqrt(5/13), Q iso RMS / sqrt(4.12 * 2a^2/5)
  // with a = -300 * 5e-4 and R = 0.2: the weights 0.5 weigh the RMS, not the tensor.
  const float want[5] = {1.5811388f, 2.0f, 1.5f, 0.6201737f, 8.2110775f};
  for (int i = 0; i < 5; ++i) EXPECT_NEAR(v[i], want[i], 1e-5f * want[i]) << i;
  for (int i = 5; i < 12; ++i) EXPECT_EQ(v[i], 0.0f) << i;
  Table flat, shifted;
  for (float d : {1.0f, -4.0f, 6.5f, 2.0f, 0.1f}) flat.add(0, "ALA", d, 0.0f, 100), shifted.add(0, "ALA", d, d - 0.3f, 100);
  ASSERT_EQ(stats(flat.get(), v, &n), 0);
  for (float x : v) EXPECT_TRUE(std::isfinite(x));
  EXPECT_TRUE(v[3] == 1.0f && v[8] == 0.0f && v[10] == 0.0f);
  ASSERT_EQ(stats(shifted.get(), v, &n), 0);
  for (float x : v) EXPECT_TRUE(std::isfinite(x));
  EXPECT_NEAR(v[2], 0.0f, 1e-5f);
}

// A correlation without spread (or over fewer than three couplings) and a Q whose divisor is 0
// are left out, the reason in their place; the other records stay. Rows: measured, calculated.
TEST(WriterStats, UndefinedStatisticsAreLeftOutWithTheirReason) {
  const std::string noCorr = "REMARK No CORR R: ", oneValue = " couplings all have one value (a correlation needs "
                                                            "spread in both sets).\n";
  const struct {
    std::vector<std::pair<float, float>> rows;
    float da;
    int qFlag;
    std::vector<std::string> lines;
    std::string regression;  // the three regression lines as written
  } cases[] = {
      // A zero tensor (Da and Dr 0): no Q SAUPE, no correlation, no mean slope of both regressions
      // (the line of the calculated on the measured is 0 +/- 0).
      {{{3, 0}, {-5, 0}, {8, 0}}, 0.0f, 1,
       {noCorr + "the calculated" + oneValue, "REMARK No Q SAUPE: the tensor is zero (Q divides by its size).\n"},
       "DATA REGRESSION OFFSET    0.000 +/- 0.000 [Hz]\nDATA REGRESSION SLOPE     0.000 +/- 0.000 [Hz]\n"
       "REMARK No REGRESSION ZEB SLOPE: the calculated couplings all have one value (the mean slope of both "
       "regressions needs their spread).\n"},
      // Measured couplings all 0 (a fit to them): no Q against their size, no correlation, no line.
      {{{0, 1}, {0, -2}, {0, 3}}, 5e-4f, 0,
       {noCorr + "the measured" + oneValue,
        "REMARK No Q RDC_RMS: the measured couplings are all 0 (Q divides by their size).\n"},
       "REMARK No REGRESSION OFFSET: the measured couplings all have one value (a regression needs their "
       "spread).\nREMARK No REGRESSION SLOPE: the measured couplings all have one value (a regression needs "
       "their spread).\nREMARK No REGRESSION ZEB SLOPE: the measured couplings all have one value (a regression "
       "needs their spread).\n"},
      {{{4, 3}, {-2, -1}}, 5e-4f, 2,
       {noCorr + "fewer than three couplings (a correlation needs three or more).\n", "DATA Q STDDEV "},
       "REMARK No REGRESSION OFFSET: fewer than three couplings (a regression needs three or more).\n"},
  };
  for (const auto& c : cases) {
    Table tab;
    for (const auto& [o, calc] : c.rows) tab.add(static_cast<int>(tab.obs.size()) + 2, "ALA", o, calc, 100);
    tab.t.dTensor.da = c.da;
    if (c.da == 0.0f) tab.t.dTensor.dr = 0.0f;  // a tensor of Da 0 beside a Dr is no zero tensor
    KorimInfo k = stericSettings();
    k.eulerFlag = 0, k.qFlag = c.qFlag;
    Output out;
    const std::string text = out.write(tab.get(), k);
    const size_t at = text.find("DATA Chi2 ");
    ASSERT_NE(at, std::string::npos);
    const std::string after = text.substr(text.find('\n', at) + 1);
    EXPECT_EQ(after.rfind(c.lines[0], 0), 0u) << after;
    EXPECT_EQ(after.find(c.lines[1]), after.find('\n') + 1) << after;
    const size_t line = after.find(c.regression);
    EXPECT_EQ(line, after.find('\n', after.find(c.lines[1])) + 1) << after;
  }
}

// The reduced statistics start from zero whatever the caller passes: N 2, RMS sqrt(2/2) = 1,
// chi2 1 + (1/0.5)^2 = 5, R 0 (it needs three pairs); Q iso divides by the tensor the table
// prints, that of its Saupe elements (principal values 4, -1.5 and -2.5 e-4: Da 2e-4, Dr 1/3 e-4),
// not by the da and dr fields beside them (2e-4 and 5e-5): a = 21585.2 * 2e-4 (sign of di and da)
// and R = 1/6: Drms = sqrt((3/36 + 4) 2 a^2 / 5).
TEST(WriterStats, ReducedStatistics) {
  Table rows = shortRows();
  float rms = 7, chi2 = 7, qIso = 7, r = 7;
  int n = 7;
  ASSERT_EQ(getStatDCmodC(rows.get(), &rms, &chi2, &qIso, &r, &n), 0);
  EXPECT_TRUE(n == 2 && rms == 1.0f && chi2 == 5.0f && r == 0.0f);
  const double a = 21585.2 * 2e-4, want = 1.0 / std::sqrt((3.0 / 36 + 4) * 2 * a * a / 5);
  EXPECT_NEAR(qIso, want, 1e-6);
  n = 7, rms = 7, qIso = 7;
  ASSERT_EQ(getStatDCmodB(&rows.t, &rms, &qIso, &n), 0);
  EXPECT_TRUE(n == 2 && rms == 1.0f && std::fabs(qIso - want) < 1e-6);
}

// Q SAUPE of a tensor whose Da is 0, or so small beside Dr that their ratio overflows, divides by
// the size of the tensor held: Drms = sqrt((3 b^2 + 4 a^2) 2 / 5), b = 21585.2 * Dr, a ~ 0. (The
// analysis of its Saupe elements names another axis zz, of Da 7.5e-5 and Dr 5e-5: the same size.)
TEST(WriterStats, QOfATensorOfDaZeroOrTinyBesideDr) {
  for (const float da : {0.0f, 1e-30f, -1e-30f}) {
    Table rows = shortRows();
    rows.t.dTensor.da = da, rows.t.dTensor.dr = 1e-4f;
    euler2saupe(rows.t.dTensor.saupe, 0.0f, 0.0f, 0.0f, da, 1e-4f);
    float rms = 0, qIso = 0;
    int n = 0;
    ASSERT_EQ(getStatDCmodB(rows.get(), &rms, &qIso, &n), 0);
    const double b = 21585.2 * 1e-4;
    EXPECT_NEAR(qIso, 1.0 / std::sqrt(3 * b * b * 2 / 5), 1e-6) << da;
  }
}

// Compact and short tables of the three rows against hand-checked files (Q sqrt(2/125) = 0.126,
// R 1 of two points; the uncalculated row written with the missing-value difference); nothing
// to write: no file.
TEST(ShortWriters, ExactTextOfBothWriters) {
  TempDir dir;
  Table rows = shortRows();
  rows.get();
  rows.t.dTensor.tensorMode = kTensorFitNonlin, rows.t.dTensor.rhFlag = 1;
  ASSERT_EQ(writeDC((dir / "dc.tab").c_str(), &rows.t, "ubiquitin(2->4 of 3)", 1), 0);
  EXPECT_EQ(readFile(dir / "dc.tab"), readFile(testData("dc/writer_compact.tab")));
  rows.t.dTensor.tensorMode = kTensorSteric;
  ASSERT_EQ(writeDcTq((dir / "tq.tab").c_str(), "w", &rows.t, "short", 0), 0);
  EXPECT_EQ(readFile(dir / "tq.tab"), readFile(testData("dc/writer_short.tab")));
  rows.t.dCount = 0;
  EXPECT_EQ(writeDC((dir / "none.tab").c_str(), &rows.t, "x", 0), 0);
  EXPECT_FALSE(fileExists(dir / "none.tab"));
}

// The measured couplings with a prediction on a straight line through them and one row without
// prediction: the exact regression line in the verbose full report only. The full report (which
// leaves that row out) and the compact table in every tensor mode, with and without the observed
// columns (all rows), read back give the predicted couplings and the rows' other columns.
TEST(WriterStats, MeasuredCouplingsReadBack) {
  DTable in;
  dTabNull(&in);
  ASSERT_EQ(readDC(kUbiquitinCouplings.c_str(), &in), 0);
  ASSERT_EQ(in.dCount, 63);
  std::vector<DInfo> calc(in.dObsList, in.dObsList + in.dCount);
  for (DInfo& c : calc) c.d = 0.9f * c.d + 0.5f;
  calc[3].valid = 0;
  DTable out = in;
  out.dCalcList = calc.data();
  Output file;
  for (int pass = 0; pass < 2 + 9 * 4; ++pass) {
    const bool full = pass < 2;
    if (full) {
      KorimInfo k{};
      k.verbFlag = pass;
      const std::string text = file.write(&out, k, "REMARK ubiquitin N-H\n");
      EXPECT_EQ(has(text, "DATA REGRESSION SLOPE     0.900 +/- 0.000 [Hz]\n"), pass == 1);
    } else {
      out.dTensor.tensorMode = (pass - 2) / 4, out.dTensor.rhFlag = pass & 1;
      ASSERT_EQ(writeDC(file.path.c_str(), &out, "round trip", (pass >> 1) & 1), 0);
    }
    DTable back;
    dTabNull(&back);
    ASSERT_EQ(readDC(file.path.c_str(), &back), 0) << pass;
    ASSERT_EQ(back.dCount, full ? 62 : 63) << pass;
    for (int i = 0, j = 0; i < in.dCount; ++i)
      if (calc[i].valid || !full) {
        const DInfo &r = back.dObsList[j++], &o = in.dObsList[i];
        EXPECT_TRUE(std::fabs(r.d - calc[i].d) < (full ? 5e-5f : 1e-4f) && r.resIDI == o.resIDI &&
                    !std::strcmp(r.resNameI, o.resNameI) && !std::strcmp(r.atomNameJ, o.atomNameJ)) << pass << " " << i;
        EXPECT_TRUE(!full || (r.sigma == o.sigma && r.w == o.w)) << i;
      }
    dTabFree(&back);
  }
  dTabFree(&in);
}
