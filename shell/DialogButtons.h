#pragma once

// The row of buttons at the foot of the program's small dialogs: "OK" (the default, it
// accepts) and, unless left out, "Cancel" (it rejects), right-aligned.

class QDialog;
class QHBoxLayout;

namespace pelmor::shell {

QHBoxLayout* OkCancelRow(QDialog* dialog, bool withCancel = true);

}  // namespace pelmor::shell
