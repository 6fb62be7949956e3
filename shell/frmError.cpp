// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/frmError.h"

#include <QBoxLayout>
#include <QLabel>
#include <QPushButton>

#include "shell/Pictures.h"

namespace pelmor::shell {
namespace {

// The record shows about this many characters a line and lines in all.
constexpr int kDetailsColumns = 64;
constexpr int kDetailsLines = 11;

}  // namespace

frmError::frmError(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmError"));
    setWindowTitle(tr("Pelmor - Error"));
    setWindowIcon(AppIcon());

    auto* head = new QWidget(this);
    auto* picture = new QLabel(head);
    picture->setPixmap(AppIcon().pixmap(32, 32));
    picture->setAlignment(Qt::AlignTop);

    auto* heading = new QLabel(tr("Pelmor encountered a problem."), head);
    heading->setObjectName(QStringLiteral("lblHeading"));
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    auto* hint = new QLabel(tr("For details press the button to the right."), head);
    hint->setObjectName(QStringLiteral("lblHint"));
    hint->setWordWrap(true);

    cmdDetails_ = new QPushButton(head);
    cmdDetails_->setObjectName(QStringLiteral("cmdDetails"));
    connect(cmdDetails_, &QPushButton::clicked, this, [this] { cmdDetails_Click(); });
    auto* ok = new QPushButton(tr("OK"), head);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* texts = new QVBoxLayout();
    texts->addWidget(heading);
    texts->addWidget(hint);
    texts->addStretch(1);
    auto* buttons = new QVBoxLayout();
    buttons->addWidget(cmdDetails_);
    buttons->addWidget(ok);
    buttons->addStretch(1);
    auto* headLayout = new QHBoxLayout(head);
    headLayout->setContentsMargins(0, 0, 0, 0);
    headLayout->addWidget(picture, 0, Qt::AlignTop);
    headLayout->addLayout(texts, 1);
    headLayout->addLayout(buttons);

    lblDetails_ = new QLabel(this);
    lblDetails_->setObjectName(QStringLiteral("lblDetails"));
    lblDetails_->setTextFormat(Qt::PlainText);
    lblDetails_->setFrameShape(QFrame::StyledPanel);
    lblDetails_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblDetails_->setWordWrap(true);
    lblDetails_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    const QFontMetrics metrics = lblDetails_->fontMetrics();
    lblDetails_->setMinimumSize(metrics.averageCharWidth() * kDetailsColumns, metrics.lineSpacing() * kDetailsLines);
    // The dialog is as wide with the record hidden as with it shown.
    head->setMinimumWidth(lblDetails_->minimumWidth());

    // The dialog takes the size its contents need, and changes it as the record comes
    // and goes.
    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(head);
    layout->addWidget(lblDetails_);
    ShowDetails(false);
}

void frmError::SetDetails(const QString& record) {
    // The record's lines end in CR LF; the label wants plain line feeds.
    QString text = record;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    lblDetails_->setText(text.trimmed());
}

QString frmError::Details() const { return lblDetails_->text(); }

bool frmError::IsExpanded() const { return !lblDetails_->isHidden(); }

void frmError::cmdDetails_Click() { ShowDetails(!IsExpanded()); }

void frmError::ShowDetails(bool shown) {
    lblDetails_->setVisible(shown);
    cmdDetails_->setText(shown ? tr("Details <<<") : tr("Details >>>"));
    layout()->activate();
}

}  // namespace pelmor::shell
