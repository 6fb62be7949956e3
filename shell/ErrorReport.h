// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// How the program reports a failure: the error record goes to the program log, its
// description to standard error, the error dialog shows it (except for the tree control's
// own failures) and the main window's status bar says "Error occured".

#include <QString>
#include <functional>
#include <string>
#include <string_view>

#include "platform/core/Failure.h"

namespace pelmor::shell {

// Source text of the tree control's failures; they are logged but never shown.
inline constexpr char kTreeControlSource[] = "vbalvbalTreeView6";

// Reports the failure in flight; call it only inside a catch block. `param` is usually the
// caller's name, often empty. Never throws.
void ReportError(std::string_view param);
// Reports the given failure. Never throws.
void ReportError(const Failure& failure, std::string_view param);

// Where "Error occured" goes: the main window sets its status bar here and clears it
// (with an empty function) when it goes away.
void SetStatusTextSink(std::function<void(const QString&)> sink);

// While one lives on the window thread, ReportError shows no dialog: nobody sits in front
// of the screen for a client on the bus. The failure is still logged and written to
// standard error, and the first one is kept for the caller to answer with.
class QuietErrors {
public:
    QuietErrors();
    ~QuietErrors();
    QuietErrors(const QuietErrors&) = delete;
    QuietErrors& operator=(const QuietErrors&) = delete;

    bool Reported() const { return reported_; }
    // The first failure's description; empty when none was reported.
    const std::string& Description() const { return description_; }

private:
    friend void ReportError(const Failure& failure, std::string_view param);
    QuietErrors* outer_;
    bool reported_ = false;
    std::string description_;
};

// Replaces the modal error dialog, for tests; an empty function restores the dialog.
void SetErrorDialogHook(std::function<void(const QString& record)> hook);

}  // namespace pelmor::shell
