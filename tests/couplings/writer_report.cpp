// Coupling-table writer: exact report and table text, blocks by flags, agreement statistics
// against a double-precision twin, allocation failures, tables read back by the coupling reader.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "app/korim_types.h"
#include "couplings/dc.h"
#include "couplings/writedc.h"
#include "foundation/memory.h"


using namespace korim::couplings;
using korim::app::KorimInfo;

namespace {

struct Table {
    std::vector<DInfo> obs, calc;
    DTable t;
    Table() { dTabNull(&t); }
    void add(int res, const char* rn, float dObs, float dCalc, float di, float sigma = 1.0f,
             const char* seg = "A", int calcValid = 1, float w = 1.0f) {
        DInfo o;
        resetDC(&o, 1);
        o.resIDI = o.resIDJ = res;
        std::strcpy(o.resNameI, rn);
        std::strcpy(o.resNameJ, rn);
        std::strcpy(o.atomNameI, "N");
        std::strcpy(o.atomNameJ, "H");
        std::strcpy(o.segNameI, seg);
        std::strcpy(o.segNameJ, seg);
        o.valid = 1;
        o.d = dObs;
        o.sigma = sigma;
        DInfo c = o;
        c.valid = calcValid;
        c.d = dCalc;
        c.di = di;
        c.w = w;
        obs.push_back(o);
        calc.push_back(c);
    }
    DTable* get() {
        t.dObsList = obs.data();
        t.dCalcList = calc.data();
        t.dCount = static_cast<int>(obs.size());
        return &t;
    }
};

std::string slurp(const std::string& path) {
    std::ifstream in(path);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// Test cases run as parallel processes: every name carries the process id.
std::string tmpName(const char* name) {
    return testing::TempDir() + "korim_writer_" + std::to_string(getpid()) + "_" + name;
}

// Writes with the given settings and returns the file's text.
std::string written(DTable* t, const KorimInfo& k, const char* remark = nullptr) {
    const std::string path = tmpName("out.tab");
    EXPECT_EQ(writeDCmod(path.c_str(), "w", t, &k, remark), 0);
    const std::string text = slurp(path);
    std::remove(path.c_str());
    return text;
}

bool has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// The hand-checked case: four couplings in the statistics, one between 888 and 999 (printed, not
// compared), one with a missing observation (difference 9999), one with an invalid calculation.
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
    d.saupe[0] = 1e-3f;
    d.saupe[1] = 6e-4f;
    d.da = 5e-4f;
    d.dr = 2e-4f;
    d.eulerCount = 2;
    const float psi[2] = {10.5f, -20.25f}, theta[2] = {30, 150}, phi[2] = {-45.75f, 134.25f};
    for (int i = 0; i < 2; ++i) {
        d.psiList[i] = psi[i];
        d.thetaList[i] = theta[i];
        d.phiList[i] = phi[i];
    }
    return tab;
}

KorimInfo stericSettings() {
    KorimInfo k{};
    k.verbFlag = 1;
    k.korimMode = korim::app::kModeSteric;
    k.lcType = korim::app::kLcWall;
    k.concentration = 0.05f;
    k.densityNSC = 100;
    k.digPsiNSC = 18;
    k.gridSpacing = 0.2f;
    k.radiusModel = 20.0f;
    k.lcOrder = 0.8f;
    k.surfFlag = 1;
    k.eulerFlag = 1;
    return k;
}

const char* const kRows =
    "    2  GLN    N    A    2  GLN    H    A"
    "    100.00   10.0000    9.0000    1.0000  1.0000 1.00\n"
    "    3  ILE    N None    3  ILE    H None"
    "   -200.00   -5.0000   -4.0000   -1.0000  0.5000 1.00\n"
    "    4  PHE    N    A    4  PHE    H    A"
    "     50.00    2.0000    2.0000    0.0000  1.0000 1.00\n"
    "    5  VAL    N    A    5  VAL    H    A"
    "     80.00    4.0000    5.0000   -1.0000  2.0000 1.00\n"
    "    6  LYS    N    A    6  LYS    H    A"
    "     10.00  950.0000    3.0000  947.0000  1.0000 1.00\n"
    "    8  LEU    N    A    8  LEU    H    A     10.00  9999.0000    1.2500  9999.0000  1.0000 "
    "1.00\n";

}  // namespace

