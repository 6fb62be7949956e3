// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Telling the user that pages changed: through the desktop's notifications
// (org.freedesktop.Notifications on the session bus) where a notification server runs
// and the user wants them, else through Pelmor's own popup, one popup after another in
// the order the changes arrived. A notification's default action, like a click on the
// popup's text, asks for the page; a page that changes again replaces its own
// notification, and a burst of changes gives one notification per page up to
// kSinglePerBurst, then one that counts them all and opens the window.
//
// Nothing here waits: notification calls are answered asynchronously and a call that
// fails falls back to the popup, so a change is never told to nobody.

#include <QDBusConnection>
#include <QIcon>
#include <QObject>
#include <QString>
#include <QTimer>
#include <deque>
#include <functional>
#include <map>
#include <memory>

namespace pelmor {
class Page;
}

namespace pelmor::shell {

inline constexpr char kNotificationsService[] = "org.freedesktop.Notifications";
inline constexpr char kNotificationsPath[] = "/org/freedesktop/Notifications";
inline constexpr char kDesktopEntry[] = "pelmor";

class ChangeAlerts : public QObject {
    Q_OBJECT
public:
    static constexpr int kSinglePerBurst = 5;
    // Changes closer together than this belong to one burst.
    static constexpr int kBurstQuietMs = 10000;

    explicit ChangeAlerts(QDBusConnection bus = QDBusConnection::sessionBus(), QObject* parent = nullptr);

    // True when a notification server runs on the bus or the bus can start one.
    bool HasNotificationServer() const;

    // Tells of a changed page: a desktop notification when `desktop` and a server is
    // there, else a popup (queued behind one on screen). `sound` is played once, when
    // not empty; `icon` is drawn on the popup.
    void Alert(const std::shared_ptr<Page>& page, bool desktop, const QString& sound, const QIcon& icon);

    // Popups waiting behind the one on screen.
    int QueuedPopups() const { return static_cast<int>(popups_.size()); }
    // Notifications of this session still on the desktop, as far as the server told.
    int OpenNotifications() const { return static_cast<int>(notified_.size()); }

signals:
    // The user asked to see the page (notification action or popup click).
    void ViewRequested(std::shared_ptr<pelmor::Page> page);
    // The user asked for the window (the notification that counts a burst).
    void OpenRequested();

private slots:
    void ActionInvoked(uint id, const QString& action);
    void ActivationToken(uint id, const QString& token);
    void NotificationClosed(uint id, uint reason);

private:
    struct Popup {
        std::weak_ptr<Page> page;
        QString sound;
        QIcon icon;
    };
    void Notify(const std::shared_ptr<Page>& page, const QString& sound, const QIcon& icon);
    void NotifyBurst(const std::shared_ptr<Page>& page, const QString& sound, const QIcon& icon);
    void SendNotification(uint replaces, const QString& summary, const QString& body, bool playSound,
                          const QString& sound, std::function<void(uint)> done, std::function<void()> failed);
    void QueuePopup(Popup popup);
    void ShowNextPopup();

    QDBusConnection bus_;
    std::deque<Popup> popups_;
    bool popupShowing_ = false;
    // Notification id -> the page it tells of; a null page stands for the burst's count.
    std::map<uint, std::weak_ptr<Page>> notified_;
    std::map<const Page*, uint> idOfPage_;
    uint burstId_ = 0;
    int burstCount_ = 0;
    bool burstInFlight_ = false;
    bool burstRecount_ = false;
    QTimer burstEnd_;
};

}  // namespace pelmor::shell
