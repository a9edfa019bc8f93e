#include <gtest/gtest.h>

#include <string>

#include "playback/progress_text.h"

namespace lumo::playback {

TEST(ProgressText, ClockHasNoLeadingZerosAndShareRoundsHalfUpToOneDecimal) {
    EXPECT_EQ(FormatClock(3723000), "1:2:3");
    EXPECT_EQ(FormatClock(59000), "0:0:59");
    EXPECT_EQ(FormatClock(999), "0:0:0");
    EXPECT_EQ(FormatClock(36000000 + 59 * 60000 + 59999), "10:59:59");

    // 49 of 400 blocks is 12.25 %: half up, never the binary 12.2.
    EXPECT_EQ(CachePercentText(std::string(49, '1') + std::string(351, '0'), 400), "12.3");
    EXPECT_EQ(CachePercentText("1111", 4), "100");
    EXPECT_EQ(CachePercentText("0000", 4), "0");
    EXPECT_EQ(CachePercentText("1", 3), "33.3");
    // No total known yet: nothing to divide by.
    EXPECT_EQ(CachePercentText("11", 0), "0");
}

}  // namespace lumo::playback
