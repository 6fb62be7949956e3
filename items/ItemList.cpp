// SPDX-License-Identifier: GPL-3.0-or-later
#include "items/ItemList.h"

#include <algorithm>

#include "items/Application.h"
#include "items/Folder.h"
#include "items/Page.h"
#include "platform/core/Failure.h"
#include "platform/core/Strings.h"

namespace pelmor {
namespace {

const char* SourceOf(const ItemList& list, bool adding) {
    if (list.IsApplication()) return adding ? "Corvel.Application.AddItem" : "Corvel.Application.RemoveItem";
    return adding ? "Corvel.Folder.AddItem" : "Corvel.Folder.RemoveItem";
}

// Folded form of a key. Keys are mostly plain ASCII addresses, which are folded here
// directly; anything else goes through the full Unicode folding.
std::string FoldKey(std::string_view key) {
    std::string folded(key);
    for (char& c : folded) {
        if (static_cast<unsigned char>(c) >= 0x80) return FoldCase(key);
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + ('a' - 'A'));
    }
    return folded;
}

std::string Describe(const ItemRef& ref) {
    if (const int* position = std::get_if<int>(&ref)) return "position " + std::to_string(*position);
    return "key \"" + std::get<std::string>(ref) + "\"";
}

}  // namespace

ItemList::~ItemList() = default;

std::shared_ptr<Item> ItemList::ItemAt(int position) const {
    if (position < 0 || static_cast<size_t>(position) >= entries_.size()) return nullptr;
    return entries_[position].item;
}

std::shared_ptr<Item> ItemList::Items(std::string_view key) const {
    auto found = index_.find(FoldKey(key));
    return found == index_.end() ? nullptr : found->second;
}

bool ItemList::Contains(const Item& item) const {
    // Walks down from `item` (a folder) looking for this list; an explicit stack keeps
    // deep trees off the call stack.
    if (!item.IsFolder()) return false;
    std::vector<const Folder*> pending{static_cast<const Folder*>(&item)};
    while (!pending.empty()) {
        const Folder* folder = pending.back();
        pending.pop_back();
        if (static_cast<const ItemList*>(folder) == this) return true;
        for (const Entry& entry : folder->entries_) {
            if (entry.item->IsFolder()) pending.push_back(static_cast<const Folder*>(entry.item.get()));
        }
    }
    return false;
}

size_t ItemList::IndexOf(const ItemRef& ref, bool adding) const {
    if (const int* position = std::get_if<int>(&ref)) {
        if (*position >= 0 && static_cast<size_t>(*position) < entries_.size()) return *position;
    } else {
        auto indexed = index_.find(FoldKey(std::get<std::string>(ref)));
        if (indexed != index_.end()) {
            const std::string* key = &indexed->first;
            auto found = std::find_if(entries_.begin(), entries_.end(),
                                      [&](const Entry& entry) { return entry.foldedKey == key; });
            return found - entries_.begin();
        }
    }
    Fault kind = std::holds_alternative<std::string>(ref) ? Fault::KeyNotFound
                 : adding                                 ? Fault::InvalidArgument
                                                          : Fault::OutOfRange;
    throw Failure(kind, SourceOf(*this, adding), "No item at " + Describe(ref) + " in the list");
}

std::shared_ptr<Item> ItemList::AddItem(const std::shared_ptr<Item>& item, const std::optional<ItemRef>& before,
                                        const std::optional<ItemRef>& after) {
    const char* source = SourceOf(*this, true);
    if (!item) throw Failure(Fault::Missing, source, "No item given");
    if (Contains(*item)) throw Failure(Fault::InvalidArgument, source, "A folder cannot be put inside itself");

    const auto* ownFolder = dynamic_cast<const Folder*>(this);
    std::string shortKey;
    if (item->IsFolder()) {
        shortKey = static_cast<const Folder&>(*item).Name();
        item->SetShortKey(shortKey);  // even when the folder is refused below
    } else {
        shortKey = PageSignature(static_cast<const Page&>(*item));
    }
    std::string key = ownFolder ? ownFolder->Key() + "\\" + shortKey : shortKey;
    std::string folded = FoldKey(key);
    if (index_.count(folded)) return nullptr;

    item->SetShortKey(std::move(shortKey));
    item->SetKey(std::move(key));
    item->SetParent(weak_from_this().lock());
    if (ownFolder) {
        item->SetApplication(ownFolder->Application());
    } else {
        item->SetApplication(std::static_pointer_cast<Application>(weak_from_this().lock()));
    }

    if (before && after) throw Failure(Fault::InvalidArgument, source, "Both a before and an after item given");
    size_t at = entries_.size();
    if (before) at = IndexOf(*before, true);
    if (after) at = IndexOf(*after, true) + 1;
    auto indexed = index_.emplace(std::move(folded), item).first;
    try {
        entries_.insert(entries_.begin() + static_cast<std::ptrdiff_t>(at), Entry{&indexed->first, item});
    } catch (const std::exception&) {
        index_.erase(indexed);
        throw;
    }
    return item;
}

void ItemList::RemoveItem(std::string_view key) {
    size_t at = IndexOf(ItemRef(std::string(key)), false);
    index_.erase(*entries_[at].foldedKey);
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(at));
}

void ItemList::ClearItems() {
    index_.clear();
    entries_.clear();
}

}  // namespace pelmor
