// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The outcome of each page's last check, kept in a small file beside the profile (the
// profile's own name with ".checks" added), so that a failure and its reason survive a
// restart and a profile switch without touching the profile file's format. One JSON
// object: {"pages":[{"Key":..,"URL":..,"Failing":true,"Reason":..,"Date":46000.5,
// "FailedChecks":2}]}.

#include <memory>
#include <string>
#include <vector>

#include "items/Page.h"

namespace pelmor::mainwindow {

class PageCollection;

// The file that keeps the check outcomes of the profile `xmlFile`.
std::string CheckHealthFile(const std::string& xmlFile);

// Writes, atomically, every page that has a failure on record. False when the file
// cannot be written (the old one is then left whole).
bool SaveCheckHealth(const std::string& file, const std::vector<std::shared_ptr<Page>>& pages);

// Puts back the recorded outcomes of the pages whose key and URL still match; answers
// how many. A missing or unreadable file restores nothing.
int LoadCheckHealth(const std::string& file, const PageCollection& pages);

}  // namespace pelmor::mainwindow
