// Usage text and progress line: the whole usage text against its golden file.
#include <gtest/gtest.h>

#include <string>

#include "app/korim_utils_output.h"
#include "settings/progress.h"
#include "tests/support/capture.h"
#include "tests/support/files.h"

using korim_test::captureStderr;

// The golden file holds the headings and option lines as the program quotes them, column for
// column, each section opened by two empty lines.
TEST(UsageText, MatchesGoldenFile) {
  const std::string text = captureStderr([] { EXPECT_EQ(korim::app::printInfo(), 0); });
  EXPECT_EQ(text, korim_test::readFile(korim_test::testData("golden/usage.txt")));
  EXPECT_EQ(captureStderr([] { korim::app::printInfo(); }), text) << "the same text on every call";
}

TEST(ProgressLine, CarriageReturnNoLineFeed) {
  EXPECT_EQ(captureStderr([] {
              korim::settings::printoutput(123456);
              korim::settings::printoutput(2);
            }),
            "REMARK Sampled 123456\rREMARK Sampled 2\r");
}
