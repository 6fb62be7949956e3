// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/Pictures.h"

#include <QCoreApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace pelmor::shell {
namespace {

QPixmap Blank(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

void DrawSheet(QPainter& p, QRectF r) {
    QPainterPath sheet;
    double fold = r.width() * 0.3;
    sheet.moveTo(r.left(), r.top());
    sheet.lineTo(r.right() - fold, r.top());
    sheet.lineTo(r.right(), r.top() + fold);
    sheet.lineTo(r.right(), r.bottom());
    sheet.lineTo(r.left(), r.bottom());
    sheet.closeSubpath();
    p.setPen(QPen(QColor(70, 80, 100), 1));
    p.setBrush(Qt::white);
    p.drawPath(sheet);
    p.setPen(QPen(QColor(120, 150, 200), 1));
    for (double y = r.top() + r.height() * 0.35; y < r.bottom() - 2; y += r.height() * 0.18)
        p.drawLine(QPointF(r.left() + 2.5, y), QPointF(r.right() - 2.5, y));
}

QPixmap DrawAppPicture(int size, bool updated) {
    QPixmap pixmap = Blank(size);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    double s = size / 32.0;
    DrawSheet(p, QRectF(3 * s, 2 * s, 19 * s, 25 * s));
    p.setPen(QPen(QColor(30, 70, 150), 3 * s, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(22 * s, 22 * s), QPointF(29 * s, 29 * s));
    p.setBrush(QColor(200, 225, 255, 200));
    p.setPen(QPen(QColor(30, 70, 150), 2.2 * s));
    p.drawEllipse(QPointF(17 * s, 17 * s), 6.5 * s, 6.5 * s);
    if (updated) {
        p.setPen(QPen(Qt::white, 1.5 * s));
        p.setBrush(QColor(220, 0, 0));
        p.drawEllipse(QPointF(24.5 * s, 7.5 * s), 6 * s, 6 * s);
    }
    return pixmap;
}

QIcon IconOf(bool updated) {
    QIcon icon;
    for (int size : {16, 22, 32, 48, 64}) icon.addPixmap(DrawAppPicture(size, updated));
    return icon;
}

}  // namespace

QIcon AppIcon() { return IconOf(false); }

QIcon UpdatedIcon() { return IconOf(true); }

QPixmap TreePicture(const QString& key) {
    QPixmap pixmap = Blank(16);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    if (key == QLatin1String("Main")) {
        // A globe: the whole list of watched pages.
        p.setPen(QPen(QColor(20, 70, 140), 1));
        p.setBrush(QColor(90, 160, 230));
        p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(230, 245, 255), 1));
        p.drawEllipse(QRectF(5, 1.5, 6, 13));
        p.drawLine(QPointF(2, 8), QPointF(14, 8));
    } else if (key == QLatin1String("Folder")) {
        QPainterPath folder;
        folder.moveTo(1.5, 4);
        folder.lineTo(6, 4);
        folder.lineTo(7.5, 5.5);
        folder.lineTo(14.5, 5.5);
        folder.lineTo(14.5, 13.5);
        folder.lineTo(1.5, 13.5);
        folder.closeSubpath();
        p.setPen(QPen(QColor(150, 110, 20), 1));
        p.setBrush(QColor(245, 200, 80));
        p.drawPath(folder);
    } else if (key == QLatin1String("Page") || key == QLatin1String("Element")) {
        DrawSheet(p, QRectF(2.5, 1.5, 11, 13));
        if (key == QLatin1String("Element")) {
            // A red frame round one part of the sheet: one element is watched.
            p.setPen(QPen(QColor(210, 0, 0), 1.5));
            p.setBrush(Qt::NoBrush);
            p.drawRect(QRectF(5, 7, 9.5, 6));
        }
    } else {
        return QPixmap();
    }
    return pixmap;
}

QPixmap SplashPicture() {
    QPixmap pixmap(400, 240);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient gradient(0, 0, 0, 240);
    gradient.setColorAt(0, QColor(40, 90, 170));
    gradient.setColorAt(1, QColor(190, 215, 250));
    p.fillRect(pixmap.rect(), gradient);
    p.drawPixmap(40, 56, DrawAppPicture(128, false));
    QFont font = p.font();
    font.setPixelSize(44);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRect(180, 70, 210, 60), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Pelmor"));
    font.setPixelSize(15);
    font.setBold(false);
    p.setFont(font);
    p.setPen(QColor(20, 40, 80));
    p.drawText(QRect(182, 130, 210, 40), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
               QCoreApplication::translate("Pictures", "watches web pages for you"));
    return pixmap;
}

QIcon LampIcon(bool on) {
    QPixmap pixmap = Blank(20);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient gradient(QPointF(8, 7), 9);
    gradient.setColorAt(0, on ? QColor(190, 255, 190) : QColor(235, 235, 235));
    gradient.setColorAt(1, on ? QColor(20, 160, 40) : QColor(130, 130, 130));
    p.setPen(QPen(QColor(60, 60, 60), 1));
    p.setBrush(gradient);
    p.drawEllipse(QRectF(2.5, 2.5, 15, 15));
    return QIcon(pixmap);
}

}  // namespace pelmor::shell
