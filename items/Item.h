// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Folders and pages share this base: they sit in the keyed lists of folders and of the
// root, carry a key given by the list they were added to, and back links to their parent
// and to the root.
//
// Lifetime: items are held by std::shared_ptr. A list owns its items, a page or frame
// owns its frames; the back links (Parent, Application) are weak, so they never keep an
// object alive and answer an empty pointer once the object is gone. An item taken out of
// a list and held elsewhere stays whole. None of these classes is thread-safe.

#include <cstdint>
#include <memory>
#include <string>

namespace pelmor {

class Application;
class Folder;
class ItemList;

// Unit of a check period. Stored as a 32-bit integer: any value read from a profile file
// survives unchanged, not only the three named ones.
enum dfUnits : int32_t { dfMinute = 0, dfHour = 1, dfDay = 2 };

class Item {
public:
    virtual ~Item();
    Item(const Item&) = delete;
    Item& operator=(const Item&) = delete;

    virtual bool IsFolder() const = 0;
    bool IsPage() const { return !IsFolder(); }

    // The parent list (the root or a folder); empty before the item was added or once
    // the parent is gone.
    std::shared_ptr<ItemList> Parent() const { return parent_.lock(); }
    // The parent when it is a folder; empty for top-level items and without a parent.
    std::shared_ptr<Folder> ParentFolder() const;
    void SetParent(const std::shared_ptr<ItemList>& vParent) { parent_ = vParent; }
    // The root of the tree; empty before the item was added or once the root is gone.
    std::shared_ptr<pelmor::Application> Application() const { return application_.lock(); }
    void SetApplication(const std::shared_ptr<pelmor::Application>& application) { application_ = application; }

    // Key in the parent's list, set when the item is added; never recomputed.
    const std::string& Key() const { return key_; }
    void SetKey(std::string key) { key_ = std::move(key); }
    // The item's own part of Key: a folder's name or a page's signature.
    const std::string& ShortKey() const { return shortKey_; }
    void SetShortKey(std::string shortKey) { shortKey_ = std::move(shortKey); }

    const std::string& Description() const { return description_; }
    void SetDescription(std::string description) { description_ = std::move(description); }
    bool Active() const { return active_; }
    void SetActive(bool active) { active_ = active; }
    // Check period, in units of PeriodUnit.
    int16_t PeriodTime() const { return periodTime_; }
    void SetPeriodTime(int16_t periodTime) { periodTime_ = periodTime; }
    dfUnits PeriodUnit() const { return periodUnit_; }
    void SetPeriodUnit(dfUnits periodUnit) { periodUnit_ = periodUnit; }

protected:
    Item() = default;

private:
    std::weak_ptr<ItemList> parent_;
    std::weak_ptr<pelmor::Application> application_;
    std::string key_;
    std::string shortKey_;
    std::string description_;
    bool active_ = false;
    int16_t periodTime_ = 0;
    dfUnits periodUnit_ = dfMinute;
};

}  // namespace pelmor
