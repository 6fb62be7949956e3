// SPDX-License-Identifier: GPL-3.0-or-later
// pelmor-icons DIR: writes the program's icon as DIR/NxN/apps/pelmor.png in the sizes of
// the desktop's hicolor icon theme, and DIR/icon-N.png for the browser button.

#include <QDir>
#include <QGuiApplication>
#include <cstdio>

#include "shell/Pictures.h"

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: pelmor-icons DIR\n");
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);
    const QIcon icon = pelmor::shell::AppIcon();
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(root).arg(size);
        const QPixmap pixmap = icon.pixmap(size, size).scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        if (!QDir().mkpath(folder) || !pixmap.save(folder + QStringLiteral("/pelmor.png"), "PNG")) {
            std::fprintf(stderr, "pelmor-icons: cannot write %s\n", qPrintable(folder));
            return 1;
        }
    }
    return 0;
}
