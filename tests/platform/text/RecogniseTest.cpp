// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "platform/text/Recognise.h"

namespace pelmor::text {
namespace {

TEST(IsNumeric, AcceptsTheWaysPeopleWriteNumbers) {
    for (const char* text : {"42", " 42 ", "\n 42\t", "-3", "+3", "3-", "1,234,567", "1,234.50", ".5", "5.", "1e5",
                             "1.5E-3", "$10", "$ 10", "-$10", "$-10", "10\xE2\x82\xAC", "\xC2\xA3" "3.20", "(12)",
                             "($12.00)", "0"})
        EXPECT_TRUE(IsNumeric(text)) << text;
}

TEST(IsNumeric, RejectsTextThatIsNotANumber) {
    for (const char* text : {"", "  ", "abc", "12a", "1.2.3", ",12", "1e", "e5", "--3", "$", "()", "(12", "12 34",
                             "13/12/2004", "12:30", "Price 10", "+-3", "1,234.5.6"})
        EXPECT_FALSE(IsNumeric(text)) << text;
}

TEST(IsNumeric, FollowsTheGivenSeparators) {
    NumberConventions german;
    german.decimal = ',';
    german.thousands = '.';
    EXPECT_TRUE(IsNumeric("1.234,5", german));
    EXPECT_FALSE(IsNumeric("1,234.5", german));
}

TEST(IsDate, NumericDatesInEitherOrder) {
    for (const char* text : {"13/12/2004", "12/13/2004", "1/5/04", "2004/12/13", "13-12-2004", "13.12.2004", "13/12",
                             "12/2004", "29/02/2004", "29/2", " 01/01/1999 "})
        EXPECT_TRUE(IsDate(text)) << text;
    for (const char* text : {"13/13/2004", "32/1/2004", "29/02/2003", "13/12-2004", "1/2/3/4", "12345/1/1",
                             "0/0/00", "00/00/00", "12", "2004"})
        EXPECT_FALSE(IsDate(text)) << text;
}

TEST(IsDate, MonthNamesAndWeekdays) {
    for (const char* text : {"13 December 2004", "13 Dec 2004", "December 13, 2004", "Dec 13 2004", "13-Dec-04",
                             "Monday, 13 December 2004", "Sept 5", "december 2004", "13 DEC"})
        EXPECT_TRUE(IsDate(text)) << text;
    for (const char* text : {"December", "Monday", "31 February", "13 Decembre 2004", "Ma 13", "13 Dec Jan"})
        EXPECT_FALSE(IsDate(text)) << text;
}

TEST(IsDate, ClockTimesAloneOrWithADate) {
    for (const char* text : {"12:30", "0:00", "23:59:59", "3 PM", "3:15 am", "12:30 p.m.", "13/12/2004 12:30",
                             "12:30 13/12/2004", "13 Dec 2004, 10:15:00"})
        EXPECT_TRUE(IsDate(text)) << text;
    for (const char* text : {"24:00", "12:60", "12:30:61", "13 PM", "12:30 foo", "12:30:", "12::30", "1230"})
        EXPECT_FALSE(IsDate(text)) << text;
}

}  // namespace
}  // namespace pelmor::text
