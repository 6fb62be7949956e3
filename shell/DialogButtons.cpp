// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/DialogButtons.h"

#include <QCoreApplication>
#include <QDialog>
#include <QHBoxLayout>
#include <QPushButton>
#include <utility>

namespace pelmor::shell {

QHBoxLayout* OkCancelRow(QDialog* dialog, bool withCancel, std::function<void()> onOk) {
    auto* row = new QHBoxLayout();
    row->addStretch(1);
    auto* ok = new QPushButton(QCoreApplication::translate("DialogButtons", "OK"), dialog);
    ok->setObjectName(QStringLiteral("btnOK"));
    ok->setDefault(true);
    if (onOk)
        QObject::connect(ok, &QPushButton::clicked, dialog, std::move(onOk));
    else
        QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
    row->addWidget(ok);
    if (withCancel) {
        auto* cancel = new QPushButton(QCoreApplication::translate("DialogButtons", "Cancel"), dialog);
        cancel->setObjectName(QStringLiteral("btnCancel"));
        QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
        row->addWidget(cancel);
    }
    return row;
}

}  // namespace pelmor::shell
