// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/EditingPart.h"

#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <algorithm>
#include <filesystem>
#include <set>
#include <vector>

#include "items/Folder.h"
#include "items/NewItems.h"
#include "items/Page.h"
#include "mainwindow/AddItems.h"
#include "mainwindow/frmProperties.h"
#include "platform/core/Failure.h"
#include "platform/log/Log.h"
#include "retrieval/InternetHandler.h"
#include "retrieval/Urls.h"
#include "retrieval/Versions.h"
#include "shell/ErrorReport.h"
#include "shell/frmAdvanced.h"

namespace pelmor::mainwindow {

using shell::ReportError;

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

bool SameText(const std::string& a, const std::string& b) { return Q(a).compare(Q(b), Qt::CaseInsensitive) == 0; }

// `text` with every occurrence of `find` (any letter case of ASCII letters) replaced.
std::string ReplaceNoCase(const std::string& text, const std::string& find, const std::string& with) {
    if (find.empty()) return text;
    QString out = Q(text);
    out.replace(Q(find), Q(with), Qt::CaseInsensitive);
    return out.toStdString();
}

// True when `item` is `top` or lies below it.
bool IsBelow(const Item& item, const Item& top) {
    for (const Item* at = &item; at; at = at->ParentFolder().get())
        if (at == &top) return true;
    return false;
}

void SetPeriodDown(const ItemList& list, int16_t periodTime, dfUnits periodUnit) {
    for (const auto& item : ItemsOf(list)) {
        item->SetPeriodTime(periodTime);
        item->SetPeriodUnit(periodUnit);
        if (item->IsFolder()) SetPeriodDown(static_cast<const Folder&>(*item), periodTime, periodUnit);
    }
}

// The key of the item that follows `item` in `list`; none for the last one.
std::optional<std::string> FollowerKey(const ItemList& list, const std::shared_ptr<Item>& item) {
    const auto items = ItemsOf(list);
    auto it = std::find(items.begin(), items.end(), item);
    if (it == items.end() || it + 1 == items.end()) return std::nullopt;
    return (*(it + 1))->Key();
}

}  // namespace

bool RemoveCacheFile(const std::string& cacheFolder, const std::string& path) {
    if (path.empty()) return true;
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path folder = fs::weakly_canonical(cacheFolder, ec);
    fs::path file = ec ? fs::path() : fs::weakly_canonical(fs::absolute(path, ec), ec);
    bool inside = !ec && !folder.empty() && file.parent_path() == folder;
    if (!inside) {
        // A hand-edited or imported profile may name any file: only saved copies go.
        log::WriteLog("Not removed, outside the cache folder: " + path);
        return false;
    }
    InternetHandler handler;
    return handler.RemoveFileFromCache(path);
}

void MovedFolderKeys(const std::shared_ptr<Folder>& folder) {
    // Keys of the items below a folder start with the folder's key; after a move they are
    // given again by adding the items anew, in their order.
    const std::vector<std::shared_ptr<Item>> children = ItemsOf(*folder);
    while (folder->ItemsCount() > 0) folder->RemoveItem(folder->ItemAt(0)->Key());
    for (const auto& child : children) {
        if (!folder->AddItem(child))
            throw Failure(Fault::InvalidArgument, "Pelmor", "Cannot give a new key to " + child->Key());
        if (child->IsFolder()) MovedFolderKeys(std::static_pointer_cast<Folder>(child));
    }
}

EditingPart::EditingPart(std::shared_ptr<Application> application, ItemModel& model, Settings& settings,
                         PageCollection& pages, Host host, QObject* parent)
    : QObject(parent),
      application_(std::move(application)),
      model_(model),
      settings_(settings),
      pages_(pages),
      host_(std::move(host)),
      removed_(std::make_unique<RemovedItems>(settings_.CacheFolder())) {}

void EditingPart::RebuildPages() {
    pages_.Clear();
    for (const auto& page : model_.Pages()) pages_.Add(page);
}

void EditingPart::Mark(const QModelIndex& index, bool update) { model_.Mark(index, update, settings_.TreeFont().Bold); }

