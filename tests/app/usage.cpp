// Usage text and progress line: whole sections verbatim, option words in order, column layout.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "app/korim_utils_output.h"
#include "settings/progress.h"
#include "tests/support/capture.h"
#include "tests/support/text.h"

using korim::app::printInfo;
using korim::settings::printoutput;
using korim_test::captureStderr;

namespace {

std::string usage() {
  return captureStderr([] { EXPECT_EQ(printInfo(), 0); });
}

// The sections as lists of lines, empty lines dropped; a section opens with the line that
// follows two empty lines (the headings, checked with the program's output).
std::vector<std::vector<std::string>> sections(const std::string& text) {
  std::vector<std::vector<std::string>> out;
  const std::vector<std::string> l = korim_test::lines(text);
  for (size_t i = 0; i < l.size(); i++) {
    if (l[i].empty()) continue;
    if (i >= 2 && l[i - 1].empty() && l[i - 2].empty()) out.emplace_back();
    if (!out.empty()) out.back().push_back(l[i]);
  }
  return out;
}

std::vector<std::string> words(const std::string& list) {
  std::istringstream in(list);
  std::vector<std::string> out;
  for (std::string w; in >> w;) out.push_back(w);
  return out;
}

std::string firstWord(const std::string& line) {
  std::vector<std::string> w = words(line);
  return w.empty() ? "" : w[0];
}

std::vector<std::string> optionWords(const std::vector<std::string>& section) {
  std::vector<std::string> out;
  for (const std::string& l : section)
    if (l.size() > 1 && l[0] == ' ' && l[1] == '-') out.push_back(firstWord(l));
  return out;
}

const char* const kSelectionWithH =
    "-H -noH -res -r1 -rN -atom -resName -chain -seg -id -inv -clear -set -exact -regex -glob "
    "-aExact -aRegex -aGlob -rExact -rRegex -rGlob -cExact -cRegex -cGlob -sExact -sRegex -sGlob";
const char* const kDc = "-a1 -s1 -sN -aD1 -aD2";

}  // namespace

