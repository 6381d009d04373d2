// Usage text, banner and progress line: exact bytes, structure of the sections, column layout.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "app/korim_utils_output.h"
#include "tests/app/capture.h"

using korim::app::legalNotice;
using korim::app::printInfo;
using korim::app::printoutput;

namespace {

std::string usage() {
  return korim_test::captureStderr([] { EXPECT_EQ(printInfo(), 0); });
}

std::vector<std::string> splitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); i++) {
    if (text[i] == '\n') {
      lines.push_back(text.substr(start, i - start));
      start = i + 1;
    }
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

const char* const kHeadings[13] = {
    "ARGUMENTS FOR STERIC KORIM",
    "ARGUMENTS FOR ELECTROSTATIC KORIM",
    "ARGUMENTS FOR FREE FORMAT, STERIC KORIM",
    "ARGUMENTS FOR BEST-FIT (SVD/POWELL)",
    "ARGUMENTS FOR UNASSIGNED BEST-FIT (exhSVD)",
    "ARGUMENTS FOR ADDITiON OF STRUCTURAL NOISE",
    "ARGUMENTS FOR ANALYSIS OF ORDER MATRIX",
    "ARGUMENTS FOR ANALYSIS OF DIPOLAR COUPLINGS",
    "ARGUMENTS FOR ANALYSIS OF PDB FILE",
    "ARGUMENTS FOR Da & R HISTOGRAM DETERMINATION",
    "ARGUMENTS FOR Da & R LIKELIHOOD DETERMINATION",
    "ARGUMENTS FOR CONVERSION OF DIPOLAR COUPLING TABLE",
    "COMMOM ARGUMENTS",
};

// The sections as lists of lines (heading first, empty lines dropped).
std::vector<std::vector<std::string>> sections(const std::string& text) {
  std::vector<std::vector<std::string>> out;
  int next = 0;
  for (const std::string& line : splitLines(text)) {
    if (next < 13 && line == kHeadings[next]) {
      out.emplace_back();
      next++;
    }
    if (!out.empty() && !line.empty()) out.back().push_back(line);
  }
  return out;
}

std::string firstWord(const std::string& line) {
  std::istringstream in(line);
  std::string w;
  in >> w;
  return w;
}

std::vector<std::string> optionWords(const std::vector<std::string>& section) {
  std::vector<std::string> words;
  for (const std::string& l : section) {
    if (l.size() > 1 && l[0] == ' ' && l[1] == '-') words.push_back(firstWord(l));
  }
  return words;
}

std::vector<std::string> words(const char* list) {
  std::istringstream in(list);
  std::vector<std::string> out;
  std::string w;
  while (in >> w) out.push_back(w);
  return out;
}

bool contains(const std::vector<std::string>& lines, const std::string& line) {
  for (const auto& l : lines)
    if (l == line) return true;
  return false;
}

const char* const kSelectionWithH =
    "-H -noH -res -r1 -rN -atom -resName -chain -seg -id -inv -clear -set -exact -regex -glob "
    "-aExact -aRegex -aGlob -rExact -rRegex -rGlob -cExact -cRegex -cGlob -sExact -sRegex -sGlob";
const char* const kSelectionNoH =
    "-res -r1 -rN -atom -resName -chain -seg -id -inv -clear -set -exact -regex -glob "
    "-aExact -aRegex -aGlob -rExact -rRegex -rGlob -cExact -cRegex -cGlob -sExact -sRegex -sGlob";
const char* const kDc = "-a1 -s1 -sN -aD1 -aD2";

}  // namespace

TEST(UsageText, LineStructureAndHeadings) {
  const std::string text = usage();
  // 559 pieces: the title (3 line feeds), the first heading (2), twelve later headings (3 each)
  // and 545 one-line pieces.
  size_t feeds = 0;
  for (char c : text) feeds += (c == '\n');
  EXPECT_EQ(feeds, 3u + 2u + 12u * 3u + 545u);
  EXPECT_EQ(text.back(), '\n');
  EXPECT_EQ(text.find('\r'), std::string::npos);
  EXPECT_EQ(text.find('\t'), std::string::npos);

  ASSERT_EQ(text.substr(0, 7), "\nKORIM ");
  const std::vector<std::string> lines = splitLines(text);
  ASSERT_GT(lines.size(), 5u);
  EXPECT_EQ(lines[0], "");
  EXPECT_EQ(lines[1].back(), '.');  // title line ends with a full stop
  // Every heading follows two empty lines and carries no colon.
  int found = 0;
  for (size_t i = 0; i < lines.size(); i++) {
    for (const char* h : kHeadings) {
      if (lines[i] == h) {
        found++;
        ASSERT_GE(i, 2u);
        EXPECT_EQ(lines[i - 1], "") << h;
        EXPECT_EQ(lines[i - 2], "") << h;
      }
    }
  }
  EXPECT_EQ(found, 13);
  EXPECT_EQ(lines[4], "ARGUMENTS FOR STERIC KORIM");
  // Unindented lines are the 13 headings and sub-headings ending with a colon.
  for (size_t i = 2; i < lines.size(); i++) {
    const std::string& l = lines[i];
    if (l.empty() || l[0] == ' ') continue;
    bool heading = false;
    for (const char* h : kHeadings) heading = heading || l == h;
    if (!heading) {
      EXPECT_EQ(l.back(), ':') << l;
    }
  }
  // The last piece is the -nofixedDI line.
  EXPECT_EQ(lines.back(), " -nofixedDI       Always Use Values from PDB Distances.");
  // The same text on every call.
  EXPECT_EQ(usage(), text);
}

