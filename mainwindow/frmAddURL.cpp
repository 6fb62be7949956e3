// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/frmAddURL.h"

#include <QCoreApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>

#include "mainwindow/AddItems.h"
#include "retrieval/InternetHandler.h"
#include "retrieval/Urls.h"
#include "shell/DialogButtons.h"
#include "shell/Pictures.h"

namespace pelmor::mainwindow {
namespace {

QString DetectText() { return QCoreApplication::translate("frmAddURL", "Detect from title"); }

}  // namespace

ItemDetailsDialog::ItemDetailsDialog(QWidget* parent, const QString& caption, const QString& firstLabel,
                                     const char* firstName, QString missingText)
    : QDialog(parent), missingText_(std::move(missingText)) {
    setWindowTitle(caption);
    setWindowIcon(shell::AppIcon());
    first_ = new QLineEdit(this);
    first_->setObjectName(QString::fromLatin1(firstName));
    first_->setMinimumWidth(320);
    txtDescription_ = new QLineEdit(this);
    txtDescription_->setObjectName(QStringLiteral("txtDescription"));
    txtTimePeriod_ = new QLineEdit(this);
    txtTimePeriod_->setObjectName(QStringLiteral("txtTimePeriod"));
    txtTimePeriod_->setMaximumWidth(70);
    lstPeriodUnit_ = new QComboBox(this);
    lstPeriodUnit_->setObjectName(QStringLiteral("lstPeriodUnit"));
    lstPeriodUnit_->addItem(tr("Minutes"), dfMinute);
    lstPeriodUnit_->addItem(tr("Hours"), dfHour);
    lstPeriodUnit_->addItem(tr("Days"), dfDay);

    auto label = [this](const QString& text, const char* name, QWidget* buddy) {
        auto* l = new QLabel(text, this);
        l->setObjectName(QString::fromLatin1(name));
        l->setBuddy(buddy);
        return l;
    };
    auto* grid = new QGridLayout();
    grid->addWidget(label(firstLabel, firstName[3] == 'U' ? "lblURL" : "lblName", first_), 0, 0);
    grid->addWidget(first_, 0, 1, 1, 3);
    grid->addWidget(label(tr("Description:"), "lblDescription", txtDescription_), 1, 0);
    grid->addWidget(txtDescription_, 1, 1, 1, 3);
    grid->addWidget(label(tr("Check Every"), "lblCheckEvery", txtTimePeriod_), 3, 0);
    grid->addWidget(txtTimePeriod_, 3, 1);
    grid->addWidget(lstPeriodUnit_, 3, 2);
    grid->setColumnStretch(3, 1);

    QHBoxLayout* buttons = shell::OkCancelRow(this);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addStretch(1);
    layout->addLayout(buttons);
    SetPeriod(1, dfDay);
}

void ItemDetailsDialog::SetPeriod(int periodTime, dfUnits periodUnit) {
    txtTimePeriod_->setText(QString::number(periodTime));
    lstPeriodUnit_->setCurrentIndex(periodUnit >= dfMinute && periodUnit <= dfDay ? periodUnit : dfDay);
}

dfUnits ItemDetailsDialog::PeriodUnit() const { return UnitFromText(lstPeriodUnit_->currentText().toStdString()); }

int16_t ItemDetailsDialog::PeriodTime() const {
    return PeriodFromText(txtTimePeriod_->text().toStdString(), PeriodUnit());
}

std::string ItemDetailsDialog::Description() const { return txtDescription_->text().toStdString(); }

void ItemDetailsDialog::accept() {
    if (first_->text().trimmed().isEmpty()) {
        QMessageBox::information(this, QString(), missingText_);
        first_->setFocus();
        return;
    }
    QDialog::accept();
}

void ItemDetailsDialog::reject() {
    first_->clear();
    txtDescription_->clear();
    QDialog::reject();
}

frmAddURL::frmAddURL(QWidget* parent)
    : ItemDetailsDialog(parent, tr("Page Details"), tr("URL:"), "txtURL",
                        tr("You must set a value for URL")) {
    setObjectName(QStringLiteral("frmAddURL"));
    chkTitle_ = new QCheckBox(tr("Detect description from page's title"), this);
    chkTitle_->setObjectName(QStringLiteral("chkTitle"));
    static_cast<QGridLayout*>(static_cast<QVBoxLayout*>(layout())->itemAt(0)->layout())
        ->addWidget(chkTitle_, 2, 1, 1, 3);
    setTabOrder(txtDescription_, chkTitle_);
    setTabOrder(chkTitle_, txtTimePeriod_);
    connect(chkTitle_, &QCheckBox::toggled, this, [this] { chkTitle_Click(); });
    connect(first_, &QLineEdit::editingFinished, this, [this] { txtURL_Validate(); });
}

void frmAddURL::chkTitle_Click() {
    if (chkTitle_->isChecked()) {
        txtDescription_->setText(DetectText());
        txtDescription_->setEnabled(false);
    } else {
        txtDescription_->clear();
        txtDescription_->setEnabled(true);
    }
}

void frmAddURL::txtURL_Validate() {
    if (!txtDescription_->text().isEmpty() || first_->text().isEmpty()) return;
    InternetHandler handler;
    txtDescription_->setText(QString::fromStdString(handler.GetHostFromURL(first_->text().toStdString())));
}

void frmAddURL::accept() {
    const QString text = first_->text().trimmed();
    if (!text.isEmpty() && tamsin::WebAddress(text.toStdString()).empty()) {
        QMessageBox box(QMessageBox::Information, QString(), tr(kInvalidURLText), QMessageBox::Ok,
                        this);
        box.setTextFormat(Qt::PlainText);
        box.exec();
        first_->setFocus();
        return;
    }
    ItemDetailsDialog::accept();
}

std::string frmAddURL::URL() const { return first_->text().trimmed().toStdString(); }

bool frmAddURL::DetectTitle() const { return chkTitle_->isChecked(); }

frmAddFolder::frmAddFolder(QWidget* parent)
    : ItemDetailsDialog(parent, tr("Folder Details"), tr("Name:"), "txtName",
                        tr("You must set a value for folder name")) {
    setObjectName(QStringLiteral("frmAddFolder"));
}

std::string frmAddFolder::Name() const { return first_->text().toStdString(); }

}  // namespace pelmor::mainwindow
