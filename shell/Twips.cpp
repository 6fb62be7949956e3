// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/Twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>

namespace pelmor::shell {

double TwipsPerPixel() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    double dpi = screen ? screen->logicalDotsPerInchX() : 96.0;
    if (!(dpi > 0)) dpi = 96.0;
    return 1440.0 / dpi;
}

int ToPixels(double twips) { return static_cast<int>(std::lround(twips / TwipsPerPixel())); }

double ToTwips(int pixels) { return pixels * TwipsPerPixel(); }

}  // namespace pelmor::shell
