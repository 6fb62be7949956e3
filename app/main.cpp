// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>
#include <unistd.h>
#include <cstdio>

#include "app/Startup.h"
#include "app/TerminationSignal.h"
#include "shell/Translations.h"

int main(int argc, char** argv) {
    // Answered without a display, a bus or a window.
    if (auto text = pelmor::shell::CommandLine::Information(argc, argv)) {
        std::fputs(text->c_str(), stdout);
        return 0;
    }
    // The browser window's page process cannot run in its sandbox as root; WebEngine
    // would end the whole program. The window logs why when it opens.
    if (::geteuid() == 0) {
        QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
        if (!flags.contains("--no-sandbox")) qputenv("QTWEBENGINE_CHROMIUM_FLAGS", (flags + " --no-sandbox").trimmed());
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pelmor"));
    QApplication::setApplicationVersion(QStringLiteral(PELMOR_VERSION));
    // The desktop entry's name, which the window system matches to the running program.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.pelmor.Pelmor"));
    // The main window lives on in the tray when it is hidden: closing a dialog then must
    // not end the program; the main window's own closing does.
    QApplication::setQuitOnLastWindowClosed(false);
    pelmor::shell::InstallTranslators();

    pelmor::shell::Program program(pelmor::shell::CommandLine::FromArguments(QApplication::arguments()));
    if (auto exitCode = program.Main()) return *exitCode;
    QObject::connect(&program, &pelmor::shell::Program::Finished, &app, &QApplication::quit);
    if (auto* signal = pelmor::shell::TerminationSignal::Install(&app))
        QObject::connect(signal, &pelmor::shell::TerminationSignal::Received, &program, &pelmor::shell::Program::Terminate);
    return QApplication::exec();
}