TEST(UsageText, SectionSizesAndOptionOrder) {
  const auto secs = sections(usage());
  ASSERT_EQ(secs.size(), 13u);
  const size_t sizes[13] = {56, 100, 16, 101, 57, 49, 18, 18, 62, 21, 20, 23, 17};
  for (int i = 0; i < 13; i++) EXPECT_EQ(secs[i].size(), sizes[i]) << kHeadings[i];

  const std::string sel = kSelectionWithH, selNoH = kSelectionNoH, dc = kDc;
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
  for (int i = 0; i < 13; i++) EXPECT_EQ(optionWords(secs[i]), words(expected[i].c_str())) << kHeadings[i];
}

TEST(UsageText, QuotedLinesVerbatim) {
  const auto secs = sections(usage());
  ASSERT_EQ(secs.size(), 13u);
  // Section 1 up to its selection block, then the selection and DC blocks.
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

  const std::vector<std::string> sec7 = {
      "ARGUMENTS FOR ANALYSIS OF ORDER MATRIX",
      " -anA        [off]           Analysis of 2 Saupe matrices.",
      " -inS1 sList List of 5 Saupe Values (Input).",
      " -inS2 sList List of 5 Saupe Values (Input).",
      " -outA       outAName [None] Saupe Analysis (Output).",
      "Action Flags:",
      " -add   Action: inS1 + inS2",
      " -sub   Action: inS1 - inS2 (Default)",
      " -mul   Action: inS1 * inS2",
      " -div   Action: inS1 / inS2",
      " -max   Action: Max(inS1, inS2)",
      "            (Tests general magnitude)",
      "Other Options:",
      " -c1    scale [1.0]          Scale factor for inS1",
      " -c2    scale [1.0]          Scale factor for inS2",
      " -twist                      Coordinates (X Y Z) of Twist Axis.",
      " -rotID   rotID    [0]       Index of Calculated Hinge Axis.",
      " -hinge                      Coordinates (X Y Z) of User Hinge Axis.",
  };
  EXPECT_EQ(secs[6], sec7);

  // Sections 12 and 13 keep their own widths, wording and typos.
  const std::vector<std::string> sec12 = {
      "ARGUMENTS FOR CONVERSION OF DIPOLAR COUPLING TABLE",
      " -conv             [off]     Conversion of DC Input.",
      " -inD     dName    [None]    Dipolar Coupling (Input).",
      " -outD    dName    [None]    Dipolar Coupling (Output).",
      "Conversion parameters:",
      " -xplor            [off]     Xplor DC Format.",
      " -cns              [off]     Cns DC Format.",
      " -dyana            [off]     Dyana DC Format (only HN-N).",
      " -tbl              [on]      Residue Spefic Listing.",
      " -korim            [off]     KORIM DC FORMAT.",
      " -rosetta          [off]     Rosetta DC Format.",
      " -tensID           [500]     Tensor Molecule ID.",
      " -scale            [off]     Normalize Dipolar Couplings.",
      " -unscale          [on]      Don't Normalize Dipolar Couplings.",
      " -dcNoise          [off]     Add Noise to Dipolar Couplings.",
      "Selection Flags:",
      " -s1      res1     [0]       First Res in Segment.",
      " -sN      resN     [0]       Last Res in Segment.",
      " -aD1     atom     {All}     DC Atom Type 1 used.",
      " -aD2     atom     {All}     DC Atom Type 2 used.",
      "Other Options:",
      " -nodcHH           [on]      Exclude 1H-1H DCs in Conversion.",
      " -dcHH             [off]     Include 1H-1H DCs in Conversion.",
  };
  EXPECT_EQ(secs[11], sec12);
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

  // Lines quoted on their own, with the section they belong to.
  EXPECT_TRUE(contains(secs[3], " -mcStruc eMode    [off]     Monte-Carlo Error Estimation"));
  EXPECT_TRUE(contains(secs[3], "                             by Addition of Strctural Noise."));
  EXPECT_TRUE(contains(secs[3], " -stdCone          [10.0]    StdDev of Cone Angle Distribution [Hz]."));
  EXPECT_TRUE(contains(secs[5], " -stdCone          [10.0]    StdDev of Cone Angle Distribution [Hz]."));
  EXPECT_TRUE(contains(secs[3], " -nAdjustMc        [1000]    # of Steps in Determination of DC Error Scaling."));
  EXPECT_TRUE(contains(secs[1], " -cut     simEl    [400.0]   Cutoff for Electrostatics [A]."));
  EXPECT_TRUE(contains(secs[1], " -mwLC    sim      [268e+3]  Liquid Crystal Molecular Weight [g/mol]."));
  EXPECT_TRUE(contains(secs[4], " -nSel             [0]       # of Peaks to select for ExhausSel."));
  EXPECT_TRUE(contains(secs[9], " -bin     simMag   [0]       Number of Bins (zero=automatic)."));
  EXPECT_TRUE(contains(secs[3], " -saupe sList List of 5 Saupe Values (also: -align)."));
  EXPECT_TRUE(contains(secs[3], " -da          [1.0e-3]      Initial DA Value."));
  // -bestFit is shown off in one section and on in the other.
  EXPECT_EQ(secs[3][1].substr(19, 5), "[off]");
  EXPECT_EQ(secs[4][1].substr(19, 4), "[on]");
  // Sections 4 to 6 carry the narrow DC block; sections 4 and 5 drop -H/-noH, section 6
  // shows -surf/-nosurf right after the selection heading.
  for (int s : {3, 4, 5}) {
    EXPECT_TRUE(contains(secs[s], " -a1      aRes1  [0]         First Res in PDB.")) << s;
    EXPECT_TRUE(contains(secs[s], " -aD2     atom   {All}       DC Atom Type 2 used.")) << s;
    EXPECT_FALSE(contains(secs[s], " -a1      aRes1    [0]       First Res in PDB.")) << s;
  }
  const auto& s6 = secs[5];
  for (size_t i = 0; i + 2 < s6.size(); i++) {
    if (s6[i] == "PDB Selection Flags:") {
      EXPECT_EQ(s6[i + 1], " -surf             [on]      Select Surface Accessible Atoms.");
      EXPECT_EQ(s6[i + 2], " -nosurf           [off]     Don't Select Surface Accessible Atoms.");
    }
  }
}

