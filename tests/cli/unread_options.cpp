// Options a run does not read: each is named by one line on stderr and changes no byte of what the
// run writes; an option the run reads gets no such line. Which runs read an option is taken from the
// option table itself, so that a sample of its claims is checked by running them.
#include <cctype>
#include <cstring>

#include "app/option_words.h"
#include "tests/cli/cli_util.h"

using namespace korim_cli;
using namespace korim_test;
namespace app = korim::app;
namespace st = korim::settings;

namespace {

// A sample of options with a value each takes in every run below, across the groups of the table.
const std::vector<std::vector<std::string>>& sample() {
  static const std::vector<std::vector<std::string>> options = {
      {"-map", "3"},        {"-dot", "30"},     {"-wv", "0.05"},     {"-pH", "7"},         {"-lDa", "-20"},
      {"-bin", "5"},        {"-nFit", "3"},     {"-sdevDzz", "1"},   {"-nRun", "4"},       {"-incDa", "0.2"},
      {"-nSel", "5"},       {"-fixed"},         {"-da", "0.001"},    {"-pdb", kPdb},       {"-inCS", "x.cs"},
      {"-csThresh", "3"},   {"-stdCone", "5"},  {"-kAdjustMc", "2"}, {"-c1", "2"},         {"-tensID", "5"},
      {"-fixAa", "1"},      {"-lcS", "0.5"},    {"-kEne", "2"},      {"-charmm"},          {"-rM", "20"},
      {"-dFrac", "0.5"},    {"-nCone", "3"},    {"-inD1", kCouplings}, {"-pdbF", kPdb},   {"-psiMax", "90"},
      {"-incR", "0.05"},    {"-inp", "k.inp"}, {"-pka", "k.pka"},
      // The table format and record, the analysis of the tensor, the structure and its couplings.
      {"-idum", "-7"},      {"-rotID", "2"},    {"-rem", "note"},    {"-qStd"},            {"-yzInv"},
      {"-noverb"},          {"-a1", "2"},       {"-w", "1", "1"},    {"-nofixedDI"},       {"-sID", "3"},
      {"-hetatm"},          {"-rim", "1"},      {"-r1", "5"},        {"-d1", "3"},         {"-aD1", "N"},
      {"-pow", "2"},
      // The switches of one variant of the fit, the charged model's settings, the rim's, and the
      // limits of a fit within limits.
      {"-nonDfixed"},       {"-noerr"},         {"-noautoMc"},       {"-fixCone"},         {"-nodcOpt"},
      {"-temp", "300"},     {"-nacl", "0.1"},   {"-kAtt", "3"},      {"-pRatio", "4"},     {"-lM", "100"},
      {"-rimDisc", "0.3"},  {"-daMin", "-0.005"},
  };
  return options;
}

struct Base {
  std::vector<std::string> args;
  int mode, spread;
  std::string output;  // the file the run writes
  int tensor = korim::couplings::kTensorSVD;  // how a fit's tensor is fitted
};

std::string line(const std::string& option) { return "korim: " + option + " chooses "; }

}  // namespace

