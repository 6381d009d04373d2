// Tensor options of the program and of the self-contained option set (both read the Saupe values
// by one routine), tensor copy, coordinate edits by atom key and the multi-model PDB writer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "couplings/atomcoor.h"
#include "dc_test_util.h"

using namespace korim::couplings;
using namespace korim_test;
using dctest::tensorOptions;
namespace st = korim::structure;

namespace {
std::string joined(const std::vector<std::string>& words) {
  std::string s;
  for (const auto& w : words) s += w + " ";
  return s;
}
}  // namespace

// Mode and search limits: magnitudes given select Da/Dr and pin them (a nonlinear mode already
// chosen is kept, with open limits); -fixed pins every start value unless a limit is given;
// later switches win in the order -svd, -saupe/-align, -fixed, -nofixed, -dadr.
TEST(TensorOptions, ModesAndLimits) {
  struct Case { std::vector<std::string> args; int mode; float daMin, daMax, drMin, drMax, psiMin, psiMax, thetaMin; };
  const Case cases[] = {
      {{}, kTensorSVD, -0.01f, 0.01f, -0.01f, 0.01f, -360, 360, -360},
      {{"-da", "0.002"}, kTensorDaDr, 0.002f, 0.002f, 0.0001f, 0.0001f, -360, 360, -360},
      {{"-svd", "-dr", "3e-4"}, kTensorDaDr, 0.001f, 0.001f, 3e-4f, 3e-4f, -360, 360, -360},
      {{"-nofixed", "-dr", "-2e-4"}, kTensorNoFixed, -0.01f, 0.01f, -0.01f, 0.01f, -360, 360, -360},
      {{"-fixed", "-psi", "30"}, kTensorFixed, 0.001f, 0.001f, 0.0001f, 0.0001f, 30, 30, 45},
      {{"-fixed", "-psiMin", "10", "-daMax", "0.5"}, kTensorFixed, 0.001f, 0.5f, 0.0001f, 0.0001f, 10, 45, 45},
      {{"-fixed", "-nofixed"}, kTensorNoFixed, -0.01f, 0.01f, -0.01f, 0.01f, -360, 360, -360},
      {{"-dadr", "-nofixed", "-fixed", "-svd"}, kTensorDaDr, 0.001f, 0.001f, 0.0001f, 0.0001f, -360, 360, -360},
      {{"-fixed", "-align", "1", "2", "3", "4", "5"}, kTensorFixed, 0.001f, 0.001f, 0.0001f, 0.0001f, 45, 45, 45},
  };
  for (const Case& c : cases) {
    DTensor t;
    std::string err;
    EXPECT_EQ(tensorOptions(c.args, &t, &err), 0) << joined(c.args);
    EXPECT_TRUE(err.empty() && t.tensorMode == c.mode) << joined(c.args);
    const float got[8] = {t.daMin, t.daMax, t.drMin, t.drMax, t.psiMin, t.psiMax, t.thetaMin, t.thetaMax};
    const float want[8] = {c.daMin, c.daMax, c.drMin, c.drMax, c.psiMin, c.psiMax, c.thetaMin,
                           c.mode == kTensorFixed ? 45.0f : 360.0f};
    for (int k = 0; k < 8; ++k) EXPECT_FLOAT_EQ(got[k], want[k]) << joined(c.args) << "limit " << k;
  }
  DTensor t;
  ASSERT_EQ(tensorOptions({"-nofixed", "-dr", "-2e-4"}, &t), 0);
  EXPECT_FLOAT_EQ(t.dr, -2e-4f);
  ASSERT_EQ(tensorOptions({"-noeuler", "-euler"}, &t), 0);
  EXPECT_EQ(t.eulerFlag, 0);
  ASSERT_EQ(tensorOptions({}, &t), 0);
  EXPECT_EQ(t.eulerFlag, 1);
  // -saupe values, and -saupe wins over -align
  ASSERT_EQ(tensorOptions({"-saupe", "-0.0004", "0.0002", "0.0001", "-0.0003", "0.0005", "-H"}, &t), 0);
  const float want[5] = {-0.0004f, 0.0002f, 0.0001f, -0.0003f, 0.0005f};
  EXPECT_EQ(t.tensorMode, kTensorSaupe);
  for (int k = 0; k < 5; ++k) EXPECT_FLOAT_EQ(t.userSaupe[k], want[k]);
  ASSERT_EQ(tensorOptions({"-align", "9", "9", "9", "9", "9", "-saupe", "1", "2", "3", "4", "5"}, &t), 0);
  EXPECT_TRUE(t.userSaupe[0] == 1.0f && t.userSaupe[4] == 5.0f);
  EXPECT_EQ(tensorOptions({"-saupe", "1"}, nullptr), 0);
}

