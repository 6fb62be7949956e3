// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/ItemModel.h"

#include <QApplication>
#include <QColor>
#include <QIcon>
#include <QMimeData>
#include <QStyle>
#include <algorithm>

#include "items/Folder.h"
#include "items/Page.h"
#include "mainwindow/PlainText.h"
#include "shell/Pictures.h"

namespace pelmor::mainwindow {

namespace {

const QString kRootKey = QStringLiteral("Main");

bool AnyFrameHasElementPath(const FrameList& frames) {
    const auto all = FramesOf(frames);
    return std::any_of(all.begin(), all.end(), [](const auto& frame) { return HasElementPath(*frame); });
}

QIcon WarningIcon() { return QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning); }

}  // namespace

bool HasElementPath(const Frame& frame) { return !frame.ElementPath().empty() || AnyFrameHasElementPath(frame); }

bool HasElementPath(const Page& page) { return !page.ElementPath().empty() || AnyFrameHasElementPath(page); }

struct ItemModel::Row {
    std::shared_ptr<Item> item;  // null for the root
    Row* parent = nullptr;
    std::vector<std::unique_ptr<Row>> children;
    bool marked = false;
    bool bold = false;
};

ItemModel::ItemModel(std::shared_ptr<Application> application, QObject* parent)
    : QAbstractItemModel(parent), application_(std::move(application)), root_(std::make_unique<Row>()) {}

ItemModel::~ItemModel() = default;

void ItemModel::Reset() {
    beginResetModel();
    rows_.clear();
    root_ = std::make_unique<Row>();
    for (const auto& item : ItemsOf(*application_)) root_->children.push_back(Build(item, root_.get()));
    endResetModel();
}

std::unique_ptr<ItemModel::Row> ItemModel::Build(const std::shared_ptr<Item>& item, Row* parent) {
    auto row = std::make_unique<Row>();
    row->item = item;
    row->parent = parent;
    rows_[item.get()] = row.get();
    if (item->IsFolder())
        for (const auto& child : ItemsOf(static_cast<const Folder&>(*item)))
            row->children.push_back(Build(child, row.get()));
    return row;
}

void ItemModel::Forget(const Row& row) {
    rows_.erase(row.item.get());
    for (const auto& child : row.children) Forget(*child);
}

// ---- finding rows -----------------------------------------------------------------------

ItemModel::Row* ItemModel::RowOf(const QModelIndex& index) const {
    return index.isValid() && index.model() == this ? static_cast<Row*>(index.internalPointer()) : nullptr;
}

int ItemModel::RowNumber(const Row* row) const {
    if (!row->parent) return 0;
    const auto& siblings = row->parent->children;
    auto it = std::find_if(siblings.begin(), siblings.end(), [row](const auto& sibling) { return sibling.get() == row; });
    return static_cast<int>(it - siblings.begin());
}

QModelIndex ItemModel::IndexOfRow(const Row* row) const {
    if (!row) return {};
    return createIndex(RowNumber(row), 0, const_cast<Row*>(row));
}

ItemModel::Row* ItemModel::RowOfList(const ItemList& list) const {
    if (list.IsApplication()) return root_.get();
    auto it = rows_.find(static_cast<const Item*>(&static_cast<const Folder&>(list)));
    return it == rows_.end() ? nullptr : it->second;
}

QModelIndex ItemModel::RootIndex() const { return IndexOfRow(root_.get()); }

QModelIndex ItemModel::IndexOf(const Item& item) const {
    auto it = rows_.find(&item);
    return it == rows_.end() ? QModelIndex() : IndexOfRow(it->second);
}

QModelIndex ItemModel::FindIndex(const QString& key) const {
    for (const auto& [item, row] : rows_)
        if (QString::fromStdString(item->Key()).compare(key, Qt::CaseInsensitive) == 0) return IndexOfRow(row);
    return key.compare(kRootKey, Qt::CaseInsensitive) == 0 ? RootIndex() : QModelIndex();
}

std::shared_ptr<Item> ItemModel::ItemAt(const QModelIndex& index) const {
    const Row* row = RowOf(index);
    return row ? row->item : nullptr;
}

bool ItemModel::IsRoot(const QModelIndex& index) const { return RowOf(index) == root_.get(); }

std::shared_ptr<ItemList> ItemModel::ListAt(const QModelIndex& index) const {
    const Row* row = RowOf(index);
    if (!row) return nullptr;
    if (!row->item) return application_;
    return row->item->IsFolder() ? std::static_pointer_cast<Folder>(row->item) : nullptr;
}

