// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/TerminationSignal.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include <QSocketNotifier>

namespace pelmor::shell {

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

// The handler may only write to the socket: everything else happens on the window thread.
int writeEnd = -1;
int readEnd = -1;

void OnSignal(int signalNumber) {
    const int saved = errno;
    // The next one takes the default way out.
    for (int s : kSignals) ::signal(s, SIG_DFL);
    const unsigned char number = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] ssize_t written = ::write(writeEnd, &number, 1);
    errno = saved;
}

}  // namespace

TerminationSignal* TerminationSignal::Install(QObject* parent) {
    if (readEnd >= 0) return nullptr;
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, ends) != 0) return nullptr;
    readEnd = ends[0];
    writeEnd = ends[1];
    auto* watcher = new TerminationSignal(parent);
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int s : kSignals) ::sigaction(s, &action, nullptr);
    return watcher;
}

TerminationSignal::TerminationSignal(QObject* parent) : QObject(parent) {
    notifier_ = new QSocketNotifier(readEnd, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &TerminationSignal::ReadSignal);
}

TerminationSignal::~TerminationSignal() {
    for (int s : kSignals) ::signal(s, SIG_DFL);
    ::close(readEnd);
    ::close(writeEnd);
    readEnd = writeEnd = -1;
}

void TerminationSignal::ReadSignal() {
    unsigned char number = 0;
    while (::read(readEnd, &number, 1) == 1) emit Received(number);
}

}  // namespace pelmor::shell
