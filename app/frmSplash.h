// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The splash window: a picture only, shown while the program starts. Its timer fires once,
// `Interval` ms after Start, and the start goes on from there.

#include <QTimer>
#include <QWidget>

namespace pelmor::shell {

class frmSplash : public QWidget {
    Q_OBJECT
public:
    static constexpr int Interval = 2000;

    explicit frmSplash(QWidget* parent = nullptr);

    // Shows the window centred on the primary screen and starts the timer.
    void Start();
    QTimer& Timer1() { return timer_; }

signals:
    void TimerFired();

private:
    QTimer timer_;
};

}  // namespace pelmor::shell
