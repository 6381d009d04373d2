// The assignment search on the README's six lysines: a Da/R window that holds no tensor the
// couplings allow is refused before the search, and the window the refusal advises finds the
// README's assignment (each sign turned where the couplings are negated); with few fixed couplings
// the search runs and its answer says the sign is not settled; each search is checked in the form
// it scores; a search that finds nothing ends with status 1 after writing its table; a held final
// fit is said, and a held tensor outside the usual form is named in the tables of the assignment
// search and of the Monte-Carlo error estimates.
#include "tests/cli/cli_util.h"

using namespace korim_cli;
using namespace korim_test;

namespace {

const std::string kLysines = examples("ubiquitin_lys_unassigned.tab");
// The README's assigned lysines and their D_OBS (Hz): four get their measured coupling back, 29
// and 33 are exchanged. Da_HN -12.764 Hz, RMS 1.124.
const std::pair<int, double> kReadme[] = {{6, 0.92}, {11, -14.87}, {27, 2.61}, {29, 0.72}, {33, 0.82}, {48, -20.029}};

// The README's command: the lysine table (or another) with every other residue fixed.
std::vector<std::string> search(const std::string& table, std::vector<std::string> extra) {
  std::vector<std::string> args = {"-bestFit", "-pdb", kPdb, "-inD", table, "-outD", "out.tab", "-fixRes"};
  for (int res = 2; res <= 71; res++)
    if (res != 6 && res != 11 && res != 27 && res != 29 && res != 33 && res != 48 && res != 63)
      args.push_back(std::to_string(res));
  args.insert(args.end(), extra.begin(), extra.end());
  return args;
}

// The coupling rows of the lysine table, each D times sign, in segment seg ("" for none).
std::string lysineRows(double sign, const std::string& seg) {
  std::string rows;
  for (const std::string& l : lines(readFile(kLysines))) {
    int ri = 0, rj = 0;
    char ni[8], ai[8], nj[8], aj[8];
    double d = 0, dd = 0, w = 0;
    if (l.empty() || std::sscanf(l.c_str(), "%d %7s %7s %d %7s %7s %lf %lf %lf", &ri, ni, ai, &rj, nj, aj, &d, &dd,
                                 &w) != 9)
      continue;
    char row[160];
    std::snprintf(row, sizeof row, "%5d %4s %4s %s %4d %4s %4s %s %9.3f %9.3f %.2f\n", ri, ni, ai, seg.c_str(), rj,
                  nj, aj, seg.c_str(), sign * d, dd, w);
    rows += row;
  }
  return rows;
}

std::string header(bool segments) {
  return segments ? "VARS RESID_I RESNAME_I ATOMNAME_I SEGNAME_I RESID_J RESNAME_J ATOMNAME_J SEGNAME_J D DD W\n"
                    "FORMAT %4d %4s %4s %4s %4d %4s %4s %4s %9.3f %9.3f %.2f\n\n"
                  : "VARS RESID_I RESNAME_I ATOMNAME_I RESID_J RESNAME_J ATOMNAME_J D DD W\n"
                    "FORMAT %4d %4s %4s %4d %4s %4s %9.3f %9.3f %.2f\n\n";
}

// The lysines' D_OBS in the table are the README's times sign (in segment seg where named), and
// the tensor written (of the first medium) is the README's times tensorSign.
void expectReadmeAssignment(const Table& t, double sign, const std::string& seg, const std::string& what,
                            double tensorSign) {
  EXPECT_NEAR(t.data("Da_HN"), tensorSign * -12.764, 1e-3) << what;
  EXPECT_EQ(t.data("RMS"), 1.124) << what;
  const std::vector<double> res = t.numbers("RESID_I"), obs = t.numbers("D_OBS");
  int seen = 0;
  for (size_t i = 0; i < t.rows.size(); i++)
    for (const auto& [lys, d] : kReadme)
      if (res[i] == lys && (seg.empty() || t.rows[i][3] == seg)) {
        EXPECT_NEAR(obs[i], sign * d, 1e-4) << what << ": lysine " << lys;
        seen++;
      }
  EXPECT_EQ(seen, 6) << what;
}

// The run args edited as the advice line "korim: -lDa <l> -hDa <h> ... hold ..." of err says.
std::vector<std::string> following(std::vector<std::string> args, const std::string& err) {
  const size_t at = err.find("korim: -lDa ");
  return followAdvice(args, at == std::string::npos ? "" : err.substr(at + 7, err.find(" hold", at) - at - 7));
}

}  // namespace

