// SPDX-License-Identifier: GPL-3.0-or-later
#include "items/Item.h"

#include "items/Folder.h"

namespace pelmor {

Item::~Item() = default;

std::shared_ptr<Folder> Item::ParentFolder() const { return std::dynamic_pointer_cast<Folder>(Parent()); }

}  // namespace pelmor
