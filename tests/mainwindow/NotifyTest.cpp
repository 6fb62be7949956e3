// SPDX-License-Identifier: GPL-3.0-or-later
// The change popup: its states and timing tick by tick, Escape while it slides in, the
// click on its text, a message for a visible popup, and two changes in a row; and the
// single click on the tray icon.

#include <QDBusConnection>
#include <QLabel>
#include <QtTest>

#include "WindowFixture.h"
#include "shell/frmNotify.h"

using namespace pelmor;
using namespace pelmor::test;
using shell::frmNotify;

namespace {

frmNotify* Show(const QString& text, const std::shared_ptr<Page>& page = nullptr) {
    frmNotify* popup = frmNotify::Instance();
    popup->ShowMessage(text, {}, 88, 4, 0xFFC0C0, 0xFFFFFF, 0x0000FF, 20, 5000, 20, false, QString(), page);
    return popup;
}

}  // namespace

class NotifyTest : public QObject {
    Q_OBJECT
private slots:
    void slidesInStaysAndSlidesOutStepByStep() {
        QPointer<frmNotify> popup = Show("Page\r\n\r\nClick here to view now.");
        QVERIFY(popup->isVisible());
        QCOMPARE(popup->CurrentState(), frmNotify::SlidingIn);
        QCOMPARE(popup->CurrentHeight(), 0);
        QCOMPARE(popup->Timer1()->interval(), 20);
        QVERIFY(popup->Timer1()->isActive());
        QCOMPARE(popup->Label1()->text(), QString("Page\n\nClick here to view now."));
        const int full = popup->FullHeight();
        const int steps = (full + frmNotify::kStepPixels - 1) / frmNotify::kStepPixels;
        popup->Timer1_Timer();
        const int bottom = popup->geometry().bottom();
        for (int i = 2; i < steps; ++i) {
            popup->Timer1_Timer();
            QCOMPARE(popup->CurrentHeight(), i * frmNotify::kStepPixels);
            QCOMPARE(popup->geometry().bottom(), bottom);  // grows upwards
        }
        QCOMPARE(popup->CurrentState(), frmNotify::SlidingIn);
        popup->Timer1_Timer();
        QCOMPARE(popup->CurrentHeight(), full);
        QCOMPARE(popup->CurrentState(), frmNotify::Shown);
        QCOMPARE(popup->Timer1()->interval(), 5000);
        popup->Timer1_Timer();
        QCOMPARE(popup->CurrentState(), frmNotify::SlidingOut);
        QCOMPARE(popup->Timer1()->interval(), 20);
        for (int i = 1; i < steps; ++i) popup->Timer1_Timer();
        QVERIFY(frmNotify::IsShowing());
        popup->Timer1_Timer();
        QVERIFY(!frmNotify::IsShowing());
        QTRY_VERIFY(popup.isNull());  // the instance is released
    }

    void escapeWhileSlidingInClosesAtOnceAndAVisiblePopupKeepsItsMessage() {
        auto first = MakePage("http://a.example/", "First");
        QPointer<frmNotify> popup = Show("First", first);
        popup->Timer1_Timer();
        popup->ShowMessage("Second", {}, 88, 4, 0, 0, 0, 20, 5000, 20, false, QString(), MakePage("http://b/", "B"));
        QCOMPARE(popup->Label1()->text(), QString("First"));
        QCOMPARE(popup->ShownPage(), first);
        QTest::keyClick(popup.data(), Qt::Key_Escape);
        QVERIFY(!frmNotify::IsShowing());
        QTRY_VERIFY(popup.isNull());
        QVERIFY(frmNotify::Instance() != nullptr);  // the next message gets a new popup
        frmNotify::Instance()->close();
    }

    void clickingTheTextAsksForThePage() {
        auto page = MakePage("http://a.example/", "Clicked");
        frmNotify* popup = Show("Clicked", page);
        std::shared_ptr<Page> asked;
        connect(popup, &frmNotify::ViewRequested, this, [&](std::shared_ptr<Page> p) { asked = p; });
        QTest::mouseClick(popup->Label1(), Qt::LeftButton);
        QCOMPARE(asked, page);
        QVERIFY(!frmNotify::IsShowing());
    }

    void twoChangesInARowShowOneAfterTheOther() {
        Window w;
        auto root = Application::Create();
        root->SetActive(true);
        root->AddItem(MakePage("http://a.example/", "Page A"));
        root->AddItem(MakePage("http://b.example/", "Page B"));
        w.Open(root);
        w.settings->SetSoundFile("");
        auto pages = w.main->Pages().All();
        w.main->ShowUpdateNotification(pages[0]);
        QPointer<frmNotify> first = frmNotify::Instance();
        QCOMPARE(first->Label1()->text(), QString("Page A\n\nClick here to view now."));
        QVERIFY(first->testAttribute(Qt::WA_ShowWithoutActivating));
        QVERIFY(first->windowFlags() & Qt::WindowStaysOnTopHint);
        // The first popup runs its course on its own timer; the second waits for it.
        QTimer::singleShot(300, first.data(), [&] { QTest::keyClick(first.data(), Qt::Key_Escape); });
        w.main->ShowUpdateNotification(pages[1]);
        QVERIFY(first.isNull() || !first->isVisible());
        frmNotify* second = frmNotify::Instance();
        QVERIFY(second != first.data());
        QCOMPARE(second->Label1()->text(), QString("Page B\n\nClick here to view now."));
        QCOMPARE(second->ShownPage(), pages[1]);
        second->close();
    }

    void aSingleClickOnTheTrayIconRestoresOnlyOnStatusNotifierTrays() {
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (!bus.isConnected()) QSKIP("no session bus");
        Window w;
        w.Open(Application::Create());
        w.main->hide();
        w.main->ctlTray_Activated(QSystemTrayIcon::Trigger);
        QVERIFY(!w.main->isVisible());  // other trays send a double click for that
        QVERIFY(bus.registerService("org.kde.StatusNotifierWatcher"));
        w.main->ctlTray_Activated(QSystemTrayIcon::Trigger);
        bus.unregisterService("org.kde.StatusNotifierWatcher");
        QVERIFY(w.main->isVisible());
    }
};

QTEST_MAIN(NotifyTest)
#include "NotifyTest.moc"
