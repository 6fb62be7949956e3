// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Raising the window where the windowing system asks for proof that the user wanted it
// (Wayland's xdg-activation): a launcher, a second start, pelmor-toolbar and the
// notification server pass an activation token along.

#include <QString>

namespace pelmor::shell {

// Hands the token to the windowing system, so that the next activateWindow() may raise
// the window; X11 ignores it. An empty token changes nothing.
void UseActivationToken(const QString& token);

// The token this process was started with ("" when none), taken out of the environment
// so that it is passed on only once.
QString TakeStartupActivationToken();

}  // namespace pelmor::shell
