// Self-contained tensor options (the Saupe values are read by the same routine as for the
// program's tensor options), tensor copy and Euler solutions of a frame, coordinate edits by
// atom key and the multi-model PDB writer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "couplings/atomcoor.h"
#include "dc_test_util.h"

using namespace korim::couplings;
using namespace korim_test;
namespace st = korim::structure;

namespace {

int options(std::vector<std::string> words, DTensor* t, std::string* err) {
  words.insert(words.begin(), "korim");
  std::vector<char*> argv;
  for (auto& w : words) argv.push_back(w.data());
  korim::foundation::nullArgs();
  int rc = -1;
  *err = captureStderr([&] { rc = getDTensorParams(static_cast<int>(words.size()), argv.data(), t); });
  return rc;
}

}  // namespace

TEST(TensorOptionSet, VariantsLimitsAndMessages) {
  const std::string mixed = "DC Tensor Warning: mixed use of Dr and Rhombicity arguments.\n";
  const std::string five = "MERIDO Error: -saupe option requires 5 values.\n";
  struct Case { std::vector<std::string> args; int rc, mode, rhFlag; float rh, rhMin, rhMax, psiMin, daMin; std::string err; };
  const float k23 = 0.6666667f;
  const Case cases[] = {
      {{}, 0, kTensorSVD, 0, 0.5f, 0, k23, -360, -0.01f, ""},
      {{"-fixed", "-rotrh"}, 0, kTensorFitNonlin, 1, 0.5f, 0.5f, 0.5f, 45, -0.01f, ""},
      {{"-fixed"}, 0, kTensorFixed, 0, 0.5f, 0.5f, 0.5f, 45, 0.001f, ""},
      {{"-rh", "0.9"}, 0, kTensorSVD, 1, k23, 0, k23, -360, -0.01f, ""},
      {{"-rotrh", "-rh", "0.9"}, 0, kTensorFitNonlin, 1, k23, k23, k23, 45, -0.01f, ""},
      {{"-fit", "-rhMin", "-1", "-drMax", "0.1"}, 0, kTensorFitNonlin, 1, 0.5f, 0, k23, -360, -0.01f, mixed},
      {{"-dadr", "-da", "0.003"}, 0, kTensorFitNonlin, 0, 0.5f, 0, k23, -360, 0.003f, ""},
      {{"-saupe", "1", "2", "3", "4"}, 1, kTensorSaupe, 0, 0.5f, 0, k23, -360, -0.01f, five},
      {{"-align", "1", "2", "x", "4", "5"}, 1, kTensorSaupe, 0, 0.5f, 0, k23, -360, -0.01f, five},
      {{"-align", "1", "2", "3", "4", "5", "6"}, 1, kTensorSaupe, 0, 0.5f, 0, k23, -360, -0.01f, five},
      {{"-saupe"}, 1, kTensorSaupe, 0, 0.5f, 0, k23, -360, -0.01f, five},
  };
  for (const Case& c : cases) {
    std::string words, err;
    for (const auto& w : c.args) words += w + " ";
    DTensor t;
    EXPECT_EQ(options(c.args, &t, &err), c.rc) << words;
    EXPECT_EQ(err, c.err) << words;
    EXPECT_TRUE(t.tensorMode == c.mode && t.rhFlag == c.rhFlag) << words;
    const float got[5] = {t.rh, t.rhMin, t.rhMax, t.psiMin, t.daMin};
    const float want[5] = {c.rh, c.rhMin, c.rhMax, c.psiMin, c.daMin};
    for (int k = 0; k < 5; ++k) EXPECT_FLOAT_EQ(got[k], want[k]) << words << k;
  }
  // Crossed limits: the maximum wins; -help lists the options and leaves the tensor alone.
  DTensor t;
  std::string err;
  ASSERT_EQ(options({"-nofixed", "-psi", "0", "-psiMin", "50", "-psiMax", "20"}, &t, &err), 0);
  EXPECT_EQ(t.psi, 20.0f);
  t.da = 42.0f;
  ASSERT_EQ(options({"-help", "-fixed"}, &t, &err), 0);
  EXPECT_TRUE(t.da == 42.0f && err.rfind("Alignment Tensor Specification Methods:\n", 0) == 0);
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 36);
}

// Every field but the rhombicity ones is copied; the target keeps rh, its limits and rhFlag.
TEST(TensorCopy, FieldByField) {
  DTensor a, b;
  std::memset(&a, 0, sizeof a);
  float* fb = reinterpret_cast<float*>(&b);
  for (size_t k = 0; k < offsetof(DTensor, eulerFlag) / sizeof(float); ++k) fb[k] = 1.0f + k;
  b.eulerFlag = 7, b.eulerCount = 3, b.tensorMode = 8, b.rhFlag = 1;
  a.rh = -1, a.rhMin = -2, a.rhMax = -3;
  dTensorCopy(&a, &b);
  const float* fa = reinterpret_cast<const float*>(&a);
  const size_t rh = offsetof(DTensor, rh) / sizeof(float);
  for (size_t k = 0; k < offsetof(DTensor, eulerFlag) / sizeof(float); ++k)
    EXPECT_EQ(fa[k], k >= rh && k < rh + 3 ? -1.0f - (k - rh) : 1.0f + k) << "float field " << k;
  EXPECT_TRUE(a.eulerFlag == 7 && a.eulerCount == 3 && a.tensorMode == 8 && a.rhFlag == 0);
}

