// SPDX-License-Identifier: GPL-3.0-or-later
// Every text the main window and its dialogs show goes through tr(): with the build's
// pseudo-translation loaded, which wraps each translated text in "⟦…⟧", no visible text may
// lack the marks, page-derived text, numbers and addresses aside. And the German
// translation loads and translates the real window.

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QCalendarWidget>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QTextDocument>
#include <QToolButton>
#include <QtTest>

#include "WindowFixture.h"
#include "shell/Translations.h"
#include "shell/frmError.h"
#include "shell/frmNotify.h"

using namespace pelmor;
using namespace pelmor::test;

namespace {

// Text that comes from the profile, the preferences (the tree's font) or the test itself,
// not from the program.
const QStringList kDataTexts = {QStringLiteral("Example Page"),  QStringLiteral("Weather Today"),
                                QStringLiteral("News pages"),    QStringLiteral("News"),
                                QStringLiteral("MS Sans Serif"), QStringLiteral("Error record"),
                                // The program's name is the same in every language.
                                QStringLiteral("Pelmor")};

std::shared_ptr<Application> Profile() {
    auto application = Application::Create();
    application->SetActive(true);
    application->SetPeriodTime(1);
    application->SetPeriodUnit(dfDay);
    auto folder = MakeFolder("News");
    folder->AddItem(MakePage("http://127.0.0.1:9/example", "Example Page"));
    application->AddItem(folder);
    application->AddItem(MakePage("http://127.0.0.1:9/weather", "Weather Today"));
    return application;
}

// True when nothing of `text` is left to translate once the marked parts, the profile's
// texts, addresses, numbers and punctuation are taken out.
bool IsMarked(QString text) {
    static const QRegularExpression marked(QStringLiteral("⟦[^⟦⟧]*⟧"));
    static const QRegularExpression address(QStringLiteral("\\b(https?|file|qrc)://\\S*"));
    static const QRegularExpression letter(QStringLiteral("\\p{L}"));
    for (qsizetype before = -1; before != text.size();) {
        before = text.size();
        text.remove(marked);
    }
    text.remove(address);
    for (const QString& data : kDataTexts) text.remove(data);
    return !text.contains(letter);
}

QString Plain(const QString& text) {
    if (!Qt::mightBeRichText(text)) return text;
    QTextDocument document;
    document.setHtml(text);
    return document.toPlainText();
}

// Gathers the visible texts of windows and reports those not marked.
class TextWalker {
public:
    void Window(QWidget* window, const QString& where) {
        if (!window || walked_.contains(window)) return;
        walked_.insert(window);
        Check(window->windowTitle(), where + QStringLiteral(" title"));
        // Qt's own dialogs carry Qt's own translation; only their titles are ours.
        if (qobject_cast<QFileDialog*>(window)) return;
        QList<QWidget*> widgets = window->findChildren<QWidget*>();
        widgets.prepend(window);
        for (QWidget* widget : widgets) {
            if (widget != window && !widget->isVisibleTo(window)) continue;
            // The calendar's month and day names come from the locale, not from a translation.
            if (InsideCalendar(widget)) continue;
            const QString at = where + QLatin1Char('/') + widget->objectName();
            Check(widget->toolTip(), at + QStringLiteral(" tooltip"));
            if (auto* label = qobject_cast<QLabel*>(widget)) Check(Plain(label->text()), at);
            if (auto* button = qobject_cast<QAbstractButton*>(widget); button && ShowsText(button))
                Check(button->text(), at);
            if (auto* edit = qobject_cast<QLineEdit*>(widget)) Check(edit->placeholderText(), at);
            if (auto* group = qobject_cast<QGroupBox*>(widget)) Check(group->title(), at);
            if (auto* combo = qobject_cast<QComboBox*>(widget); combo && !combo->isEditable())
                for (int i = 0; i < combo->count(); ++i) Check(combo->itemText(i), at);
            if (auto* header = qobject_cast<QHeaderView*>(widget); header && header->model())
                for (int i = 0; i < header->count(); ++i)
                    Check(header->model()->headerData(i, header->orientation()).toString(), at);
        }
        for (QAction* action : window->findChildren<QAction*>())
            if (!InsideCalendar(qobject_cast<QWidget*>(action->parent()))) Action(action, where);
    }