// The self-contained set (not used by the program): rhombicity variants; the Saupe values (read
// by the routine of the program's own tensor options) refused when too few, not numbers or too many.
TEST(TensorOptionSet, VariantsLimitsAndMessages) {
  const std::string mixed = "DC Tensor Warning: mixed use of Dr and Rhombicity arguments.\n";
  const std::string five = "MERIDO Error: -saupe option requires 5 values.\n";
  struct Case { std::vector<std::string> args; int rc, mode, rhFlag; float rh, rhMin, rhMax, psiMin, daMin; std::string err; };
  const float k23 = 0.6666667f;
  const Case cases[] = {
      {{}, 0, kTensorSVD, 0, 0.5f, 0, k23, -360, -0.01f, ""},
      {{"-rotrh", "-rh", "0.9"}, 0, kTensorFitNonlin, 1, k23, k23, k23, 45, -0.01f, ""},
      {{"-fit", "-rhMin", "-1", "-drMax", "0.1"}, 0, kTensorFitNonlin, 1, 0.5f, 0, k23, -360, -0.01f, mixed},
      {{"-saupe", "1", "2", "3", "4"}, 1, kTensorSaupe, 0, 0.5f, 0, k23, -360, -0.01f, five},
      {{"-align", "1", "2", "x", "4", "5"}, 1, kTensorSaupe, 0, 0.5f, 0, k23, -360, -0.01f, five},
      {{"-align", "1", "2", "3", "4", "5", "6"}, 1, kTensorSaupe, 0, 0.5f, 0, k23, -360, -0.01f, five},
  };
  for (const Case& c : cases) {
    DTensor t;
    std::string err;
    EXPECT_EQ(tensorOptions(c.args, &t, &err, true), c.rc) << joined(c.args);
    EXPECT_TRUE(err == c.err && t.tensorMode == c.mode && t.rhFlag == c.rhFlag) << joined(c.args) << err;
    const float got[5] = {t.rh, t.rhMin, t.rhMax, t.psiMin, t.daMin}, want[5] = {c.rh, c.rhMin, c.rhMax, c.psiMin, c.daMin};
    for (int k = 0; k < 5; ++k) EXPECT_FLOAT_EQ(got[k], want[k]) << joined(c.args) << k;
  }
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

TEST(AtomEdits, MoveByKeyAndAppendModels) {
  st::PDBInfo pdb;
  st::pdbNull(&pdb);
  ASSERT_EQ(st::readPDB(kUbiquitinPdb.c_str(), &pdb, nullptr, ""), 0);
  struct Case { const char* name; int res, count; };
  const Case cases[] = {{"HB#", 2, 2}, {"HG2#", 3, 3}, {"HD#", 3, 0}, {"XX", 2, 0}};
  for (const Case& c : cases) {
    st::AtomInfo* list[kAtomCoorListLen] = {&pdb.atomList[0], &pdb.atomList[0], &pdb.atomList[0]};
    const float x = 1.5f + c.res, y = -2.0f, z = 3.25f;
    ASSERT_EQ(modifyAtomCoorList(&pdb, c.res, c.name, "A", "", list, x, y, z), c.count) << c.name;
    EXPECT_TRUE(c.count > 0 || list[0] == nullptr) << c.name;
    for (int k = 0; k < c.count; ++k)
      EXPECT_TRUE(list[k]->resID == c.res && list[k]->x == x && list[k]->y == y && list[k]->z == z) << c.name << k;
  }
  EXPECT_EQ(std::string(pdb.atomList[31].atomName) + std::to_string(pdb.atomList[31].x), "HB33.500000");  // moved with HB#
  EXPECT_EQ(modifyAtomCoor(&pdb, 2, "CA", "A", "", 0, 0, 9)->z, 9.0f);

  // Two models appended to one file, each closed by END; the selection picks the atoms.
  TempDir dir;
  st::PDBSelectInfo sel;
  st::pdbSelectNull(&sel);
  sel.res1 = sel.resN = 1, sel.resIDMode = 1, sel.selectMode = 2;
  std::strcpy(sel.atomNameList, "CA"), sel.atomNameCount = 1, sel.atomNameMode = 1;
  pdb.atomList[1].x = 50.125f;
  ASSERT_EQ(writePDBNmr((dir / "m.pdb").c_str(), &pdb, &sel, 1), 0);
  ASSERT_EQ(writePDBNmr((dir / "m.pdb").c_str(), &pdb, &sel, 2), 0);
  const std::string ca = "ATOM      2  CA  MET A   1      50.125 -89.304   8.833  1.00 10.38           C  \n";
  EXPECT_EQ(readFile(dir / "m.pdb"), "MODEL 1\n" + ca + "END\nMODEL 2\n" + ca + "END\n");
  st::pdbFree(&pdb);
}
