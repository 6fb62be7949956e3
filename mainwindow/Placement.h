// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Where the main window opens: the stored placement, kept on the screens that exist, and
// the splitter's position, kept in the preferences file beside the window's placement.

#include <QList>
#include <QRect>
#include <string>

namespace pelmor::mainwindow {

// `wanted` brought onto the screens (their available areas, the primary one first): the
// screen it overlaps most is chosen (the primary one when it overlaps none), the window
// is made no larger than that screen, and moved just enough to lie wholly on it. With no
// screen at all, `wanted` comes back unchanged.
QRect KeptOnScreens(const QRect& wanted, const QList<QRect>& screens);

// The available areas of the screens that exist, the primary one first.
QList<QRect> AvailableScreens();

// The tree's width in twips from the "Splitter" key of the "Form" section of the
// preferences file, at most 1e7; 0 when the key is missing, not a positive number or
// unreadable.
double ReadSplitterPosition(const std::string& iniFile);
// Writes the tree's width in twips to that key; throws Failure when the file cannot be
// written.
void WriteSplitterPosition(const std::string& iniFile, double twips);

}  // namespace pelmor::mainwindow