// Per run: the run with every sampled option it is said not to read writes the same bytes (its file
// and the standard output) as the run without them, and names each; the run with every sampled option
// it reads names none of them.
TEST(UnreadOptions, AnOptionARunDoesNotReadIsNamedAndChangesNothing) {
  const Base bases[] = {
      // Fits within limits: -da, the tensor's one option that chooses the fit, is read.
      {{"-bestFit", "-single", "-nofixed", "-pdb", kPdb, "-inD", kCouplings, "-outD", "out.tab"}, st::kModeBestFit,
       st::kSpreadSingle, "out.tab", korim::couplings::kTensorNoFixed},
      {{"-bestFit", "-jack", "-nofixed", "-map", "3", "-pdb", kPdb, "-inD", kCouplings, "-outD", "out.tab"},
       st::kModeBestFit, st::kSpreadJackknife, "out.tab", korim::couplings::kTensorNoFixed},
      {{"-daHist", "-inD", kCouplings, "-outD", "out.tab"}, st::kModeDaHist, 0, "out.tab"},
      // A format: the residue listing reads no -idum (it adds no noise).
      {{"-conv", "-xplor", "-inD", kCouplings, "-outD", "out.tab"}, st::kModeConvert, 0, "out.tab"},
      {{"-anDc", "-inD1", kCouplings, "-inD2", kCouplings, "-outD", "out.tab"}, st::kModeAnalyzeDc, 0, "out.tab"},
      {{"-stKorim", "-dot", "30", "-pdb", kPdb, "-inD", kCouplings, "-outD", "out.tab"}, st::kModeSteric, 0,
       "out.tab"},
      {{"-struc", "-pdb", kPdb, "-inD", kCouplings, "-pdbRot", "out.pdb"}, st::kModeStructNoise, 0, "out.pdb"},
      {{"-anA", "-inS1", "1e-3", "6e-4", "0", "0", "0", "-inS2", "8e-4", "1e-4", "2e-4", "0", "1e-4", "-outA",
        "out.tab"},
       st::kModeAnalyzeSaupe, 0, "out.tab"},
      {{"-anPdb", "-pdb", kPdb, "-inS", "1e-3", "6e-4", "0", "0", "0", "-outP", "out.txt"}, st::kModeAnalyzePdb, 0,
       "out.txt"},
  };
  for (const Base& base : bases) {
    const app::Runs run = app::runBit(base.mode, base.spread, base.tensor);
    std::vector<std::string> unread = base.args, read = base.args, unreadWords, readWords;
    for (const std::vector<std::string>& o : sample()) {
      bool listed = false, reads = false;
      for (const app::OptionWord& w : app::optionWords())
        if (o[0] == w.word) listed = true, reads = (w.readBy & run) != 0;
      ASSERT_TRUE(listed) << o[0];
      const bool given = std::find(base.args.begin(), base.args.end(), o[0]) != base.args.end();
      if (given) continue;
      std::vector<std::string>& args = reads ? read : unread;
      args.insert(args.end(), o.begin(), o.end());
      (reads ? readWords : unreadWords).push_back(o[0]);
    }
    const std::string what = base.args[0] + " " + base.args[1];
    TempDir d;
    writeFile(d / "k.pka", "42 default pKa 5.0\n");
    writeFile(d / "k.inp", "");
    const RunResult plain = runKorim(base.args, d);
    ASSERT_EQ(plain.status, 0) << what << "\n" << plain.err;
    const std::string written = readFile(d / base.output);
    const RunResult without = runKorim(unread, d);
    EXPECT_EQ(without.status, 0) << what << "\n" << without.err;
    EXPECT_EQ(without.out, plain.out) << what;
    EXPECT_EQ(readFile(d / base.output), written) << what;
    for (const std::string& w : unreadWords)
      EXPECT_NE(without.err.find(line(w)), std::string::npos) << what << ": " << w << "\n" << without.err;
    EXPECT_FALSE(unreadWords.empty()) << what;
    const RunResult with = runKorim(read, d);
    EXPECT_EQ(with.status, 0) << what << "\n" << with.err;
    for (const std::string& w : readWords)
      EXPECT_EQ(with.err.find(line(w)), std::string::npos) << what << ": " << w << "\n" << with.err;
  }
}

