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

}  // namespace pelmor::mainwindow