// The couplings of the example negated (a medium of the other sign, such as phage) under the
// default window, and the example under a window of positive Da, in each search and with two
// media: the fixed couplings' own fit (Da_HN -12.767 Hz, R 0.605 for the example) lies outside,
// and the search is refused before it runs, writing nothing. The advised window finds the
// README's assignment.
TEST(AssignmentWindow, ATensorOutsideTheWindowIsRefusedAndTheAdviceFindsTheAssignment) {
  TempDir d;
  const std::string negated = writeFile(d / "Lneg.tab", header(false) + lysineRows(-1, ""));
  const std::string twoMedia = writeFile(d / "two.tab", header(true) + lysineRows(1, "A") + lysineRows(-1, "B"));
  std::string ab;
  for (const char* seg : {"A", "B"})
    for (std::string l : lines(readFile(kPdb)))
      if (l.rfind("ATOM", 0) == 0) ab += l.replace(72, 1, seg) + "\n";
  const std::string abPdb = writeFile(d / "ab.pdb", ab);
  const std::string head =
      "KORIM Error: the window of the assignment search, Da_HN %s Hz (-lDa, -hDa) and R 0 to 0.7 (-lR, -hR), holds "
      "no tensor the couplings allow, whatever their assignment: any answer of the search would be a tensor they do "
      "not give.\n";
  const std::string fit = " Hz, R 0.605: the SVD fit of the 57 fixed couplings alone, 52 more than the five that fix a "
                          "tensor: its principal couplings ";
  auto with = [](const std::string& pattern, const std::string& value) {
    std::string s = pattern;
    return s.replace(s.find("%s"), 2, value);
  };
  const struct {
    std::vector<std::string> args;
    const char *window, *tensor, *advice;
    double sign;  // of the assignment the advice finds
    std::string seg;
  } runs[] = {
      {search(negated, {"-exhaust"}), "-25 to -3", "   Da_HN +12.767", "-lDa -25 -hDa 20", -1, ""},
      {search(negated, {"-rand", "-map", "200"}), "-25 to -3", "   Da_HN +12.767", "-lDa -25 -hDa 20", -1, ""},
      {search(negated, {"-exhaustSel", "-nSel", "6"}), "-25 to -3", "   Da_HN +12.767", "-lDa -25 -hDa 20", -1, ""},
      {search(kLysines, {"-exhaust", "-lDa", "3", "-hDa", "25"}), "3 to 25", "   Da_HN -12.767",
       "-lDa -20 -hDa 25 in place of -lDa 3", 1, ""},
      {search(twoMedia, {"-exhaust", "-dcID", "A", "B"}), "-25 to -3", "   medium B (-dcID): Da_HN +12.767",
       "-lDa -25 -hDa 20", -1, "B"},
  };
  for (const auto& run : runs) {
    std::vector<std::string> args = run.args;
    if (!run.seg.empty()) args[2] = abPdb;
    const std::string what = args[4] + " " + args.back();
    RunResult r = runKorim(args, d);
    EXPECT_EQ(r.status, 1) << what;
    EXPECT_TRUE(inOrder(r.err, {with(head, run.window), run.tensor + fit,
                                "korim: " + std::string(run.advice) + " hold a tensor the couplings allow",
                                "; the search has not run.\n", "Matrix: error in best-fit of data.\n"}))
        << what << "\n" << r.err;
    EXPECT_EQ(r.err.find("Sampled"), std::string::npos) << what;  // refused before the first candidate
    EXPECT_FALSE(fileExists(d / "out.tab")) << what;
    r = runKorim(following(args, r.err), d);
    ASSERT_EQ(r.status, 0) << what << "\n" << r.err;
    // With two media the tensor written is medium A's, of the example's sign.
    const double tensorSign = run.seg.empty() ? run.sign : 1;
    expectReadmeAssignment(readTable(d / "out.tab"), run.sign, run.seg, what, tensorSign);
    if (!run.seg.empty()) expectReadmeAssignment(readTable(d / "out.tab"), 1, "A", what, tensorSign);
    std::remove((d / "out.tab").c_str());
  }
}