std::shared_ptr<Page> ItemModel::PageAt(const QModelIndex& index) const {
    std::shared_ptr<Item> item = ItemAt(index);
    return item && item->IsPage() ? std::static_pointer_cast<Page>(item) : nullptr;
}

std::vector<std::shared_ptr<Page>> ItemModel::Pages() const {
    std::vector<std::shared_ptr<Page>> pages;
    std::function<void(const Row&)> walk = [&](const Row& row) {
        for (const auto& child : row.children) {
            if (child->item->IsPage())
                pages.push_back(std::static_pointer_cast<Page>(child->item));
            else
                walk(*child);
        }
    };
    walk(*root_);
    return pages;
}

// ---- row changes --------------------------------------------------------------------------

namespace {
// The 0-based place of `item` in `list`, or the end when it is not there.
int PlaceIn(const ItemList& list, const Item& item) {
    const auto items = ItemsOf(list);
    auto it = std::find_if(items.begin(), items.end(), [&item](const auto& each) { return each.get() == &item; });
    return static_cast<int>(it - items.begin());
}
}  // namespace

void ItemModel::ItemAdded(const std::shared_ptr<Item>& item) {
    std::shared_ptr<ItemList> list = item ? item->Parent() : nullptr;
    Row* parent = list ? RowOfList(*list) : nullptr;
    if (!parent || rows_.count(item.get())) return;
    const int place = std::min(PlaceIn(*list, *item), static_cast<int>(parent->children.size()));
    beginInsertRows(IndexOfRow(parent), place, place);
    parent->children.insert(parent->children.begin() + place, Build(item, parent));
    endInsertRows();
}

void ItemModel::ItemRemoved(const Item& item) {
    auto it = rows_.find(&item);
    if (it == rows_.end()) return;
    Row* row = it->second;
    Row* parent = row->parent;
    const int place = RowNumber(row);
    beginRemoveRows(IndexOfRow(parent), place, place);
    Forget(*row);
    parent->children.erase(parent->children.begin() + place);
    endRemoveRows();
}

void ItemModel::ItemMoved(const std::shared_ptr<Item>& item) {
    auto it = item ? rows_.find(item.get()) : rows_.end();
    std::shared_ptr<ItemList> list = item ? item->Parent() : nullptr;
    Row* to = list ? RowOfList(*list) : nullptr;
    if (it == rows_.end() || !to) return;
    Row* row = it->second;
    Row* from = row->parent;
    const int oldPlace = RowNumber(row);
    int newPlace = PlaceIn(*list, *item);
    if (from == to) newPlace = std::min(newPlace, static_cast<int>(to->children.size()) - 1);
    else newPlace = std::min(newPlace, static_cast<int>(to->children.size()));
    if (from != to || newPlace != oldPlace) {
        const int destination = from == to && newPlace > oldPlace ? newPlace + 1 : newPlace;
        const bool announced = beginMoveRows(IndexOfRow(from), oldPlace, oldPlace, IndexOfRow(to), destination);
        if (!announced) beginResetModel();
        std::unique_ptr<Row> taken = std::move(from->children[static_cast<size_t>(oldPlace)]);
        from->children.erase(from->children.begin() + oldPlace);
        taken->parent = to;
        to->children.insert(to->children.begin() + newPlace, std::move(taken));
        if (announced)
            endMoveRows();
        else
            endResetModel();
    }
    // Keys below a moved folder changed with it.
    ItemChanged(IndexOfRow(row), true);
}

void ItemModel::ItemChanged(const QModelIndex& index, bool below) {
    const Row* row = RowOf(index);
    if (!row) return;
    emit dataChanged(index, index);
    if (below) ChangedBelow(*row);
}

void ItemModel::ChangedBelow(const Row& row) {
    if (row.children.empty()) return;
    const QModelIndex parent = IndexOfRow(&row);
    emit dataChanged(index(0, 0, parent), index(static_cast<int>(row.children.size()) - 1, 0, parent));
    for (const auto& child : row.children) ChangedBelow(*child);
}

void ItemModel::HealthChanged(const QModelIndex& index) {
    for (const Row* row = RowOf(index); row; row = row->parent) {
        const QModelIndex at = IndexOfRow(row);
        emit dataChanged(at, at, {Qt::DecorationRole, Qt::ToolTipRole});
    }
}

// ---- marks --------------------------------------------------------------------------------

void ItemModel::SetMark(Row& row, bool marked, bool plainBold) {
    row.marked = marked;
    row.bold = marked || plainBold;
    const QModelIndex at = IndexOfRow(&row);
    emit dataChanged(at, at, {Qt::ForegroundRole, Qt::FontRole, MarkedRole});
}