// ---- removing -------------------------------------------------------------------------

void EditingPart::RemoveTreeItem(const QModelIndex& index, bool save) {
    if (!index.isValid()) return;
    // Everything one command removes is restored together.
    const bool outermost = removeDepth_ == 0;
    if (outermost) {
        if (removed_->Empty()) removed_->SetCacheFolder(settings_.CacheFolder());
        removed_->Open();
    }
    ++removeDepth_;
    struct Close {
        EditingPart* part;
        bool outermost;
        ~Close() {
            if (--part->removeDepth_ == 0 && outermost) part->removed_->Close();
        }
    } close{this, outermost};
    try {
        WaitCursor cursor;
        TimerStop timer(CheckTimer());
        const QString text = index.data().toString();
        if (model_.IsRoot(index)) return;
        const bool isPage = model_.PageAt(index) != nullptr;
        bool removed = true;
        if (isPage) {
            RemovePage(index);
        } else {
            cursor.Restore();
            removed = RemoveFolder(index);
        }
        if (save) host_.saveItems();
        // A folder the user chose to keep is not reported as removed.
        if (!removed) return;
        host_.logRow(text, isPage ? QStringLiteral("Page") : QStringLiteral("Folder"), tr("Removed"));
        host_.status(tr("%1 removed").arg(text));
    } catch (const std::exception&) {
        ReportError("RemoveTreeItem");
    }
}

void EditingPart::RemovePage(const QModelIndex& index) {
    std::shared_ptr<Page> page = model_.PageAt(index);
    TakeOut(page);
    DropRow(*page);
}

void EditingPart::KeepOrRemoveCopy(const std::string& path) {
    if (!removed_->Keep(path)) RemoveCacheFile(settings_.CacheFolder(), path);
}

void EditingPart::RemoveSavedCopies(const FrameList& item, const std::string& savedFile) {
    RemoveCacheFile(settings_.CacheFolder(), savedFile);
    for (const auto& frame : FramesOf(item)) RemoveSavedCopies(*frame, frame->SavedFile());
}

void EditingPart::TakeOut(const std::shared_ptr<Item>& item) {
    std::shared_ptr<ItemList> parent = item->Parent();
    if (item->IsPage()) {
        auto page = std::static_pointer_cast<Page>(item);
        // The page's past versions go along, so that no later page of the same copy's
        // name takes them for its own.
        if (!removed_->KeepFolder(HistoryFolder(page->SavedFile()))) RemoveVersions(page->SavedFile());
        KeepOrRemoveCopy(page->SavedFile());
        for (const auto& frame : FramesOf(*page)) KeepOrRemoveCopy(frame->SavedFile());
        pages_.Remove(page->Key());
    }
    if (!parent) return;
    const std::optional<std::string> before = FollowerKey(*parent, item);
    parent->RemoveItem(item->Key());
    removed_->Record({item, parent, before});
}

bool EditingPart::RemoveFolder(const QModelIndex& index) {
    auto folder = std::static_pointer_cast<Folder>(model_.ItemAt(index));
    if (folder->ItemsCount() > 0 &&
        !host_.confirm(tr("Remove Folder"), tr("This folder is not empty. Are you sure you want to remove it?")))
        return false;
    while (folder->ItemsCount() > 0) {
        std::shared_ptr<Item> first = folder->ItemAt(0);
        if (const QModelIndex child = model_.IndexOf(*first); child.isValid()) {
            RemoveTreeItem(child, false);
        } else {
            TakeOut(first);
        }
        // A sub-folder the user chose to keep stays, and so does this folder.
        if (folder->ItemsCount() > 0 && folder->ItemAt(0) == first) return false;
    }
    TakeOut(folder);
    DropRow(*folder);
    return true;
}

void EditingPart::DropRow(const Item& item) {
    const QModelIndex index = model_.IndexOf(item);
    if (!index.isValid()) return;
    // The selection goes to the folder rather than to a neighbour of the removed row.
    for (QModelIndex current = host_.current(); current.isValid(); current = current.parent())
        if (current == index) {
            host_.select(index.parent());
            break;
        }
    model_.ItemRemoved(item);
}