// The options a single best fit and the Da and R histogram passed silently are named, each by the
// modes that read it; a value invalid in itself stays refused in a run that does not read it.
TEST(UnreadOptions, TheSlipsOfTheFitAndTheHistogramAreNamed) {
  const std::string fit = "; this run is the best fit (-bestFit -single) and does not use it.\n";
  const std::string hist = "; this run is the Da and R histogram (-daHist) and does not use it.\n";
  const std::string medium = "a setting of -stKorim, -stKorimFree, -stKorimGrid, -elKorim, -elKorimFree, "
                             "-elKorimGrid, -csSim, -asRan and -anPdb";
  const std::string grid = "a setting of -bestFit (-rand, -exhaust or -exhaustSel) and -daMl";
  const std::vector<std::pair<std::vector<std::string>, std::vector<std::string>>> runs = {
      {{"-bestFit", "-single", "-pdb", kPdb, "-map", "3", "-dot", "30", "-wv", "5", "-pH", "7", "-lDa", "-20",
        "-bin", "5", "-nFit", "3", "-sdevDzz", "1", "-nRun", "4"},
       {"korim: -map chooses a setting of -bestFit (-jack, -mcDc, -mcStruc, -rand, -exhaust or -exhaustSel)" + fit,
        "korim: -wv chooses " + medium + fit, "korim: -dot chooses " + medium + fit,
        "korim: -pH chooses a setting of -stKorim with charges, -stKorimGrid with charges, -elKorim, -elKorimFree, "
        "-elKorimGrid, -csSim, -asRan and -anPdb" + fit,
        "korim: -bin chooses a setting of -daHist and -daFlex" + fit,
        "korim: -nFit chooses a setting of -daHist and -daFlex" + fit,
        "korim: -sdevDzz chooses a setting of -daHist and -daFlex" + fit,
        "korim: -nRun chooses a setting of -daFlex" + fit, "korim: -lDa chooses " + grid + fit}},
      {{"-daHist", "-nRun", "3", "-incDa", "0.2", "-nSel", "5", "-lDa", "-20", "-dot", "30"},
       {"korim: -dot chooses " + medium + hist, "korim: -nSel chooses a setting of -bestFit (-exhaustSel) and -daFlex" + hist,
        "korim: -nRun chooses a setting of -daFlex" + hist, "korim: -lDa chooses " + grid + hist,
        "korim: -incDa chooses a setting of -daMl" + hist}},
      {{"-daHist", "-csThresh", "3"}, {"korim: -csThresh chooses nothing any run of korim reads" + hist}},
  };
  for (const auto& [args, lines] : runs) {
    TempDir d;
    std::vector<std::string> all = args;
    all.insert(all.end(), {"-inD", kCouplings, "-outD", "out.tab"});
    const RunResult r = runKorim(all, d);
    EXPECT_EQ(r.status, 0) << args[0] << "\n" << r.err;
    EXPECT_TRUE(inOrder(r.err, lines)) << args[0] << "\n" << r.err;
  }
  for (const std::vector<std::string>& bad :
       {std::vector<std::string>{"-dot", "0"}, {"-bin", "1"}, {"-sdevDzz", "-1"}, {"-dFrac", "0"}, {"-stdCone", "100"},
        {"-stdCone", "-1"}, {"-lCone", "-1"}, {"-incCone", "0.001"}, {"-kAdjustMc", "0"}, {"-fracAdjustMc", "1"},
        {"-nAdjustMc", "0"}, {"-incAdjustMc", "11"}, {"-daMax", "25"}, {"-drMin", "-1.5"},
        {"-wv", "0"}, {"-rM", "-1"}, {"-pRatio", "0"}, {"-nacl", "0"}, {"-temp", "0"}}) {
    TempDir d;
    std::vector<std::string> all = {"-bestFit", "-single", "-pdb", kPdb, "-inD", kCouplings, "-outD", "out.tab"};
    all.insert(all.end(), bad.begin(), bad.end());
    const RunResult r = runKorim(all, d);
    EXPECT_EQ(r.status, 1) << bad[0];
    EXPECT_TRUE(inOrder(r.err, {"KORIM Error: option " + bad[0] + " value " + bad[1]})) << r.err;
    EXPECT_FALSE(fileExists(d / "out.tab"));
  }
}

// Each option the runs passed silently is named, and changes no byte of what the run writes
// (its status, standard output and table); the runs that read it name none. The switches of one
// fit variant in another, the electrostatic settings in a steric prediction without charges, the
// rim's settings where no medium is set up, and the limits of the tensor in an SVD fit.
class UnreadOptionsOfVariants : public RowParts {};