TEST(WriterReport, FullReportExactText) {
    writeDCReset();
    korim::app::dbgFlag = 0;
    Table tab = ubiquitinRows();
    const KorimInfo k = stericSettings();
    const std::string path = tmpName("full.tab");
    ASSERT_EQ(writeDCmod(path.c_str(), "w", tab.get(), &k, "REMARK ubiquitin test\n"), 0);
    const std::string want = std::string() +
        "REMARK Molecular Alignment Simulation.\n\n"
        "REMARK ubiquitin test\n"
        "REMARK Simulation parameters.\n"
        "\nDATA KORIM_MODE STERIC\n\n"
        "DATA KORIM LC_TYPE             wall\n"
        "DATA KORIM LC_CONCENTRATION    0.050\n"
        "DATA KORIM ORIENT_SPHERE       100\n"
        "DATA KORIM ORIENT_PSI          18\n"
        "DATA KORIM GRID_SPACING        0.200\n"
        "DATA KORIM MODEL_RADIUS        20.000\n"
        "DATA KORIM LC_ORDER            0.800\n"
        "DATA KORIM ATOM_RADIUS         0.000\n"
        "DATA KORIM SEL_SIMPLE_FLAG     0\n"
        "DATA KORIM SURF_FLAG           1\n"
        "\n\n"
        "REMARK Order matrix.\n\n"
        "DATA SAUPE_MATRIX     S(zz)       S(xx-yy)      S(xy)      S(xz)      S(yz)\n"
        "DATA SAUPE         1.0000e-03  6.0000e-04  0.0000e+00  0.0000e+00  0.0000e+00\n\n"
        "DATA IRREDUCIBLE_REP    A0          A1R          A1I         A2R         A2I  \n"
        "DATA IRREDUCIBLE     1.5853e-03 -0.0000e+00  0.0000e+00  3.8833e-04 -0.0000e+00\n"
        "DATA IRREDUCIBLE GENERAL_MAGNITUDE   1.6778e-03\n\n"
        "\nREMARK Mapping of coordinates.\n\n"
        "DATA MAPPING_COOR   Szz_d(x)  Szz_d(y)  Syy_d(x)  Syy_d(y)  Sxx_d(x)  Sxx_d(y)\n"
        "DATA MAPPING        0.00000   1.57080   1.57080  -0.00000   0.00000  -0.00000\n"
        "DATA MAPPING INV    0.00000  -1.57080  -1.57080   0.00000   3.14159   0.00000\n"
        "\n\nREMARK Eigensystem & Euler angles for clockwise rotation about z, y', z''.\n\n"
        "DATA EIGENVALUES (Sxx_d,Syy_d,Szz_d)   -2.0000e-04 -8.0000e-04  1.0000e-03\n"
        "DATA EIGENVECTORS          (x_coor      y_coor      z_coor)\n"
        "DATA EIGENVECTORS X_AXIS  1.0000e+00  0.0000e+00  0.0000e+00\n"
        "DATA EIGENVECTORS Y_AXIS  0.0000e+00  1.0000e+00  0.0000e+00\n"
        "DATA EIGENVECTORS Z_AXIS  0.0000e+00  0.0000e+00  1.0000e+00\n"
        "\n"
        "DATA Q_EULER_SOLUTIONS    ALPHA     BETA    GAMMA\n"
        "DATA Q_EULER_ANGLES  1     0.00     0.00     0.00\n"
        "DATA Q_EULER_ANGLES  2   180.00     0.00     0.00\n"
        "DATA Q_EULER_ANGLES  3     0.00   180.00     0.00\n"
        "DATA Q_EULER_ANGLES  4   180.00   180.00     0.00\n"
        "\n\nREMARK Euler angles (psi/theta/phi) for rotation about x, y, z.\n\n"
        "DATA EULER_SOLUTIONS 2\n"
        "DATA EULER_ANGLES   10.50   30.00  -45.75\n"
        "DATA EULER_ANGLES  -20.25  150.00  134.25\n"
        "\n"
        "DATA Da  5.000000e-04\n"
        "DATA Dr  2.000000e-04\n"
        "\n\n"
        "DATA Aa  1.000000e-03\n"
        "DATA Ar  4.000000e-04\n"
        "\n\n"
        "DATA Da_HN       1.079260e+01\n"
        "DATA Rhombicity  4.000000e-01\n"
        "\n"
        "\nREMARK Dipolar couplings.\n\n"
        "DATA N                    4\n"
        "DATA RMS                  0.866\n"
        "DATA Chi2                 5.250\n"
        "DATA CORR R               0.994\n"
        "DATA Q RDC_RMS            0.144\n"
        "DATA REGRESSION OFFSET    0.580 +/- 0.417 [Hz]\n"
        "DATA REGRESSION SLOPE     0.880 +/- 0.069 [Hz]\n"
        "DATA REGRESSION ZEB SLOPE 0.886 +/- 0.044 [Hz]\n"
        "\n"
        "VARS    RESID_I RESNAME_I ATOMNAME_I SEGNAME_I RESID_J RESNAME_J ATOMNAME_J SEGNAME_J"
        " DI D_OBS D D_DIFF DD W\n"
        "FORMAT  %4d %4s %4s %4s %4d %4s %4s %4s %9.2f %9.3f %9.3f %9.3f %.2f %.2f\n\n" +
        kRows;
    EXPECT_EQ(slurp(path), want);
    // The analysis is stored in the tensor: eigenvalues zz, yy, xx, da and dr.
    const DTensor& d = tab.t.dTensor;
    EXPECT_NEAR(d.eigVal[0], 1e-3f, 1e-9f);
    EXPECT_NEAR(d.eigVal[1], -8e-4f, 1e-9f);
    EXPECT_NEAR(d.eigVal[2], -2e-4f, 1e-9f);
    EXPECT_EQ(d.eulerCount, 2);
    std::remove(path.c_str());
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
    const char* const want =
        "DATA SEQUENCE \n"
        "\n"
        "VARS    RESID_I RESNAME_I ATOMNAME_I CHAINNAME_I RESID_J RESNAME_J ATOMNAME_J "
        "CHAINNAME_J D DD W\n"
        "FORMAT  %4d %4s %4s %4s %4d %4s %4s %4s %9.3f %9.3f %.2f\n\n"
        "   10  GLY    N None   10  GLY    H None   -2.5000  0.2500 2.00\n"
        "   11  LYS    N    B   11 None    H    B    7.1250  1.0000 1.00\n";
    const std::string path = tmpName("short.tab");
    ASSERT_EQ(writeDCmod(path.c_str(), "w", tab.get(), &k, "not in the short table"), 0);
    EXPECT_EQ(slurp(path), want);
    // Read back: null words become empty names, the D column the coupling.
    DTable back;
    dTabNull(&back);
    ASSERT_EQ(readDC(path.c_str(), &back), 0);
    ASSERT_EQ(back.dCount, 2);
    EXPECT_STREQ(back.dObsList[0].chainNameI, "");
    EXPECT_STREQ(back.dObsList[1].resNameJ, "");
    EXPECT_STREQ(back.dObsList[1].chainNameJ, "B");
    EXPECT_FLOAT_EQ(back.dObsList[1].d, 7.125f);
    EXPECT_FLOAT_EQ(back.dObsList[0].sigma, 0.25f);
    dTabFree(&back);
    std::remove(path.c_str());

    Table empty;  // only the sequence record
    EXPECT_EQ(written(empty.get(), k), "DATA SEQUENCE \n");

    // A file that cannot be opened: message, then the table on standard output.
    const std::string bad = testing::TempDir() + "no_such_dir_korim/out.tab";
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    EXPECT_EQ(writeDCmod(bad.c_str(), "w", tab.get(), &k, nullptr), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "DC Error opening output file " + bad + "\n");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), want);
}