// A frame turned by known angles: one solution is those angles, and the rebuilt Saupe elements
// are those of R^T diag(-da + 1.5 dr, -da - 1.5 dr, 2 da) R (the tensor's axes are R's rows).
TEST(TensorCopy, EulerSolutionsOfAFrame) {
  const Mat3 r = rotXYZ(20, -35, 70);
  float m[3][3];
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) m[i][j] = static_cast<float>(r.m[i][j]);
  DTensor t;
  dTensorNull(&t);
  t.da = 1e-3f, t.dr = 2e-4f;
  const int n = getEulerDC(m, &t);
  ASSERT_EQ(n, t.eulerCount);
  bool seen = false;
  for (int i = 0; i < n; ++i)
    seen = seen || (std::fabs(t.psiList[i] - 20) < 0.01 && std::fabs(t.thetaList[i] + 35) < 0.01 &&
                    std::fabs(t.phiList[i] - 70) < 0.01);
  EXPECT_TRUE(seen);
  const Mat3 p{{{-1e-3 + 3e-4, 0, 0}, {0, -1e-3 - 3e-4, 0}, {0, 0, 2e-3}}};
  double s[5];
  dctest::saupeOf(mul(transpose(r), mul(p, r)), s);
  for (int k = 0; k < 5; ++k) EXPECT_NEAR(t.saupe[k], s[k], 1e-7) << k;
}

TEST(AtomEdits, MoveByKeyAndAppendModels) {
  st::PDBInfo pdb;
  st::pdbNull(&pdb);
  ASSERT_EQ(st::readPDB(kUbiquitinPdb.c_str(), &pdb, nullptr, ""), 0);
  struct Case { const char* name; int res, count; };
  const Case cases[] = {{"HB#", 2, 2}, {"HB2", 2, 1}, {"HG1#", 3, 2}, {"HG2#", 3, 3}, {"HD#", 3, 0}, {"HB*", 2, 0}, {"XX", 2, 0}};
  for (const Case& c : cases) {
    st::AtomInfo* list[kAtomCoorListLen] = {&pdb.atomList[0], &pdb.atomList[0], &pdb.atomList[0]};
    const float x = 1.5f + c.res, y = -2.0f, z = 3.25f;
    ASSERT_EQ(modifyAtomCoorList(&pdb, c.res, c.name, "A", "", list, x, y, z), c.count) << c.name;
    if (c.count == 0) { EXPECT_EQ(list[0], nullptr) << c.name; }
    for (int k = 0; k < c.count; ++k)
      EXPECT_TRUE(list[k]->resID == c.res && list[k]->x == x && list[k]->y == y && list[k]->z == z) << c.name << k;
  }
  EXPECT_EQ(std::string(pdb.atomList[31].atomName) + std::to_string(pdb.atomList[31].x), "HB33.500000");  // moved with HB#
  EXPECT_EQ(modifyAtomCoor(&pdb, 2, "CA", "A", "", 0, 0, 9)->z, 9.0f);
  EXPECT_EQ(modifyAtomCoor(nullptr, 2, "CA", "A", "", 0, 0, 9), nullptr);

  // Two models appended to one file, each closed by END; the selection picks the atoms.
  TempDir dir;
  st::PDBSelectInfo sel;
  st::pdbSelectNull(&sel);
  sel.res1 = sel.resN = 1, sel.resIDMode = 1, sel.selectMode = 2;
  std::strcpy(sel.atomNameList, "CA"), sel.atomNameCount = 1, sel.atomNameMode = 1;
  pdb.atomList[1].x = 50.125f;
  ASSERT_EQ(writePDBNmr((dir / "m.pdb").c_str(), &pdb, &sel, 1), 0);
  ASSERT_EQ(writePDBNmr((dir / "m.pdb").c_str(), &pdb, &sel, 2), 0);
  const std::string ca =
      "ATOM      2  CA  MET A   1      50.125 -89.304   8.833  1.00 10.38           C  \n";
  EXPECT_EQ(readFile(dir / "m.pdb"), "MODEL 1\n" + ca + "END\nMODEL 2\n" + ca + "END\n");
  EXPECT_EQ(captureStderr([&] { EXPECT_EQ(writePDBNmr((dir / "no/m.pdb").c_str(), &pdb, &sel, 3), 1); }),
            "PDB Error opening PDB file " + dir / "no/m.pdb" + "\n");
  st::pdbFree(&pdb);
}
