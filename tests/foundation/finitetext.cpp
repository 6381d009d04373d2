// Result texts: a number printed as not-a-number or infinity is found whatever format printed it,
// and nothing else is taken for one.
#include "foundation/finitetext.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "tests/support/resets.h"

using namespace korim::foundation;

namespace {

using FiniteText = korim_test::Resetting<nonFiniteReset>;

std::string printed(const char* format, double v) {
  char text[64];
  std::snprintf(text, sizeof text, format, v);
  return text;
}

}  // namespace

// The C library's own text of every non-finite value in the formats the records use.
TEST_F(FiniteText, FindsWhatPrintfWritesForNonFiniteValues) {
  for (const char* format : {"%f", "% .4e", "%9.3f", "%.3f", "% 8.6e", "%7.2f", "%g", "%.1f"})
    for (double v : {double(NAN), -double(NAN), double(INFINITY), -double(INFINITY)}) {
      const std::string line = "DATA VALUE " + printed(format, v) + " [Hz]";
      const std::string text = "REMARK first\n" + line + "\nDATA N 3\n";
      EXPECT_EQ(std::string(nonFiniteLine(text)), line) << format;
    }
}

TEST_F(FiniteText, TakesNoWordOrFiniteNumberForOne) {
  const char* sound[] = {"REMARK information on the infinite dilution and nano particles\n",
                         "DATA SAUPE  1.0000e+300 -3.4028e+38 0.000\n", "   2  GLN    N    2  GLN    H  -13.2\n",
                         "DATA NAN INF\n", "DATA x=nan\n", "", "no newline at the end"};
  for (const char* t : sound) EXPECT_TRUE(nonFiniteLine(t).empty()) << t;
  EXPECT_FALSE(refuseNonFinite(sound[1], "out.tab"));
  EXPECT_FALSE(nonFiniteRefused());
}

// In a table's rows the FORMAT line tells names from numbers: a name "inf" or "nan" is sound, a
// number so printed is not, nor is any such word of a row that does not match its FORMAT line.
TEST_F(FiniteText, NamesOfATableAreNoNumbers) {
  const std::string head = "VARS RESID_I SEGNAME_I D W\nFORMAT %4d %4s %9.3f %.2f\n\n";
  const char* sound[] = {"   2  inf   -13.200 1.00\n", "   2  nan     1.000 1.00\n   3 -inf     2.000 1.00\n"};
  for (const char* rows : sound) EXPECT_TRUE(nonFiniteLine(head + rows).empty()) << rows;
  const char* bad[][2] = {{"   2  inf       inf 1.00\n", "   2  inf       inf 1.00"},
                          {"   2  seg   -13.200 -nan\n", "   2  seg   -13.200 -nan"},
                          {"   2  inf   -13.200\n", "   2  inf   -13.200"},
                          {"   2  inf 1.0 1.00\nDATA N nan\n", "DATA N nan"}};
  for (const auto& b : bad) EXPECT_EQ(std::string(nonFiniteLine(head + b[0])), b[1]) << b[0];
  // Before any FORMAT line every word counts.
  EXPECT_EQ(std::string(nonFiniteLine("   2  inf   -13.200 1.00\n")), "   2  inf   -13.200 1.00");
}

TEST_F(FiniteText, RefusesAndNotesTheRun) {
  EXPECT_EQ(std::string(nonFiniteLine("DATA A 1\nDATA B inf")), "DATA B inf");
  testing::internal::CaptureStderr();
  EXPECT_TRUE(refuseNonFinite("DATA A 1\n  DATA B -nan  \n", ""));
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "korim: a number that is not finite in \"DATA B -nan\"; the result (standard output) is not written.\n");
  EXPECT_TRUE(nonFiniteRefused());
}

// A refused result fails the run even where the caller of its writer went on as if it were written.
TEST_F(FiniteText, ARefusalFailsTheRun) {
  EXPECT_EQ(statusAfterRefusals(0), 0);
  EXPECT_EQ(statusAfterRefusals(2), 2);
  testing::internal::CaptureStderr();
  refuseNonFinite("DATA B inf\n", "out.tab");
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(statusAfterRefusals(0), 1);
  EXPECT_EQ(statusAfterRefusals(2), 2);  // the run's own failure keeps its status
}

// What goes through the memory stream is the text, byte for byte.
TEST_F(FiniteText, MemoryTextHoldsWhatWasWritten) {
  MemoryText m;
  ASSERT_NE(m.stream(), nullptr);
  std::fprintf(m.stream(), "DATA N %d\n", 63);
  std::fputs("DATA RMS 1.500\n", m.stream());
  EXPECT_EQ(std::string(m.text()), "DATA N 63\nDATA RMS 1.500\n");
}