// The README's example under its default window runs as the README shows; a window that holds
// the fixed couplings' tensor (-12.767 Hz) but no candidate's finds nothing: status 1 after the
// warning, with the table written (the lysines' couplings the marker 888, the fit that of the
// fixed couplings).
TEST(AssignmentWindow, TheReadmeExampleRunsAndASearchThatFindsNothingIsNoResult) {
  TempDir d;
  RunResult r = runKorim(search(kLysines, {"-exhaust"}), d);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(inOrder(r.err, {"Warning: 6 N-HN Unassigned Peaks and 7 LYS Residues!\n", "REMARK Sampled 720\r"}));
  expectReadmeAssignment(readTable(d / "out.tab"), 1, "", "README", 1);
  std::remove((d / "out.tab").c_str());
  r = runKorim(search(kLysines, {"-exhaust", "-lDa", "-12.77", "-hDa", "-12.765"}), d);
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(inOrder(r.err, {"Warning: no assignment was found for Da [-12.770,-12.765] R [0.000 0.700]!\n",
                              "Matrix: error in best-fit of data.\n"}))
      << r.err;
  const Table t = readTable(d / "out.tab");
  EXPECT_EQ(t.rows.size(), 63u);
  const std::vector<double> res = t.numbers("RESID_I"), obs = t.numbers("D_OBS");
  for (size_t i = 0; i < res.size(); i++)
    for (const auto& [lys, v] : kReadme)
      if (res[i] == lys) {
        EXPECT_EQ(obs[i], 888.0) << lys;
      }
  std::remove((d / "out.tab").c_str());
  // None fixed: every tensor that gives the measured couplings, -22.73 to 24.12 Hz with errors DD of
  // 0.1 Hz, reaches 24.12 - 4.16 * 0.1 = 23.70 Hz and -22.31 Hz, so Da of at least 11.85 Hz (R 2/3):
  // the window 3 to 11 Hz is refused and advised 3 to 20 Hz; the default window runs, and the
  // answer's note says the couplings do not settle its sign.
  std::string precise = readFile(kCouplings);
  for (size_t at = 0; (at = precise.find("     1.000 1.00", at)) != std::string::npos;) precise.replace(at, 15, "     0.100 1.00");
  const std::string preciseTab = writeFile(d / "precise.tab", precise);
  const std::vector<std::string> unfixed = {"-bestFit", "-rand", "-map", "20", "-pdb", kPdb, "-inD", preciseTab,
                                            "-outD", "out.tab", "-lDa", "3", "-hDa", "11"};
  r = runKorim(unfixed, d);
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(inOrder(r.err, {"   the 63 couplings, fixed and unassigned, run from -22.730 to 24.120 Hz: a tensor that "
                              "gives them has principal couplings of at least 23.704 and at most -22.314 Hz (each "
                              "coupling less 4.16 times its error DD); the 0 fixed couplings do not over-determine it",
                              "korim: -lDa 3 -hDa 20 in place of -hDa 11 hold a tensor the couplings allow; the search has "
                              "not run.\n"}))
      << r.err;
  r = runKorim(following(unfixed, r.err), d);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("korim: the couplings do not settle the sign of Da: the 0 fixed couplings do not "
                       "over-determine the tensor"),
            std::string::npos)
      << r.err;
  r = runKorim(std::vector<std::string>(unfixed.begin(), unfixed.end() - 4), d);  // the default window
  EXPECT_EQ(r.err.find("holds no tensor"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("REMARK Sampled 20 of 20"), std::string::npos) << r.err;
}

