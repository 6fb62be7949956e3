// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/frmProperties.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "shell/DialogButtons.h"
#include "shell/Pictures.h"

namespace pelmor::mainwindow {
namespace {

QString DateText(DateTime date) { return date.IsZero() ? QString() : QString::fromStdString(date.FormatDateTime()); }

QString UnitName(dfUnits unit) {
    switch (unit) {
        case dfMinute:
            return frmProperties::tr("Minutes");
        case dfHour:
            return frmProperties::tr("Hours");
        case dfDay:
            return frmProperties::tr("Days");
    }
    return QString();
}

}  // namespace

frmProperties::frmProperties(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmProperties"));
    setWindowIcon(shell::AppIcon());
    picture_ = new QLabel(this);
    picture_->setObjectName(QStringLiteral("imgActive"));
    auto* form = new QFormLayout();
    auto field = [this, form](const QString& caption, const char* name) {
        auto* value = new QLabel(this);
        value->setObjectName(QString::fromLatin1(name));
        value->setTextFormat(Qt::PlainText);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        value->setWordWrap(true);
        value->setMinimumWidth(300);
        form->addRow(caption, value);
    };
    field(tr("Description:"), "lblDescription");
    field(tr("URL:"), "lblURL");
    field(tr("Last modified:"), "lblLastModified");
    field(tr("Check every:"), "lblCheckEvery");
    field(tr("Last check:"), "lblLastCheck");
    field(tr("Next check:"), "lblNextCheck");
    auto* top = new QHBoxLayout();
    top->addWidget(picture_, 0, Qt::AlignTop);
    top->addLayout(form, 1);
    QHBoxLayout* buttons = shell::OkCancelRow(this, false);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);
}

DateTime frmProperties::NextCheck(DateTime lastCheck, int periodTime, dfUnits periodUnit) {
    double unit = periodUnit == dfMinute ? 1.0 / 1440 : periodUnit == dfHour ? 1.0 / 24 : 1.0;
    return lastCheck + periodTime * unit;
}

void frmProperties::SetProperties(bool Active, const std::string& Description, const std::string& URL,
                                  DateTime SavedDate, int PeriodTime, dfUnits PeriodUnit, DateTime LastCheckDate) {
    setWindowTitle(tr("Properties of %1").arg(QString::fromStdString(URL)));
    picture_->setPixmap(shell::LampIcon(Active).pixmap(32, 32));
    picture_->setToolTip(Active ? tr("Active") : tr("Inactive"));
    auto set = [this](const char* name, const QString& text) {
        if (auto* label = findChild<QLabel*>(QString::fromLatin1(name))) label->setText(text);
    };
    set("lblDescription", QString::fromStdString(Description));
    set("lblURL", QString::fromStdString(URL));
    set("lblLastModified", DateText(SavedDate));
    set("lblCheckEvery", QString::number(PeriodTime) + QLatin1Char(' ') + UnitName(PeriodUnit));
    set("lblLastCheck", DateText(LastCheckDate));
    set("lblNextCheck",
        LastCheckDate.IsZero() ? QString() : DateText(NextCheck(LastCheckDate, PeriodTime, PeriodUnit)));
}

QString frmProperties::Field(const char* name) const {
    auto* label = findChild<QLabel*>(QString::fromLatin1(name));
    return label ? label->text() : QString();
}

}  // namespace pelmor::mainwindow
