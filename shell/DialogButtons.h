// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The row of buttons at the foot of the program's small dialogs: "OK" (the default; it
// runs onOk, or accepts when there is none) and, unless left out, "Cancel" (it rejects),
// right-aligned.

#include <functional>

class QDialog;
class QHBoxLayout;

namespace pelmor::shell {

QHBoxLayout* OkCancelRow(QDialog* dialog, bool withCancel = true, std::function<void()> onOk = {});

}  // namespace pelmor::shell