TEST(WriterReport, BlocksFollowTheFlags) {
    KorimInfo k = stericSettings();
    k.eulerFlag = 0;
    k.korimMode = 9;  // no run-mode block
    // Without Euler output the tensor is left unchanged; the analysis records stay.
    Table tab = ubiquitinRows();
    const DTensor before = tab.t.dTensor;
    std::string text = written(tab.get(), k);
    EXPECT_TRUE(has(text, "DATA IRREDUCIBLE     1.5853e-03") && has(text, "DATA MAPPING INV "));
    for (const char* absent : {"KORIM_MODE", "EIGENVALUES", "EULER", "DATA Da "})
        EXPECT_FALSE(has(text, absent)) << absent;
    EXPECT_EQ(std::memcmp(&before, &tab.t.dTensor, sizeof(DTensor)), 0);
    // A zero tensor: no order-matrix records at all.
    for (float& s : tab.t.dTensor.saupe) s = 0.0f;
    text = written(tab.get(), k);
    EXPECT_EQ(text.rfind("REMARK Molecular Alignment Simulation.\n\nREMARK Simulation parameters."
                         "\n\n\n\nREMARK Dipolar couplings.\n\nDATA N                    4\n", 0),
              0u) << text;
    EXPECT_TRUE(has(text, kRows));
    // Exactly one quality line by qFlag; Q SAUPE = RMS / sqrt((3R^2 + 4) 2a^2 / 5) with the
    // reference |di| 200, a = 200 * 5e-4, R = 0.4: 0.866 / 0.1339.
    const char* const q[] = {"DATA Q RDC_RMS            0.144\n",
                             "DATA Q SAUPE              6.469\n",
                             "DATA Q STDDEV             0.829\n"};
    for (k.qFlag = 0; k.qFlag <= 3; ++k.qFlag) {
        Table t2 = ubiquitinRows();
        text = written(t2.get(), k);
        for (int other = 0; other < 3; ++other) EXPECT_EQ(has(text, q[other]), other == k.qFlag);
        EXPECT_EQ(has(text, "DATA Q "), k.qFlag < 3);
    }
    // No row passes the statistics filter: the file ends with the count 0.
    for (auto& o : tab.obs) o.d = 900.0f;
    text = written(tab.get(), k);
    const std::string tail = "\nREMARK Dipolar couplings.\n\nDATA N                    0\n";
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
    // A remark line that is not a REMARK is made one, so no reader takes it for a row.
    text = written(tab.get(), k, "REMARK first\n  5 GLY N 6 GLY H 3.5\n\nREMARK third");
    EXPECT_EQ(text.rfind("REMARK Molecular Alignment Simulation.\n\nREMARK first\n"
                         "REMARK   5 GLY N 6 GLY H 3.5\n\nREMARK thirdREMARK Simulation", 0),
              0u) << text;
    // Rhombicity of a tensor with Da 0 is 0; with a debug level the first solution's Saupe
    // elements are rebuilt on stderr (axial along z: Szz = 2 Da).
    DTensor t;
    dTensorNull(&t);
    t.eulerCount = 1;
    t.dr = 1e-4f;
    t.da = 0.0f;
    FILE* f = std::fopen(tmpName("euler").c_str(), "w");
    ASSERT_NE(f, nullptr);
    reportEuler(f, &t);
    t.da = 5e-4f;
    t.dr = 0.0f;
    korim::app::dbgFlag = 2;
    testing::internal::CaptureStderr();
    reportEuler(f, &t);
    korim::app::dbgFlag = 0;
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "REMARK S 0.001000 0.000000 0.000000 0.000000 0.000000\n\n");
    std::fclose(f);
    EXPECT_TRUE(has(slurp(tmpName("euler")), "DATA Rhombicity  0.000000e+00\n"));
    std::remove(tmpName("euler").c_str());
}

