// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's size rules, layout, splitter and tray menu.

#include <QFontMetrics>
#include <QHeaderView>
#include <QMenuBar>
#include <QScreen>
#include <QSplitter>
#include <QTreeWidget>
#include <QtTest>

#include "WindowFixture.h"
#include "mainwindow/frmHistory.h"
#include "platform/ini/Ini.h"
#include "shell/Twips.h"
#include "support/LongerTexts.h"

using namespace pelmor;
using namespace pelmor::test;
using mainwindow::frmMain;
using shell::ToPixels;
using shell::ToTwips;

class LayoutTest : public QObject {
    Q_OBJECT
private slots:
    void smallWindowSpringsBackReadableAndPlacementIsSaved();
    void longerTextsShowWholeAtTheLeastSize();
    void maximizedWindowKeepsNormalPlacement();
    void showMainPlacesWindowFromPreferences();
    void oldPreferencesFilePlacesWindowAndPanels();
    void splitterLimitsAndPositionRoundTrip();
    void menusAndTrayMenu();
    void exitRemovesTrayAndEnds();
};

namespace {

double IniNumber(const Window& w, const char* key) {
    return std::stod(ini::GetPrivateProfileString("Form", key, "-1", w.settings->INIFile(), 2048));
}

QWidget* Panels(const Window& w) { return w.main->findChild<QWidget*>(QStringLiteral("ctlPanels")); }

}  // namespace

void LayoutTest::smallWindowSpringsBackReadableAndPlacementIsSaved() {
    // With the usual tree font and a large one.
    for (double fontSize : {0.0, 18.0}) {
        Window w;
        w.settings->TreeFont().Size = fontSize;
        auto profile = Application::Create();
        auto folder = MakeFolder("New Folder");
        profile->AddItem(folder);
        folder->AddItem(MakeFolder("New Folder"));
        w.Open(profile);
        w.main->show();
        w.main->resize(200, 150);
        QCOMPARE(w.main->size(), w.main->minimumSize());
        QVERIFY(ToTwips(w.main->width()) >= frmMain::kMinWidth);
        QVERIFY(ToTwips(w.main->height()) >= frmMain::kMinHeight);

        // At the least size a name two folders down still reads whole.
        pelmor::mainwindow::ItemTree* tree = w.main->Tree();
        tree->expandAll();
        const QModelIndex deepest = tree->model()->index(0, 0, tree->model()->index(0, 0, tree->model()->index(0, 0)));
        auto unreadable = [&] {
            const QRect row = tree->visualRect(deepest);
            const int needed = tree->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, tree) +
                               tree->style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, tree) +
                               tree->fontMetrics().horizontalAdvance(deepest.data().toString()) + 12;
            if (row.width() >= needed && row.right() <= tree->viewport()->width()) return QString();
            return QString("row %1..%2, needs %3").arg(row.left()).arg(row.right()).arg(needed);
        };
        QTRY_VERIFY2(unreadable().isEmpty(), qPrintable(unreadable()));

        w.main->resize(ToPixels(9900), ToPixels(8100));
        QCOMPARE(w.settings->FormWidth(), float(ToTwips(w.main->width())));
        QTRY_COMPARE(IniNumber(w, "Width"), double(w.settings->FormWidth()));
        QTRY_COMPARE(IniNumber(w, "Height"), double(w.settings->FormHeight()));
        QTRY_COMPARE(IniNumber(w, "WindowState"), 0.0);
    }
}

void LayoutTest::longerTextsShowWholeAtTheLeastSize() {
    LongerTexts longer;
    Window w;
    auto profile = Application::Create();
    auto page = MakePage("http://127.0.0.1:9/news", "News");
    profile->AddItem(page);
    w.Open(profile);
    w.main->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.main.get()));
    // The root, then a page: its panel has the most controls. The window's least size
    // follows the controls once their layouts have settled.
    for (const char* key : {"Main", ""}) {
        w.main->Tree()->setCurrentIndex(w.Node(*key ? QString(key) : QString::fromStdString(page->Key())));
        w.main->resize(200, 150);
        QTRY_VERIFY2(CutOffTexts(w.main.get()).isEmpty(), qPrintable(CutOffTexts(w.main.get()).join(", ")));
    }

    mainwindow::frmHistory history(w.main->Pages().All().front());
    history.show();
    QVERIFY(QTest::qWaitForWindowExposed(&history));
    QVERIFY2(CutOffTexts(&history).isEmpty(), qPrintable(CutOffTexts(&history).join(", ")));
}

