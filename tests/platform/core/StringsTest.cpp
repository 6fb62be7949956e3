// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "platform/core/Strings.h"

TEST(Strings, CaseFoldingCoversNonAsciiLetters) {
    EXPECT_TRUE(pelmor::EqualsNoCase("HTTP://Example.COM/a", "http://example.com/A"));
    EXPECT_TRUE(pelmor::EqualsNoCase("Über Straße", "über STRAßE"));
    EXPECT_TRUE(pelmor::EqualsNoCase("ΑΒΓ", "αβγ"));
    EXPECT_FALSE(pelmor::EqualsNoCase("a[", "A{"));  // '[' and '{' differ by the case bit but are not letters
    EXPECT_FALSE(pelmor::EqualsNoCase("abc", "abd"));
    // Invalid UTF-8 is compared byte for byte instead of failing.
    EXPECT_TRUE(pelmor::EqualsNoCase("A\xff", "a\xff"));
    EXPECT_TRUE(pelmor::ContainsNoCase("Work\\News\\HTTP://X", "news\\http"));
}

TEST(Strings, NumbersParseAndFormatWithoutLocale) {
    long long i = 0;
    EXPECT_TRUE(pelmor::ParseInteger(" -32768 ", i));
    EXPECT_EQ(i, -32768);
    EXPECT_FALSE(pelmor::ParseInteger("12a", i));
    EXPECT_FALSE(pelmor::ParseInteger("", i));
    EXPECT_FALSE(pelmor::ParseInteger("99999999999999999999", i));
    double d = 0;
    EXPECT_TRUE(pelmor::ParseNumber("8.25", d));
    EXPECT_EQ(d, 8.25);
    EXPECT_FALSE(pelmor::ParseNumber("8,25", d));
    EXPECT_EQ(pelmor::FormatNumber(8.25), "8.25");
    EXPECT_EQ(pelmor::FormatNumber(5670), "5670");
    EXPECT_EQ(pelmor::FormatNumber(0.1), "0.1");
    EXPECT_EQ(pelmor::FormatNumber(-12.5), "-12.5");
}
