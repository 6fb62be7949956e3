// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The version and licence texts every Pelmor program prints for --version and the About
// box shows.

#include <string>
#include <string_view>

namespace pelmor {

// Pelmor's version, e.g. "0.1.0".
std::string_view PelmorVersion();

// The licence in one line: "GNU General Public License, version 3 or later".
std::string_view LicenceName();

// The --version text of a program: its name and version, the copyright line, the licence
// and the warranty notice, each on a line of its own.
std::string VersionText(std::string_view program);

}  // namespace pelmor