// ---- restoring ------------------------------------------------------------------------

std::shared_ptr<ItemList> EditingPart::LiveList(const std::shared_ptr<ItemList>& list) const {
    if (!list || list->IsApplication()) return application_;
    auto folder = std::static_pointer_cast<Folder>(list);
    if (model_.IndexOf(*folder).isValid()) return folder;
    // The tree was loaded again since: the folder of the same key, or the root.
    std::shared_ptr<ItemList> found = model_.ListAt(model_.FindIndex(Q(folder->Key())));
    return found ? found : application_;
}

void EditingPart::RestoreRemovedItem() {
    try {
        std::optional<RemovedItems::Entry> entry = removed_->TakeLast();
        if (!entry || entry->removals.empty()) {
            host_.status(tr("Nothing to restore"));
            return;
        }
        TimerStop timer(CheckTimer());
        std::set<std::string> restored;  // the copies back in place
        std::vector<const RemovedItems::KeptFile*> histories;
        for (const RemovedItems::KeptFile& file : entry->files) {
            std::error_code ec;
            if (std::filesystem::is_directory(file.kept, ec)) {
                histories.push_back(&file);
                continue;
            }
            if (removed_->PutBack(file)) {
                restored.insert(file.original);
                continue;
            }
            // Another page took the name meanwhile: a page's own copy gets a free one.
            for (const RemovedItems::Removal& removal : entry->removals) {
                if (!removal.item->IsPage()) continue;
                auto page = std::static_pointer_cast<Page>(removal.item);
                if (page->SavedFile() != file.original) continue;
                InternetHandler handler;
                RemovedItems::KeptFile moved{
                    FreeCacheFileName(settings_.CacheFolder(), handler.GetFileNameFromURL(page->URL())), file.kept};
                if (removed_->PutBack(moved)) {
                    page->SetSavedFile(moved.original);
                    restored.insert(moved.original);
                }
            }
        }
        // Past versions come back only beside a copy of the same name as before.
        for (const RemovedItems::KeptFile* history : histories) {
            const bool owned = std::any_of(entry->removals.begin(), entry->removals.end(), [&](const auto& removal) {
                return removal.item->IsPage() &&
                       HistoryFolder(static_cast<const Page&>(*removal.item).SavedFile()) == history->original;
            });
            if (owned && removed_->PutBack(*history)) restored.insert(history->original);
        }
        // Newest first: a folder is back before the items that were taken out of it.
        std::shared_ptr<Item> top;
        for (auto removal = entry->removals.rbegin(); removal != entry->removals.rend(); ++removal) {
            std::shared_ptr<ItemList> parent = LiveList(removal->parent);
            std::optional<ItemRef> before;
            if (removal->before && parent->Items(*removal->before)) before = *removal->before;
            std::shared_ptr<Item> added = parent->AddItem(removal->item, before);
            if (!added) {
                // Taken by an item added meanwhile: this one stays removed, copies and all.
                // Only copies that came back are deleted: a name taken meanwhile is
                // another page's copy.
                if (removal->item->IsPage()) {
                    auto page = std::static_pointer_cast<Page>(removal->item);
                    std::vector<std::string> files{page->SavedFile()};
                    for (const auto& frame : FramesOf(*page)) files.push_back(frame->SavedFile());
                    for (const std::string& file : files)
                        if (restored.count(file)) RemoveCacheFile(settings_.CacheFolder(), file);
                    if (restored.count(HistoryFolder(page->SavedFile()))) RemoveVersions(page->SavedFile());
                }
                host_.inform(tr("Item exists"), tr("Item already exists"));
                continue;
            }
            if (added->IsFolder()) MovedFolderKeys(std::static_pointer_cast<Folder>(added));
            if (!top) top = added;
            model_.ItemAdded(added);
            for (const auto& page : model_.Pages())
                if (page->Updated() && IsBelow(*page, *added)) Mark(model_.IndexOf(*page), true);
        }
        RebuildPages();
        host_.saveItems();
        if (const QModelIndex row = top ? model_.IndexOf(*top) : QModelIndex(); row.isValid()) {
            const QString text = row.data().toString();
            host_.select(row);
            host_.logRow(text, top->IsPage() ? QStringLiteral("Page") : QStringLiteral("Folder"), tr("Restored"));
            host_.status(tr("%1 restored").arg(text));
        }
    } catch (const std::exception&) {
        ReportError("RestoreRemovedItem");
    }
}