TEST(UsageText, SectionSizesAndOptionOrder) {
  const std::string text = usage();
  EXPECT_EQ(usage(), text) << "the same text on every call";
  const auto secs = sections(text);
  ASSERT_EQ(secs.size(), 13u);
  const size_t sizes[13] = {56, 102, 16, 101, 57, 49, 18, 18, 62, 21, 20, 23, 17};
  for (int i = 0; i < 13; i++) EXPECT_EQ(secs[i].size(), sizes[i]) << secs[i][0];

  const std::string sel = kSelectionWithH, selNoH = sel.substr(8), dc = kDc;
  const std::string stericSim = "-bic -pf1 -wv -dot -digPsi -dGrid -rM -lcS -surf -nosurf -rA ";
  const std::string expected[13] = {
      "-stKorim -pdb -inD -outD -pdbRot -rotID " + stericSim + sel + " " + dc,
      "-elKorim -pdb -inD -pot -pot3D -pka -outD -outPka -pdbRot -rotID -bic -pf1 -wv -3D -vol "
      "-mwLC -massLC -unitLC -polyLC -dot -digPsi -dGrid -nX -nY -nZ -dX -dY -dZ -rM -lcS -surf "
      "-nosurf -rA -pH -nacl -chSurf -cut -maxPot -z1 -zN -pkaDef -nopkaDef -nocharmm -charmm "
      "-charmm22 -chTerm -nochTerm -kEne -kPot -kMono -kDipo -kQuad -temp -dIFace -noelInfo "
      "-elInfo -nodipole -dipole -nochSel -chSel " + sel + " " + dc,
      "-stKorimFree -pdbF -outA " + stericSim,
      "-bestFit -single -jack -mcDc -mcStruc -pdb -inD -outD -pdbRot -rotID -map -outDa -outMap "
      "-outAng -outFail -err -noerr -vecNoise -angNoise -stdCone -nofixCone -fixCone -digCone "
      "-autoCone -noautoCone -lCone -incCone -nCone -kAdjustMc -autoMc -noautoMc -nAdjustMc "
      "-fracAdjustMc -kLAdjustMc -incAdjustMc -dFrac -nDfixed -nonDfixed -svd -saupe -fixed "
      "-nofixed -dadr -da -daMin -daMax -dr -drMin -drMax -psi -psiMax -psiMin -theta -thetaMax "
      "-thetaMin -phi -phiMax -phiMin " + selNoH + " " + dc,
      "-bestFit -pdb -inD -exhaust -fixAa -fixRes -dcID -exhaustSel -nSel -dcOpt -nodcOpt -rand "
      "-map -outD -pdbRot -rotID -lDa -hDa -lR -hR " + selNoH + " " + dc,
      "-struc -pdb -inD -pdbRot -idum -stdCone -nofixCone -fixCone -digCone -surf -nosurf " + sel +
          " " + dc,
      "-anA -inS1 -inS2 -outA -add -sub -mul -div -max -c1 -c2 -twist -rotID -hinge",
      "-anDc -inD1 -inD2 -outD -s1 -sN -aD1 -aD2 -add -sub -mul -div -c1 -c2",
      "-anPdb -pdb -inS -pka -outP -outPka -pdbRot -rotID " + sel +
          " -pH -pkaDef -nopkaDef -nocharmm -charmm -charmm22 -chTerm -nochTerm -kMono -kDipo "
          "-kQuad -nodipole -dipole -nochSel -chSel -noelInfo -elInfo -user -ster -el",
      "-daHist -inD -outD -bin -nFit -sdevDzz -sdevDyy -daLo -daHi -rhLo -rhHi -s1 -sN -aD1 -aD2 "
      "-noave -ave",
      "-daMl -inD -outD -outSc -lDa -hDa -incDa -lR -hR -incR -s1 -sN -aD1 -aD2 -nomapMl -mapMl",
      "-conv -inD -outD -xplor -cns -dyana -tbl -korim -rosetta -tensID -scale -unscale -dcNoise "
      "-s1 -sN -aD1 -aD2 -nodcHH -dcHH",
      "-euler -noeuler -qDa -qRms -qStd -w -excl -incl -verb -noverb -yzInv -noyzInv -rem "
      "-fixedDI -nofixedDI",
  };
  for (int i = 0; i < 13; i++) EXPECT_EQ(optionWords(secs[i]), words(expected[i])) << secs[i][0];
}

