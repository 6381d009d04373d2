// Progress line of the long runs: carriage return, no line feed. (The usage text is checked
// against its golden file by the program test Usage.NoArgumentsOrHelpPrintUsageAndFail.)
#include <gtest/gtest.h>

#include <string>

#include "settings/progress.h"
#include "tests/support/capture.h"

TEST(ProgressLine, CarriageReturnNoLineFeed) {
  EXPECT_EQ(korim_test::captureStderr([] {
              korim::settings::printoutput(123456);
              korim::settings::printoutput(2);
            }),
            "REMARK Sampled 123456\rREMARK Sampled 2\r");
}
