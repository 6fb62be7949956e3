// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "items/NewItems.h"
#include "items/Page.h"

namespace pelmor {
namespace {

TEST(NewItems, PeriodRule) {
    EXPECT_EQ(PeriodFromText("3", dfMinute), 5);
    EXPECT_EQ(PeriodFromText("0.7", dfDay), 1);
    EXPECT_EQ(PeriodFromText("soon", dfHour), 1);
    EXPECT_EQ(PeriodFromText("soon", dfMinute), 5);
    EXPECT_EQ(PeriodFromText(" 12.9 ", dfMinute), 12);
    EXPECT_EQ(PeriodFromText("12abc", dfMinute), 5);
    EXPECT_EQ(PeriodFromText("0x20", dfMinute), 5);
    EXPECT_EQ(PeriodFromText("-4", dfDay), 1);
    EXPECT_EQ(PeriodFromText("99999999", dfDay), 32767);
    EXPECT_EQ(ValidPeriod(1e300 * 1e300, dfHour), 1);
    EXPECT_EQ(UnitFromText("Hours"), dfHour);
    EXPECT_EQ(UnitFromText("hours"), dfMinute);
}

TEST(NewItems, PageDefaults) {
    auto page = Page::Create();
    SetNewPageDefaults(*page, *DateTime::Parse("09/12/2026 14:05"));
    EXPECT_EQ(page->SavedDate().FormatDateTime(), "09/12/2026 14:05");
    EXPECT_EQ(page->LastCheckDate(), page->SavedDate());
    EXPECT_EQ(page->StartDate().FormatDate(), "09/12/2026");
    EXPECT_TRUE(page->EndDate().IsZero());
    EXPECT_TRUE(page->ShowNumbers() && page->ShowPics() && page->ShowTimeDiff());
    EXPECT_FALSE(page->Updated() || page->DeleteAtEnd() || page->UseInverse());
    EXPECT_EQ(page->InsertColor(), "#00FF00");
    EXPECT_EQ(page->UpdateColor(), "#FFFF00");
}

}  // namespace
}  // namespace pelmor