TEST(WriterReport, RunModeBlocks) {
    const std::pair<int, const char*> cases[] = {
        {korim::app::kModeElectrostatic,
         "\nDATA KORIM_MODE ELECTROSTATIC\n\n"
         "DATA KORIM LC_TYPE              rod\n"
         "DATA KORIM LC_CONCENTRATION    0.050\n"
         "DATA KORIM ORIENT_SPHERE       100\n"
         "DATA KORIM ORIENT_PSI          18\n"
         "DATA KORIM GRID_SPACING        0.200\n"
         "DATA KORIM MODEL_RADIUS        20.000\n"
         "DATA KORIM LC_ORDER            0.800\n"
         "DATA KORIM ATOM_RADIUS         0.000\n"
         "DATA KORIM SEL_SIMPLE_FLAG     0\n"
         "DATA KORIM SURF_FLAG           1\n"
         "DATA KORIM EL PH               7.500\n"
         "DATA KORIM EL NACL             0.150\n"
         "DATA KORIM EL SURF_CH         -0.250\n"
         "DATA KORIM EL DIPOLE           on\n"
         "DATA KORIM EL PKA_DEFAULT      off\n"
         "DATA KORIM EL CH_TERM          on\n"
         "DATA KORIM EL CUTOFF           1.250000e+01\n"
         "DATA KORIM INCLUDE_RIM      on\n"
         "DATA KORIM MOLAR_RATIO       3.000\n"
         "DATA KORIM MODEL_LENGTH      40.000\n"
         "DATA KORIM S_DISC_RIM        0.500\n\n\n"},
        {korim::app::kModeBestFit,
         "\nDATA KORIM_MODE DC\n\n"
         "DATA TENSOR_MODE NOFIXED (Variable Da and Dr, Variable Rotations)\n\n"
         "DATA DA_RANGE    -1.0000e-02  1.0000e-02\n"
         "DATA DR_RANGE    -1.0000e-02  1.0000e-02\n"
         "DATA PSI_RANGE    -360.00   360.00\n"
         "DATA THETA_RANGE  -360.00   360.00\n"
         "DATA PHI_RANGE    -360.00   360.00\n"},
    };
    for (const auto& [mode, block] : cases) {
        Table tab = ubiquitinRows();
        DTensor& d = tab.t.dTensor;
        d.tensorMode = kTensorNoFixed;
        d.daMin = d.drMin = -0.01f;
        d.daMax = d.drMax = 0.01f;
        d.psiMin = d.thetaMin = d.phiMin = -360.0f;
        d.psiMax = d.thetaMax = d.phiMax = 360.0f;
        KorimInfo k = stericSettings();
        k.korimMode = mode;
        k.lcType = korim::app::kLcRod;
        k.elInfo.pH = 7.5f;
        k.elInfo.concNaCl = 0.15f;
        k.elInfo.chDensSurf = -0.25f;
        k.elInfo.dipoleFlag = k.elInfo.chTerminiFlag = 1;
        k.elInfo.cutoffPot = 12.5;
        k.includeRim = mode == korim::app::kModeElectrostatic ? 1.0f : 0.0f;
        k.molarRatio = 3.0f;
        k.lengthModel = 40.0f;
        k.orderDiscRim = 0.5f;
        const std::string want =
            std::string("REMARK Molecular Alignment Simulation.\n\n") +
            "REMARK Simulation parameters.\n" + block;
        const std::string text = written(tab.get(), k);
        EXPECT_EQ(text.substr(0, want.size()), want) << "mode " << mode;
    }
}