void ItemModel::Mark(const QModelIndex& index, bool marked, bool plainBold) {
    Row* row = RowOf(index);
    if (!row) return;
    SetMark(*row, marked, plainBold);
    Row* parent = row->parent;
    if (!parent) return;
    const bool siblingMarked = std::any_of(parent->children.begin(), parent->children.end(),
                                           [](const auto& sibling) { return sibling->marked; });
    if (marked || !siblingMarked) Mark(IndexOfRow(parent), marked, plainBold);
}

bool ItemModel::Marked(const QModelIndex& index) const {
    const Row* row = RowOf(index);
    return row && row->marked;
}

void ItemModel::SetFont(const QFont& font) {
    font_ = font;
    if (root_) emit dataChanged(RootIndex(), RootIndex(), {Qt::FontRole});
    ChangedBelow(*root_);
}

bool ItemModel::FailingBelow(const Row& row) const {
    if (row.item && row.item->IsPage()) return static_cast<const Page&>(*row.item).Failing();
    return std::any_of(row.children.begin(), row.children.end(),
                       [this](const auto& child) { return FailingBelow(*child); });
}

// ---- the model interface ----------------------------------------------------------------

QModelIndex ItemModel::index(int row, int column, const QModelIndex& parent) const {
    if (column != 0 || row < 0) return {};
    if (!parent.isValid()) return row == 0 ? RootIndex() : QModelIndex();
    const Row* list = RowOf(parent);
    if (!list || row >= static_cast<int>(list->children.size())) return {};
    return createIndex(row, 0, list->children[static_cast<size_t>(row)].get());
}

QModelIndex ItemModel::parent(const QModelIndex& child) const {
    const Row* row = RowOf(child);
    return row && row->parent ? IndexOfRow(row->parent) : QModelIndex();
}

int ItemModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid()) return 1;
    const Row* row = RowOf(parent);
    return row ? static_cast<int>(row->children.size()) : 0;
}

int ItemModel::columnCount(const QModelIndex&) const { return 1; }

QVariant ItemModel::data(const QModelIndex& index, int role) const {
    const Row* row = RowOf(index);
    if (!row) return {};
    const Item* item = row->item.get();
    const Page* page = item && item->IsPage() ? static_cast<const Page*>(item) : nullptr;
    switch (role) {
        case Qt::DisplayRole:
            if (!item) return tr("URL List");
            return QString::fromStdString(page ? page->Description() : static_cast<const Folder*>(item)->Name());
        case Qt::DecorationRole:
            if (page) {
                if (page->Failing()) return WarningIcon();
                return QIcon(shell::TreePicture(HasElementPath(*page) ? QStringLiteral("Element") : QStringLiteral("Page")));
            }
            if (FailingBelow(*row)) return WarningIcon();
            return QIcon(shell::TreePicture(item ? QStringLiteral("Folder") : QStringLiteral("Main")));
        case Qt::ToolTipRole:
            if (page) return page->Failing() ? PlainToolTip(tr("Check failed: ") + QString::fromStdString(page->LastFailure())) : QVariant();
            return FailingBelow(*row) ? tr("A page in here could not be checked") : QVariant();
        case Qt::CheckStateRole:
            return (item ? item->Active() : application_->Active()) ? Qt::Checked : Qt::Unchecked;
        case Qt::ForegroundRole:
            return row->marked ? QVariant(QColor(255, 0, 0)) : QVariant();
        case Qt::FontRole: {
            QFont font = font_;
            font.setBold(row->bold);
            return font;
        }
        case KeyRole:
            return item ? QString::fromStdString(item->Key()) : kRootKey;
        case MarkedRole:
            return row->marked;
        default:
            return {};
    }
}

bool ItemModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::CheckStateRole || !RowOf(index)) return false;
    if (activeHandler_) activeHandler_(index, value.toInt() == Qt::Checked);
    return true;
}

Qt::ItemFlags ItemModel::flags(const QModelIndex& index) const {
    const Row* row = RowOf(index);
    if (!row) return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable | Qt::ItemIsDropEnabled;
    if (row->item) flags |= Qt::ItemIsDragEnabled;
    return flags;
}

Qt::DropActions ItemModel::supportedDropActions() const { return Qt::MoveAction; }

Qt::DropActions ItemModel::supportedDragActions() const { return Qt::MoveAction; }

QStringList ItemModel::mimeTypes() const { return {QString::fromLatin1(kMimeType)}; }

QMimeData* ItemModel::mimeData(const QModelIndexList& indexes) const {
    if (indexes.isEmpty()) return nullptr;
    auto* mime = new QMimeData;
    mime->setData(QString::fromLatin1(kMimeType), data(indexes.first(), KeyRole).toString().toUtf8());
    return mime;
}

}  // namespace pelmor::mainwindow