void LayoutTest::maximizedWindowKeepsNormalPlacement() {
    Window w;
    w.Open(nullptr);
    w.main->show();
    w.main->resize(ToPixels(9000), ToPixels(7500));
    const float width = w.settings->FormWidth();
    const float height = w.settings->FormHeight();
    w.main->showMaximized();
    QTRY_VERIFY(w.main->isMaximized());
    QCOMPARE(w.settings->FormWindowState(), int16_t(2));
    QCOMPARE(w.settings->FormWidth(), width);
    QCOMPARE(w.settings->FormHeight(), height);
    QTRY_COMPARE(IniNumber(w, "WindowState"), 2.0);
    QTRY_COMPARE(IniNumber(w, "Width"), double(width));
}

void LayoutTest::showMainPlacesWindowFromPreferences() {
    Window w;
    w.settings->SetFormWidth(11250);
    w.settings->SetFormHeight(8250);
    w.settings->SetFormLeft(1500);
    w.settings->SetFormTop(750);
    w.Open(nullptr);
    w.main->ShowMain();
    QVERIFY(w.main->isVisible());
    QCOMPARE(w.main->width(), ToPixels(11250));
    QCOMPARE(w.main->height(), ToPixels(8250));
    // Placing the window is not a resize by the user: the preferences stay as they were.
    QCOMPARE(w.settings->FormWidth(), 11250.0f);

    // A stored size below the minimum opens at the minimum.
    Window small;
    small.settings->SetFormWidth(3000);
    small.settings->SetFormHeight(5670);
    small.Open(nullptr);
    small.main->ShowMain();
    QCOMPARE(small.main->size(), small.main->minimumSize());

    // A placement far off every screen, or larger than all of them, opens on the screen.
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    for (float left : {-1e9f, 1e9f, 0.0f}) {
        Window huge;
        huge.settings->SetFormWidth(1e9f);
        huge.settings->SetFormHeight(1e9f);
        huge.settings->SetFormLeft(left);
        huge.settings->SetFormTop(1e9f);
        huge.Open(nullptr);
        huge.main->ShowMain();
        const QRect placed = huge.main->geometry();
        QVERIFY2(screen.contains(placed), qPrintable(QString("%1: %2,%3 %4x%5").arg(left).arg(placed.x()).arg(placed.y())
                                                         .arg(placed.width()).arg(placed.height())));
    }
}

void LayoutTest::oldPreferencesFilePlacesWindowAndPanels() {
    // A preferences file as written before the splitter was kept: the window opens where
    // it says and the panels at their usual width. A stored splitter is honoured; one that
    // is no number leaves the usual width, and one past the window gives the tree what the
    // panels leave.
    for (const char* splitter : {"", "Splitter=3000\r\n", "Splitter=wide\r\n", "Splitter=1e30\r\n"}) {
        Window w;
        WriteFile(w.settings->INIFile(), std::string("[Preferences]\r\nStatusBar=True\r\n[Form]\r\nTop=900\r\n"
                                                     "Left=1200\r\nHeight=7800\r\nWidth=10500\r\nWindowState=0\r\n") +
                                             splitter);
        w.settings->LoadPreferences();
        w.Open(nullptr);
        w.main->ShowMain();
        QCOMPARE(w.main->size(), QSize(ToPixels(10500), ToPixels(7800)));
        QCOMPARE(w.main->pos(), QPoint(ToPixels(1200), ToPixels(900)));
        const double panels = ToTwips(Panels(w)->width());
        if (std::string(splitter).find("3000") != std::string::npos)
            QVERIFY(std::abs(w.main->SplitterPosition() - 3000) <= ToTwips(1));
        else if (std::string(splitter).find("1e30") != std::string::npos)
            QCOMPARE(Panels(w)->width(), Panels(w)->minimumSizeHint().width());
        else
            QVERIFY2(std::abs(panels - frmMain::kDefaultPanelWidth) <= ToTwips(1), splitter);
    }
}

