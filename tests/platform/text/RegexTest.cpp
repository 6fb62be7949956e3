// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "platform/core/Failure.h"
#include "platform/text/Regex.h"

namespace pelmor::text {
namespace {

TEST(Regex, AlternativesAreTriedInTheOrderWritten) {
    Regex dates(R"((\d{1,4}/\d{1,2}/\d{1,4})|(\d{1,2}:\d{2})|(\d{1,2}:\d{2}:\d{2}))", true);
    EXPECT_EQ(dates.ReplaceAll("12:34:56", "00/00/00"), "00/00/00:56");
    EXPECT_EQ(dates.ReplaceAll("on 13/12/2004 at 9:05.", "00/00/00"), "on 00/00/00 at 00/00/00.");
    EXPECT_EQ(dates.ReplaceAll("no dates here", "00/00/00"), "no dates here");
}

TEST(Regex, ReplacementIsLiteralAndTextKeepsItsUtf8) {
    Regex digit(R"(\d)");
    EXPECT_EQ(digit.ReplaceAll("\xE2\x82\xAC" "12 \xD9\xA3", "$0"), "\xE2\x82\xAC" "$0$0 \xD9\xA3");
    EXPECT_TRUE(digit.Search("a1"));
    EXPECT_FALSE(digit.Search("abc"));
}

TEST(Regex, LongTextsDoNotExhaustTheStack) {
    std::string text(4'000'000, '7');
    Regex digit(R"(\d)");
    EXPECT_EQ(digit.ReplaceAll(text, "0"), std::string(4'000'000, '0'));
}

TEST(Regex, BadPatternIsAFailure) {
    EXPECT_THROW(Regex("(unclosed"), Failure);
}

}  // namespace
}  // namespace pelmor::text
