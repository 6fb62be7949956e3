// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/frmError.h"

#include <QLabel>
#include <QPushButton>

#include "shell/Pictures.h"
#include "shell/Twips.h"

namespace pelmor::shell {
namespace {

constexpr int kWidth = 460;
constexpr int kDetailsHeight = 180;
constexpr double kDetailsGapTwips = 75;

}  // namespace

frmError::frmError(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmError"));
    setWindowTitle(QStringLiteral("Pelmor - Error"));
    setWindowIcon(AppIcon());

    auto* picture = new QLabel(this);
    picture->setPixmap(AppIcon().pixmap(32, 32));
    picture->setGeometry(14, 14, 32, 32);

    auto* heading = new QLabel(QStringLiteral("Pelmor encountered a problem."), this);
    heading->setObjectName(QStringLiteral("lblHeading"));
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    heading->setGeometry(60, 14, kWidth - 74, 20);

    auto* hint = new QLabel(QStringLiteral("For details press the button to the right."), this);
    hint->setObjectName(QStringLiteral("lblHint"));
    hint->setGeometry(60, 38, kWidth - 200, 20);

    cmdDetails_ = new QPushButton(QStringLiteral("Details >>>"), this);
    cmdDetails_->setObjectName(QStringLiteral("cmdDetails"));
    cmdDetails_->setGeometry(kWidth - 124, 34, 110, 28);
    connect(cmdDetails_, &QPushButton::clicked, this, [this] { cmdDetails_Click(); });

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setGeometry(kWidth - 124, 72, 110, 28);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    collapsedHeight_ = 112;
    lblDetails_ = new QLabel(this);
    lblDetails_->setObjectName(QStringLiteral("lblDetails"));
    lblDetails_->setTextFormat(Qt::PlainText);
    lblDetails_->setFrameShape(QFrame::StyledPanel);
    lblDetails_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblDetails_->setWordWrap(true);
    lblDetails_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblDetails_->setGeometry(14, collapsedHeight_, kWidth - 28, kDetailsHeight);

    setFixedSize(kWidth, collapsedHeight_);
}

void frmError::SetDetails(const QString& record) {
    // The record's lines end in CR LF; the label wants plain line feeds.
    QString text = record;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    lblDetails_->setText(text.trimmed());
}

QString frmError::Details() const { return lblDetails_->text(); }

bool frmError::IsExpanded() const { return height() > collapsedHeight_; }

void frmError::cmdDetails_Click() {
    int step = lblDetails_->height() + ToPixels(kDetailsGapTwips);
    if (cmdDetails_->text().contains(QStringLiteral(">>>"))) {
        setFixedSize(width(), height() + step);
        cmdDetails_->setText(QStringLiteral("Details <<<"));
    } else {
        setFixedSize(width(), height() - step);
        cmdDetails_->setText(QStringLiteral("Details >>>"));
    }
}

}  // namespace pelmor::shell