TEST(UsageText, QuotedLinesVerbatim) {
  const auto secs = sections(usage());
  ASSERT_EQ(secs.size(), 13u);
  // The first and last sections whole: their own widths, wording and typos.
  const std::vector<std::string> sec1 = {
      "ARGUMENTS FOR STERIC KORIM",
      " -stKorim          [on]      Steric KORIM Mode.",
      " -pdb     pName    [None]    PDB Input (Required).",
      " -inD     dName    [None]    Dipolar Coupling (Input).",
      " -outD    dName    [None]    Dipolar Coupling (Output).",
      " -pdbRot  pRotName [None]    PDB rotated (Output).",
      " -rotID   rotID    [0]       Index of Rotation of PDB.",
      "Simulation Parameters:",
      " -bic              [on]      Wall LC Model.",
      " -pf1              [off]     Rod LC Model.",
      " -wv      conc     [0.05]    Liquid Crystal Concentration [mg/ml].",
      " -dot     density  [100]     Orientation Density (Sphere).",
      " -digPsi  digPsi   [18]      Orientation Density (3rd angle).",
      " -dGrid   dGrid    [0.2]     Grid Spacing [A].",
      " -rM      radius   [20.0]    Half Model Thickness [A].",
      " -lcS     order    [0.8]     Liquid Crystal Order [0-1].",
      " -surf             [on]      Select Surface Accessible Atoms.",
      " -nosurf           [off]     Don't Select Surface Accessible Atoms.",
      " -rA      radius   [0.0]     Atom radius [A].",
      "PDB Selection Flags:",
      " -H                [off]     Simple PDB Selection (all Atoms).",
      " -noH              [on]      Simple PDB Selection (all Atoms except H).",
      " -res     resID              Single Residue for Selection.",
      " -r1      res1     [0]       First Residue in Segment.",
      " -rN      resN     [0]       Last Residue in Segment.",
      " -atom    aList    [*]       Atom Name List.",
      " -resName rList    [*]       Res Name List.",
      " -chain   cList    [*]       Chain Name List.",
      " -seg     sList    [*]       Seg Name List.",
      " -id      sID      [*]       Selection ID.",
      " -inv                        Invert Selection.",
      "PDB Special Selection; No Other Selection Performed:",
      " -clear                      Clear Selection for All Atoms.",
      " -set                        Set Selection for All Atoms.",
      "PDB Name Matching Modes:",
      " -exact                      Match Names Exactly (Default).",
      " -regex                      Regular Expression Pattern Matching.",
      " -glob                       Glob-style Pattern Matching.",
      " -aExact                     Match Atom Names Exactly.",
      " -aRegex                     Atom Regular Expression Pattern Matching.",
      " -aGlob                      Atom Glob-style Pattern Matching.",
      " -rExact                     Match Res Names Exactly.",
      " -rRegex                     Res Regular Expression Pattern Matching.",
      " -rGlob                      Res Glob-style Pattern Matching.",
      " -cExact                     Match Chain Names Exactly.",
      " -cRegex                     Chain Regular Expression Pattern Matching.",
      " -cGlob                      Chain Glob-style Pattern Matching.",
      " -sExact                     Match Seg Names Exactly.",
      " -sRegex                     Seg Regular Expression Pattern Matching.",
      " -sGlob                      Seg Glob-style Pattern Matching.",
      "DC Selection Flags:",
      " -a1      aRes1    [0]       First Res in PDB.",
      " -s1      res1     [0]       First Res in Segment.",
      " -sN      resN     [0]       Last Res in Segment.",
      " -aD1     atom     {All}     DC Atom Type 1 used.",
      " -aD2     atom     {All}     DC Atom Type 2 used.",
  };
  EXPECT_EQ(secs[0], sec1);
  const std::vector<std::string> sec13 = {
      "COMMOM ARGUMENTS",
      " -euler    Solve for Euler Angles, Da, Dr (Default).",
      " -noeuler  Don't Solve for Euler Angles.",
      " -qDa              [on]    Calculate Q using Order matrix (Default).",
      " -qRms             [off]   Calculate Q using rDC Rms.",
      " -qStd             [off]   Report Standard Deviation instead of Q.",
      " -w     wList              List of Weights for Segment.",
      " -excl                     Exclude Outside Range.",
      " -incl                     Include Any Within Range.",
      " -verb             [on]    DC Output in Extended Format.",
      " -noverb           [off]   DC Output in Format of DC Input.",
      " -yzInv            [off]   Exchange Ordering of y and z axis.",
      " -noyzInv          [on]    Don't Exchange Ordering of y and z axis.",
      " -rem   remTxt             PDB Remark Text.",
      "Dipolar Interaction Value Calculation:",
      " -fixedDI         Use Fixed Values When Possible (Default).",
      " -nofixedDI       Always Use Values from PDB Distances.",
  };
  EXPECT_EQ(secs[12], sec13);

  // Lines quoted on their own, with the section (from 0) they belong to.
  const std::pair<int, const char*> quoted[] = {
      {3, " -mcStruc eMode    [off]     Monte-Carlo Error Estimation"},
      {3, "                             by Addition of Strctural Noise."},
      {3, " -stdCone          [10.0]    StdDev of Cone Angle Distribution [Hz]."},
      {5, " -stdCone          [10.0]    StdDev of Cone Angle Distribution [Hz]."},
      {3, " -nAdjustMc        [1000]    # of Steps in Determination of DC Error Scaling."},
      {1, " -cut     simEl    [6e-6]    Rod: Potential Cutoff [kT/e]; Wall: Distance"},
      {1, " -mwLC    sim      [268e+3]  Liquid Crystal Molecular Weight [g/mol]."},
      {4, " -nSel             [0]       # of Peaks to select for ExhausSel."},
      {9, " -bin     simMag   [0]       Number of Bins (zero=automatic)."},
      {3, " -saupe sList List of 5 Saupe Values (also: -align)."},
      {3, " -da          [1.0e-3]      Initial DA Value."},
      {6, " -twist                      Coordinates (X Y Z) of Twist Axis."},
      {11, " -tbl              [on]      Residue Spefic Listing."},
      // Sections 4 to 6 carry the DC block in its narrow form.
      {3, " -a1      aRes1  [0]         First Res in PDB."},
      {4, " -a1      aRes1  [0]         First Res in PDB."},
      {5, " -aD2     atom   {All}       DC Atom Type 2 used."},
  };
  for (const auto& [s, line] : quoted)
    EXPECT_NE(std::find(secs[s].begin(), secs[s].end(), line), secs[s].end()) << s << ": " << line;
  // -bestFit is shown off in one section and on in the other.
  EXPECT_EQ(secs[3][1].substr(19, 5), "[off]");
  EXPECT_EQ(secs[4][1].substr(19, 4), "[on]");
  // Section 6 shows -surf and -nosurf right after the selection heading.
  const auto& s6 = secs[5];
  const auto at = std::find(s6.begin(), s6.end(), "PDB Selection Flags:");
  ASSERT_LT(at + 2, s6.end());
  EXPECT_EQ(at[1], " -surf             [on]      Select Surface Accessible Atoms.");
  EXPECT_EQ(at[2], " -nosurf           [off]     Don't Select Surface Accessible Atoms.");
}

