// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A named group of folders and pages.

#include <memory>
#include <string>

#include "items/Item.h"
#include "items/ItemList.h"

namespace pelmor {

class Folder : public Item, public ItemList {
public:
    Folder() = default;
    static std::shared_ptr<Folder> Create() { return std::make_shared<Folder>(); }

    bool IsFolder() const override { return true; }
    bool IsApplication() const override { return false; }

    // Name shown to the user; it becomes the short key when the folder is added.
    const std::string& Name() const { return name_; }
    void SetName(std::string name) { name_ = std::move(name); }

private:
    std::string name_;
};

}  // namespace pelmor
