// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SingleInstance.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusServiceWatcher>

#include "shell/Activation.h"

namespace pelmor::shell {

SingleInstance::SingleInstance(QDBusConnection connection, QObject* parent)
    : QObject(parent), connection_(std::move(connection)) {}

SingleInstance::~SingleInstance() {
    if (owned_) {
        connection_.unregisterObject(QString::fromLatin1(kInstancePath));
        connection_.unregisterService(QString::fromLatin1(kBusName));
    }
}

SingleInstance::Claim SingleInstance::ClaimName(bool replaceable) {
    if (!connection_.isConnected() || !connection_.interface()) return Claim::NoBus;
    // The object goes up first, so a second start that finds the name can be answered at once.
    if (!connection_.registerObject(QString::fromLatin1(kInstancePath), this, QDBusConnection::ExportScriptableSlots))
        return Claim::HeldByOther;
    auto reply = connection_.interface()->registerService(
        QString::fromLatin1(kBusName),
        replaceable ? QDBusConnectionInterface::DontQueueService : QDBusConnectionInterface::ReplaceExistingService,
        replaceable ? QDBusConnectionInterface::AllowReplacement : QDBusConnectionInterface::DontAllowReplacement);
    if (reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered) {
        owned_ = true;
        if (replaceable) {
            // The bus tells the owner when its name goes to another connection.
            auto* watcher = new QDBusServiceWatcher(QString::fromLatin1(kBusName), connection_,
                                                    QDBusServiceWatcher::WatchForOwnerChange, this);
            connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
                    [this](const QString&, const QString&, const QString& newOwner) {
                        if (!owned_ || newOwner == connection_.baseService()) return;
                        owned_ = false;
                        emit NameLost();
                    });
        }
        return Claim::Owned;
    }
    connection_.unregisterObject(QString::fromLatin1(kInstancePath));
    if (!reply.isValid() && reply.error().type() != QDBusError::NoError &&
        !connection_.interface()->isServiceRegistered(QString::fromLatin1(kBusName)).value())
        return Claim::NoBus;
    return Claim::HeldByOther;
}

bool SingleInstance::AskOwnerToRestore(int timeoutMs) {
    if (!connection_.isConnected() || !connection_.interface()) return false;
    // Addressed to the owner's unique name: a connection that once held the well-known name
    // in this process would otherwise keep delivering the call to itself.
    QDBusReply<QString> owner = connection_.interface()->serviceOwner(QString::fromLatin1(kBusName));
    if (!owner.isValid() || owner.value().isEmpty()) return false;
    QDBusMessage call =
        QDBusMessage::createMethodCall(owner.value(), QString::fromLatin1(kInstancePath),
                                       QString::fromLatin1(kInstanceInterface), QStringLiteral("RestoreWithToken"));
    // A launcher's token lets the owner raise its window where the desktop asks for one.
    call << TakeStartupActivationToken();
    QDBusMessage reply = connection_.call(call, QDBus::BlockWithGui, timeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage;
}

void SingleInstance::Restore() { emit RestoreRequested(); }

void SingleInstance::RestoreWithToken(const QString& activationToken) {
    UseActivationToken(activationToken);
    emit RestoreRequested();
}

}  // namespace pelmor::shell
