// SPDX-License-Identifier: GPL-3.0-or-later
// pelmor-render: the loader's helper that runs a page's scripts. The loader starts it on
// first use and keeps it running; requests arrive on standard input and answers leave on
// standard output (loader/RenderProtocol.h). It needs no display: Qt draws offscreen.
// It ends when its standard input closes, that is when the process that started it ends.

#include <QGuiApplication>
#include <QSocketNotifier>

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

void WriteAll(const std::string& bytes) {
    const char* data = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        ssize_t written = ::write(STDOUT_FILENO, data, left);
        if (written < 0) {
            if (errno == EINTR) continue;
            std::_Exit(0);  // the loader has gone
        }
        data += written;
        left -= static_cast<std::size_t>(written);
    }
}

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

    pelmor::render::Renderer renderer([](const std::string& answer) { WriteAll(answer); });

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
