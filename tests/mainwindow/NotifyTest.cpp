// SPDX-License-Identifier: GPL-3.0-or-later
// The change popup: its states and timing tick by tick, Escape while it slides in, the
// click on its text, a message for a visible popup, and two changes in a row; and the
// single click on the tray icon.

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
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

// A desktop notification server on a connection of its own, recording each Notify of this
// process; tests running beside it on the same bus may send their own, which it answers but
// does not record.
class FakeNotifications : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Call {
        QString summary;
        uint replaces;
        uint id;
    };
    QList<Call> calls;

public slots:
    uint Notify(const QString&, uint replaces, const QString&, const QString& summary, const QString&,
                const QStringList&, const QVariantMap&, int) {
        uint id = replaces ? replaces : uint(calls.size() + 1);
        if (calledFromDBus() && message().service() != QDBusConnection::sessionBus().baseService())
            return 1000 + id;
        calls.append({summary, replaces, id});
        return id;
    }
};

void SendAction(QDBusConnection& bus, uint id) {
    QDBusMessage signal = QDBusMessage::createSignal("/org/freedesktop/Notifications",
                                                     "org.freedesktop.Notifications", "ActionInvoked");
    signal << id << QString("default");
    bus.send(signal);
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

    void desktopNotificationsReplaceTheirOwnAndCountABurstAndTheirActionAsksForThePage() {
        if (!QDBusConnection::sessionBus().isConnected()) QSKIP("no session bus");
        QDBusConnection server = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "fake-notifications");
        FakeNotifications fake;
        QVERIFY(server.registerObject("/org/freedesktop/Notifications", &fake, QDBusConnection::ExportAllSlots));
        QVERIFY(server.registerService("org.freedesktop.Notifications"));
        shell::ChangeAlerts alerts;
        QVERIFY(alerts.HasNotificationServer());
        std::vector<std::shared_ptr<Page>> pages;
        for (int i = 1; i <= 6; ++i) pages.push_back(MakePage("http://p" + std::to_string(i) + ".example/",
                                                              "Page " + std::to_string(i)));
        alerts.Alert(pages[0], true, QString(), QIcon());
        QTRY_COMPARE(alerts.OpenNotifications(), 1);
        for (const auto& page : pages) alerts.Alert(page, true, QString(), QIcon());
        QTRY_COMPARE(fake.calls.size(), 7);
        QCOMPARE(fake.calls[1].replaces, 1u);  // the page again: its own notification
        for (int i = 1; i <= 3; ++i) QCOMPARE(fake.calls[i + 1].summary, QString("Page %1").arg(i + 1));
        QCOMPARE(fake.calls[5].summary, QString("6 pages changed"));
        QCOMPARE(fake.calls[6].summary, QString("7 pages changed"));
        QCOMPARE(fake.calls[6].replaces, fake.calls[5].id);
        QCOMPARE(alerts.QueuedPopups(), 0);

        std::shared_ptr<Page> asked;
        bool opened = false;
        connect(&alerts, &shell::ChangeAlerts::ViewRequested, this, [&](std::shared_ptr<Page> p) { asked = p; });
        connect(&alerts, &shell::ChangeAlerts::OpenRequested, this, [&] { opened = true; });
        SendAction(server, fake.calls[2].id);
        QTRY_COMPARE(asked, pages[1]);
        SendAction(server, fake.calls[6].id);
        QTRY_VERIFY(opened);
        server.unregisterService("org.freedesktop.Notifications");
        QDBusConnection::disconnectFromBus("fake-notifications");
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
