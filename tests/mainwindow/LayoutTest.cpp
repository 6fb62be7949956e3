// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's size rules, layout, splitter and tray menu.

#include <QFontMetrics>
#include <QHeaderView>
#include <QMenuBar>
#include <QScreen>
#include <QTreeWidget>
#include <QtTest>

#include "WindowFixture.h"
#include "platform/ini/Ini.h"
#include "shell/Twips.h"

using namespace pelmor;
using namespace pelmor::test;
using mainwindow::frmMain;
using shell::ToPixels;
using shell::ToTwips;

class LayoutTest : public QObject {
    Q_OBJECT
private slots:
    void smallWindowSpringsBackAndPlacementIsSaved();
    void maximizedWindowKeepsNormalPlacement();
    void showMainPlacesWindowFromPreferences();
    void arrangeControlsKeepsMargins();
    void splitterLimits();
    void menusAndTrayMenu();
    void exitRemovesTrayAndEnds();
};

namespace {

double IniNumber(const Window& w, const char* key) {
    return std::stod(ini::GetPrivateProfileString("Form", key, "-1", w.settings->INIFile(), 2048));
}

}  // namespace

void LayoutTest::smallWindowSpringsBackAndPlacementIsSaved() {
    Window w;
    w.Open(nullptr);
    w.main->show();
    w.main->resize(200, 150);
    QVERIFY(ToTwips(w.main->width()) >= frmMain::kMinWidth);
    QVERIFY(ToTwips(w.main->height()) >= frmMain::kMinHeight);
    QVERIFY(ToTwips(w.main->width()) < frmMain::kMinWidth + ToTwips(1) + 0.001);

    w.main->resize(ToPixels(9900), ToPixels(8100));
    QCOMPARE(w.settings->FormWidth(), float(ToTwips(w.main->width())));
    QTRY_COMPARE(IniNumber(w, "Width"), double(w.settings->FormWidth()));
    QTRY_COMPARE(IniNumber(w, "Height"), double(w.settings->FormHeight()));
    QTRY_COMPARE(IniNumber(w, "WindowState"), 0.0);
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
    QCOMPARE(small.main->width(), int(std::ceil(frmMain::kMinWidth / shell::TwipsPerPixel() - 1e-9)));
    QCOMPARE(small.main->height(), int(std::ceil(frmMain::kMinHeight / shell::TwipsPerPixel() - 1e-9)));

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

void LayoutTest::arrangeControlsKeepsMargins() {
    Window w;
    w.Open(nullptr);
    w.main->show();
    w.main->resize(ToPixels(12000), ToPixels(9000));
    const double tolerance = ToTwips(1);
    const auto& details = w.main->DetailsBox();
    const auto& log = w.main->LogBox();
    const auto& tree = w.main->TreeBox();
    QVERIFY(std::abs(w.main->ScaleWidth() - details.Right() - frmMain::kRightMargin) < tolerance);
    QCOMPARE(log.Left, details.Left);
    QCOMPARE(log.Top, details.Bottom() + 75);
    QVERIFY(std::abs(w.main->GetDistance(log) - 500) < tolerance);
    QVERIFY(std::abs(w.main->GetDistance(tree) - 500) < tolerance);
    QCOMPARE(tree.Right(), details.Left - 100);
    QCOMPARE(w.main->Tree()->geometry().width(), ToPixels(tree.Width));

    // The activity log's time shows whole, even in the bold of an "Updated" row.
    auto* activity = w.main->findChild<QTreeWidget*>(QStringLiteral("lstStatus"));
    QFont bold = activity->font();
    bold.setBold(true);
    QVERIFY(activity->header()->sectionSize(2) > QFontMetrics(bold).horizontalAdvance(QStringLiteral("30/12/2026 23:59:59")));
}

void LayoutTest::splitterLimits() {
    Window w;
    w.Open(nullptr);
    w.main->show();
    w.main->resize(ToPixels(12000), ToPixels(9000));
    const double left = w.main->TreeBox().Left;
    const double scaleWidth = w.main->ScaleWidth();
    const auto tree = w.main->TreeBox();
    const auto details = w.main->DetailsBox();

    // Too narrow a tree, or too narrow panels: nothing moves.
    QVERIFY(!w.main->MoveSplitter(left + 1999));
    QVERIFY(!w.main->MoveSplitter(scaleWidth - 225 - 5054));
    QCOMPARE(w.main->TreeBox().Width, tree.Width);
    QCOMPARE(w.main->DetailsBox().Left, details.Left);

    // At the limits themselves the splitter moves.
    QVERIFY(w.main->MoveSplitter(left + 2000));
    QCOMPARE(w.main->TreeBox().Width, 2000.0);
    QCOMPARE(w.main->DetailsBox().Left, left + 2100);
    QCOMPARE(w.main->LogBox().Width, scaleWidth - 225 - (left + 2000));
    const double x = scaleWidth - 225 - 5055;
    QVERIFY(w.main->MoveSplitter(x));
    QCOMPARE(w.main->DetailsBox().Width, 5055.0);
    QCOMPARE(w.main->TreeBox().Width, x - left);

    // With the mouse: a press in the gap between tree and panels grabs the splitter.
    w.main->ArrangeControls();
    QWidget* client = w.main->centralWidget();
    const int gap = ToPixels(w.main->TreeBox().Right() + 50);
    const double treeWidth = w.main->TreeBox().Width;
    QTest::mousePress(client, Qt::LeftButton, Qt::NoModifier, QPoint(gap, 100));
    QCOMPARE(client->cursor().shape(), Qt::SizeHorCursor);
    QTest::mouseMove(client, QPoint(gap - 40, 100));
    QTest::mouseRelease(client, Qt::LeftButton, Qt::NoModifier, QPoint(gap - 40, 100));
    QCOMPARE(client->cursor().shape(), Qt::ArrowCursor);
    const double moved = ToTwips(gap - 40) - left;
    QVERIFY(moved < treeWidth);
    QCOMPARE(w.main->TreeBox().Width, moved);
    QCOMPARE(w.main->Tree()->width(), ToPixels(w.main->TreeBox().Width));
    // Moving without the button held does nothing any more.
    QTest::mouseMove(client, QPoint(gap - 80, 100));
    QCOMPARE(w.main->TreeBox().Width, moved);
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
