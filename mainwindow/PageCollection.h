// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Every page of the tree in tree order, found by key without regard to letter case.

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "items/Page.h"

namespace pelmor::mainwindow {

class PageCollection {
public:
    // Adds a page under its key; false (nothing added) when the key is there already.
    bool Add(const std::shared_ptr<Page>& page);
    void Clear();
    // Takes the page under a key out; false when none is there.
    bool Remove(std::string_view key);
    size_t Count() const { return pages_.size(); }
    // The page under a key; null when none.
    std::shared_ptr<Page> Find(std::string_view key) const;
    const std::vector<std::shared_ptr<Page>>& All() const { return pages_; }

private:
    std::vector<std::shared_ptr<Page>> pages_;
    std::unordered_map<std::string, size_t> index_;
};

}  // namespace pelmor::mainwindow
