// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// For the tests that windows are laid out for translations: a translator that makes every
// text about a third longer (as German texts are), and the controls of a window that show
// their text cut off.

#include <QAbstractButton>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QStringList>
#include <QStyle>
#include <QTranslator>
#include <QWidget>

namespace pelmor::test {

class LongerTexts : public QTranslator {
public:
    LongerTexts() { QCoreApplication::installTranslator(this); }
    ~LongerTexts() override { QCoreApplication::removeTranslator(this); }
    bool isEmpty() const override { return false; }
    QString translate(const char*, const char* source, const char*, int) const override {
        const QString text = QString::fromUtf8(source);
        // Lengthened inside the text, so that "&File", "%1" and a trailing ":" keep working.
        int middle = static_cast<int>(text.size()) / 2;
        if (middle > 0 && (text[middle - 1] == QLatin1Char('%') || text[middle - 1] == QLatin1Char('&'))) ++middle;
        return text.left(middle) + QString(static_cast<int>(text.size() + 2) / 3, QLatin1Char('e')) + text.mid(middle);
    }
};

// "name: text" of every visible label, button and group box in `window` narrower or lower
// than its text needs. Labels that wrap or that elide on purpose (size policy Ignored) do
// not count.
inline QStringList CutOffTexts(const QWidget* window) {
    QStringList cut;
    for (const QWidget* widget : window->findChildren<QWidget*>()) {
        if (!widget->isVisibleTo(window)) continue;
        QString text;
        if (const auto* label = qobject_cast<const QLabel*>(widget)) {
            if (label->wordWrap() || label->sizePolicy().horizontalPolicy() == QSizePolicy::Ignored) continue;
            text = label->text();
        } else if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
            text = button->text();
        } else if (const auto* group = qobject_cast<const QGroupBox*>(widget)) {
            text = group->title();
        }
        if (text.isEmpty()) continue;
        QSize least = widget->minimumSizeHint();
        // A push button's least width is the style's usual button width, which a small
        // button such as "..." is allowed to go under: its text is what must fit.
        if (const auto* button = qobject_cast<const QPushButton*>(widget)) {
            const int margin = button->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button);
            const int icon = button->icon().isNull() ? 0 : button->iconSize().width() + 4;
            least.setWidth(button->fontMetrics().size(Qt::TextShowMnemonic, text).width() + icon + margin);
        }
        if (widget->width() < least.width() || widget->height() < least.height())
            cut << widget->objectName() + ": " + text;
    }
    return cut;
}

}  // namespace pelmor::test
