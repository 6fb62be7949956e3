// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Waits until the "Add From Favorites" dialog has read its bookmarks.

#include <QSignalSpy>
#include <QtTest>

#include "mainwindow/frmFavorites.h"

namespace pelmor::test {

inline bool WaitForReading(mainwindow::frmFavorites& dialog, int ms = 20000) {
    if (!dialog.Reading()) return true;
    QSignalSpy finished(&dialog, &mainwindow::frmFavorites::ReadingFinished);
    return finished.wait(ms);
}

}  // namespace pelmor::test
