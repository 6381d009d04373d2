// Coupling-table writer: exact text of the full report and the short table, blocks by flags.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/korim_types.h"
#include "couplings/dc.h"
#include "couplings/writedc.h"

// The couplings library does not link the simulation library, whose geometry source supplies the
// sign variants of a principal frame to the Saupe analysis; the test program compiles it in.
#include "simulation/korim_utils_math.cpp"

using namespace korim::couplings;
using korim::app::KorimInfo;

namespace {

struct Table {
    std::vector<DInfo> obs, calc;
    DTable t;
    Table() { dTabNull(&t); }
    void add(int res, const char* rn, float dObs, float dCalc, float di, float sigma = 1.0f,
             const char* seg = "A", int calcValid = 1) {
        DInfo o, c;
        resetDC(&o, 1);
        resetDC(&c, 1);
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
        c = o;
        c.valid = calcValid;
        c.d = dCalc;
        c.di = di;
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

std::string tmpName(const char* name) { return testing::TempDir() + "korim_writer_" + name; }

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
    d.psiList[0] = 10.5f;
    d.thetaList[0] = 30.0f;
    d.phiList[0] = -45.75f;
    d.psiList[1] = -20.25f;
    d.thetaList[1] = 150.0f;
    d.phiList[1] = 134.25f;
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
    "    2  GLN    N    A    2  GLN    H    A    100.00   10.0000    9.0000    1.0000  1.0000 1.00\n"
    "    3  ILE    N None    3  ILE    H None   -200.00   -5.0000   -4.0000   -1.0000  0.5000 1.00\n"
    "    4  PHE    N    A    4  PHE    H    A     50.00    2.0000    2.0000    0.0000  1.0000 1.00\n"
    "    5  VAL    N    A    5  VAL    H    A     80.00    4.0000    5.0000   -1.0000  2.0000 1.00\n"
    "    6  LYS    N    A    6  LYS    H    A     10.00  950.0000    3.0000  947.0000  1.0000 1.00\n"
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

TEST(WriterReport, ShortTableWithChainColumns) {
    Table tab;
    tab.add(10, "GLY", 3.0f, -2.5f, 50, 0.25f, "");
    tab.add(11, "LYS", 1.0f, 7.125f, 50, 1.0f, "");
    tab.obs[0].w = 2.0f;
    std::strcpy(tab.obs[1].chainNameI, "B");
    std::strcpy(tab.obs[1].chainNameJ, "B");
    tab.obs[1].resNameJ[0] = '\0';  // a missing name keeps its column as the null word
    tab.t.nullChainName = 0;
    KorimInfo k{};
    const std::string path = tmpName("short.tab");
    ASSERT_EQ(writeDCmod(path.c_str(), "w", tab.get(), &k, "ignored in the short table"), 0);
    EXPECT_EQ(slurp(path),
              "DATA SEQUENCE \n"
              "\n"
              "VARS    RESID_I RESNAME_I ATOMNAME_I CHAINNAME_I RESID_J RESNAME_J ATOMNAME_J "
              "CHAINNAME_J D DD W\n"
              "FORMAT  %4d %4s %4s %4s %4d %4s %4s %4s %9.3f %9.3f %.2f\n\n"
              "   10  GLY    N None   10  GLY    H None   -2.5000  0.2500 2.00\n"
              "   11  LYS    N    B   11 None    H    B    7.1250  1.0000 1.00\n");

    // An empty table holds the sequence record only.
    Table empty;
    ASSERT_EQ(writeDCmod(path.c_str(), "w", empty.get(), &k, nullptr), 0);
    EXPECT_EQ(slurp(path), "DATA SEQUENCE \n");
    std::remove(path.c_str());
}

TEST(WriterReport, ZeroTensorHasNoOrderMatrixBlock) {
    Table tab = ubiquitinRows();
    for (float& s : tab.t.dTensor.saupe) s = 0.0f;
    KorimInfo k = stericSettings();
    k.korimMode = 9;  // no run-mode block
    const std::string path = tmpName("zero.tab");
    ASSERT_EQ(writeDCmod(path.c_str(), "w", tab.get(), &k, nullptr), 0);
    const std::string text = slurp(path);
    EXPECT_EQ(text.rfind("REMARK Molecular Alignment Simulation.\n\n"
                         "REMARK Simulation parameters.\n\n\n"
                         "\nREMARK Dipolar couplings.\n\nDATA N                    4\n",
                         0),
              0u)
        << text;
    for (const char* absent : {"SAUPE", "IRREDUCIBLE", "MAPPING", "EULER", "KORIM_MODE"})
        EXPECT_EQ(text.find(absent), std::string::npos) << absent;
    EXPECT_NE(text.find(kRows), std::string::npos);
    std::remove(path.c_str());
}

TEST(WriterReport, EulerFlagOffLeavesTensorUnchanged) {
    Table tab = ubiquitinRows();
    KorimInfo k = stericSettings();
    k.eulerFlag = 0;
    const DTensor before = tab.t.dTensor;
    const std::string path = tmpName("noeuler.tab");
    ASSERT_EQ(writeDCmod(path.c_str(), "w", tab.get(), &k, nullptr), 0);
    const std::string text = slurp(path);
    EXPECT_NE(text.find("DATA IRREDUCIBLE     1.5853e-03"), std::string::npos);
    EXPECT_NE(text.find("DATA MAPPING INV "), std::string::npos);
    for (const char* absent : {"EIGENVALUES", "EIGENVECTORS", "Q_EULER", "EULER_SOLUTIONS",
                               "EULER_ANGLES", "DATA Da ", "Rhombicity"})
        EXPECT_EQ(text.find(absent), std::string::npos) << absent;
    EXPECT_EQ(std::memcmp(&before, &tab.t.dTensor, sizeof(DTensor)), 0);
    std::remove(path.c_str());
}

TEST(WriterReport, NoComparableRowEndsWithCountZero) {
    Table tab = ubiquitinRows();
    for (auto& o : tab.obs) o.d = 900.0f;
    KorimInfo k = stericSettings();
    k.eulerFlag = 0;
    const std::string path = tmpName("none.tab");
    ASSERT_EQ(writeDCmod(path.c_str(), "w", tab.get(), &k, nullptr), 0);
    const std::string text = slurp(path);
    const std::string tail = "\nREMARK Dipolar couplings.\n\nDATA N                    0\n";
    ASSERT_GE(text.size(), tail.size());
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
    EXPECT_EQ(text.find("VARS"), std::string::npos);
    std::remove(path.c_str());
}

TEST(WriterReport, QualityLineFollowsQFlag) {
    const char* const lines[] = {"DATA Q RDC_RMS            0.144\n",
                                 // RMS over the RMS coupling of da 5e-4, dr 2e-4 at |di| 200:
                                 // sqrt(3/4) / sqrt((3*0.4^2 + 4) * 2 * 0.1^2 / 5)
                                 "DATA Q SAUPE              6.469\n",
                                 "DATA Q STDDEV             0.829\n"};
    for (int q = 0; q <= 3; ++q) {
        Table tab = ubiquitinRows();
        KorimInfo k = stericSettings();
        k.eulerFlag = 0;
        k.qFlag = q;
        const std::string path = tmpName("q.tab");
        ASSERT_EQ(writeDCmod(path.c_str(), "w", tab.get(), &k, nullptr), 0);
        const std::string text = slurp(path);
        for (int other = 0; other < 3; ++other)
            EXPECT_EQ(text.find(lines[other]) != std::string::npos, other == q) << q << other;
        EXPECT_EQ(text.find("DATA Q ") != std::string::npos, q < 3) << q;
        std::remove(path.c_str());
    }
}

TEST(WriterReport, RunModeBlocks) {
    struct Case {
        int mode;
        int tensorMode;
        const char* block;
    };
    const Case cases[] = {
        {korim::app::kModeElectrostatic, 1,
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
        {korim::app::kModeBestFit, kTensorNoFixed,
         "\nDATA KORIM_MODE DC\n\n"
         "DATA TENSOR_MODE NOFIXED (Variable Da and Dr, Variable Rotations)\n\n"
         "DATA DA_RANGE    -1.0000e-02  1.0000e-02\n"
         "DATA DR_RANGE    -1.0000e-02  1.0000e-02\n"
         "DATA PSI_RANGE    -360.00   360.00\n"
         "DATA THETA_RANGE  -360.00   360.00\n"
         "DATA PHI_RANGE    -360.00   360.00\n"},
        {korim::app::kModeBestFit, kTensorDaDr,
         "\nDATA KORIM_MODE DC\n\n"
         "DATA TENSOR_MODE DADR (Fixed Da and Dr, Variable Rotations)\n\n"
         "DATA PSI_RANGE    -360.00   360.00\n"},
        {korim::app::kModeBestFit, kTensorSaupe,
         "\nDATA KORIM_MODE DC\n\nDATA TENSOR_MODE SAUPE (Fixed Saupe Values)\n"},
        {korim::app::kModeBestFit, kTensorFixed,
         "\nDATA KORIM_MODE DC\n\nDATA TENSOR_MODE FIXED (Fixed Da and Dr, Fixed Rotations)\n"},
        {korim::app::kModeDaMl, 1,
         "\nDATA KORIM_MODE DA_ML\n\n"
         "DATA KORIM DA LOW_GRID      5.000\n"
         "DATA KORIM DA HIGH_GRID     15.000\n"
         "DATA KORIM DA INCREMENT     0.500\n"
         "DATA KORIM R  LOW_GRID      0.000\n"
         "DATA KORIM R  HIGH_GRID     0.667\n"
         "DATA KORIM R  INCREMENT     0.050\n"
         "\n\nREMARK Solving the linear equation system.\n\n"
         "DATA EQ Da         -9.750\n"
         "DATA EQ R           0.300\n"
         "\n\nREMARK Maximum Likelihood determination.\n\n"
         "DATA ML Da            -10.250\n"
         "DATA ML Da Err         0.125\n"
         "DATA ML R              0.350\n"
         "DATA ML R Err          0.025\n"},
        {korim::app::kModeAnalyzeDc, 1,
         "\nDATA KORIM_MODE DC_CP\n\nDATA KORIM ACTION    sub\n"
         "DATA KORIM C1      1.000\nDATA KORIM C2     -0.500\n"},
        {korim::app::kModeConvert, 1,
         "\nDATA KORIM_MODE CONV\n\nDATA DCs are normalized.\n"
         "DATA Gaussian noise according to DD has been added.\n"},
        {12, 1, "\nDATA KORIM_MODE HIST\n\n\n\n"},
        {korim::app::kModeChemShift, 1, "\nDATA KORIM_MODE CS\n\n\n\n"},
    };
    for (const Case& c : cases) {
        Table tab = ubiquitinRows();
        tab.t.dTensor.tensorMode = c.tensorMode;
        tab.t.dTensor.daMin = tab.t.dTensor.drMin = -0.01f;
        tab.t.dTensor.daMax = tab.t.dTensor.drMax = 0.01f;
        tab.t.dTensor.psiMin = tab.t.dTensor.thetaMin = tab.t.dTensor.phiMin = -360.0f;
        tab.t.dTensor.psiMax = tab.t.dTensor.thetaMax = tab.t.dTensor.phiMax = 360.0f;
        KorimInfo k = stericSettings();
        k.korimMode = c.mode;
        k.lcType = korim::app::kLcRod;
        k.elInfo.pH = 7.5f;
        k.elInfo.concNaCl = 0.15f;
        k.elInfo.chDensSurf = -0.25f;
        k.elInfo.dipoleFlag = 1;
        k.elInfo.chTerminiFlag = 1;
        k.elInfo.cutoffPot = 12.5;
        k.includeRim = c.mode == korim::app::kModeElectrostatic ? 1.0f : 0.0f;
        k.molarRatio = 3.0f;
        k.lengthModel = 40.0f;
        k.orderDiscRim = 0.5f;
        k.histInfo.lDaMl = 5.0f;
        k.histInfo.hDaMl = 15.0f;
        k.histInfo.incDaMl = 0.5f;
        k.histInfo.hRMl = 0.6666667f;
        k.histInfo.incRMl = 0.05f;
        k.histInfo.Da2Par = -9.75f;
        k.histInfo.R2Par = 0.3f;
        k.histInfo.DaMl = -10.25f;
        k.histInfo.DaErrMl = 0.125f;
        k.histInfo.RMl = 0.35f;
        k.histInfo.RErrMl = 0.025f;
        k.opCode = korim::app::kOpSub;
        k.c1 = 1.0f;
        k.c2 = -0.5f;
        k.normDc = 1;
        k.dcNoise = 1;
        const std::string path = tmpName("mode.tab");
        ASSERT_EQ(writeDCmod(path.c_str(), "w", tab.get(), &k, nullptr), 0);
        const std::string text = slurp(path);
        const std::string head =
            "REMARK Molecular Alignment Simulation.\n\nREMARK Simulation parameters.\n";
        EXPECT_EQ(text.compare(0, head.size() + std::strlen(c.block), head + c.block), 0)
            << "mode " << c.mode << "\n"
            << text.substr(0, 900);
        std::remove(path.c_str());
    }
}

TEST(WriterReport, RemarkIsAlwaysACommentLine) {
    Table tab = ubiquitinRows();
    KorimInfo k = stericSettings();
    k.eulerFlag = 0;
    k.korimMode = 0;
    const std::string path = tmpName("remark.tab");
    ASSERT_EQ(writeDCmod(path.c_str(), "w", tab.get(), &k, "  5  GLY  N  6 GLY H  3.5"), 0);
    EXPECT_EQ(slurp(path).rfind("REMARK Molecular Alignment Simulation.\n\n"
                                "REMARK   5  GLY  N  6 GLY H  3.5\n"
                                "REMARK Simulation parameters.\n",
                                0),
              0u);
    ASSERT_EQ(writeDCmod(path.c_str(), "w", tab.get(), &k,
                         "REMARK first\nsecond line\n\nREMARK third"),
              0);
    EXPECT_EQ(slurp(path).rfind("REMARK Molecular Alignment Simulation.\n\n"
                                "REMARK first\nREMARK second line\n\nREMARK third"
                                "REMARK Simulation parameters.\n",
                                0),
              0u);
    std::remove(path.c_str());
}

TEST(WriterReport, UnopenableFileGoesToStandardOutput) {
    Table tab;
    tab.add(2, "GLN", 10, 9, 100);
    KorimInfo k{};
    const std::string bad = testing::TempDir() + "no_such_dir_korim/out.tab";
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const int status = writeDCmod(bad.c_str(), "w", tab.get(), &k, nullptr);
    const std::string out = testing::internal::GetCapturedStdout();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(status, 0);
    EXPECT_EQ(err, "DC Error opening output file " + bad + "\n");
    EXPECT_EQ(out.rfind("DATA SEQUENCE \n\nVARS", 0), 0u) << out;
    EXPECT_NE(out.find("    2  GLN    N    2  GLN    H    9.0000  1.0000 1.00\n"),
              std::string::npos)
        << out;
}

TEST(WriterReport, EulerBlockEdgeValues) {
    DTensor t;
    dTensorNull(&t);
    t.da = 0.0f;
    t.dr = 1e-4f;
    t.eulerCount = 1;
    t.psiList[0] = -0.004f;
    const std::string path = tmpName("euler.txt");
    FILE* f = std::fopen(path.c_str(), "w");
    ASSERT_NE(f, nullptr);
    korim::app::dbgFlag = 0;
    EXPECT_EQ(reportEuler(f, &t), 0);
    std::fclose(f);
    EXPECT_EQ(slurp(path),
              "DATA EULER_SOLUTIONS 1\n"
              "DATA EULER_ANGLES   -0.00    0.00    0.00\n"
              "\n"
              "DATA Da  0.000000e+00\n"
              "DATA Dr  1.000000e-04\n"
              "\n\n"
              "DATA Aa  0.000000e+00\n"
              "DATA Ar  2.000000e-04\n"
              "\n\n"
              "DATA Da_HN       0.000000e+00\n"
              "DATA Rhombicity  0.000000e+00\n"
              "\n");
    std::remove(path.c_str());
}

TEST(WriterReport, DebugLevelRebuildsSaupeElements) {
    // An axial tensor along z (Euler angles 0): the rebuilt Szz is 2 Da, the rest 0.
    DTensor t;
    dTensorNull(&t);
    t.da = 5e-4f;
    t.dr = 0.0f;
    t.eulerCount = 1;
    t.psiList[0] = t.thetaList[0] = t.phiList[0] = 0.0f;
    const std::string path = tmpName("dbg.txt");
    FILE* f = std::fopen(path.c_str(), "w");
    ASSERT_NE(f, nullptr);
    korim::app::dbgFlag = 2;
    testing::internal::CaptureStderr();
    reportEuler(f, &t);
    const std::string err = testing::internal::GetCapturedStderr();
    korim::app::dbgFlag = 0;
    std::fclose(f);
    EXPECT_EQ(err, "REMARK S 0.001000 0.000000 0.000000 0.000000 0.000000\n\n");
    std::remove(path.c_str());
}
