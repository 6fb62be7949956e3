// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The keyed ordered list of items that the root and every folder hold. Walk it with
// range-for over Items(); positions are 0-based. Keys are compared without regard to
// letter case and each key is held at most once; lookups by key and by position take
// constant time, insertions and removals in the middle are linear.

#include <cstdint>
#include <memory>
#include <optional>
#include <ranges>
#include <string>
#include <string_view>
#include <unordered_map>
#include <variant>
#include <vector>

#include "items/Item.h"

namespace pelmor {

// An item of a list named by its 0-based position or by its key.
using ItemRef = std::variant<int, std::string>;

class ItemList : public std::enable_shared_from_this<ItemList> {
public:
    virtual ~ItemList();
    ItemList(const ItemList&) = delete;
    ItemList& operator=(const ItemList&) = delete;

    // True for the root of the tree, false for a folder.
    virtual bool IsApplication() const = 0;

    // Number of direct items.
    int32_t ItemsCount() const { return static_cast<int32_t>(entries_.size()); }
    // The direct items in order, for range-for; valid while the list is not changed.
    auto Items() const {
        return std::views::transform(entries_,
                                     [](const Entry& entry) -> const std::shared_ptr<Item>& { return entry.item; });
    }
    // The item at a 0-based position; empty when the position is outside 0..ItemsCount-1.
    std::shared_ptr<Item> ItemAt(int position) const;
    // The item under a key (any letter case); empty when the key is not in the list.
    std::shared_ptr<Item> Items(std::string_view key) const;

    // Gives the item its keys and back links and inserts it before or after the named
    // item, or at the end. Answers the item, or an empty pointer (nothing changed) when
    // the list already holds its key. Throws a Failure: Missing for an empty item,
    // InvalidArgument when a folder would end up inside itself, when both before and after
    // are given or the position is not in the list, KeyNotFound for a key not in the list
    // (the item's keys and links are already set then).
    std::shared_ptr<Item> AddItem(const std::shared_ptr<Item>& item,
                                  const std::optional<ItemRef>& before = std::nullopt,
                                  const std::optional<ItemRef>& after = std::nullopt);

    // Takes the item out of the list; it keeps its children, frames, keys and links.
    // Throws a KeyNotFound Failure for a key not in the list.
    void RemoveItem(std::string_view key);

protected:
    ItemList() = default;
    // Drops every item (the items themselves live on where they are held).
    void ClearItems();

private:
    struct Entry {
        const std::string* foldedKey;  // the key of this entry in index_, which stays put
        std::shared_ptr<Item> item;
    };

    // 0-based index of the named entry; throws Failure when it is not in the list.
    size_t IndexOf(const ItemRef& ref, bool adding) const;
    // True when this list is `item` itself or lies somewhere below it.
    bool Contains(const Item& item) const;

    std::vector<Entry> entries_;
    std::unordered_map<std::string, std::shared_ptr<Item>> index_;
};

}  // namespace pelmor
