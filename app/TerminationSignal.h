// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Turns the signals that ask a desktop program to end (SIGTERM at log-out or shutdown,
// SIGINT from a terminal, SIGHUP when the terminal goes) into a Qt signal on the window
// thread, so that the program ends the way its Exit command does: the profile and the
// preferences written, the checker stopped. A second such signal ends the process at
// once, the default way, in case the orderly end itself hangs.

#include <QObject>

class QSocketNotifier;

namespace pelmor::shell {

class TerminationSignal : public QObject {
    Q_OBJECT
public:
    // One per process; installs the handlers. Null when they cannot be installed.
    static TerminationSignal* Install(QObject* parent);
    ~TerminationSignal() override;

signals:
    void Received(int signalNumber);

private:
    explicit TerminationSignal(QObject* parent);
    void ReadSignal();

    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace pelmor::shell
