// SPDX-License-Identifier: GPL-3.0-or-later
#include "items/Application.h"

namespace pelmor {

std::shared_ptr<Item> Application::GetItem(std::string_view) const { return nullptr; }

std::string UnreadableCopyName(const std::string& strFileName) { return strFileName + ".unreadable"; }

}  // namespace pelmor
