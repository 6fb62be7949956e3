// SPDX-License-Identifier: GPL-3.0-or-later
#include <clocale>
#include <gtest/gtest.h>

#include "platform/core/DateTime.h"

using pelmor::DateTime;

namespace {

DateTime Make(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    return DateTime::FromParts({y, mo, d, h, mi, s}).value();
}

}  // namespace

TEST(DateTime, DayNumbersFollowTheZeroDate) {
    EXPECT_TRUE(DateTime().IsZero());
    EXPECT_EQ(Make(1899, 12, 30).Days(), 0.0);
    EXPECT_EQ(Make(1900, 1, 1).Days(), 2.0);
    EXPECT_EQ(Make(2026, 12, 7).Days(), 46363.0);
    EXPECT_DOUBLE_EQ(Make(2026, 12, 7, 18, 0).Days(), 46363.75);
    // Before the zero date the day counts down while the time of day stays positive.
    EXPECT_DOUBLE_EQ(Make(1899, 12, 29, 6, 0).Days(), -1.25);
    DateTime::Parts p = DateTime(-1.25).Split();
    EXPECT_EQ(p.day, 29);
    EXPECT_EQ(p.hour, 6);
}

TEST(DateTime, PeriodArithmeticWorksInDays) {
    DateTime start = Make(2026, 12, 31, 23, 30);
    DateTime later = start + 1.0 / 24;  // one hour
    DateTime::Parts p = later.Split();
    EXPECT_EQ(p.year, 2027);
    EXPECT_EQ(p.month, 1);
    EXPECT_EQ(p.day, 1);
    EXPECT_EQ(p.hour, 0);
    EXPECT_EQ(p.minute, 30);
    EXPECT_NEAR(later - start, 1.0 / 24, 1e-9);
    EXPECT_LT(start, later);
    // Crossing the zero date keeps the time line straight.
    DateTime before = DateTime(0.25) - 0.5;
    EXPECT_DOUBLE_EQ(before.Days(), -1.75);
    EXPECT_NEAR(DateTime(0.25) - before, 0.5, 1e-12);
}

TEST(DateTime, SplitRoundsToTheNearestSecond) {
    DateTime almostMidnight(46363.0 + 86399.6 / 86400.0);
    DateTime::Parts p = almostMidnight.Split();
    EXPECT_EQ(p.day, 8);
    EXPECT_EQ(p.hour, 0);
    EXPECT_EQ(p.minute, 0);
    EXPECT_EQ(p.second, 0);
}

TEST(DateTime, TextFormsAreFixedWhateverTheLocale) {
    std::setlocale(LC_ALL, "C.UTF-8");
    DateTime t = Make(2026, 12, 7, 13, 5, 42);
    EXPECT_EQ(t.FormatDateTime(), "07/12/2026 13:05");
    EXPECT_EQ(t.FormatDate(), "07/12/2026");
    EXPECT_EQ(t.FormatGeneral(), "07/12/2026 13:05:42");
    EXPECT_EQ(DateTime().FormatDateTime(), "30/12/1899 00:00");
}

TEST(DateTime, ParsesDayFirstWithOptionalTime) {
    EXPECT_EQ(DateTime::Parse("07/12/2026 13:05"), Make(2026, 12, 7, 13, 5));
    EXPECT_EQ(DateTime::Parse("07/12/2026"), Make(2026, 12, 7));
    EXPECT_EQ(DateTime::Parse(" 7-12-2026 13:05:09 "), Make(2026, 12, 7, 13, 5, 9));
    EXPECT_EQ(DateTime::Parse("30/12/1899 00:00"), DateTime());
    EXPECT_EQ(DateTime::Parse("29.02.2024"), Make(2024, 2, 29));

    for (const char* bad : {"", "13/13/2026", "31/04/2026", "29/02/2026", "07/12/2026 24:00", "07/12/2026 12:60",
                            "07/12", "07/12-2026", "07/12/2026x", "07/12/2026 13", "abc", "07/12/20261"}) {
        EXPECT_FALSE(DateTime::Parse(bad).has_value()) << bad;
    }
}

TEST(DateTime, RoundTripsThroughText) {
    for (double day : {0.0, 1.5, 36526.0, 46363.999, 2958465.0}) {
        DateTime original(day);
        auto back = DateTime::Parse(original.FormatGeneral());
        ASSERT_TRUE(back.has_value()) << day;
        EXPECT_NEAR(back->Days(), day, 1.0 / 86400) << day;
    }
}
