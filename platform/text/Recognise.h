// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Recognition of numbers and dates written the way people write them on web pages, for
// the comparison engine's "is this text a number / a date" tests. Both tests take UTF-8
// text, allow surrounding white space, and never fail.

#include <string>
#include <string_view>

namespace pelmor::text {

// How numbers are written where the program runs. The defaults are the English ones.
struct NumberConventions {
    char decimal = '.';
    char thousands = ',';
    // Currency signs accepted before or after the number, in UTF-8.
    std::string currencies[4] = {"$", "\xE2\x82\xAC", "\xC2\xA3", "\xC2\xA5"};
};

// True when the text reads as a number: an optional sign (leading or trailing) or
// parentheses for a negative, an optional currency sign, digits with thousands separators
// in the integer part, an optional decimal separator and fraction, an optional exponent
// ("1.5e-3"). At least one digit is required.
bool IsNumeric(std::string_view text, const NumberConventions& conventions = {});

// True when the text reads as a date, a clock time, or a date followed or preceded by a
// time. Dates: day, month and year (day first or month first, whichever is valid; year
// first when it has four digits) separated by "/", "-" or "."; day and month alone, or
// month and a four-digit year; English month names and their abbreviations ("13 Dec 2004",
// "December 13, 2004", "13-Dec-04"), optionally after a weekday name. Times: "12:30",
// "12:30:45", with or without "AM"/"PM", and "3 PM". Day numbers are checked against the
// month (29 February only in leap years, or when the year is not given).
bool IsDate(std::string_view text);

}  // namespace pelmor::text
