// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Text that comes from a page (titles, descriptions, addresses, failure reasons) is shown
// as it is, never read as markup.

#include <QString>
#include <QTextDocument>

namespace pelmor::mainwindow {

// A tool tip showing `text` literally: Qt takes a tip that looks like markup for rich
// text, so such a tip is escaped.
inline QString PlainToolTip(const QString& text) {
    if (!Qt::mightBeRichText(text)) return text;
    return QStringLiteral("<p style='white-space:pre-wrap'>") + text.toHtmlEscaped() + QStringLiteral("</p>");
}

}  // namespace pelmor::mainwindow