// Few fixed couplings (the lysines and the rows of five or six residues): five fix a tensor
// exactly and six over-determine it by one, so the window is checked against the couplings' span
// alone or a wide margin, and the default window runs to the answer the wide one gives; the note
// says the couplings do not settle the sign, on stderr and in the table.
TEST(AssignmentWindow, FewFixedCouplingsRunAndTheAnswerSaysItsSignIsNotSettled) {
  TempDir d;
  auto keep = [](const std::vector<int>& fix) {
    std::string t = header(false);
    for (const std::string& l : lines(lysineRows(1, ""))) {
      const int res = std::atoi(l.c_str());
      bool kept = std::find(fix.begin(), fix.end(), res) != fix.end();
      for (const auto& [lys, v] : kReadme) kept = kept || res == lys;
      if (kept) t += l + "\n";
    }
    return t;
  };
  const struct {
    std::vector<int> fix;
    std::vector<std::string> options;  // the search and its window
    double da, r;  // the answer (Hz)
  } runs[] = {
      {{2, 20, 47, 51, 70}, {"-exhaust"}, -13.611, 0.630},  // before, refused naming the fit +13.757
      {{12, 13, 39, 40, 46, 56}, {"-exhaust"}, -13.60, 0.618},  // before, refused naming the fit -30.57
      {{14, 32, 40, 52, 56}, {"-exhaust", "-lDa", "-45", "-hDa", "45"}, 12.07, 0.657},  // the medium's fit: -12.76
      {{2, 20, 47, 51, 70}, {"-exhaustSel", "-nSel", "3"}, -13.600, 0.605},  // three peaks fitted
  };
  for (const auto& run : runs) {
    const std::string table = writeFile(d / "few.tab", keep(run.fix));
    std::vector<std::string> args = {"-bestFit", "-pdb", kPdb, "-inD", table, "-outD", "out.tab", "-fixRes"};
    for (int res : run.fix) args.push_back(std::to_string(res));
    args.insert(args.end(), run.options.begin(), run.options.end());
    const std::string what = std::to_string(run.fix[0]) + " " + run.options.back();
    const RunResult r = runKorim(args, d);
    ASSERT_EQ(r.status, 0) << what << "\n" << r.err;
    const Table t = readTable(d / "out.tab");
    EXPECT_NEAR(t.data("Da_HN"), run.da, 0.01) << what;
    EXPECT_NEAR(t.data("Rhombicity"), run.r, 0.001) << what;
    // Over-determined by one, the fit's margin (Student's t of one degree of freedom) leaves the sign open.
    const std::string note = run.fix.size() == 6 ? "couplings do not settle the sign of Da: the fit of the 6 fixed "
                                                   "couplings leaves the principal coupling of least size"
                                                 : "couplings do not settle the sign of Da: the 5 fixed couplings do "
                                                   "not over-determine the tensor";
    EXPECT_NE(r.err.find("korim: the " + note), std::string::npos) << what << "\n" << r.err;
    EXPECT_NE(readFile(d / "out.tab").find("\nREMARK The " + note), std::string::npos) << what;
  }
}