    // Escapes not in the allowed list, one per line with where each was seen.
    QStringList NewEscapes(const QSet<QString>& allowed) const {
        QStringList found;
        for (auto it = escapes_.cbegin(); it != escapes_.cend(); ++it)
            if (!allowed.contains(it.key())) found << QStringLiteral("\"%1\" (%2)").arg(it.key(), it.value());
        return found;
    }
    QStringList Escapes() const { return escapes_.keys(); }

private:
    // False for the standard buttons of a button box, whose texts are Qt's, and for tool
    // buttons that show only their icon.
    static bool ShowsText(QAbstractButton* button) {
        auto* box = qobject_cast<QDialogButtonBox*>(button->parentWidget());
        if (box && box->standardButton(button) != QDialogButtonBox::NoButton) return false;
        auto* tool = qobject_cast<QToolButton*>(button);
        return !tool || tool->toolButtonStyle() != Qt::ToolButtonIconOnly;
    }

    static bool InsideCalendar(QWidget* widget) {
        for (; widget; widget = widget->parentWidget())
            if (qobject_cast<QCalendarWidget*>(widget)) return true;
        return false;
    }

    void Action(QAction* action, const QString& where) {
        if (action->isSeparator() || action->objectName().startsWith(QLatin1String("qt_")) ||
            action->objectName().startsWith(QLatin1String("_q_")))
            return;
        const QString at = where + QLatin1Char('/') + action->objectName();
        Check(action->text(), at);
        Check(action->toolTip(), at + QStringLiteral(" tooltip"));
        Check(action->statusTip(), at + QStringLiteral(" status tip"));
    }

    void Check(const QString& text, const QString& where) {
        if (text.trimmed().isEmpty() || IsMarked(text)) return;
        QString key = text;
        key.replace(QLatin1Char('\n'), QStringLiteral("\\n")).replace(QLatin1Char('\r'), QStringLiteral("\\r"));
        if (!escapes_.contains(key)) escapes_.insert(key, where);
    }

    QSet<QWidget*> walked_;
    QMap<QString, QString> escapes_;
};

QSet<QString> AllowedEscapes() {
    QSet<QString> allowed;
    QFile file(QStringLiteral(PELMOR_ALLOWED_ESCAPES));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return allowed;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n')))
        if (!line.isEmpty() && !line.startsWith(QLatin1Char('#'))) allowed.insert(line);
    return allowed;
}

// Selects the row with the given text in the window's tree.
bool Select(QWidget* main, const QString& text) {
    auto* tree = main->findChild<QAbstractItemView*>(QStringLiteral("ctlTree"));
    if (!tree || !tree->model()) return false;
    QModelIndexList found = tree->model()->match(tree->model()->index(0, 0), Qt::DisplayRole, text, 1,
                                                 Qt::MatchExactly | Qt::MatchRecursive);
    if (found.isEmpty()) return false;
    tree->setCurrentIndex(found.first());
    return true;
}

// Runs `open` (a command that may show modal dialogs, one after another or none) and walks
// every dialog and new window it shows, closing each with its negative answer.
void WalkWhatOpens(TextWalker& walker, QWidget* main, const QString& name, const std::function<void()>& open) {
    QTimer closer;
    closer.setInterval(20);
    QObject::connect(&closer, &QTimer::timeout, [&] {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window == main || !window->isVisible() || qobject_cast<QMenu*>(window)) continue;
            walker.Window(window, name);
            if (auto* box = qobject_cast<QMessageBox*>(window)) {
                QAbstractButton* no = box->button(QMessageBox::No) ? box->button(QMessageBox::No) : box->escapeButton();
                if (no) {
                    no->click();
                    continue;
                }
            }
            window->close();
        }
    });
    closer.start();
    open();
    QTest::qWait(300);  // windows and answers that come after the command returned
    closer.stop();
}

}  // namespace

