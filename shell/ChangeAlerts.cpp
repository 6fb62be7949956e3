// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/ChangeAlerts.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <utility>

#include "items/Page.h"
#include "platform/log/Log.h"
#include "shell/Activation.h"
#include "shell/frmNotify.h"

namespace pelmor::shell {
namespace {

const QString kInterface = QString::fromLatin1(kNotificationsService);
const QString kDefaultAction = QStringLiteral("default");

QString ClickText() { return QCoreApplication::translate("ChangeAlerts", "Click here to view now."); }

}  // namespace

ChangeAlerts::ChangeAlerts(QDBusConnection bus, QObject* parent) : QObject(parent), bus_(std::move(bus)) {
    burstEnd_.setSingleShot(true);
    burstEnd_.setInterval(kBurstQuietMs);
    connect(&burstEnd_, &QTimer::timeout, this, [this] {
        burstCount_ = 0;
        burstId_ = 0;
    });
    if (!bus_.isConnected()) return;
    const QString path = QString::fromLatin1(kNotificationsPath);
    bus_.connect(QString(), path, kInterface, QStringLiteral("ActionInvoked"), this,
                 SLOT(ActionInvoked(uint, QString)));
    bus_.connect(QString(), path, kInterface, QStringLiteral("ActivationToken"), this,
                 SLOT(ActivationToken(uint, QString)));
    bus_.connect(QString(), path, kInterface, QStringLiteral("NotificationClosed"), this,
                 SLOT(NotificationClosed(uint, uint)));
}

bool ChangeAlerts::HasNotificationServer() const {
    QDBusConnectionInterface* bus = bus_.isConnected() ? bus_.interface() : nullptr;
    if (!bus) return false;
    if (bus->isServiceRegistered(kInterface).value()) return true;
    return bus->activatableServiceNames().value().contains(kInterface);
}

void ChangeAlerts::Alert(const std::shared_ptr<Page>& page, bool desktop, const QString& sound, const QIcon& icon) {
    if (!page) return;
    if (desktop && HasNotificationServer()) {
        Notify(page, sound, icon);
    } else {
        QueuePopup({page, sound, icon});
    }
}

void ChangeAlerts::Notify(const std::shared_ptr<Page>& page, const QString& sound, const QIcon& icon) {
    burstEnd_.start();
    ++burstCount_;
    if (burstCount_ > kSinglePerBurst) {
        NotifyBurst(page, sound, icon);
        return;
    }
    // A page told of before replaces its own notification while that is still up.
    uint replaces = 0;
    auto known = idOfPage_.find(page.get());
    if (known != idOfPage_.end()) {
        auto entry = notified_.find(known->second);
        if (entry != notified_.end() && entry->second.lock() == page) replaces = known->second;
    }
    std::weak_ptr<Page> weak = page;
    SendNotification(
        replaces, QString::fromStdString(page->Description()), ClickText(), true, sound,
        [this, weak](uint id) {
            std::shared_ptr<Page> told = weak.lock();
            if (!told) return;
            notified_[id] = weak;
            idOfPage_[told.get()] = id;
        },
        [this, weak, sound, icon] {
            try {
                log::WriteLog("The desktop's notification server did not answer: the popup tells instead");
            } catch (const std::exception&) {
            }
            QueuePopup({weak, sound, icon});
        });
}

void ChangeAlerts::NotifyBurst(const std::shared_ptr<Page>& page, const QString& sound, const QIcon& icon) {
    // The count replaces itself as the burst grows; it plays no sound of its own. While
    // the server has not yet answered with its id, the count is sent again afterwards.
    if (burstInFlight_) {
        burstRecount_ = true;
        return;
    }
    burstInFlight_ = true;
    SendNotification(
        burstId_, tr("%1 pages changed").arg(burstCount_), tr("Click here to open Pelmor."), false, QString(),
        [this](uint id) {
            burstId_ = id;
            notified_[id] = std::weak_ptr<Page>();
            burstInFlight_ = false;
            if (std::exchange(burstRecount_, false)) NotifyBurst(nullptr, QString(), QIcon());
        },
        [this, weak = std::weak_ptr<Page>(page), sound, icon] {
            burstInFlight_ = false;
            QueuePopup({weak, sound, icon});
        });
}

void ChangeAlerts::SendNotification(uint replaces, const QString& summary, const QString& body, bool playSound,
                                    const QString& sound, std::function<void(uint)> done,
                                    std::function<void()> failed) {
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), QString::fromLatin1(kDesktopEntry));
    hints.insert(QStringLiteral("category"), QStringLiteral("transfer.complete"));
    // Pelmor plays its own sound setting; the server then keeps quiet.
    if (playSound && !sound.isEmpty()) {
        PlaySoundFile(sound);
        hints.insert(QStringLiteral("suppress-sound"), true);
    }
    QDBusMessage call = QDBusMessage::createMethodCall(kInterface, QString::fromLatin1(kNotificationsPath), kInterface,
                                                       QStringLiteral("Notify"));
    call << QStringLiteral("Pelmor") << replaces << QStringLiteral("pelmor") << summary << body
         << QStringList{kDefaultAction, tr("View")} << hints << int(-1);
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [done = std::move(done), failed = std::move(failed)](QDBusPendingCallWatcher* w) {
                QDBusPendingReply<uint> reply = *w;
                w->deleteLater();
                if (reply.isError())
                    failed();
                else
                    done(reply.value());
            });
}

void ChangeAlerts::ActivationToken(uint id, const QString& token) {
    if (notified_.count(id)) UseActivationToken(token);
}

void ChangeAlerts::ActionInvoked(uint id, const QString& action) {
    auto entry = notified_.find(id);
    if (entry == notified_.end() || action != kDefaultAction) return;
    if (id == burstId_) {
        emit OpenRequested();
        return;
    }
    if (std::shared_ptr<Page> page = entry->second.lock()) emit ViewRequested(page);
}

void ChangeAlerts::NotificationClosed(uint id, uint) {
    auto entry = notified_.find(id);
    if (entry == notified_.end()) return;
    if (std::shared_ptr<Page> page = entry->second.lock()) idOfPage_.erase(page.get());
    if (id == burstId_) burstId_ = 0;
    notified_.erase(entry);
}

void ChangeAlerts::QueuePopup(Popup popup) {
    popups_.push_back(std::move(popup));
    if (!popupShowing_) ShowNextPopup();
}

void ChangeAlerts::ShowNextPopup() {
    popupShowing_ = false;
    while (!popups_.empty()) {
        Popup next = std::move(popups_.front());
        popups_.pop_front();
        std::shared_ptr<Page> page = next.page.lock();
        if (!page) continue;  // it left the tree while it waited
        frmNotify* popup = frmNotify::Instance();
        connect(popup, &frmNotify::ViewRequested, this, &ChangeAlerts::ViewRequested, Qt::UniqueConnection);
        // The next popup follows once this one has gone, outside its close handling.
        connect(popup, &frmNotify::Closed, this, &ChangeAlerts::ShowNextPopup,
                Qt::ConnectionType(Qt::QueuedConnection | Qt::UniqueConnection));
        NotifyPicture picture;
        picture.icon = next.icon;
        popup->ShowMessage(QString::fromStdString(page->Description()) + QStringLiteral("\r\n\r\n") + ClickText(),
                           picture, 88, 4, 0xFFC0C0, 0xFFFFFF, 0x0000FF, 20, 5000, 20, false, next.sound, page);
        popupShowing_ = true;
        return;
    }
}

}  // namespace pelmor::shell