// -exhaust scores in the usual form, so -yzInv (R 0.731 there) leaves its window check alone and
// it finds the README's assignment; -rand scores in the form of -yzInv, whose window the fixed
// couplings' tensor, Da_HN +12.18, R 0.731, leaves: refused, and the advice finds the README's
// assignment.
TEST(AssignmentWindow, EachSearchIsCheckedInTheFormItScores) {
  TempDir d;
  auto lysines = [](const Table& t) {
    std::vector<double> found;
    const std::vector<double> res = t.numbers("RESID_I"), obs = t.numbers("D_OBS");
    for (const auto& [lys, v] : kReadme)
      for (size_t i = 0; i < res.size(); i++)
        if (res[i] == lys) found.push_back(obs[i]);
    return found;
  };
  std::vector<double> readme;
  for (const auto& [lys, v] : kReadme) readme.push_back(v);
  RunResult r = runKorim(search(kLysines, {"-exhaust", "-yzInv"}), d);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(lysines(readTable(d / "out.tab")), readme);
  std::remove((d / "out.tab").c_str());
  const std::vector<std::string> rand = search(kLysines, {"-rand", "-map", "2000", "-yzInv"});
  r = runKorim(rand, d);
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(inOrder(r.err, {"R 0 to 0.7 (-lR, -hR) in the form of -yzInv, which -rand scores in, holds no tensor",
                              "   Da_HN +12.177 Hz, R 0.731: the SVD fit of the 57 fixed couplings alone",
                              "korim: -lDa -25 -hDa 20 -lR 0 -hR 0.8 hold a tensor"}))
      << r.err;
  r = runKorim(following(rand, r.err), d);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(lysines(readTable(d / "out.tab")), readme);
}

// An answer on a bound of the window (the example negated under -yzInv: the window's R up to 0.7
// reaches tensors whose middle principal coupling lies within 0.6 Hz of 0, which the fixed
// couplings' fit, -1.18 Hz within 0.98 Hz, allows), a search the window cut (-hR 0.6 below the
// example's R 0.607), and an answer off the bounds of a window that cuts the fixed couplings' own
// fit: the note names the bound and a wider window, on stderr and in the table; followed, the
// search answers the README's assignment (each sign turned where the couplings are negated) with
// no such note.
TEST(AssignmentWindow, AnAnswerOnABoundOfTheWindowNamesTheWiderWindow) {
  TempDir d;
  const std::string negated = writeFile(d / "Lneg.tab", header(false) + lysineRows(-1, ""));
  const struct {
    std::vector<std::string> run;
    int status;
    std::string note, option, value;
    double sign;
  } cases[] = {
      {search(negated, {"-rand", "-map", "2000", "-yzInv"}), 0,
       "search's best tensor, Da_HN -12.088 Hz, R 0.698 in the form of -yzInv, lies on the high R bound (-hR 0.7) of "
       "its window: the window chose it, not the couplings; -hR 0.75 holds the couplings' tensor: searched within it, "
       "the best is Da_HN -12.191 Hz, R 0.729, off its bounds.",
       "-hR", "0.75", -1},
      {search(kLysines, {"-exhaust", "-hR", "0.6"}), 1,
       "best tensor the window cut, Da_HN -12.764 Hz, R 0.607, lies beyond its high R bound (-hR 0.6); -hR 0.7 in "
       "place of -hR 0.6 holds the couplings' tensor: searched within it, the best is Da_HN -12.764 Hz, R 0.607, off "
       "its bounds.",
       "-hR", "0.7", 1},
      // -lR 0.61 cuts the README's order (R 0.607); another, R 0.636 and RMS 2.955, lies inside.
      {search(kLysines, {"-exhaust", "-lR", "0.61"}), 0,
       "search's answer lies inside its window, but the fixed couplings' own fit, Da_HN -12.767 Hz, R 0.605, lies "
       "beyond its low R bound (-lR 0.61): the window cut the tensor the couplings give, and the search took another "
       "order; -lR 0.55 in place of -lR 0.61 holds the couplings' tensor: searched within it, the best is Da_HN "
       "-12.764 Hz, R 0.607, off its bounds.",
       "-lR", "0.55", 1},
  };
  for (const auto& c : cases) {
    RunResult r = runKorim(c.run, d);
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_NE(r.err.find("korim: the " + c.note + "\n"), std::string::npos) << r.err;
    EXPECT_TRUE(readTable(d / "out.tab").hasLine("REMARK The " + c.note)) << c.note;
    std::remove((d / "out.tab").c_str());
    std::vector<std::string> followed = c.run;
    const auto given = std::find(followed.begin(), followed.end(), c.option);
    if (given == followed.end()) followed.insert(followed.end(), {c.option, c.value});
    else *(given + 1) = c.value;
    r = runKorim(followed, d);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err.find("bound"), std::string::npos) << r.err;
    const Table t = readTable(d / "out.tab");
    EXPECT_EQ(t.data("RMS"), 1.124);
    const std::vector<double> res = t.numbers("RESID_I"), obs = t.numbers("D_OBS");
    for (size_t i = 0; i < res.size(); i++)
      for (const auto& [lys, v] : kReadme)
        if (res[i] == lys) {
          EXPECT_NEAR(obs[i], c.sign * v, 1e-4) << lys;
        }
    std::remove((d / "out.tab").c_str());
  }
}