// ---- moving -----------------------------------------------------------------------------

void EditingPart::DropNode(const QModelIndex& dragged, const QModelIndex& target, DropPlacement placement) {
    try {
        std::shared_ptr<Item> item = model_.ItemAt(dragged);
        if (!item || !target.isValid()) return;
        // Refuses a drop onto the dragged row itself and anywhere below it.
        for (QModelIndex above = target; above.isValid(); above = above.parent())
            if (above == dragged) return;

        std::shared_ptr<ItemList> oldParent = item->Parent();
        if (!oldParent) return;

        // Dropped onto a folder, collapsed or not, the item goes inside it.
        if (placement == DropPlacement::On && model_.PageAt(target)) placement = DropPlacement::After;
        if (placement != DropPlacement::On && model_.IsRoot(target)) return;

        const QModelIndex newParentIndex = placement == DropPlacement::On ? target : target.parent();
        std::shared_ptr<ItemList> newParent = model_.ListAt(newParentIndex);
        if (!newParent) return;
        std::optional<ItemRef> before;
        std::optional<ItemRef> after;
        if (placement == DropPlacement::Before) {
            before = model_.ItemAt(target)->Key();
        } else if (placement == DropPlacement::After) {
            after = model_.ItemAt(target)->Key();
        } else if (newParent->ItemsCount() > 0) {
            std::shared_ptr<Item> first = newParent->ItemAt(0);
            if (first == item) return;
            before = first->Key();
        }

        const std::string newKey = newParent->IsApplication()
                                       ? item->ShortKey()
                                       : std::static_pointer_cast<Folder>(newParent)->Key() + "\\" + item->ShortKey();
        auto refuse = [this] { host_.inform(tr("Item exists"), tr("Item already exists")); };
        if (newParent != oldParent && newParent->Items(newKey)) {
            refuse();
            return;
        }

        // Where the item was, so that a refused insertion can put it back.
        std::optional<ItemRef> oldFollower;
        if (auto follower = FollowerKey(*oldParent, item)) oldFollower = *follower;
        const QPersistentModelIndex oldParentIndex = dragged.parent();
        oldParent->RemoveItem(item->Key());
        std::shared_ptr<Item> added;
        try {
            added = newParent->AddItem(item, before, after);
        } catch (const Failure&) {
            oldParent->AddItem(item, oldFollower);
            throw;
        }
        if (!added) {
            oldParent->AddItem(item, oldFollower);
            refuse();
            return;
        }
        if (added->IsFolder()) MovedFolderKeys(std::static_pointer_cast<Folder>(added));
        // The row moves with its branch; the view keeps its expanded folders.
        model_.ItemMoved(added);

        // The red mark follows the moved branch: its new folders turn red, and the old
        // folder turns plain when nothing red is left in it.
        const QModelIndex moved = model_.IndexOf(*added);
        if (model_.Marked(moved)) Mark(moved, true);
        bool oldStillRed = false;
        for (int row = 0; row < model_.rowCount(oldParentIndex); ++row)
            oldStillRed |= model_.Marked(model_.index(row, 0, oldParentIndex));
        if (model_.Marked(oldParentIndex) && !oldStillRed) Mark(oldParentIndex, false);

        RebuildPages();
        host_.select(moved);
        host_.saveItems();
    } catch (const std::exception&) {
        ReportError("");
    }
}

// ---- switching ----------------------------------------------------------------------------

