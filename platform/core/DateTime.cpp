// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/core/DateTime.h"

#include <cmath>
#include <cstdio>
#include <ctime>

namespace pelmor {
namespace {

// Days since 1 January 1970 of a proleptic Gregorian date.
constexpr long long DaysFromCivil(long long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

void CivilFromDays(long long z, int& y, int& m, int& d) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long yy = static_cast<long long>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yy + (m <= 2));
}

constexpr long long kEpochOffset = DaysFromCivil(1899, 12, 30);

int DaysInMonth(int y, int m) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (m == 2 && ((y % 4 == 0 && y % 100 != 0) || y % 400 == 0)) return 29;
    return kDays[m - 1];
}

// Reads an unsigned decimal of 1..maxDigits digits at text[pos].
bool ReadNumber(std::string_view text, size_t& pos, int maxDigits, int& value) {
    size_t start = pos;
    value = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && pos - start < static_cast<size_t>(maxDigits)) {
        value = value * 10 + (text[pos] - '0');
        ++pos;
    }
    return pos > start && !(pos < text.size() && text[pos] >= '0' && text[pos] <= '9');
}

}  // namespace

std::optional<DateTime> DateTime::FromParts(const Parts& p) {
    if (p.year < 100 || p.year > 9999 || p.month < 1 || p.month > 12 || p.day < 1 ||
        p.day > DaysInMonth(p.year, p.month) || p.hour < 0 || p.hour > 23 || p.minute < 0 || p.minute > 59 ||
        p.second < 0 || p.second > 59)
        return std::nullopt;
    double day = static_cast<double>(DaysFromCivil(p.year, static_cast<unsigned>(p.month), static_cast<unsigned>(p.day)) -
                                     kEpochOffset);
    double fraction = (p.hour * 3600.0 + p.minute * 60.0 + p.second) / 86400.0;
    return DateTime(day >= 0 ? day + fraction : day - fraction);
}

DateTime DateTime::Now() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    Parts p{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
            local.tm_sec > 59 ? 59 : local.tm_sec};
    return FromParts(p).value_or(DateTime());
}

DateTime::Parts DateTime::Split() const {
    double whole = std::trunc(days_);
    double fraction = std::fabs(days_ - whole);
    long long day = static_cast<long long>(whole);
    long long seconds = std::llround(fraction * 86400.0);
    if (seconds >= 86400) {  // rounding reached the next midnight
        seconds -= 86400;
        day += days_ >= 0 ? 1 : -1;
    }
    Parts p;
    CivilFromDays(day + kEpochOffset, p.year, p.month, p.day);
    p.hour = static_cast<int>(seconds / 3600);
    p.minute = static_cast<int>(seconds / 60 % 60);
    p.second = static_cast<int>(seconds % 60);
    return p;
}

bool DateTime::IsStorable() const {
    // Beyond ten million days no year can be in range; Split() stays exact below that.
    if (!std::isfinite(days_) || std::fabs(days_) > 1e7) return false;
    int year = Split().year;
    return year >= 100 && year <= 9999;
}

DateTime DateTime::DatePart() const {
    Parts p = Split();
    p.hour = p.minute = p.second = 0;
    return FromParts(p).value_or(DateTime(std::trunc(days_)));
}

std::string DateTime::FormatDateTime() const {
    Parts p = Split();
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d/%02d/%04d %02d:%02d", p.day, p.month, p.year, p.hour, p.minute);
    return buf;
}

std::string DateTime::FormatDate() const {
    Parts p = Split();
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d/%02d/%04d", p.day, p.month, p.year);
    return buf;
}

std::string DateTime::FormatGeneral() const {
    Parts p = Split();
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d/%02d/%04d %02d:%02d:%02d", p.day, p.month, p.year, p.hour, p.minute,
                  p.second);
    return buf;
}

std::optional<DateTime> DateTime::Parse(std::string_view text) {
    size_t pos = 0;
    auto skipBlanks = [&] {
        while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
    };
    skipBlanks();
    Parts p;
    if (!ReadNumber(text, pos, 2, p.day)) return std::nullopt;
    if (pos >= text.size()) return std::nullopt;
    char separator = text[pos];
    if (separator != '/' && separator != '-' && separator != '.') return std::nullopt;
    ++pos;
    if (!ReadNumber(text, pos, 2, p.month)) return std::nullopt;
    if (pos >= text.size() || text[pos] != separator) return std::nullopt;
    ++pos;
    if (!ReadNumber(text, pos, 4, p.year)) return std::nullopt;
    size_t afterDate = pos;
    skipBlanks();
    if (pos < text.size() && pos > afterDate) {
        if (!ReadNumber(text, pos, 2, p.hour)) return std::nullopt;
        if (pos >= text.size() || text[pos] != ':') return std::nullopt;
        ++pos;
        if (!ReadNumber(text, pos, 2, p.minute)) return std::nullopt;
        if (pos < text.size() && text[pos] == ':') {
            ++pos;
            if (!ReadNumber(text, pos, 2, p.second)) return std::nullopt;
        }
        skipBlanks();
    }
    if (pos != text.size()) return std::nullopt;
    return FromParts(p);
}

}  // namespace pelmor
