// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// One running copy per user session: the running program owns a well-known name on the
// D-Bus session bus and serves a Restore call on it. A second start finds the name taken
// and asks the owner to restore its main window.

#include <QDBusConnection>
#include <QObject>

namespace pelmor::shell {

inline constexpr char kBusName[] = "org.pelmor.Pelmor";
inline constexpr char kInstancePath[] = "/Instance";
inline constexpr char kInstanceInterface[] = "org.pelmor.Pelmor.Instance";

class SingleInstance : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.pelmor.Pelmor.Instance")
public:
    enum class Claim { Owned, HeldByOther, NoBus };

    // Works on the given connection (the session bus unless a test passes its own).
    explicit SingleInstance(QDBusConnection connection = QDBusConnection::sessionBus(), QObject* parent = nullptr);
    ~SingleInstance() override;

    // Takes the well-known name and serves Restore on it. HeldByOther when another copy
    // owns the name, NoBus when there is no session bus to ask. A copy that only serves the
    // browser toolbar claims it `replaceable`: the next normal start takes the name over
    // from it (NameLost() then fires), while a normal owner keeps it.
    Claim ClaimName(bool replaceable = false);
    // Asks the owner of the name to restore its main window, waiting at most `timeoutMs`
    // while handling window events; false when nobody answered.
    bool AskOwnerToRestore(int timeoutMs = 5000);

public slots:
    // Called over the bus by a second start.
    Q_SCRIPTABLE void Restore();
    // The same, with the activation token the second start was given ("" for none).
    Q_SCRIPTABLE void RestoreWithToken(const QString& activationToken);

signals:
    void RestoreRequested();
    // Another copy took the name over.
    void NameLost();

private:
    QDBusConnection connection_;
    bool owned_ = false;
};

}  // namespace pelmor::shell