void LayoutTest::splitterLimitsAndPositionRoundTrip() {
    Window w;
    w.Open(nullptr);
    w.main->ShowMain();
    w.main->resize(ToPixels(12000), ToPixels(9000));
    const double tree = w.main->SplitterPosition();
    const double panels = ToTwips(Panels(w)->width());

    // Too narrow a tree, or too narrow panels: nothing moves.
    QVERIFY(!w.main->MoveSplitter(frmMain::kMinTreeWidth - 30));
    QVERIFY(!w.main->MoveSplitter(tree + panels - frmMain::kMinPanelWidth + 30));
    QCOMPARE(w.main->SplitterPosition(), tree);

    // Dragging the handle moves it; the position reaches the preferences file in twips
    // and a new window opens with it.
    QSplitter* splitter = w.main->findChild<QSplitter*>(QStringLiteral("ctlSplitter"));
    QSplitterHandle* handle = splitter->handle(1);
    const QPoint grip = handle->rect().center();
    QTest::mousePress(handle, Qt::LeftButton, Qt::NoModifier, grip);
    QTest::mouseMove(handle, grip - QPoint(60, 0));
    QTest::mouseRelease(handle, Qt::LeftButton, Qt::NoModifier, grip - QPoint(60, 0));
    const double moved = w.main->SplitterPosition();
    QVERIFY2(std::abs(moved - (tree - ToTwips(60))) <= ToTwips(1), qPrintable(QString("%1 %2").arg(moved).arg(tree)));
    QTRY_COMPARE(IniNumber(w, "Splitter"), double(std::lround(moved)));

    w.main.reset();
    w.settings->LoadPreferences();
    w.Open(nullptr);
    w.main->ShowMain();
    QVERIFY(std::abs(w.main->SplitterPosition() - moved) <= ToTwips(1));
}

void LayoutTest::menusAndTrayMenu() {
    Window w;
    w.Open(nullptr);
    QStringList tray;
    for (QAction* action : w.main->TrayMenu()->actions()) tray << action->objectName() + "=" + action->text();
    QCOMPARE(tray, QStringList({"menuRestoreTray=&Restore", "menuTrayCheckAll=&Check all", "menuExitTray=&Exit"}));
    QCOMPARE(w.main->TrayMenu()->title(), QString("&SysTray"));
    QCOMPARE(w.main->TreeMenu()->title(), QString("URL List"));
    QCOMPARE(w.main->Action("menuMinimize")->text(), QString("Minimize To Tray"));
    QCOMPARE(w.main->Action("menuExit")->text(), QString("Exit"));

    // Restore brings a hidden window back, and clears the hidden start.
    w.main->SetStartedHidden(true);
    w.main->menuRestoreTray_Click();
    QVERIFY(w.main->isVisible());
    QVERIFY(!w.main->StartedHidden());

    // A double click on the tray icon restores a hidden window; a right click leaves it.
    w.main->hide();
    w.main->ctlTray_Activated(QSystemTrayIcon::Context);
    QVERIFY(!w.main->isVisible());
    w.main->ctlTray_Activated(QSystemTrayIcon::DoubleClick);
    QVERIFY(w.main->isVisible());

    // Where there is no tray (as here), minimising keeps the window on the task bar.
    w.main->menuMinimize_Click();
    QVERIFY(!w.main->isHidden());
}

void LayoutTest::exitRemovesTrayAndEnds() {
    Window w;
    w.Open(nullptr);
    w.main->show();
    const std::string profile = ReadFile(w.settings->XMLFile());
    QSignalSpy unloaded(w.main.get(), &frmMain::Unloaded);
    // The tray's Exit posts the close: nothing happens until the menu has gone.
    w.main->Action("menuExitTray")->trigger();
    QCOMPARE(unloaded.count(), 0);
    QTRY_COMPARE(unloaded.count(), 1);
    QVERIFY(!w.main->isVisible());
    QVERIFY(!w.main->TrayIcon());
    const std::string log = ReadFile(w.home.Data() / "Pelmor.log");
    const size_t entered = log.find("FormUnload entered");
    QVERIFY(entered != std::string::npos);
    QVERIFY(log.find("Tray icon removed", entered) != std::string::npos);
    // Nothing is written on the way out.
    QCOMPARE(ReadFile(w.settings->XMLFile()), profile);
}

QTEST_MAIN(LayoutTest)
#include "LayoutTest.moc"
