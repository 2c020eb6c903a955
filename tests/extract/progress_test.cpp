#include <gtest/gtest.h>

#include "extract/progress.h"

TEST(ProgressPercent, RoundsHalfToEven) {
  const int eighths[] = {12, 25, 38, 50, 62, 75, 88, 100};
  for (int k = 1; k <= 8; ++k) EXPECT_EQ(extract::ProgressPercent(k, 8), eighths[k - 1]) << k;
  EXPECT_EQ(extract::ProgressPercent(1, 3), 33);
  EXPECT_EQ(extract::ProgressPercent(2, 3), 67);
  EXPECT_EQ(extract::ProgressPercent(1, 1), 100);
  EXPECT_EQ(extract::ProgressPercent(1, 200), 0);  // 0.5 goes to 0
  EXPECT_EQ(extract::ProgressPercent(3, 200), 2);  // 1.5 goes to 2
  EXPECT_EQ(extract::ProgressText(3, 8), "Распаковка ... 38%");
}