TEST(UsageText, ColumnLayoutOfOptionLines) {
  const auto secs = sections(usage());
  ASSERT_EQ(secs.size(), 13u);
  // Sections in the standard layout: meaning in column 29 (column 28 blank), bracketed defaults
  // in column 19 (17 in the narrow DC block), argument names in column 10. Section 4 has its own
  // tensor block; sections 7 and 13 have their own widths.
  int checked = 0;
  for (int s : {0, 1, 2, 3, 4, 5, 7, 8, 9, 10, 11}) {
    bool tensorBlock = false, narrowDc = false;
    for (const std::string& l : secs[s]) {
      if (l[0] != ' ') {
        tensorBlock = l.find("Alignment Tensor") == 0 || l.find("Rotation Angle") == 0;
        narrowDc = (s >= 3 && s <= 5) && l == "DC Selection Flags:";
        continue;
      }
      if (tensorBlock) {
        EXPECT_TRUE(firstWord(l) == "-saupe" || (l[27] == ' ' && l[28] != ' ')) << l;
        continue;
      }
      ASSERT_GT(l.size(), 29u) << l;
      checked++;
      EXPECT_EQ(l[28], ' ') << l;
      EXPECT_NE(l[29], ' ') << l;
      const size_t bracket = l.find_first_of("[{");
      EXPECT_TRUE(bracket >= 29 || bracket == (narrowDc ? 17u : 19u)) << l;
      const std::string opt = firstWord(l);
      // An argument name starts in column 10.
      EXPECT_TRUE(opt[0] != '-' || opt.size() > 8 || l[10] == ' ' || bracket == 10 || l[9] == ' ') << l;
    }
  }
  EXPECT_GT(checked, 400);
}

TEST(ProgressLine, CarriageReturnNoLineFeed) {
  EXPECT_EQ(captureStderr([] { printoutput(0); }), "REMARK Sampled 0\r");
  // Successive calls follow one another on one terminal line.
  EXPECT_EQ(captureStderr([] {
              printoutput(123456);
              printoutput(2);
            }),
            "REMARK Sampled 123456\rREMARK Sampled 2\r");
}
