// The change popup: its states and timing tick by tick, Escape while it slides in, the
// click on its text, a message for a visible popup, and two changes in a row; and the
// single click on the tray icon.

#include <QDBusConnection>
#include <QLabel>
#include <QtTest>

#include "WindowFixture.h"
#include "shell/ChangeAlerts.h"
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

    void threeChangesInARowShowOneAfterTheOtherInArrivalOrder() {
        Window w;
        auto root = Application::Create();
        root->SetActive(true);
        for (const char* name : {"A", "B", "C"})
            root->AddItem(MakePage(std::string("http://") + name + ".example/", std::string("Page ") + name));
        w.Open(root);
        w.settings->SetSoundFile("");
        w.settings->SetAlertDesktop(false);
        auto pages = w.main->Pages().All();
        for (const auto& page : pages) w.main->ShowUpdateNotification(page);
        QCOMPARE(w.main->Alerts()->QueuedPopups(), 2);
        for (const char* name : {"Page A", "Page B", "Page C"}) {
            QPointer<frmNotify> popup = frmNotify::Instance();
            QTRY_COMPARE(popup->Label1()->text(), QString(name) + "\n\nClick here to view now.");
            QVERIFY(popup->testAttribute(Qt::WA_ShowWithoutActivating));
            QVERIFY(popup->windowFlags() & Qt::WindowDoesNotAcceptFocus);
            QTest::keyClick(popup.data(), Qt::Key_Escape);
            QTRY_VERIFY(popup.isNull());
        }
        QCOMPARE(w.main->Alerts()->QueuedPopups(), 0);
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