TEST_P(UnreadOptionsOfVariants, OptionsOfAnotherVariantChargeOrTensorAreNamed) {
  const std::vector<std::string> variant = {"-vecNoise", "-angNoise", "-dcOpt", "-nodcOpt", "-noerr", "-noautoMc",
                                            "-fixCone",  "-autoCone", "-nDfixed"};
  const std::vector<std::string> charged = {"-pH", "7", "-temp", "300", "-nacl", "0.1", "-kEne", "2"};
  const std::vector<std::string> rim = {"-pRatio", "5", "-lM", "100", "-rimDisc", "0.5", "-rim", "1"};
  const std::vector<std::string> limits = {"-daMin", "-0.005", "-daMax", "0.005", "-psi", "30"};
  const std::vector<std::string> chargeSetUp = {"-pka", "none.pka", "-nopkaDef", "-nochTerm", "-kMono", "2",
                                                "-kDipo", "2", "-kQuad", "2"};
  const std::vector<std::string> model = {"-cut", "3", "-elInfo", "-kPot", "2", "-dIFace", "5"};
  const std::vector<std::string> grid3D = {"-nX", "5", "-dX", "3", "-maxPot", "2", "-z1", "0", "-pot3D", "none.pot",
                                           "-vol", "600", "-mwLC", "2e5", "-massLC", "0.01", "-unitLC", "2",
                                           "-polyLC", "1000"};
  const std::vector<std::string> search = {"-lCone", "1", "-incCone", "0.5", "-nCone", "5"};
  const auto plus = [](std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
  };
  const std::vector<std::string> fit = {"-bestFit", "-pdb", kPdb, "-inD", kCouplings, "-outD", "out.tab"};
  const std::vector<std::string> steric = {"-stKorim", "-dot", "30", "-pdb", kPdb, "-inD", kCouplings, "-outD",
                                           "out.tab"};
  const std::vector<std::string> grid = {"-stKorimGrid", "-pdb", kPdb, "-inD", kCouplings, "-inp",
                                         examples("ubiquitin_two_domains.inp"), "-inE",
                                         examples("ubiquitin_100_states.ens"), "-ave", "out.tab"};
  // The grid runs take the first residues and -dot 120 where -dot 30 does not settle their order (the
  // sphere's check refuses it).
  const auto on3D = [&](std::vector<std::string> mode, const char* dot = "30") {
    return plus(mode, {"-3D", "-pot3D", examples("pf1_rod_grid.pot"), "-nX", "33", "-nY", "33", "-nZ", "1", "-dX",
                       "4", "-dY", "4", "-dZ", "4", "-z1", "1", "-zN", "1", "-massLC", "0.00083", "-dot", dot,
                       "-r1", "1", "-rN", "8", "-pdb", kPdb, "-outD", "out.tab"});
  };
  std::vector<std::string> charged120 = plus(steric, {"-el"});
  charged120[2] = "120";
  const struct {
    std::vector<std::string> run, options;
    bool named;
  } cases[] = {
      {plus(fit, {"-single"}), plus(variant, limits), true},
      {plus(fit, {"-jack", "-map", "3"}), {"-vecNoise", "-dcOpt", "-noerr", "-noautoMc", "-fixCone", "-autoCone"}, true},
      {plus(fit, {"-jack", "-map", "3"}), {"-nonDfixed"}, false},
      {plus(fit, {"-mcDc", "-map", "3"}), {"-noerr", "-noautoMc"}, false},
      {plus(fit, {"-mcStruc", "-map", "3"}), {"-angNoise", "-fixCone", "-noautoCone"}, false},
      {plus(fit, {"-single", "-nofixed"}), limits, false},
      {plus(fit, {"-single"}), {"-da", "0.001"}, false},
      {steric, charged, true},
      {charged120, charged, false},
      {plus(steric, {"-charmm22"}), {"-pH", "3"}, false},
      {plus(steric, {"-charmm"}), charged, true},
      {plus(steric, {"-charmm22"}), {"-temp", "300", "-nacl", "0.1", "-kEne", "2"}, true},
      {{"-conv", "-inD", kCouplings, "-outD", "out.tab"}, rim, true},
      {{"-daHist", "-inD", kCouplings, "-outD", "out.tab"}, rim, true},
      {plus(fit, {"-single"}), rim, true},
      {{"-anPdb", "-pdb", kPdb, "-inS", "1e-3", "6e-4", "0", "0", "0", "-outP", "out.tab"},
       {"-rim", "1", "-lM", "100", "-rimDisc", "0.5", "-kAtt", "3"}, true},
      {steric, {"-pRatio", "5", "-rim", "1"}, false},
      // Read by no run: each run that sets up the medium computes the wall's length and rim order.
      {steric, {"-lM", "100", "-rimDisc", "0.5"}, true},
      // The wall reads the rod's radial potential and uses none; -inv gives way to another selection.
      {plus(charged120, {"-r1", "1", "-rN", "8"}), {"-pot", examples("pf1_rod_radial.pot")}, true},
      {plus(steric, {"-res", "5"}), {"-inv"}, true},
      {{"-elKorim", "-dot", "120", "-r1", "1", "-rN", "8", "-pdb", kPdb, "-inD", kCouplings, "-outD", "out.tab"},
       {"-pot", examples("pf1_rod_radial.pot")}, true},
      // The charges' settings where no charge is placed; the model's settings without -el; the interface
      // structure's distance in every steric run.
      {steric, plus(chargeSetUp, model), true},
      {plus(steric, {"-charmm"}), chargeSetUp, false},
      {plus(steric, {"-charmm"}), model, true},
      {charged120, {"-cut", "3", "-elInfo"}, false},
      {charged120, {"-dIFace", "5"}, true},
      {plus(grid, {"-dot", "30"}), {"-pka", "none.pka", "-cut", "3", "-kMono", "2", "-pot", "none.pot"}, true},
      // The 3-D medium's settings without -3D, and the model's that the 3-D medium does not read.
      {steric, grid3D, true},
      {plus(steric, {"-pf1"}), grid3D, true},
      {on3D({"-stKorim"}, "120"), {"-maxPot", "2", "-vol", "600"}, false},
      {on3D({"-elKorim"}, "120"), {"-kPot", "2", "-dIFace", "5", "-kEne", "2", "-temp", "350", "-kAtt", "2"}, true},
      // The given cone width under the width search, and the search's settings without it.
      {plus(fit, {"-mcStruc", "-map", "3"}), {"-stdCone", "10"}, true},
      {plus(fit, {"-mcStruc", "-map", "3"}), search, false},
      {plus(fit, {"-mcStruc", "-noautoCone", "-map", "3"}), search, true},
      {plus(fit, {"-mcStruc", "-noautoCone", "-map", "3"}), {"-stdCone", "10"}, false},
  };
  for (size_t i = 0; i < std::size(cases); i++) {
    if (!mine(i)) continue;
    const auto& c = cases[i];
    TempDir d;
    const std::string what = c.run[0] + " " + c.run[1] + " " + c.options[0];
    const RunResult plain = runKorim(c.run, d);
    ASSERT_EQ(plain.status, 0) << what << "\n" << plain.err;
    const std::string written = readFile(d / "out.tab");
    const RunResult with = runKorim(plus(c.run, c.options), d);
    EXPECT_EQ(with.status, 0) << what << "\n" << with.err;
    for (const std::string& o : c.options) {
      if (o[0] != '-' || std::isdigit(static_cast<unsigned char>(o[1]))) continue;
      EXPECT_EQ(with.err.find(line(o)) != std::string::npos, c.named) << what << ": " << o << "\n" << with.err;
    }
    if (!c.named) continue;
    EXPECT_EQ(with.out, plain.out) << what;
    EXPECT_EQ(readFile(d / "out.tab"), written) << what;
  }
}