TEST(UsageText, ColumnLayoutOfOptionLines) {
  const auto secs = sections(usage());
  ASSERT_EQ(secs.size(), 13u);
  // Sections in the standard layout: meaning in column 29 (column 28 blank), bracketed defaults
  // in column 19 (17 in the narrow DC block), argument names in column 10. Section 4 has its own
  // tensor block; sections 7 and 13 have their own widths.
  int checked = 0;
  for (int s : {0, 1, 2, 3, 4, 5, 7, 8, 9, 10, 11}) {
    bool tensorBlock = false;
    bool narrowDc = false;
    for (const std::string& l : secs[s]) {
      if (l[0] != ' ') {
        tensorBlock = l.find("Alignment Tensor") == 0 || l.find("Rotation Angle") == 0;
        narrowDc = (s >= 3 && s <= 5) && l == "DC Selection Flags:";
        continue;
      }
      if (tensorBlock) {
        if (firstWord(l) == "-saupe") continue;
        EXPECT_EQ(l[27], ' ') << l;
        EXPECT_NE(l[28], ' ') << l;
        continue;
      }
      ASSERT_GT(l.size(), 29u) << l;
      checked++;
      EXPECT_EQ(l[28], ' ') << l;
      EXPECT_NE(l[29], ' ') << l;
      const size_t bracket = l.find_first_of("[{");
      if (bracket < 29) {
        EXPECT_EQ(bracket, narrowDc ? 17u : 19u) << l;
      }
      const std::string opt = firstWord(l);
      if (opt[0] == '-' && opt.size() <= 8 && l[10] != ' ' && bracket != 10) {
        EXPECT_EQ(l[9], ' ') << l;  // argument name starts in column 10
      }
    }
  }
  EXPECT_GT(checked, 400);
}

TEST(Banner, ExactBytes) {
  const std::string rule(68, '-');
  const std::string expected = "\n\n *" + rule + "* " + "\n |" + std::string(15, ' ') + "KORIM" +
                               std::string(48, ' ') + "| " + "\n *" + rule + "*\n\n " + "\n\n";
  const std::string got = korim_test::captureStderr([] { legalNotice(); });
  EXPECT_EQ(got, expected);
  EXPECT_EQ(got.size(), 74u + 73u + 75u + 2u);
}

TEST(ProgressLine, CarriageReturnNoLineFeed) {
  EXPECT_EQ(korim_test::captureStderr([] { printoutput(0); }), "REMARK Sampled 0\r");
  EXPECT_EQ(korim_test::captureStderr([] { printoutput(123456); }), "REMARK Sampled 123456\r");
  // Successive calls follow one another on one terminal line.
  EXPECT_EQ(korim_test::captureStderr([] {
              printoutput(1);
              printoutput(2);
            }),
            "REMARK Sampled 1\rREMARK Sampled 2\r");
}
