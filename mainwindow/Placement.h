// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Where the main window opens: the stored placement, kept on the screens that exist.

#include <QList>
#include <QRect>

namespace pelmor::mainwindow {

// `wanted` brought onto the screens (their available areas, the primary one first): the
// screen it overlaps most is chosen (the primary one when it overlaps none), the window
// is made no larger than that screen, and moved just enough to lie wholly on it. With no
// screen at all, `wanted` comes back unchanged.
QRect KeptOnScreens(const QRect& wanted, const QList<QRect>& screens);

// The available areas of the screens that exist, the primary one first.
QList<QRect> AvailableScreens();

}  // namespace pelmor::mainwindow
