// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/PageCollection.h"

#include "platform/core/Strings.h"

namespace pelmor::mainwindow {

bool PageCollection::Add(const std::shared_ptr<Page>& page) {
    if (!page) return false;
    auto [it, added] = index_.emplace(FoldCase(page->Key()), pages_.size());
    if (!added) return false;
    pages_.push_back(page);
    return true;
}

void PageCollection::Clear() {
    pages_.clear();
    index_.clear();
}

std::shared_ptr<Page> PageCollection::Find(std::string_view key) const {
    auto it = index_.find(FoldCase(key));
    return it == index_.end() ? nullptr : pages_[it->second];
}

bool PageCollection::Remove(std::string_view key) {
    auto it = index_.find(FoldCase(key));
    if (it == index_.end()) return false;
    size_t position = it->second;
    index_.erase(it);
    pages_.erase(pages_.begin() + static_cast<std::ptrdiff_t>(position));
    for (auto& entry : index_)
        if (entry.second > position) --entry.second;
    return true;
}

}  // namespace pelmor::mainwindow
