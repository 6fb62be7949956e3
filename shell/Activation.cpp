// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/Activation.h"

#include <QtGlobal>

namespace pelmor::shell {

namespace {
constexpr char kTokenVariable[] = "XDG_ACTIVATION_TOKEN";
}

void UseActivationToken(const QString& token) {
    // Qt's Wayland plugin hands this token to the compositor at the next activation.
    if (!token.isEmpty()) qputenv(kTokenVariable, token.toUtf8());
}

QString TakeStartupActivationToken() {
    QString token = qEnvironmentVariable(kTokenVariable);
    qunsetenv(kTokenVariable);
    return token;
}

}  // namespace pelmor::shell