class WindowTextsTest : public QObject {
    Q_OBJECT
private slots:
    void everyWindowTextGoesThroughTr();
    void germanTranslationTranslatesTheWindow();
};

void WindowTextsTest::everyWindowTextGoesThroughTr() {
    QTranslator* pseudo = shell::InstallTranslationFile(QStringLiteral(PELMOR_PSEUDO_QM));
    QVERIFY2(pseudo, "the pseudo-translation was not built");
    TextWalker walker;
    {
        Window w;
        w.Open(Profile());
        QWidget* main = w.main.get();
        main->show();
        QVERIFY(Select(main, QStringLiteral("Example Page")));
        walker.Window(main, QStringLiteral("frmMain"));

        auto trigger = [&](const char* name) {
            if (auto* action = main->findChild<QAction*>(QLatin1String(name)))
                WalkWhatOpens(walker, main, QLatin1String(name), [action] { action->trigger(); });
        };
        for (const char* name :
             {"menuAddURL", "menuAddFolder", "menuURLProperties", "menuUpdateChecking", "menuVisualSettings",
              "menuImportFavorites", "menuAbout", "menuUpdateSoftware", "menuHistory", "menuContents"})
            trigger(name);
        if (auto* advanced = main->findChild<QPushButton*>(QStringLiteral("btnAdvanced")))
            WalkWhatOpens(walker, main, QStringLiteral("btnAdvanced"), [advanced] { advanced->click(); });
        // A folder with pages asks before it goes; the walk answers No.
        QVERIFY(Select(main, QStringLiteral("News")));
        walker.Window(main, QStringLiteral("frmMain (folder)"));
        trigger("menuRemoveItem");
        shell::frmNotify notify;
        walker.Window(&notify, QStringLiteral("frmNotify"));
        WalkWhatOpens(walker, main, QStringLiteral("frmError"), [] {
            shell::frmError error;
            error.SetDetails(QStringLiteral("Error record"));
            error.exec();
        });
    }
    QCoreApplication::removeTranslator(pseudo);
    delete pseudo;

    const QSet<QString> allowed = AllowedEscapes();
    const QStringList escapes = walker.Escapes();
    for (const QString& text : allowed)
        if (!escapes.contains(text))
            qInfo().noquote() << "goes through tr() now, remove from the allowed list:" << text;
    const QStringList found = walker.NewEscapes(allowed);
    for (const QString& escape : found) qWarning().noquote() << "shown without tr():" << escape;
    QVERIFY2(found.isEmpty(), "texts are shown without tr(): see the warnings above");
}

void WindowTextsTest::germanTranslationTranslatesTheWindow() {
    const QStringList folders{QStringLiteral(PELMOR_TRANSLATIONS_DIR)};
    // English is the language of the sources, and a language without a file stays English.
    QVERIFY(shell::InstallTranslators(QLocale(QLocale::English, QLocale::UnitedStates), folders).isEmpty());
    QVERIFY(shell::InstallTranslators(QLocale(QLocale::Japanese), folders).isEmpty());
    QCOMPARE(shell::InstallTranslators(QLocale(QLocale::German, QLocale::Austria), folders), QStringLiteral("de"));
    // Qt's own texts come in German too.
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Abbrechen"));

    Window w;
    w.Open(Profile());
    QWidget* main = w.main.get();
    main->show();
    QStringList labels;
    QTimer::singleShot(50, [&] {
        if (QWidget* dialog = QApplication::activeModalWidget()) {
            for (QLabel* label : dialog->findChildren<QLabel*>()) labels << label->text();
            dialog->close();
        }
    });
    main->findChild<QAction*>(QStringLiteral("menuVisualSettings"))->trigger();
    QVERIFY2(labels.contains(QStringLiteral("Versionen aufbewahren")), qPrintable(labels.join(QLatin1Char('|'))));
}

QTEST_MAIN(WindowTextsTest)
#include "WindowTextsTest.moc"
