// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What every new item starts with, whoever adds it (the window's dialogs, the import
// from bookmarks, the bus objects): the period rule and the fields of a new page.

#include <cstdint>
#include <string_view>

#include "items/Item.h"
#include "platform/core/DateTime.h"

namespace pelmor {

class Page;

// The period rule of every place where a period is given: the number is truncated to a
// whole one and raised to at least 5 for minutes and at least 1 for hours and days, and
// kept within the 16-bit count of units. A value that is no finite number counts as 0.
int16_t ValidPeriod(double period, dfUnits unit);
// The same for a typed text: text that is no number counts as 0.
int16_t PeriodFromText(std::string_view text, dfUnits unit);
// The unit of a unit list entry: "Hours" 1, "Minutes" 0, "Days" 2, anything else 0.
dfUnits UnitFromText(std::string_view text);

// Gives a page about to be added the fields a new page starts with: not updated, saved
// and last checked `now` (to the minute), checked from today with no last day and not
// deleted at the end, dates, pictures and numbers shown as changes, and the default mark
// colours "#00FF00" and "#FFFF00".
void SetNewPageDefaults(Page& page, DateTime now);

}  // namespace pelmor
