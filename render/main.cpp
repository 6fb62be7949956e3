// SPDX-License-Identifier: GPL-3.0-or-later
// pelmor-render: the loader's helper that runs a page's scripts. The loader starts it on
// first use and keeps it running; requests arrive on standard input and answers leave on
// standard output (loader/RenderProtocol.h). It needs no display: Qt draws offscreen.
// It ends when its standard input closes, that is when the process that started it ends.

#include <QGuiApplication>
#include <QSocketNotifier>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "loader/RenderProtocol.h"
#include "platform/core/Version.h"
#include "render/Renderer.h"

namespace {

// Answers leave without ever blocking the main thread: what the loader has not taken yet
// waits here and goes out as the channel has room, so that a loader busy writing a big
// request never holds up the helper (nor the helper the loader).
class Output {
public:
    Output() : notifier_(STDOUT_FILENO, QSocketNotifier::Write) {
        notifier_.setEnabled(false);
        QObject::connect(&notifier_, &QSocketNotifier::activated, [this] { Flush(); });
    }
    void Send(const std::string& bytes) {
        pending_ += bytes;
        Flush();
    }

private:
    void Flush() {
        while (sent_ < pending_.size()) {
            ssize_t written = ::write(STDOUT_FILENO, pending_.data() + sent_, pending_.size() - sent_);
            if (written < 0) {
                if (errno == EINTR) continue;
                if (errno == EAGAIN || errno == EWOULDBLOCK) break;
                std::_Exit(0);  // the loader has gone
            }
            sent_ += static_cast<std::size_t>(written);
        }
        if (sent_ == pending_.size()) {
            pending_.clear();
            sent_ = 0;
        } else if (sent_ > (1u << 20)) {
            pending_.erase(0, sent_);
            sent_ = 0;
        }
        notifier_.setEnabled(!pending_.empty());
    }

    QSocketNotifier notifier_;
    std::string pending_;
    std::size_t sent_ = 0;
};

// Sets `name` to `value` unless the environment has it already.
void Default(const char* name, const char* value) {
    if (!qEnvironmentVariableIsSet(name)) qputenv(name, value);
}

}  // namespace

int main(int argc, char** argv) {
    // Answered before WebEngine starts.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0 || std::strcmp(argv[i], "-V") == 0) {
            std::fputs(pelmor::VersionText("pelmor-render").c_str(), stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs("Usage: pelmor-render\n"
                       "Pelmor's helper that loads web pages with their scripts run. Pelmor and its checker\n"
                       "start it and talk to it over its standard input and output; it is not meant to be\n"
                       "run by hand. It ends when its standard input closes.\n"
                       "\n"
                       "  --help     show this text\n"
                       "  --version  show the version and licence\n",
                       stdout);
            return 0;
        }
    }
    std::signal(SIGPIPE, SIG_IGN);
    Default("QT_QPA_PLATFORM", "offscreen");
    // No GPU is used for pages that are never shown; the sandbox cannot run as root.
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    if (!flags.contains("--disable-gpu")) flags += " --disable-gpu";
    if (::geteuid() == 0 && !flags.contains("--no-sandbox")) flags += " --no-sandbox";
    // Pages are never on screen; without these their timers would run once a second.
    flags += " --disable-background-timer-throttling --disable-renderer-backgrounding";
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags.trimmed());
    Default("QT_LOGGING_RULES", "*.debug=false;js.*=false");

    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName("pelmor-render");

    // Standard input and output are one socket: both ends go non-blocking together.
    ::fcntl(STDOUT_FILENO, F_SETFL, ::fcntl(STDOUT_FILENO, F_GETFL) | O_NONBLOCK);
    ::fcntl(STDIN_FILENO, F_SETFL, ::fcntl(STDIN_FILENO, F_GETFL) | O_NONBLOCK);
    Output output;
    pelmor::render::Renderer renderer([&output](const std::string& answer) { output.Send(answer); });

    std::string buffer;
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char chunk[65536];
        ssize_t got = ::read(STDIN_FILENO, chunk, sizeof chunk);
        if (got < 0 && (errno == EINTR || errno == EAGAIN)) return;
        if (got <= 0) {
            input.setEnabled(false);
            QGuiApplication::exit(0);
            return;
        }
        buffer.append(chunk, static_cast<std::size_t>(got));
        for (;;) {
            std::size_t end = buffer.find('\n');
            if (end == std::string::npos) break;
            pelmor::quillon::render::Header header;
            long long length = -1;
            if (pelmor::quillon::render::ParseHeader(std::string_view(buffer).substr(0, end), header))
                length = pelmor::quillon::render::BodyLength(header);
            if (length < 0 || header.kind != "LOAD") {
                // A stream out of step cannot be trusted any further.
                QGuiApplication::exit(2);
                return;
            }
            if (buffer.size() < end + 1 + static_cast<std::size_t>(length)) break;
            pelmor::quillon::render::LoadRequest request;
            bool ok = pelmor::quillon::render::DecodeRequest(
                header, std::string_view(buffer).substr(end + 1, static_cast<std::size_t>(length)), request);
            buffer.erase(0, end + 1 + static_cast<std::size_t>(length));
            if (!ok) {
                QGuiApplication::exit(2);
                return;
            }
            renderer.Load(request);
        }
    });
    return app.exec();
}