// Options a mode reads only in some of its runs, each row run twice: where the run does not read them
// they are named, and change nothing but the table's echo of the settings (the lines named in the row,
// which keep the values given); in a run of the same mode, or of one that reads them, no line names them.
INSTANTIATE_TEST_SUITE_P(Rows, UnreadOptionsOfVariants, testing::ValuesIn(rowParts(8)));

class UnreadOptionsOfSettings : public RowParts {};

TEST_P(UnreadOptionsOfSettings, OptionsTheSettingOfTheRunLeavesUnreadAreNamed) {
  const std::vector<std::string> grid3D = {"-3D", "-pot3D", examples("pf1_rod_grid.pot"), "-nX", "33", "-nY", "33",
                                           "-nZ", "1", "-dX", "4", "-dY", "4", "-dZ", "4", "-z1", "1", "-zN", "1",
                                           "-massLC", "0.00083"};
  const auto plus = [](std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
  };
  // The electrostatic model on the first residues (its charged runs take -dot 120 to settle the order).
  const std::vector<std::string> charged = {"-elKorim", "-dot", "120", "-r1", "1", "-rN", "8", "-pdb", kPdb,
                                            "-inD", kCouplings, "-outD", "out.tab"};
  const std::vector<std::string> mcDc = {"-bestFit", "-mcDc", "-map", "5", "-pdb", kPdb, "-inD", kCouplings,
                                         "-outD", "out.tab"};
  const std::vector<std::string> conv = {"-conv", "-inD", kCouplings, "-outD", "out.tab"};
  const std::vector<std::string> ml = {"-daMl", "-incDa", "1", "-incR", "0.1", "-inD", kCouplings, "-outD", "out.tab"};
  const std::vector<std::string> anPdb = {"-anPdb", "-el", "-pdb", kPdb, "-inS", "1e-3", "6e-4", "0", "0", "0",
                                          "-outP", "out.tab"};
  const std::vector<std::string> steric = {"-stKorim", "-dot", "30", "-pdb", kPdb, "-inD", kCouplings, "-outD",
                                           "out.tab"};
  const struct {
    std::vector<std::string> unread, reads, options, echoed;
  } cases[] = {
      // The 3-D medium's potential holds the salt and the surface charge; the wall's model reads them.
      {plus(charged, grid3D), charged, {"-nacl", "0.5", "-chSurf", "-0.1"},
       {"DATA KORIM EL NACL             0.500", "DATA KORIM EL SURF_CH         -0.100"}},
      // -autoMc searches the factor from -kLAdjustMc; -noautoMc takes -kAdjustMc.
      {mcDc, plus(mcDc, {"-noautoMc", "-noerr"}), {"-kAdjustMc", "1.5"}, {}},
      // The residue listing carries no noise; a format does.
      {conv, plus(conv, {"-xplor"}), {"-dcNoise", "-idum", "-7"}, {}},
      // The likelihood takes every coupling; the histogram takes the extremes in by the thresholds.
      {ml, {"-daHist", "-inD", kCouplings, "-outD", "out.tab"}, {"-sdevDzz", "3", "-sdevDyy", "0.5"}, {}},
      // The structure analysis computes no potential and writes no interface structure.
      {anPdb, charged, {"-cut", "3", "-dIFace", "5"}, {}},
      // The 3-D grid is stepped by -dX, -dY and -dZ, and its record names them, not -dGrid.
      {plus(steric, grid3D), steric, {"-dGrid", "0.5"}, {}},
  };
  const auto withoutEcho = [](const std::string& text, const std::vector<std::string>& echoed) {
    std::string kept;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);)
      if (std::none_of(echoed.begin(), echoed.end(), [&](const std::string& e) { return l.rfind(e.substr(0, 20), 0) == 0; }))
        kept += l + "\n";
    return kept;
  };
  for (size_t i = 0; i < std::size(cases); i++) {
    if (!mine(i)) continue;
    const auto& c = cases[i];
    TempDir d;
    const std::string what = c.unread[0] + " " + c.options[0];
    const RunResult plain = runKorim(c.unread, d);
    ASSERT_EQ(plain.status, 0) << what << "\n" << plain.err;
    const std::string written = readFile(d / "out.tab");
    const RunResult with = runKorim(plus(c.unread, c.options), d);
    EXPECT_EQ(with.status, 0) << what << "\n" << with.err;
    EXPECT_EQ(with.out, plain.out) << what;
    const std::string table = readFile(d / "out.tab");
    EXPECT_EQ(withoutEcho(table, c.echoed), withoutEcho(written, c.echoed)) << what;
    for (const std::string& e : c.echoed) EXPECT_NE(table.find(e + "\n"), std::string::npos) << what << ": " << e;
    const RunResult read = runKorim(plus(c.reads, c.options), d);
    EXPECT_EQ(read.status, 0) << what << "\n" << read.err;
    for (const std::string& o : c.options) {
      if (o[0] != '-' || std::isdigit(static_cast<unsigned char>(o[1]))) continue;
      EXPECT_NE(with.err.find(line(o)), std::string::npos) << what << ": " << o << "\n" << with.err;
      EXPECT_EQ(read.err.find(line(o)), std::string::npos) << what << ": " << o << "\n" << read.err;
    }
  }
}

