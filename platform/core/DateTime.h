// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Date-times as days since 30 December 1899, midnight, with the time of day as the
// fraction (the zero value is that midnight and stands for "no date"). Differences are
// plain day counts, so a period of 3 hours is 3/24 and "due" tests are comparisons.
// Values are local time; text forms are fixed ("dd/mm/yyyy hh:MM", "dd/mm/yyyy") and never
// depend on the machine's locale.

#include <compare>
#include <optional>
#include <string>
#include <string_view>

namespace pelmor {

class DateTime {
public:
    struct Parts {
        int year = 1899;
        int month = 12;
        int day = 30;
        int hour = 0;
        int minute = 0;
        int second = 0;
    };

    constexpr DateTime() = default;
    constexpr explicit DateTime(double days) : days_(days) {}

    // The date-time of the given calendar parts; nullopt when a part is out of range
    // (month 13, 31 April, hour 24, year outside 100..9999).
    static std::optional<DateTime> FromParts(const Parts& parts);
    // The current local date-time, to the second.
    static DateTime Now();

    constexpr double Days() const { return days_; }
    constexpr bool IsZero() const { return days_ == 0.0; }
    // Calendar parts, rounded to the nearest second.
    Parts Split() const;
    // Whether the date has a text form that reads back: a number whose calendar date, to
    // the nearest second, falls in the years 100 to 9999. False for NaN and infinities.
    bool IsStorable() const;
    // The same day at midnight.
    DateTime DatePart() const;

    // "dd/mm/yyyy hh:MM"; seconds are dropped.
    std::string FormatDateTime() const;
    // "dd/mm/yyyy".
    std::string FormatDate() const;
    // "dd/mm/yyyy hh:MM:ss", used in log entries.
    std::string FormatGeneral() const;

    // Reads day, month, year separated by "/", "-" or ".", optionally followed by a time
    // "hh:MM" or "hh:MM:ss"; surrounding blanks are allowed. A date without a time is
    // midnight. nullopt when the text is not such a date.
    static std::optional<DateTime> Parse(std::string_view text);

    friend constexpr auto operator<=>(DateTime a, DateTime b) { return a.days_ <=> b.days_; }
    friend constexpr bool operator==(DateTime a, DateTime b) { return a.days_ == b.days_; }
    friend constexpr DateTime operator+(DateTime a, double days) { return DateTime(a.Linear() + days, true); }
    friend constexpr DateTime operator-(DateTime a, double days) { return DateTime(a.Linear() - days, true); }
    // Signed number of days from b to a.
    friend constexpr double operator-(DateTime a, DateTime b) { return a.Linear() - b.Linear(); }

private:
    // Before the zero date the stored value keeps the day negative and the time positive
    // (-1.25 is 29 December 1899, 06:00); Linear() is the plain time line.
    constexpr double Linear() const {
        if (days_ >= 0) return days_;
        double whole = static_cast<double>(static_cast<long long>(days_));
        return whole - (days_ - whole);
    }
    constexpr DateTime(double linear, bool) : days_(FromLinear(linear)) {}
    static constexpr double FromLinear(double linear) {
        if (linear >= 0) return linear;
        double whole = static_cast<double>(static_cast<long long>(linear));
        if (whole == linear) return linear;
        whole -= 1.0;  // floor
        return whole - (linear - whole);
    }

    double days_ = 0.0;
};

}  // namespace pelmor