// The search scores free tensors within the window; -fixed and -dadr hold the final fit's Da and
// R (and with -fixed the angles) at their defaults, Da 1e-3 (+21.585 Hz), R 0.1, outside the
// window: said on stderr and in the table, whose fit is the held one.
TEST(AssignmentWindow, AFinalFitThatHoldsTheTensorIsSaid) {
  const struct {
    const char* option;
    const char* held;
    double rms;
  } runs[] = {
      {"-fixed", "Da 1.000e-03 (Da_HN +21.585 Hz), Dr 1.000e-04 (R 0.100) and the angles psi 45, theta 45 and phi 45",
       16.168},
      {"-dadr", "Da 1.000e-03 (Da_HN +21.585 Hz) and Dr 1.000e-04 (R 0.100)", 12.395},
  };
  for (const auto& run : runs) {
    TempDir d;
    const RunResult r = runKorim(search(kLysines, {"-exhaust", run.option}), d);
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string note = std::string("search scored each order by the SVD fit of a free tensor within the window, "
                                         "Da_HN -25 to -3 Hz and R 0 to 0.7; the final fit held ") +
                             run.held + ", a tensor outside that window, and the table reports that fit.\n";
    EXPECT_NE(r.err.find("korim: the " + note), std::string::npos) << run.option << "\n" << r.err;
    EXPECT_NE(readFile(d / "out.tab").find("\nREMARK The " + note), std::string::npos) << run.option;
    EXPECT_EQ(readTable(d / "out.tab").data("RMS"), run.rms) << run.option;
  }
}

// A held tensor (-da 5.9e-4 -dr 4e-4: R 0.678, above 2/3) is the tensor Da' = -Da (2 + 3R) / 4 =
// -5.95e-4, R' = (4 - 2R) / (2 + 3R) = 0.655, Dr' = -3.9e-4 of the usual form: the assignment
// search and the Monte-Carlo estimates on the structure and on the couplings say so on stderr
// and in their tables.
TEST(HeldTensorNote, AHeldTensorOutsideTheUsualFormIsNamedInTheSearchAndEstimateTables) {
  const std::string note = "held Da +5.900e-04 and Dr +4.000e-04 (R 0.678, above 2/3) are the tensor Da -5.950e-04, "
                           "Dr -3.900e-04, R 0.655 in the usual form (";
  const std::vector<std::string> held = {"-da", "5.9e-4", "-dr", "4e-4"};
  auto onExample = [&held](std::vector<std::string> args) {
    args.insert(args.end(), {"-pdb", kPdb, "-inD", kCouplings, "-outD", "out.tab"});
    args.insert(args.end(), held.begin(), held.end());
    return args;
  };
  std::vector<std::string> assign = search(kLysines, {"-exhaust"});
  assign.insert(assign.end(), held.begin(), held.end());
  for (const std::vector<std::string>& args :
       {assign, onExample({"-bestFit", "-mcStruc", "-map", "3"}), onExample({"-bestFit", "-mcDc", "-map", "3", "-noerr"})}) {
    TempDir d;
    const RunResult r = runKorim(args, d);
    ASSERT_EQ(r.status, 0) << args[1] << "\n" << r.err;
    EXPECT_NE(r.err.find("korim: the " + note), std::string::npos) << args[1] << "\n" << r.err;
    const Table t = readTable(d / "out.tab");
    EXPECT_NE(readFile(d / "out.tab").find("\nREMARK The " + note), std::string::npos) << args[1];
    EXPECT_NEAR(t.data("Da"), -5.95e-4, 1e-2 * 5.95e-4) << args[1];  // the estimates scatter about it
  }
}

