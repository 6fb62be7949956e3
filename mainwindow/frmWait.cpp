// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/frmWait.h"

#include <QCloseEvent>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QVBoxLayout>
#include <cstdio>

#include "items/Page.h"
#include "mainwindow/PlainText.h"
#include "retrieval/InternetHandler.h"
#include "shell/Background.h"
#include "shell/Pictures.h"

namespace pelmor::mainwindow {
namespace {

constexpr int kLabelHeight = 60;
// A very long address is elided in the middle rather than making the window huge.
constexpr int kMaxWidth = 640;

}  // namespace

frmWait::frmWait(QWidget* owner) : QWidget(owner, Qt::Dialog) {
    setObjectName(QStringLiteral("frmWait"));
    setWindowTitle(QStringLiteral("Pelmor - Processing"));
    setWindowIcon(shell::AppIcon());
    setWindowModality(Qt::NonModal);
    lblMessage_ = new QLabel(this);
    lblMessage_->setObjectName(QStringLiteral("lblMessage"));
    lblMessage_->setAlignment(Qt::AlignCenter);
    lblMessage_->setTextFormat(Qt::PlainText);
    lblMessage_->setMinimumHeight(kLabelHeight);
    ctlAnimation_ = new QProgressBar(this);
    ctlAnimation_->setObjectName(QStringLiteral("ctlAnimation"));
    ctlAnimation_->setRange(0, 0);
    ctlAnimation_->setTextVisible(false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 4, 8, 4);
    layout->addWidget(lblMessage_);
    layout->addWidget(ctlAnimation_);
    resize(kWidth, kHeight);
}

void frmWait::SetMessage(const QString& text) {
    QFontMetrics metrics(lblMessage_->font());
    QString shown = metrics.elidedText(text, Qt::ElideMiddle, kMaxWidth - 16);
    lblMessage_->setText(shown);
    lblMessage_->setToolTip(PlainToolTip(text));
    int width = std::clamp(metrics.horizontalAdvance(shown) + 32, kWidth, kMaxWidth);
    resize(width, kHeight);
}

QString frmWait::UnableText(const QString& what) {
    return QStringLiteral("Unable to add ") + what +
           QStringLiteral(
               ".\r\nPlease check the follwing: \r\n1. Internet connection may be closed.\r\n2. Site may be "
               "down.");
}

QString frmWait::SaveFailureText(const QString& what, const QString& why) {
    return QStringLiteral("Unable to add ") + what + QStringLiteral(": the page was fetched but could not be saved.\r\n") +
           why;
}

void frmWait::DownloadURL(const std::shared_ptr<Page>& oPage, const std::string& strURL, const std::string& strFileName,
                          std::string& strTitle, bool& blResult) {
    blResult = false;
    show();
    raise();
    std::string title;
    bool saved = false;
    std::string saveFailure;
    shell::RunAndWait([&] {
        InternetHandler handler;
        saved = handler.SaveURLToCache(oPage, strURL, strFileName, title);
        saveFailure = handler.LastSaveFailure();
    });
    saveFailure_ = saveFailure;
    if (saved) {
        strTitle = title;
        blResult = true;
        return;
    }
    // The page came, but its copy could not be written: that is the failure to name.
    if (!saveFailure.empty()) {
        std::fprintf(stderr, "pelmor: %s was fetched but could not be saved: %s\n", strURL.c_str(), saveFailure.c_str());
        if (!quiet_) {
            QMessageBox box(QMessageBox::Warning, QString(),
                            SaveFailureText(QString::fromStdString(strURL), QString::fromStdString(saveFailure)),
                            QMessageBox::Ok, this);
            box.setTextFormat(Qt::PlainText);
            box.exec();
        }
        return;
    }
    if (!quiet_) {
        QMessageBox box(QMessageBox::Warning, QString(), UnableText(QString::fromStdString(strURL)), QMessageBox::Ok,
                        this);
        box.setTextFormat(Qt::PlainText);
        box.exec();
    }
}

void frmWait::closeEvent(QCloseEvent* event) { event->ignore(); }

}  // namespace pelmor::mainwindow