TEST(WriterStats, MatchesDoublePrecisionTwin) {
    std::mt19937 gen(2024);
    std::uniform_real_distribution<float> u(-20.0f, 20.0f), noise(-2.0f, 2.0f);
    Table tab;
    for (int i = 0; i < 60; ++i) {
        const float dObs = i % 19 == 6 ? 890.0f : u(gen);  // at or above 888: not compared
        const float dCalc = i % 17 == 5 ? 888.0f : 0.8f * dObs + noise(gen);
        tab.add(i, "ALA", dObs, dCalc, i == 18 ? -24350.0f : 21585.2f - i,
                i % 7 == 0 ? 0.0f : 0.5f + (i % 3) * 0.25f,  // sigma 0 counts as 1
                "A", i % 13 == 4 ? 0 : 1, i % 5 == 0 ? 0.5f : 1.0f);
        tab.obs.back().valid = i % 11 == 3 ? 0 : 1;
    }
    DTable* t = tab.get();
    t->dTensor.da = 4e-4f;
    t->dTensor.dr = 1e-4f;
    std::vector<double> x, y;
    double sd = 0, sd2 = 0, sx2 = 0, chi2 = 0;
    for (int i = 0; i < t->dCount; ++i) {
        const DInfo &o = tab.obs[i], &c = tab.calc[i];
        if (!o.valid || !c.valid || o.d >= 888 || c.d >= 888) continue;
        x.push_back(double(c.w) * o.d);
        y.push_back(double(c.w) * c.d);
        const double diff = x.back() - y.back(), s = o.sigma == 0 ? 1.0 : o.sigma;
        sd += diff;
        sd2 += diff * diff;
        sx2 += x.back() * x.back();
        chi2 += diff * diff / (s * s);
    }
    const double n = double(x.size());
    double mx = 0, my = 0, sxy = 0, sxx = 0, syy = 0;
    for (size_t i = 0; i < x.size(); ++i) mx += x[i] / n, my += y[i] / n;
    for (size_t i = 0; i < x.size(); ++i) {
        sxy += (x[i] - mx) * (y[i] - my);
        sxx += (x[i] - mx) * (x[i] - mx);
        syy += (y[i] - my) * (y[i] - my);
    }
    // Unweighted lines y on x and x on y, errors scaled by the residual over n - 2.
    const double b1 = sxy / sxx, a1 = my - b1 * mx, b2 = sxy / syy;
    const double res1 = std::sqrt((syy - sxy * b1) / (n - 2));
    const double res2 = std::sqrt((sxx - sxy * b2) / (n - 2));
    const double s1 = res1 / std::sqrt(sxx), s2 = res2 / std::sqrt(syy);
    const double sa1 = std::sqrt((1 + n * mx * mx / sxx) / n) * res1;
    const double ave = (1 / b2 + b1) / 2;
    const double aRef = -24350.0 * 4e-4, rh = 0.25;  // row 18: largest |di|, weight 1
    float v[12];
    int count = 0;
    ASSERT_EQ(getStatDCmod(t, &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6], &v[7], &v[8],
                           &v[9], &v[10], &v[11], &count), 0);
    EXPECT_EQ(count, int(n));
    const double dRms = std::sqrt((3 * rh * rh + 4) * 2 * aRef * aRef / 5);
    const double want[12] = {std::sqrt(sd2 / n), chi2, std::sqrt((sd2 - sd * sd / n) / n),
                             std::sqrt(sd2 / sx2), std::sqrt(sd2 / n) / dRms,
                             sxy / std::sqrt(sxx * syy), a1, sa1, b1, s1, ave,
                             std::sqrt(std::pow(s2 / (b2 * b2), 2) + s1 * s1) * ave * 0.5};
    for (int i = 0; i < 12; ++i)
        EXPECT_NEAR(v[i], want[i], 1e-3 * std::fabs(want[i]) + 1e-6) << i;
}

