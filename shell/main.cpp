#include <QApplication>

#include "shell/Startup.h"
#include "shell/TerminationSignal.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pelmor"));
    QApplication::setApplicationVersion(QStringLiteral(PELMOR_VERSION));
    // The main window lives on in the tray when it is hidden: closing a dialog then must
    // not end the program; the main window's own closing does.
    QApplication::setQuitOnLastWindowClosed(false);

    pelmor::shell::Program program(pelmor::shell::CommandLine::FromArguments(QApplication::arguments()));
    if (auto exitCode = program.Main()) return *exitCode;
    QObject::connect(&program, &pelmor::shell::Program::Finished, &app, &QApplication::quit);
    if (auto* signal = pelmor::shell::TerminationSignal::Install(&app))
        QObject::connect(signal, &pelmor::shell::TerminationSignal::Received, &program, &pelmor::shell::Program::Terminate);
    return QApplication::exec();
}
