// The progress line's percentage: rounded half to even.
#include <gtest/gtest.h>

#include "extract/progress.h"

TEST(ProgressText, RoundsHalfToEven) {
  EXPECT_EQ(extract::ProgressPercent(3, 8), 38);                  // 37.5
  EXPECT_EQ(extract::ProgressPercent(5, 8), 62);                  // 62.5
  EXPECT_EQ(extract::ProgressText(1, 200), "Распаковка ... 0%");  // 0.5
  EXPECT_EQ(extract::ProgressText(3, 200), "Распаковка ... 2%");  // 1.5
}
