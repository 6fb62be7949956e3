// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/frmSplash.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>

#include "shell/Pictures.h"

namespace pelmor::shell {

frmSplash::frmSplash(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("frmSplash"));
    QPixmap picture = SplashPicture();
    auto* label = new QLabel(this);
    label->setPixmap(picture);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(label);
    timer_.setSingleShot(true);
    timer_.setInterval(Interval);
    connect(&timer_, &QTimer::timeout, this, &frmSplash::TimerFired);
}

void frmSplash::Start() {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect area = screen->availableGeometry();
        move(area.center() - QPoint(sizeHint().width() / 2, sizeHint().height() / 2));
    }
    show();
    timer_.start();
}

}  // namespace pelmor::shell
