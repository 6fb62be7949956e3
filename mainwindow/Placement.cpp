// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/Placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "platform/core/Failure.h"
#include "platform/ini/Ini.h"

namespace pelmor::mainwindow {

QRect KeptOnScreens(const QRect& wanted, const QList<QRect>& screens) {
    if (screens.isEmpty()) return wanted;
    QRect screen = screens.front();
    long long best = 0;
    for (const QRect& candidate : screens) {
        QRect common = candidate.intersected(wanted);
        long long area = common.isEmpty() ? 0 : static_cast<long long>(common.width()) * common.height();
        if (area > best) {
            best = area;
            screen = candidate;
        }
    }
    const int width = std::clamp(wanted.width(), 1, std::max(screen.width(), 1));
    const int height = std::clamp(wanted.height(), 1, std::max(screen.height(), 1));
    const int left = std::clamp(wanted.left(), screen.left(), screen.left() + screen.width() - width);
    const int top = std::clamp(wanted.top(), screen.top(), screen.top() + screen.height() - height);
    return QRect(left, top, width, height);
}

QList<QRect> AvailableScreens() {
    QList<QRect> screens;
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (primary) screens << primary->availableGeometry();
    for (const QScreen* screen : QGuiApplication::screens())
        if (screen != primary) screens << screen->availableGeometry();
    return screens;
}

double ReadSplitterPosition(const std::string& iniFile) {
    try {
        const std::string text = ini::GetPrivateProfileString("Form", "Splitter", "", iniFile, 2048);
        if (text.empty()) return 0;
        size_t used = 0;
        const double twips = std::stod(text, &used);
        if (used != text.size() || !std::isfinite(twips) || twips <= 0) return 0;
        // No screen is this wide; the bound keeps the pixels of it a number.
        return std::min(twips, 1e7);
    } catch (const std::invalid_argument&) {
    } catch (const std::out_of_range&) {
    } catch (const Failure&) {
    }
    return 0;
}

void WriteSplitterPosition(const std::string& iniFile, double twips) {
    ini::WritePrivateProfileString("Form", "Splitter", std::to_string(std::lround(twips)), iniFile);
}

}  // namespace pelmor::mainwindow
