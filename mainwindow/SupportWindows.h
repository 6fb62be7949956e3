// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The support windows: the help pages, the mail that recommends Pelmor to a friend and
// the bug report that carries the version and the system's details.

#include <QString>
#include <QUrl>

class QWidget;

namespace pelmor::mainwindow {

// Shows the help pages that ship with the program in a window of their own, at the
// anchor given ("" for the top, "faq" for the questions); one window is reused.
void ShowHelp(QWidget* parent, const QString& anchor);
// The About box: name, version, licence and the libraries in use.
void ShowAbout(QWidget* parent);

// The "mailto:" address of the recommendation and of the bug report. `to` may be empty.
QUrl TellFriendMail();
QUrl BugReportMail(const QString& to);
// The version and system lines a bug report carries.
QString SystemDetails();
// Opens the user's mail program on `mail`; when there is none, shows the text to copy.
void OpenMail(QWidget* parent, const QUrl& mail);

}  // namespace pelmor::mainwindow