TEST(WriterStats, DegenerateSamplesStayFinite) {
    // One and two couplings: no regression or correlation; RMS and chi-square still hold.
    for (int count = 1; count <= 2; ++count) {
        Table tab;
        for (int i = 0; i < count; ++i) tab.add(i, "ALA", 3.0f + i, 1.0f + i, 100, 2.0f);
        float v[12];
        int n = 0;
        ASSERT_EQ(getStatDCmod(tab.get(), &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6], &v[7],
                               &v[8], &v[9], &v[10], &v[11], &n), 0);
        EXPECT_EQ(n, count);
        EXPECT_FLOAT_EQ(v[0], 2.0f);
        EXPECT_FLOAT_EQ(v[1], float(count));
        for (int i = 5; i < 12; ++i) EXPECT_EQ(v[i], 0.0f) << i;
    }
    // A zero tensor predicts 0 everywhere: the inverse regression is undefined, the mean slope 0.
    // Equal deviations: the standard deviation is 0, not NaN from rounding.
    Table flat, shifted;
    for (float d : {1.0f, -4.0f, 6.5f, 2.0f, 0.1f}) {
        flat.add(0, "ALA", d, 0.0f, 100);
        shifted.add(0, "ALA", d, d - 0.3f, 100);
    }
    for (Table* tab : {&flat, &shifted}) {
        float v[12];
        int n = 0;
        ASSERT_EQ(getStatDCmod(tab->get(), &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6], &v[7],
                               &v[8], &v[9], &v[10], &v[11], &n), 0);
        for (float x : v) EXPECT_TRUE(std::isfinite(x));
        if (tab == &flat) {
            EXPECT_TRUE(v[3] == 1.0f && v[8] == 0.0f && v[10] == 0.0f);
        } else {
            EXPECT_NEAR(v[2], 0.0f, 1e-5f);
        }
    }
}

