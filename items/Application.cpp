// SPDX-License-Identifier: GPL-3.0-or-later
#include "items/Application.h"

namespace pelmor {

std::string UnreadableCopyName(const std::string& fileName) { return fileName + ".unreadable"; }

}  // namespace pelmor
