// Option values a user types in another unit, or beyond what the option holds: each is refused
// before any work, naming the option, the value as given, its range and unit; the neighbours of
// every bound are taken, and each value the messages advise, followed, answers.
#include "tests/cli/cli_util.h"

using namespace korim_cli;
using namespace korim_test;

namespace {

// The range a single-precision option holds, as its refusal names it.
const std::string kSingle = " lies outside what the option holds, a single-precision number: 0, or 1.1755e-38 to "
                            "3.4028e+38 in size, of either sign.\n";
const std::string kDouble = " lies outside what the option holds, a double-precision number: 0, or 2.2251e-308 to "
                            "1.79769e+308 in size, of either sign.\n";
const std::string kSalt = " must lie above 0 and at most 6 (the NaCl concentration in mol/l: no NaCl solution holds "
                          "more than about 6 mol/l, a saturated one about 5.4 at 25 C; ";
const std::string kTemp = " must lie from 230 to 400 (the temperature in K: no aqueous sample is liquid below about "
                          "230 K or above about 400 K; ";
const std::string kCharge = " must lie from -1.5 to 1.5 (the surface charge density of the medium in e/nm2: a fully "
                            "charged lipid surface carries about 1.5, Pf1 -0.47; a density in mC/m2 divided by 160.2 "
                            "gives it).\n";
const std::string kOrder = " must lie from 1e-15 to 1 (the order parameter of the liquid crystal; at 0 the medium has "
                           "no order and aligns no molecule, and below 1e-15 the couplings it gives leave the range "
                           "of the single-precision numbers they are computed in).\n";

}  // namespace

// Each value checked in a conversion run, which reads none of them: a value invalid in itself is
// refused in every mode, before any work (status 1, no table), and a value within the bounds is
// taken (status 0).
TEST(OptionUnits, ValuesBeyondTheirBoundsAreRefusedNamingTheUnitAndTheirNeighboursTaken) {
  const std::vector<std::string> conv = {"-conv", "-xplor", "-inD", kCouplings, "-outD", "x.tab"};
  const struct {
    std::string option, value;
    std::string says;  // after "KORIM Error: option <option> value <value>"; "" when taken
  } cases[] = {
      // Salt typed in mM, and the bound of a saturated solution.
      {"-nacl", "150", kSalt + "if 150 is mM, -nacl 0.15 in place of -nacl 150 gives it in mol/l).\n"},
      {"-nacl", "10", kSalt + "if 10 is mM, -nacl 0.01 in place of -nacl 10 gives it in mol/l).\n"},
      {"-nacl", "6.01", kSalt}, {"-nacl", "6", ""}, {"-nacl", "1e-300", kSingle}, {"-nacl", "1.1755e-38", ""},
      // Temperature typed in degrees Celsius, and the bounds of a liquid sample.
      {"-temp", "25", kTemp + "if 25 is degrees Celsius, -temp 298.15 in place of -temp 25 gives it in K).\n"},
      {"-temp", "1000", kTemp + "25 C is -temp 298.15).\n"}, {"-temp", "1e-9", kTemp}, {"-temp", "229.99", kTemp},
      {"-temp", "230", ""}, {"-temp", "400", ""}, {"-temp", "400.01", kTemp},
      // A surface charge beyond a fully charged lipid surface.
      {"-chSurf", "-47", kCharge}, {"-chSurf", "-1.51", kCharge}, {"-chSurf", "-1.5", ""}, {"-chSurf", "1.5", ""},
      {"-chSurf", "1.51", kCharge},
      // Finite values beyond single precision, and non-zero ones nearer 0 than it holds (formerly
      // read as 0 and named as a value not given).
      {"-maxPot", "1e39", kSingle}, {"-maxPot", "1e308", kSingle}, {"-maxPot", "3.4028e+38", ""},
      {"-maxPot", "3.4029e+38", kSingle}, {"-dGrid", "1e39", kSingle}, {"-kEne", "1e39", kSingle},
      {"-rM", "1e-300", kSingle}, {"-sdevDzz", "1e-40", kSingle}, {"-kLAdjustMc", "-1e39", kSingle},
      {"-wv", "nan", " must be a finite number.\n"}, {"-cut", "1e999", kDouble}, {"-cut", "1e-400", kDouble},
      {"-cut", "1.79769e+308", ""},
      // -kPot divides the rod's table; a value that reads as 0 is named as given.
      {"-kPot", "0", " must lie above 0 (the divisor of the rod's potential table, -pot; 0 would divide by zero; the "
                     "wall and the 3-D grid do not use it).\n"},
      {"-kPot", "1e-300", kSingle}, {"-kPot", "1.1755e-38", ""},
      // An order too small for the results, and one too small for the type.
      {"-lcS", "1e-45", kSingle}, {"-lcS", "1e-40", kSingle}, {"-lcS", "1e-30", kOrder}, {"-lcS", "0", kOrder},
      {"-lcS", "1e-15", ""},
  };
  for (const auto& c : cases) {
    TempDir d;
    const std::string what = c.option + " " + c.value;
    const RunResult r = runKorim(plus(conv, {c.option, c.value}), d);
    if (c.says.empty()) {
      EXPECT_EQ(r.status, 0) << what << "\n" << r.err;
      EXPECT_EQ(r.err.find("KORIM Error"), std::string::npos) << what << "\n" << r.err;
      continue;
    }
    EXPECT_EQ(r.status, 1) << what << "\n" << r.err;
    EXPECT_TRUE(inOrder(r.err, {"KORIM Error: option " + c.option + " value " + c.value + c.says,
                                "KORIM Error extracting command-line arguments.\n"}))
        << what << "\n" << r.err;
    EXPECT_FALSE(fileExists(d / "x.tab")) << what;
  }
}