void EditingPart::SwitchItem(const QModelIndex& index, bool active, bool save) {
    try {
        std::shared_ptr<ItemList> list = model_.ListAt(index);
        if (model_.IsRoot(index))
            application_->SetActive(active);
        else if (std::shared_ptr<Item> item = model_.ItemAt(index))
            item->SetActive(active);
        else
            return;
        // Walks the items: every item below changes, and its row follows.
        std::vector<std::shared_ptr<ItemList>> pending;
        if (list) pending.push_back(list);
        while (!pending.empty()) {
            auto current = pending.back();
            pending.pop_back();
            for (const auto& child : ItemsOf(*current)) {
                child->SetActive(active);
                if (child->IsFolder()) pending.push_back(std::static_pointer_cast<Folder>(child));
            }
        }
        model_.ItemChanged(index, true);
        if (save) host_.saveItems();
    } catch (const std::exception&) {
        ReportError("");
    }
}

// ---- the details panel ----------------------------------------------------------------

QString EditingPart::PanelRefusal(const QModelIndex& index, const QString& text) const {
    if (!index.isValid() || model_.IsRoot(index)) return {};
    const std::string first = text.trimmed().toStdString();
    if (first.empty()) return tr("URL or folder name cannot be empty.");
    const std::shared_ptr<Page> page = model_.PageAt(index);
    if (page && !SameText(first, page->URL()) && tamsin::WebAddress(first).empty())
        return QCoreApplication::translate("frmAddURL", kInvalidURLText);
    return {};
}

EditingPart::PanelOutcome EditingPart::CommitPanel(const QModelIndex& index, const PanelInput& input) {
    PanelOutcome outcome;
    const bool root = model_.IsRoot(index);
    std::shared_ptr<Item> item = model_.ItemAt(index);
    if (!root && !item) return outcome;
    Page* page = item && item->IsPage() ? static_cast<Page*>(item.get()) : nullptr;
    Folder* folder = item && item->IsFolder() ? static_cast<Folder*>(item.get()) : nullptr;
    std::string first = input.first;
    if (page && !SameText(first, page->URL())) {
        // A new address is kept as the page dialog would keep it.
        first = tamsin::WebAddress(first);
        if (!SameText(first, page->URL())) outcome.first = first;
    }

    std::shared_ptr<ItemList> parent = item ? item->Parent() : nullptr;
    bool rename = false;
    if (page && !SameText(first, page->URL())) {
        if (parent && parent->Items(ReplaceNoCase(page->Key(), page->URL(), first))) {
            host_.inform(tr("Page exists"), tr("Page already exists. URL did not change."));
            outcome.first = page->URL();
        } else {
            rename = true;
        }
    } else if (folder && first != folder->Name()) {
        const std::string newKey = ReplaceNoCase(folder->Key(), folder->Name(), first);
        if (parent && parent->Items(newKey) && parent->Items(newKey) != item) {
            host_.inform(tr("Folder exists"), tr("Folder already exists. Folder name did not change."));
            outcome.first = folder->Name();
        } else {
            rename = true;
        }
    }

    const dfUnits oldUnit = root ? application_->PeriodUnit() : item->PeriodUnit();
    const int16_t oldTime = root ? application_->PeriodTime() : item->PeriodTime();
    const dfUnits unit = input.unitIndex >= 0 && input.unitIndex <= 2 ? static_cast<dfUnits>(input.unitIndex) : oldUnit;
    const int16_t period = PeriodFromText(input.periodText.toStdString(), unit);
    outcome.period = period;
    const bool periodChanged = period != oldTime || unit != oldUnit;

    bool changed = rename || periodChanged;
    if (root) {
        application_->SetPeriodTime(period);
        application_->SetPeriodUnit(unit);
        if (periodChanged) SetPeriodDown(*application_, period, unit);
    } else {
        changed |= input.description != item->Description() || item->Active() != input.active;
        item->SetDescription(input.description);
        item->SetPeriodTime(period);
        item->SetPeriodUnit(unit);
        item->SetActive(input.active);
        if (folder && periodChanged) SetPeriodDown(*folder, period, unit);
        if (rename && parent)
            if (std::string kept = Rename(index, first); kept != first) outcome.first = kept;
    }
    model_.ItemChanged(index, periodChanged);
    if (changed) host_.saveItems();
    return outcome;
}