// The line of an option a run does not use names the run as it is: a steric prediction with -el,
// the medium, the selection that takes the place of -inv, and the rod of the radial potential.
INSTANTIATE_TEST_SUITE_P(Rows, UnreadOptionsOfSettings, testing::ValuesIn(rowParts(5)));

class UnreadOptionLines : public RowParts {};

TEST_P(UnreadOptionLines, TheLineNamesTheRunAsItIs) {
  const std::vector<std::string> steric = {"-stKorim", "-dot", "30", "-pdb", kPdb, "-inD", kCouplings, "-outD",
                                           "out.tab"};
  const std::vector<std::string> grid = {"-3D", "-pot3D", examples("pf1_rod_grid.pot"), "-nX", "33", "-nY", "33",
                                         "-nZ", "1", "-dX", "4", "-dY", "4", "-dZ", "4", "-z1", "1", "-zN", "1",
                                         "-massLC", "0.00083"};
  const struct {
    std::vector<std::string> run;
    std::string line;
  } cases[] = {
      {plus(plus({"-stKorim", "-dot", "120", "-r1", "1", "-rN", "8", "-pdb", kPdb, "-outD", "out.tab"}, grid),
            {"-el", "-nacl", "0.5"}),
       "korim: -nacl chooses a setting of -stKorim with -el, -stKorimGrid with -el and -elKorim; this run is the "
       "steric prediction (-stKorim with -el) in the 3-D medium (-3D) and does not use it.\n"},
      {plus(steric, {"-r1", "1", "-rN", "8", "-el", "-pot", examples("pf1_rod_radial.pot")}),
       "korim: -pot chooses a setting of -stKorim with -el, -stKorimGrid with -el and -elKorim in the rod medium "
       "(-pf1); this run is the steric prediction (-stKorim with -el) in the wall medium (-bic) and does not use it.\n"},
      {plus(steric, {"-inv", "-chain", "A", "-res", "5"}),
       "korim: -inv chooses the inverted selection, given alone; this run is the steric prediction (-stKorim) with "
       "-res 5 -chain A, which sets the selection in its place, and does not use it.\n"},
      {plus(steric, {"-lM", "100"}),
       "korim: -lM chooses nothing: every run that sets up the medium computes the wall's model length (-lM) and rim "
       "order (-rimDisc) from -wv, -pRatio and -rM; this run is the steric prediction (-stKorim) and does not use "
       "it.\n"},
  };
  for (size_t i = 0; i < std::size(cases); i++) {
    if (!mine(i)) continue;
    TempDir d;
    const RunResult r = runKorim(cases[i].run, d);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find(cases[i].line), std::string::npos) << cases[i].line << "\n" << r.err;
  }
}

INSTANTIATE_TEST_SUITE_P(Rows, UnreadOptionLines, testing::ValuesIn(rowParts(4)));
