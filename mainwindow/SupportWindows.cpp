// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/SupportWindows.h"

#include <QApplication>
#include <QBoxLayout>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QMessageBox>
#include <QPointer>
#include <QScrollBar>
#include <QSysInfo>
#include <QTextBrowser>
#include <QUrlQuery>

#include "platform/core/Version.h"

// The help pages are built into this static library: their resource is registered
// before first use.
static void InitHelpResource() { Q_INIT_RESOURCE(help); }

namespace pelmor::mainwindow {
namespace {

QString Version() {
    QString version = QCoreApplication::applicationVersion();
    return version.isEmpty() ? QStringLiteral(PELMOR_VERSION) : version;
}

// Percent-encodes a mail field completely, so that "&", "=" and line breaks survive.
QString MailField(const QString& text) {
    return QString::fromLatin1(QUrl::toPercentEncoding(text));
}

QUrl Mail(const QString& to, const QString& subject, const QString& body) {
    return QUrl(QStringLiteral("mailto:") + to + QStringLiteral("?subject=") + MailField(subject) +
                    QStringLiteral("&body=") + MailField(body),
                QUrl::TolerantMode);
}

}  // namespace

void ShowHelp(QWidget* parent, const QString& anchor) {
    static QPointer<QDialog> window;
    if (!window) {
        InitHelpResource();
        window = new QDialog(parent);
        window->setObjectName(QStringLiteral("frmHelp"));
        window->setWindowTitle(QCoreApplication::translate("SupportWindows", "Pelmor Help"));
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->resize(640, 560);
        auto* browser = new QTextBrowser(window);
        browser->setObjectName(QStringLiteral("ctlHelp"));
        browser->setOpenExternalLinks(true);
        browser->setSource(QUrl(QStringLiteral("qrc:/help/pelmor-help.html")));
        auto* layout = new QVBoxLayout(window);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(browser);
    }
    auto* browser = window->findChild<QTextBrowser*>(QStringLiteral("ctlHelp"));
    if (anchor.isEmpty())
        browser->verticalScrollBar()->setValue(0);
    else
        browser->scrollToAnchor(anchor);
    window->show();
    window->raise();
    window->activateWindow();
}

void ShowAbout(QWidget* parent) {
    QMessageBox::about(parent, QCoreApplication::translate("SupportWindows", "About Pelmor"),
                       QCoreApplication::translate(
                           "SupportWindows",
                           "<h3>Pelmor %1</h3>"
                           "<p>Pelmor watches web pages for you and shows what changed since you last looked.</p>"
                           "<p>Copyright &copy; 2026 The Pelmor developers</p>"
                           "<p>Pelmor is free software: you can redistribute it and modify it under the terms of the "
                           "%4 as published by the Free Software Foundation. It comes with ABSOLUTELY NO WARRANTY. "
                           "See <a href=\"https://www.gnu.org/licenses/gpl-3.0.html\">the licence</a> for details.</p>"
                           "<p>Built with Qt %2 (running on Qt %3), libcurl, gumbo, pugixml, PCRE2 and SQLite.</p>")
                           .arg(Version(), QStringLiteral(QT_VERSION_STR), QString::fromLatin1(qVersion()),
                                QString::fromUtf8(LicenceName().data(), qsizetype(LicenceName().size()))));
}

QUrl TellFriendMail() {
    return Mail(QString(), QCoreApplication::translate("SupportWindows", "Pelmor watches web pages for you"),
                QCoreApplication::translate(
                    "SupportWindows",
                    "Hello,\n\nI use Pelmor to keep an eye on web pages: it checks them in the background, "
                    "tells me when one changes and shows exactly what is new.\n"
                    "You might like it too.\n"));
}

QString SystemDetails() {
    return QCoreApplication::translate("SupportWindows",
                                       "Pelmor version: %1\nQt version: %2\nSystem: %3\nKernel: %4 %5\nProcessor: %6\n")
        .arg(Version(), QString::fromLatin1(qVersion()), QSysInfo::prettyProductName(), QSysInfo::kernelType(),
             QSysInfo::kernelVersion(), QSysInfo::currentCpuArchitecture());
}

QUrl BugReportMail(const QString& to) {
    return Mail(
        to, QCoreApplication::translate("SupportWindows", "Pelmor bug report"),
        QCoreApplication::translate("SupportWindows", "What I did:\n\n\nWhat happened:\n\n\nWhat I expected:\n\n\n") +
            SystemDetails());
}

void OpenMail(QWidget* parent, const QUrl& mail) {
    if (QDesktopServices::openUrl(mail)) return;
    QUrlQuery query(mail);
    QMessageBox box(
        QMessageBox::Information, QStringLiteral("Pelmor"),
        QCoreApplication::translate("SupportWindows", "No mail program could be opened. This is the message to send:"),
        QMessageBox::Ok, parent);
    box.setDetailedText(query.queryItemValue(QStringLiteral("subject"), QUrl::FullyDecoded) + QStringLiteral("\n\n") +
                        query.queryItemValue(QStringLiteral("body"), QUrl::FullyDecoded));
    box.exec();
}

}  // namespace pelmor::mainwindow
