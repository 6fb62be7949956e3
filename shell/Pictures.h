// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The program's pictures, drawn at run time so that no image file has to ship.

#include <QIcon>
#include <QPixmap>
#include <QString>

namespace pelmor::shell {

// The program's own icon: a sheet with a magnifying glass.
QIcon AppIcon();
// The program's icon with a red dot, shown in the tray while a page is marked updated.
QIcon UpdatedIcon();
// Tree pictures by key: "Main", "Folder", "Page" and "Element"; a null pixmap for any
// other key.
QPixmap TreePicture(const QString& key);
// The splash picture, 400 by 240 pixels.
QPixmap SplashPicture();
// A filled round lamp, green when `on`, grey otherwise, for the ON/OFF indicator.
QIcon LampIcon(bool on);

}  // namespace pelmor::shell
