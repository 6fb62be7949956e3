// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The root of the item tree: the top-level folders and pages, the root's own check
// period and active flag, and the profile file reader and writer.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "items/Folder.h"
#include "items/ItemList.h"
#include "items/Page.h"

namespace pelmor {

class Application : public ItemList {
public:
    Application() = default;
    static std::shared_ptr<Application> Create() { return std::make_shared<Application>(); }

    bool IsApplication() const override { return true; }

    bool Active() const { return active_; }
    void SetActive(bool active) { active_ = active; }
    int16_t PeriodTime() const { return periodTime_; }
    void SetPeriodTime(int16_t periodTime) { periodTime_ = periodTime; }
    dfUnits PeriodUnit() const { return periodUnit_; }
    void SetPeriodUnit(dfUnits periodUnit) { periodUnit_ = periodUnit; }

    // Writes the whole tree to the profile file, replacing it in one step: the file is
    // either the old one or the new one, never a mix. Throws Failure when the file cannot
    // be written (the old file is left as it was).
    void SaveItems(const std::string& fileName) const;

    // Replaces the tree by the one read from the profile file. Throws Failure when the
    // file is missing, malformed or holds a value that cannot be read; the items read
    // before that point stay in the tree. When the file exists, a copy of it is first
    // kept as fileName + ".unreadable" (named in the failure's description), so the
    // text survives the next save.
    void LoadItems(const std::string& fileName);

private:
    bool active_ = false;
    int16_t periodTime_ = 0;
    dfUnits periodUnit_ = dfMinute;
};

// Name of the copy LoadItems keeps of a profile file it could not read.
std::string UnreadableCopyName(const std::string& fileName);

}  // namespace pelmor