// The search's line on stdout and the REMARK of its table say how much of the orders it tried: the
// random search the orders drawn, how many distinct, of how many (n!), and that -exhaust tries all;
// where its draws cover every order it says it searched them all. Counts known by hand: one draw is
// one order; the six lysines have 720 orders, two peaks 2, of which 50 draws leave none out.
TEST(AssignmentSearchLine, TheLineAndTheTableSayHowManyOrdersTheSearchTried) {
  // The six lysines as peaks, or only 33 and 48 (the other four fixed where they stand).
  std::vector<std::string> two = search(kLysines, {});
  for (const char* res : {"6", "11", "27", "29"}) two.push_back(res);
  const std::string random6 = "searched at random: 1 order drawn (-rand -map 1), 1 of them distinct, of the 720 "
                              "orders of the 6 peaks; the answer is that one, and -exhaust tries all 720.";
  const struct {
    std::vector<std::string> run;
    std::string line, remark;  // the end of the Peak line; the table's REMARK
  } cases[] = {
      {search(kLysines, {"-rand", "-map", "1"}), "REMARK Peak 6 11 27 29 33 48 " + random6,
       "REMARK The assignment search (-rand -map 1) tried 1 distinct of the 720 orders of the 6 peaks; the answer is "
       "that one, and -exhaust tries all 720."},
      {plus(two, {"-rand", "-map", "1"}),
       "REMARK Peak 33 48 searched at random: 1 order drawn (-rand -map 1), 1 of them distinct, of the 2 orders of the "
       "2 peaks; the answer is that one, and -exhaust tries all 2.",
       "REMARK The assignment search (-rand -map 1) tried 1 distinct of the 2 orders of the 2 peaks;"},
      {plus(two, {"-rand", "-map", "50"}), "REMARK Peak 33 48 exhaustively searched.",
       "REMARK The assignment search (-rand -map 50) drew every one of the 2 orders of the 2 peaks."},
      {search(kLysines, {"-exhaust"}), "REMARK Peak 6 11 27 29 33 48 exhaustively searched.",
       "REMARK The assignment search (-exhaust) tried every one of the 720 orders of the 6 peaks."},
      {search(kLysines, {"-exhaust", "-fixAa", "3", "3"}), "REMARK Peak 6 11 27 29 33 48 exhaustively searched.",
       "REMARK The assignment search (-exhaust -fixAa 3 3) tried every order within the groups, 36 of the 720 orders "
       "of the 6 peaks."},
      {search(kLysines, {"-exhaustSel", "-nSel", "3"}), "REMARK Peak 6 11 27 29 33 48 exhaustively searched.",
       "REMARK The assignment search (-exhaustSel -nSel 3) tried every order of subsets of 3 of the 6 peaks."},
  };
  for (const auto& c : cases) {
    TempDir d;
    const RunResult r = runKorim(c.run, d);
    EXPECT_NE(r.out.find(c.line + "\n"), std::string::npos) << c.line << "\n" << r.out;
    EXPECT_NE(readFile(d / "out.tab").find(c.remark), std::string::npos) << c.remark;
  }
  // Many draws: the distinct orders are at most the draws and the 720, and the line and the table agree.
  TempDir d;
  const RunResult r = runKorim(search(kLysines, {"-rand", "-map", "1000"}), d);
  long long distinct = 0;
  const size_t at = r.out.find("orders drawn (-rand -map 1000), ");
  ASSERT_NE(at, std::string::npos) << r.out;
  ASSERT_EQ(std::sscanf(r.out.c_str() + at, "orders drawn (-rand -map 1000), %lld", &distinct), 1);
  EXPECT_GT(distinct, 1);
  EXPECT_LT(distinct, 720);
  EXPECT_NE(readFile(d / "out.tab").find("tried " + std::to_string(distinct) + " distinct of the 720 orders"),
            std::string::npos);
}