// The values the refusals advise, followed in the runs that read them. 200 mM and 25 C are the
// defaults in the option's unit, so the advised run writes the default run's table; the least
// -kEne the option holds weighs every position alike, as -kEne 0; the least -lcS scales the
// default order (0.8) by 1.25e-15.
TEST(OptionUnits, EachAdvisedValueFollowedAnswersAsItsUnitSays) {
  const std::vector<std::string> charged = {"-elKorim", "-dot", "120", "-r1", "1", "-rN", "8", "-pdb", kPdb,
                                            "-inD", kCouplings, "-outD", "x.tab"};
  const std::vector<std::string> steric = {"-stKorim", "-dot", "30", "-pdb", kPdb, "-inD", kCouplings, "-outD",
                                           "x.tab"};
  const struct {
    std::vector<std::string> run;
    std::vector<std::string> refused;  // the option and value refused
    std::string advice;                // as the message words it, followed
    std::vector<std::string> same;     // the options of the run whose table the followed run writes
    double ratio;                      // of the followed run's Da_HN to that run's
  } cases[] = {
      {charged, {"-nacl", "200"}, "-nacl 0.2 in place of -nacl 200", {}, 1.0},
      {charged, {"-temp", "25"}, "-temp 298.15 in place of -temp 25", {}, 1.0},
      {charged, {"-kEne", "1e-300"}, "1.1755e-38", {"-kEne", "0"}, 1.0},
      {steric, {"-lcS", "1e-30"}, "1e-15", {}, 1.25e-15},
  };
  for (const auto& c : cases) {
    TempDir d;
    const std::string what = c.refused[0] + " " + c.refused[1];
    const std::vector<std::string> given = plus(c.run, c.refused);
    const RunResult r = runKorim(given, d);
    ASSERT_EQ(r.status, 1) << what << "\n" << r.err;
    ASSERT_NE(r.err.find(c.advice), std::string::npos) << what << "\n" << r.err;
    const bool quoted = c.advice[0] == '-';
    const RunResult followed = runKorim(quoted ? followAdvice(given, c.advice) : plus(c.run, {c.refused[0], c.advice}), d);
    ASSERT_EQ(followed.status, 0) << what << ", followed\n" << followed.err;
    const std::string table = readFile(d / "x.tab");
    ASSERT_EQ(runKorim(plus(c.run, c.same), d).status, 0) << what;
    const std::string expected = readFile(d / "x.tab");
    if (c.ratio == 1.0) {
      EXPECT_EQ(table, expected) << what;
      continue;
    }
    const double da = numbersAfter(lines(table), "DATA Da_HN ").at(0);
    const double base = numbersAfter(lines(expected), "DATA Da_HN ").at(0);
    EXPECT_NEAR(da / base, c.ratio, 1e-5 * c.ratio) << what;
  }
}

// -kPot divides the rod's potential table and nothing else: the wall's run says it does not use it
// and writes the table it writes without it (its standard output echoes the value); the rod's run
// names no such line, and halving its table moves its order.
TEST(OptionUnits, KPotIsTheRodsDivisorAndTheWallSaysItDoesNotUseIt) {
  const std::vector<std::string> wall = {"-elKorim", "-dot", "120", "-r1", "1", "-rN", "8", "-pdb", kPdb,
                                         "-inD", kCouplings, "-outD", "x.tab"};
  const std::vector<std::string> rod = plus(wall, {"-pf1", "-pot", examples("pf1_rod_radial.pot")});
  const std::string unused = "korim: -kPot chooses a setting of -stKorim with -el, -stKorimGrid with -el, -elKorim, "
                             "-elKorimFree, -elKorimGrid, -csSim and -asRan in the rod medium (-pf1); this run is the "
                             "electrostatic prediction (-elKorim) in the wall medium (-bic) and does not use it.\n";
  for (const bool isRod : {false, true}) {
    TempDir d;
    const std::vector<std::string>& run = isRod ? rod : wall;
    ASSERT_EQ(runKorim(run, d).status, 0);
    const std::string plain = readFile(d / "x.tab");
    const RunResult r = runKorim(plus(run, {"-kPot", "2"}), d);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err.find("-kPot chooses") == std::string::npos, isRod) << r.err;
    EXPECT_EQ(r.err.find(unused) != std::string::npos, !isRod) << r.err;
    EXPECT_EQ(readFile(d / "x.tab") == plain, !isRod);
  }
}
