// SPDX-License-Identifier: GPL-3.0-or-later
#include "items/NewItems.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <string>

#include "items/Page.h"

namespace pelmor {

int16_t ValidPeriod(double period, dfUnits unit) {
    double whole = std::isfinite(period) ? std::trunc(period) : 0.0;
    whole = std::clamp(whole, 0.0, 32767.0);
    const double least = unit == dfHour || unit == dfDay ? 1.0 : 5.0;
    return static_cast<int16_t>(std::max(whole, least));
}

int16_t PeriodFromText(std::string_view text, dfUnits unit) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
    const std::string number(text);
    // Decimal numbers only (strtod would also read hexadecimal ones).
    if (number.empty() || number.find_first_of("xX") != std::string::npos) return ValidPeriod(0.0, unit);
    char* end = nullptr;
    const double value = std::strtod(number.c_str(), &end);
    return ValidPeriod(end == number.c_str() + number.size() ? value : 0.0, unit);
}

dfUnits UnitFromText(std::string_view text) {
    if (text == "Hours") return dfHour;
    if (text == "Minutes") return dfMinute;
    if (text == "Days") return dfDay;
    return dfMinute;
}

void SetNewPageDefaults(Page& page, DateTime now) {
    page.SetUpdated(false);
    page.SetSavedDate(DateTime::Parse(now.FormatDateTime()).value_or(now));
    page.SetStartDate(DateTime::Parse(now.FormatDate()).value_or(now.DatePart()));
    page.SetEndDate(DateTime());
    page.SetDeleteAtEnd(false);
    page.SetLastCheckDate(page.SavedDate());
    page.SetShowNumbers(true);
    page.SetShowPics(true);
    page.SetShowTimeDiff(true);
    page.SetInsertColor("#00FF00");
    page.SetUpdateColor("#FFFF00");
}

}  // namespace pelmor