TEST(WriterStats, AllocationFailureIsReportedNeverWritten) {
    using namespace korim::foundation;
    Table tab;
    for (float d : {1.0f, -4.0f, 6.5f, 2.0f}) tab.add(1, "ALA", d, d + 0.5f, 100);
    KorimInfo k{};
    k.verbFlag = 1;
    const std::string path = tmpName("nomem.tab");
    float v[12];
    int n = 0;
    for (int failAt = 1; failAt <= 6; ++failAt) {  // five work arrays; the sixth call is not made
        std::remove(path.c_str());
        memoryReset();
        memoryFailAt(failAt);
        testing::internal::CaptureStderr();
        const int st = getStatDCmod(tab.get(), &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6],
                                    &v[7], &v[8], &v[9], &v[10], &v[11], &n);
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(st, failAt <= 5 ? 1 : 0) << failAt;
        EXPECT_EQ(has(err, "Error allocating temporary buffers.\n"), failAt <= 5);
        // Every block obtained is released; the allocator keeps counting the refused request
        // (x, y, sigma: 4 + 1 floats; the two copies 4 + 5001).
        EXPECT_EQ(memoryBytesUsed(), failAt <= 3 ? 20 : failAt <= 5 ? 20020 : 0) << failAt;
        if (failAt > 5) break;
        memoryFailAt(failAt);
        testing::internal::CaptureStderr();
        EXPECT_EQ(writeDCmod(path.c_str(), "w", tab.get(), &k, nullptr), 1);
        EXPECT_TRUE(has(testing::internal::GetCapturedStderr(), path));
        EXPECT_EQ(std::fopen(path.c_str(), "r"), nullptr) << "no report is written";
    }
    memoryReset();
}

TEST(WriterStats, MeasuredCouplingsReadBack) {
    DTable in;
    dTabNull(&in);
    ASSERT_EQ(readDC(KORIM_TEST_DATA "/ubiquitin_nh_bicelle.tab", &in), 0);
    ASSERT_GT(in.dCount, 50);
    // A prediction on a straight line through the measurement; one row without prediction.
    std::vector<DInfo> calc(in.dObsList, in.dObsList + in.dCount);
    for (DInfo& c : calc) c.d = 0.9f * c.d + 0.5f;
    calc[3].valid = 0;
    DTable out = in;
    out.dCalcList = calc.data();
    for (int verb = 0; verb <= 1; ++verb) {
        KorimInfo k{};
        k.verbFlag = verb;
        const std::string path = tmpName("ubq.tab");
        ASSERT_EQ(writeDCmod(path.c_str(), "w", &out, &k, "REMARK ubiquitin N-H\n"), 0);
        const std::string text = slurp(path);
        for (const char* line : {"DATA CORR R               1.000\n",
                                     "DATA REGRESSION OFFSET    0.500 +/- 0.000 [Hz]\n",
                                     "DATA REGRESSION SLOPE     0.900 +/- 0.000 [Hz]\n",
                                     "DATA REGRESSION ZEB SLOPE 0.900 +/- 0.000 [Hz]\n"})
            EXPECT_EQ(has(text, line), verb == 1) << line;
        DTable back;
        dTabNull(&back);
        ASSERT_EQ(readDC(path.c_str(), &back), 0);
        ASSERT_EQ(back.dCount, in.dCount - 1);
        for (int i = 0, j = 0; i < in.dCount; ++i) {
            if (!calc[i].valid) continue;
            const DInfo &r = back.dObsList[j++], &o = in.dObsList[i];
            EXPECT_NEAR(r.d, calc[i].d, 5e-5f) << i;
            EXPECT_TRUE(r.sigma == o.sigma && r.w == o.w && r.resIDI == o.resIDI);
            EXPECT_STREQ(r.resNameI, o.resNameI);
            EXPECT_STREQ(r.atomNameJ, o.atomNameJ);
        }
        dTabFree(&back);
        std::remove(path.c_str());
    }
    dTabFree(&in);
}
