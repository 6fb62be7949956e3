// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Adds a page through the main window and waits for the add to end.

#include <QtTest>
#include <memory>
#include <optional>

#include "mainwindow/frmMain.h"

namespace pelmor::test {

// The page added, or null when the add failed (or did not end within `ms`).
inline std::shared_ptr<Page> AddAndWait(mainwindow::frmMain& window, const std::shared_ptr<ItemList>& folder,
                                        const std::string& url, const std::string& description, bool detectTitle,
                                        int periodTime, dfUnits periodUnit,
                                        mainwindow::AddFeedback feedback = mainwindow::AddFeedback::Messages,
                                        int ms = 30000) {
    auto result = std::make_shared<std::optional<std::shared_ptr<Page>>>();
    window.AddPageToFolder(folder, url, description, detectTitle, periodTime, periodUnit, feedback,
                           [result](const std::shared_ptr<Page>& page) { *result = page; });
    if (!QTest::qWaitFor([&] { return result->has_value(); }, ms)) return nullptr;
    return result->value_or(nullptr);
}

}  // namespace pelmor::test
