// Percent, speed and index texts of the progress window.
#include "protocol/progress_text.h"

#include <gtest/gtest.h>

namespace {

using namespace vorpex::protocol;

TEST(ProgressPercent, ShowsNothingAtOrBelowTheLowEnd) {
  EXPECT_EQ(ProgressPercent(0, 1000, 0), std::nullopt);
  EXPECT_EQ(ProgressPercent(500, 1000, 500), std::nullopt);
  EXPECT_EQ(ProgressPercent(500, 1000, 20), std::nullopt);
}

TEST(ProgressPercent, EmptyOrReversedRangeShowsNothing) {
  EXPECT_EQ(ProgressPercent(7, 7, 9), std::nullopt);
  EXPECT_EQ(ProgressPercent(10, 5, 9), std::nullopt);
}

TEST(ProgressPercent, CountsFromTheLowEndAndTruncates) {
  EXPECT_EQ(ProgressPercent(0, 1000, 1000), 100);  // the top of the range
  EXPECT_EQ(ProgressPercent(0, 1000, 1), 0);
  EXPECT_EQ(ProgressPercent(0, 1000, 999), 99);
  EXPECT_EQ(ProgressPercent(200, 400, 300), 50);
  EXPECT_EQ(ProgressPercent(0, 3, 2), 66);
}

TEST(ProgressPercent, LargeRangesDoNotOverflow) {
  // 4 GiB - 1 bytes: (position - low) x 100 needs more than 32 bits.
  EXPECT_EQ(ProgressPercent(0, 0xFFFFFFFFu, 0xFFFFFFFFu), 100);
  EXPECT_EQ(ProgressPercent(0, 0xFFFFFFFFu, 0x80000000u), 50);
  EXPECT_EQ(ProgressPercent(0, 1, 0xFFFFFFFFu), INT32_MAX);  // far past the top: capped
}

TEST(PercentText, IsTheNumberAndAPercentSign) {
  EXPECT_EQ(PercentText(100), "100 %");
  EXPECT_EQ(PercentText(0), "0 %");
}

TEST(TransferRate, NeedsAMillisecondToHavePassed) {
  EXPECT_EQ(TransferRate(5000, 0, 1000, 1000), std::nullopt);
  EXPECT_EQ(TransferRate(5000, 0, 1000, 999), std::nullopt);  // the clock before the start
  EXPECT_EQ(TransferRate(5000, 0, 1000, 1001), 5000u);
  EXPECT_EQ(TransferRate(5000, 1000, 0, 4), 1000u);  // counted from the range's low end
  EXPECT_EQ(TransferRate(5000, 0, 0, 3), 1666u);     // integer division
  EXPECT_EQ(TransferRate(10, 0, 0, 11), 0u);
  EXPECT_EQ(TransferRate(10, 20, 0, 5), 0u);  // below the low end: nothing moved
}

TEST(SpeedText, RatesUpToAThousandStayInKilobytes) {
  EXPECT_EQ(SpeedText(999), "999 KB/s");
  EXPECT_EQ(SpeedText(1000), "1000 KB/s");
  EXPECT_EQ(SpeedText(1), "1 KB/s");
  EXPECT_EQ(SpeedText(0), "");
}

TEST(SpeedText, ScalesByTwoToTheTenth) {
  // 1001: fraction 1001 x 100 / 1024 = 97, whole 0.
  EXPECT_EQ(ScaleRate(1001).whole, 0u);
  EXPECT_EQ(ScaleRate(1001).fraction, 97u);
  EXPECT_EQ(SpeedText(1001), "0.97 MB/s");
  EXPECT_EQ(SpeedText(1536), "1.50 MB/s");
  // A fraction of one digit gets its leading zero; a fraction of 0 none at all.
  EXPECT_EQ(ScaleRate(1100).fraction, 7u);
  EXPECT_EQ(SpeedText(1100), "1.07 MB/s");
  EXPECT_EQ(ScaleRate(1034).fraction, 0u);
  EXPECT_EQ(SpeedText(1034), "1 MB/s");
}

TEST(SpeedText, TheFractionIsThatOfTheLastDivision) {
  // 1,500,000 / 1024 = 1464 (rest 896, 87 hundredths), then 1464 / 1024 = 1 rest 440: 42.
  ScaledRate s = ScaleRate(1500000);
  EXPECT_EQ(s.whole, 1u);
  EXPECT_EQ(s.fraction, 42u);
  EXPECT_EQ(s.unit, 2u);
  EXPECT_EQ(SpeedText(1500000), "1.42 GB/s");
  // Nothing beyond GB/s, however fast.
  EXPECT_EQ(SpeedText(0xFFFFFFFFu), "4095.99 GB/s");
  // Exactly 1000 MB/s after the first division stays in MB/s.
  EXPECT_EQ(SpeedText(1000 * 1024), "1000 MB/s");
  EXPECT_EQ(SpeedText(1001 * 1024), "0.97 GB/s");
}

TEST(IndexText, DecimalOrEmptyWhenNegative) {
  EXPECT_EQ(IndexText(0), "0");
  EXPECT_EQ(IndexText(255), "255");
  EXPECT_EQ(IndexText(-1), "");
  EXPECT_EQ(IndexText(INT32_MAX), "2147483647");
}

}  // namespace
