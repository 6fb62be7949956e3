// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/ErrorReport.h"

#include <QApplication>
#include <cstdio>

#include "platform/core/Strings.h"
#include "platform/log/Log.h"
#include "shell/frmError.h"

namespace pelmor::shell {
namespace {

std::function<void(const QString&)>& StatusSink() {
    static std::function<void(const QString&)> sink;
    return sink;
}

std::function<void(const QString&)>& DialogHook() {
    static std::function<void(const QString&)> hook;
    return hook;
}

QuietErrors*& InnermostQuiet() {
    static QuietErrors* quiet = nullptr;
    return quiet;
}

void ShowErrorDialog(const QString& record) {
    if (DialogHook()) {
        DialogHook()(record);
        return;
    }
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return;
    frmError dialog(QApplication::activeWindow());
    dialog.SetDetails(record);
    dialog.exec();
}

}  // namespace

void ReportError(std::string_view param) { ReportError(CurrentFailure("Pelmor"), param); }

QuietErrors::QuietErrors() : outer_(InnermostQuiet()) { InnermostQuiet() = this; }

QuietErrors::~QuietErrors() { InnermostQuiet() = outer_; }

void ReportError(const Failure& failure, std::string_view param) {
    try {
        std::fprintf(stderr, "pelmor: %s%s%.*s\n", failure.Description().c_str(), param.empty() ? "" : " in ",
                     static_cast<int>(param.size()), param.data());
        std::string record = log::ErrorRecord(failure, param, false);
        if (QuietErrors* quiet = InnermostQuiet()) {
            if (!quiet->reported_) quiet->description_ = failure.Description();
            quiet->reported_ = true;
        } else if (!ContainsNoCase(failure.Source(), kTreeControlSource)) {
            ShowErrorDialog(QString::fromStdString(record));
        }
        if (StatusSink()) StatusSink()(QCoreApplication::translate("ErrorReport", "Error occured"));
    } catch (...) {
    }
    log::LogProgramError(failure, param);
}

void SetStatusTextSink(std::function<void(const QString&)> sink) { StatusSink() = std::move(sink); }

void SetErrorDialogHook(std::function<void(const QString& record)> hook) { DialogHook() = std::move(hook); }

}  // namespace pelmor::shell