std::string EditingPart::Rename(const QModelIndex& index, const std::string& newName) {
    std::shared_ptr<Item> item = model_.ItemAt(index);
    std::shared_ptr<ItemList> parent = item->Parent();
    // The item goes back where it was: before the item that follows it.
    std::optional<ItemRef> before;
    if (auto follower = FollowerKey(*parent, item)) before = *follower;
    auto nameOf = [&item] {
        return item->IsPage() ? static_cast<Page&>(*item).URL() : static_cast<Folder&>(*item).Name();
    };
    auto setName = [&item](const std::string& name) {
        if (item->IsPage())
            static_cast<Page&>(*item).SetURL(name);
        else
            static_cast<Folder&>(*item).SetName(name);
    };
    const std::string oldName = nameOf();
    parent->RemoveItem(item->Key());
    setName(newName);
    std::shared_ptr<Item> added = parent->AddItem(item, before);
    if (!added) {
        // Taken after all (a page's key also holds its frames): the old name stays.
        setName(oldName);
        added = parent->AddItem(item, before);
    }
    if (added && added->IsFolder()) MovedFolderKeys(std::static_pointer_cast<Folder>(added));
    // The row stays where it was; its text and the keys below it changed.
    model_.ItemChanged(index, true);
    RebuildPages();
    return nameOf();
}

// ---- a page's properties ----------------------------------------------------------------

void EditingPart::ShowProperties(const QModelIndex& index) {
    try {
        std::shared_ptr<Page> page = model_.PageAt(index);
        if (!page) return;
        frmProperties dialog(host_.dialogParent);
        dialog.SetProperties(page->Active(), page->Description(), page->URL(), page->SavedDate(), page->PeriodTime(),
                             page->PeriodUnit(), page->LastCheckDate());
        TimerStop timer(CheckTimer());
        dialog.exec();
    } catch (const std::exception&) {
        ReportError("");
    }
}

void EditingPart::CopyURL(const QModelIndex& index) {
    if (std::shared_ptr<Page> page = model_.PageAt(index)) QGuiApplication::clipboard()->setText(Q(page->URL()));
}

void EditingPart::ShowAdvanced(const QModelIndex& index) {
    try {
        std::shared_ptr<Page> page = model_.PageAt(index);
        if (!page) return;
        shell::frmAdvanced dialog(host_.dialogParent);
        dialog.SetStartDate(page->StartDate());
        dialog.SetEndDate(page->EndDate());
        dialog.chkDeleteAtEnd()->setChecked(page->DeleteAtEnd());
        dialog.chkUseInverse()->setChecked(page->UseInverse());
        dialog.chkShowTimeDiff()->setChecked(page->ShowTimeDiff());
        dialog.chkShowPics()->setChecked(page->ShowPics());
        dialog.chkShowNumbers()->setChecked(page->ShowNumbers());
        dialog.SetInsertColor(page->InsertColor());
        dialog.SetUpdateColor(page->UpdateColor());
        dialog.SetElementPath(page->ElementPath());
        TimerStop timer(CheckTimer());
        dialog.exec();
        if (dialog.Cancelled()) return;
        page->SetStartDate(dialog.StartDate());
        page->SetEndDate(dialog.EndDate());
        page->SetDeleteAtEnd(dialog.chkDeleteAtEnd()->isChecked());
        page->SetUseInverse(dialog.chkUseInverse()->isChecked());
        page->SetShowTimeDiff(dialog.chkShowTimeDiff()->isChecked());
        page->SetShowPics(dialog.chkShowPics()->isChecked());
        page->SetShowNumbers(dialog.chkShowNumbers()->isChecked());
        page->SetInsertColor(dialog.InsertColor());
        page->SetUpdateColor(dialog.UpdateColor());
        page->SetElementPath(dialog.ElementPath());
        host_.saveItems();
        model_.ItemChanged(model_.IndexOf(*page));
        emit PageOptionsChanged(page);
    } catch (const std::exception&) {
        ReportError("");
    }
}

}  // namespace pelmor::mainwindow
