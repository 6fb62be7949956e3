// SPDX-License-Identifier: GPL-3.0-or-later
// The profile file: the whole item tree as one XML document, root element ROOT with
// Folder, Page and Frame elements below it, attributes in a fixed order, no declaration
// and no whitespace between elements.

#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <pugixml.hpp>
#include <span>

#include "items/Application.h"
#include "platform/core/Failure.h"
#include "platform/core/Files.h"
#include "platform/core/Strings.h"

namespace pelmor {
namespace {

constexpr const char* kSaveSource = "Corvel.Application.SaveItems";
constexpr const char* kLoadSource = "Corvel.Application.LoadItems";
constexpr const char* kDefaultInsertColor = "#00FF00";
constexpr const char* kDefaultUpdateColor = "#FFFF00";
// Folders, pages and frames nested deeper than this are refused on both sides, which
// keeps the recursive walks and the ever longer keys of a hostile file in bounds.
constexpr int kMaxDepth = 1000;

// Attribute names of each element, in the order in which they are written.
enum RootAttribute { kRootActive, kRootPeriodTime, kRootPeriodUnit };
constexpr std::array<const char*, 3> kRootNames{"Active", "PeriodTime", "PeriodUnit"};
enum FolderAttribute { kFolderName, kFolderDescription, kFolderActive, kFolderPeriodTime, kFolderPeriodUnit };
constexpr std::array<const char*, 5> kFolderNames{"Name", "Description", "Active", "PeriodTime", "PeriodUnit"};
enum PageAttribute {
    kURL,
    kDescription,
    kSavedFile,
    kSavedDate,
    kStartDate,
    kEndDate,
    kLastCheckDate,
    kPeriodTime,
    kPeriodUnit,
    kUpdated,
    kActive,
    kDeleteAtEnd,
    kShowTimeDiff,
    kShowPics,
    kShowNumbers,
    kUseInverse,
    kElementPath,
    kInsertColor,
    kUpdateColor
};
constexpr std::array<const char*, 19> kPageNames{
    "URL",         "Description", "SavedFile",   "SavedDate",   "StartDate",   "EndDate",      "LastCheckDate",
    "PeriodTime",  "PeriodUnit",  "Updated",     "Active",      "DeleteAtEnd", "ShowTimeDiff", "ShowPics",
    "ShowNumbers", "UseInverse",  "ElementPath", "InsertColor", "UpdateColor"};
enum FrameAttribute { kFrameURL, kFrameSavedFile, kFrameElementPath };
constexpr std::array<const char*, 3> kFrameNames{"URL", "SavedFile", "ElementPath"};

// ---- Writing ----

class StringWriter : public pugi::xml_writer {
public:
    void write(const void* data, size_t size) override { text.append(static_cast<const char*>(data), size); }
    std::string text;
};

const char* BooleanText(bool value) { return value ? "True" : "False"; }

void CheckDepth(int depth, const char* source) {
    if (depth > kMaxDepth) {
        throw Failure(Fault::TooDeep, source,
                      "Items are nested more than " + std::to_string(kMaxDepth) + " levels deep");
    }
}

// Dates outside years 100 to 9999 have no text form that reads back. Dates are checked
// where they enter the tree, so one that got past is written as no date rather than
// failing the save of every other item.
std::string DateText(DateTime date, bool withTime) {
    if (!date.IsStorable()) date = DateTime();
    return withTime ? date.FormatDateTime() : date.FormatDate();
}

void WriteFrame(const Frame& frame, pugi::xml_node parent, int depth) {
    CheckDepth(depth, kSaveSource);
    pugi::xml_node node = parent.append_child("Frame");
    node.append_attribute(kFrameNames[kFrameURL]).set_value(frame.URL().c_str());
    node.append_attribute(kFrameNames[kFrameSavedFile]).set_value(frame.SavedFile().c_str());
    node.append_attribute(kFrameNames[kFrameElementPath]).set_value(frame.ElementPath().c_str());
    for (const std::shared_ptr<Frame>& child : frame.Frames()) WriteFrame(*child, node, depth + 1);
}

void WritePage(const Page& page, pugi::xml_node parent, int depth) {
    pugi::xml_node node = parent.append_child("Page");
    auto add = [&](PageAttribute attribute) { return node.append_attribute(kPageNames[attribute]); };
    add(kURL).set_value(page.URL().c_str());
    add(kDescription).set_value(page.Description().c_str());
    add(kSavedFile).set_value(page.SavedFile().c_str());
    add(kSavedDate).set_value(DateText(page.SavedDate(), true).c_str());
    add(kStartDate).set_value(DateText(page.StartDate(), false).c_str());
    add(kEndDate).set_value(DateText(page.EndDate(), false).c_str());
    add(kLastCheckDate).set_value(DateText(page.LastCheckDate(), true).c_str());
    add(kPeriodTime).set_value(page.PeriodTime());
    add(kPeriodUnit).set_value(static_cast<int32_t>(page.PeriodUnit()));
    add(kUpdated).set_value(BooleanText(page.Updated()));
    add(kActive).set_value(BooleanText(page.Active()));
    add(kDeleteAtEnd).set_value(BooleanText(page.DeleteAtEnd()));
    add(kShowTimeDiff).set_value(BooleanText(page.ShowTimeDiff()));
    add(kShowPics).set_value(BooleanText(page.ShowPics()));
    add(kShowNumbers).set_value(BooleanText(page.ShowNumbers()));
    add(kUseInverse).set_value(BooleanText(page.UseInverse()));
    add(kElementPath).set_value(page.ElementPath().c_str());
    add(kInsertColor).set_value(page.InsertColor().c_str());
    add(kUpdateColor).set_value(page.UpdateColor().c_str());
    for (const std::shared_ptr<Frame>& frame : page.Frames()) WriteFrame(*frame, node, depth + 1);
}

void WriteItems(const ItemList& list, pugi::xml_node parent, int depth) {
    for (const std::shared_ptr<Item>& item : list.Items()) {
        CheckDepth(depth, kSaveSource);
        if (item->IsPage()) {
            WritePage(static_cast<const Page&>(*item), parent, depth);
            continue;
        }
        const auto& folder = static_cast<const Folder&>(*item);
        pugi::xml_node node = parent.append_child("Folder");
        node.append_attribute(kFolderNames[kFolderName]).set_value(folder.Name().c_str());
        node.append_attribute(kFolderNames[kFolderDescription]).set_value(folder.Description().c_str());
        node.append_attribute(kFolderNames[kFolderActive]).set_value(BooleanText(folder.Active()));
        node.append_attribute(kFolderNames[kFolderPeriodTime]).set_value(folder.PeriodTime());
        node.append_attribute(kFolderNames[kFolderPeriodUnit]).set_value(static_cast<int32_t>(folder.PeriodUnit()));
        WriteItems(folder, node, depth + 1);
    }
}

// ---- Reading ----

// The attributes of one element, found in a single pass. Files written by SaveItems list
// them in table order, so each name usually matches at the first try; other orders work
// too. Of two attributes with one name, the first counts.
class Attributes {
public:
    static constexpr size_t kMax = 19;

    Attributes(pugi::xml_node node, std::span<const char* const> names) : node_(node) {
        const size_t N = names.size();
        size_t next = 0;
        for (pugi::xml_attribute attribute : node.attributes()) {
            const char* name = attribute.name();
            size_t at = next < N && std::strcmp(name, names[next]) == 0 ? next : N;
            for (size_t i = 0; at == N && i < N; ++i) {
                if (std::strcmp(name, names[i]) == 0) at = i;
            }
            if (at < N && !found_[at]) {
                found_[at] = attribute;
                next = at + 1;
            }
        }
    }

    bool Has(size_t i) const { return !found_[i].empty(); }
    // Empty text when absent.
    std::string_view Text(size_t i) const { return found_[i].value(); }
    // The text, or `fallback` when the attribute is absent or empty.
    std::string TextOr(size_t i, const char* fallback) const {
        std::string_view text = Text(i);
        return std::string(text.empty() ? fallback : text);
    }

    bool Boolean(size_t i) const {
        std::string_view text = Text(i);
        size_t begin = text.find_first_not_of(" \t");
        size_t end = text.find_last_not_of(" \t");
        std::string_view word =
            begin == std::string_view::npos ? std::string_view() : text.substr(begin, end - begin + 1);
        if (EqualsNoCase(word, "true")) return true;
        if (EqualsNoCase(word, "false")) return false;
        double number;
        if (!ParseNumber(text, number) || !std::isfinite(number)) NotConvertible(i, "a boolean");
        return number != 0.0;
    }
    bool BooleanOr(size_t i, bool fallback) const { return Has(i) ? Boolean(i) : fallback; }

    int16_t Int16(size_t i) const {
        return static_cast<int16_t>(
            Integer(i, std::numeric_limits<int16_t>::min(), std::numeric_limits<int16_t>::max()));
    }
    dfUnits Unit(size_t i) const {
        return static_cast<dfUnits>(
            Integer(i, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
    }

    // The zero date when absent.
    DateTime Date(size_t i) const {
        if (!Has(i)) return DateTime();
        std::optional<DateTime> date = DateTime::Parse(Text(i));
        if (!date) NotConvertible(i, "a date");
        return *date;
    }

private:
    // A whole number in [low, high]; fractions are rounded half to even.
    long long Integer(size_t i, long long low, long long high) const {
        double number;
        if (!ParseNumber(Text(i), number) || std::isnan(number)) NotConvertible(i, "a number");
        number = std::nearbyint(number);
        if (!(number >= static_cast<double>(low) && number <= static_cast<double>(high))) {
            throw Failure(Fault::Overflow, kLoadSource,
                          Place(i) + " is out of range: \"" + std::string(Text(i)) + "\"");
        }
        return static_cast<long long>(number);
    }

    std::string Place(size_t i) const {
        return "attribute " + std::string(found_[i].name()) + " of element " + node_.name() + " at offset " +
               std::to_string(node_.offset_debug());
    }

    [[noreturn]] void NotConvertible(size_t i, const char* what) const {
        throw Failure(Fault::WrongType, kLoadSource,
                      Place(i) + " is not " + what + ": \"" + std::string(Text(i)) + "\"");
    }

    pugi::xml_node node_;
    std::array<pugi::xml_attribute, kMax> found_{};
};
static_assert(kPageNames.size() == Attributes::kMax && kFolderNames.size() <= Attributes::kMax);

enum class Kind { Folder, Page, Frame, Other };

Kind KindOf(pugi::xml_node node) {
    if (node.type() != pugi::node_element) return Kind::Other;
    std::string_view name = node.name();
    if (EqualsNoCase(name, "Folder")) return Kind::Folder;
    if (EqualsNoCase(name, "Page")) return Kind::Page;
    if (EqualsNoCase(name, "Frame")) return Kind::Frame;
    return Kind::Other;
}

[[noreturn]] void Misplaced(pugi::xml_node node, const char* where) {
    throw Failure(Fault::InvalidArgument, kLoadSource,
                  "A " + std::string(node.name()) + " element at offset " + std::to_string(node.offset_debug()) +
                      " cannot stand " + where);
}

class Reader {
public:
    explicit Reader(std::shared_ptr<Application> root) : root_(std::move(root)) {}

    // Children of ROOT or of a Folder element.
    void ReadItems(pugi::xml_node parentNode, ItemList& list, int depth) {
        for (pugi::xml_node node : parentNode.children()) {
            switch (KindOf(node)) {
                case Kind::Folder: {
                    CheckDepth(depth, kLoadSource);
                    auto folder = Folder::Create();
                    Attributes attributes(node, kFolderNames);
                    folder->SetName(std::string(attributes.Text(kFolderName)));
                    folder->SetDescription(std::string(attributes.Text(kFolderDescription)));
                    if (attributes.Has(kFolderPeriodTime)) folder->SetPeriodTime(attributes.Int16(kFolderPeriodTime));
                    if (attributes.Has(kFolderPeriodUnit)) folder->SetPeriodUnit(attributes.Unit(kFolderPeriodUnit));
                    if (attributes.Has(kFolderActive)) folder->SetActive(attributes.Boolean(kFolderActive));
                    folder->SetApplication(root_);
                    // A refused duplicate folder is still read, and dropped with its contents.
                    list.AddItem(folder);
                    ReadItems(node, *folder, depth + 1);
                    break;
                }
                case Kind::Page:
                    CheckDepth(depth, kLoadSource);
                    list.AddItem(ReadPage(node, depth));
                    break;
                case Kind::Frame:
                    Misplaced(node,
                              list.IsApplication() ? "directly under the root element" : "under a Folder element");
                case Kind::Other:
                    break;
            }
        }
    }

private:
    std::shared_ptr<Page> ReadPage(pugi::xml_node node, int depth) {
        auto page = Page::Create();
        Attributes attributes(node, kPageNames);
        page->SetURL(std::string(attributes.Text(kURL)));
        page->SetDescription(std::string(attributes.Text(kDescription)));
        page->SetSavedFile(std::string(attributes.Text(kSavedFile)));
        page->SetSavedDate(attributes.Date(kSavedDate));
        page->SetStartDate(attributes.Date(kStartDate));
        page->SetEndDate(attributes.Date(kEndDate));
        page->SetLastCheckDate(attributes.Date(kLastCheckDate));
        if (attributes.Has(kPeriodTime)) page->SetPeriodTime(attributes.Int16(kPeriodTime));
        if (attributes.Has(kPeriodUnit)) page->SetPeriodUnit(attributes.Unit(kPeriodUnit));
        page->SetUpdated(attributes.BooleanOr(kUpdated, false));
        page->SetActive(attributes.BooleanOr(kActive, false));
        page->SetDeleteAtEnd(attributes.BooleanOr(kDeleteAtEnd, false));
        page->SetShowTimeDiff(attributes.BooleanOr(kShowTimeDiff, true));
        page->SetShowPics(attributes.BooleanOr(kShowPics, true));
        page->SetShowNumbers(attributes.BooleanOr(kShowNumbers, true));
        page->SetUseInverse(attributes.BooleanOr(kUseInverse, true));
        page->SetElementPath(std::string(attributes.Text(kElementPath)));
        page->SetInsertColor(attributes.TextOr(kInsertColor, kDefaultInsertColor));
        page->SetUpdateColor(attributes.TextOr(kUpdateColor, kDefaultUpdateColor));
        page->SetApplication(root_);
        // The frames come first: the page's key depends on them.
        ReadFrames(node, *page, depth + 1);
        return page;
    }

    // Children of a Page or Frame element.
    void ReadFrames(pugi::xml_node parentNode, FrameList& list, int depth) {
        for (pugi::xml_node node : parentNode.children()) {
            switch (KindOf(node)) {
                case Kind::Frame: {
                    CheckDepth(depth, kLoadSource);
                    Attributes attributes(node, kFrameNames);
                    if (!attributes.Has(kFrameURL) || !attributes.Has(kFrameSavedFile)) {
                        throw Failure(Fault::InvalidArgument, kLoadSource,
                                      "The Frame element at offset " + std::to_string(node.offset_debug()) +
                                          " lacks its URL or SavedFile attribute");
                    }
                    auto frame = list.AddFrame(std::string(attributes.Text(kFrameURL)),
                                               std::string(attributes.Text(kFrameSavedFile)));
                    frame->SetElementPath(std::string(attributes.Text(kFrameElementPath)));
                    ReadFrames(node, *frame, depth + 1);
                    break;
                }
                case Kind::Folder:
                case Kind::Page:
                    Misplaced(node, "under a Page or Frame element");
                case Kind::Other:
                    break;
            }
        }
    }

    std::shared_ptr<Application> root_;
};

// Keeps the bytes of a profile that could not be read beside it, and tells where.
std::string KeepUnreadableCopy(const std::string& fileName, const std::string& bytes) {
    std::string copy = UnreadableCopyName(fileName);
    try {
        bool same = false;
        try {
            same = ReadWholeFile(copy) == bytes;
        } catch (const Failure&) {
        }
        if (!same) WriteFileAtomically(copy, bytes);
        return "; the file was kept as " + copy;
    } catch (const std::exception& error) {
        return "; keeping a copy as " + copy + " failed: " + FailureOf(error, kLoadSource).Description();
    }
}

}  // namespace

void Application::SaveItems(const std::string& fileName) const {
    pugi::xml_document document;
    pugi::xml_node root = document.append_child("ROOT");
    root.append_attribute(kRootNames[kRootActive]).set_value(BooleanText(active_));
    root.append_attribute(kRootNames[kRootPeriodTime]).set_value(periodTime_);
    root.append_attribute(kRootNames[kRootPeriodUnit]).set_value(static_cast<int32_t>(periodUnit_));
    WriteItems(*this, root, 1);
    StringWriter writer;
    document.save(writer, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
    WriteFileAtomically(fileName, writer.text);
}

void Application::LoadItems(const std::string& fileName) {
    ClearItems();
    std::string bytes;
    try {
        bytes = ReadWholeFile(fileName);
    } catch (const Failure& failure) {
        throw Failure(failure.Kind(), kLoadSource, failure.Description());
    }
    try {
        pugi::xml_document document;
        pugi::xml_parse_result parsed = document.load_buffer(bytes.data(), bytes.size());
        if (parsed.status == pugi::status_no_document_element) {
            throw Failure(Fault::Missing, kLoadSource, "The profile file has no root element");
        }
        if (!parsed) {
            throw Failure(Fault::Failed, kLoadSource,
                          std::string("The profile file is not well-formed XML: ") + parsed.description() +
                              " at offset " + std::to_string(parsed.offset));
        }
        pugi::xml_node root = document.document_element();
        for (pugi::xml_node sibling = root.next_sibling(); sibling; sibling = sibling.next_sibling()) {
            if (sibling.type() == pugi::node_element) {
                throw Failure(Fault::Failed, kLoadSource, "The profile file holds more than one root element");
            }
        }
        Attributes attributes(root, kRootNames);
        periodTime_ = attributes.Has(kRootPeriodTime) ? attributes.Int16(kRootPeriodTime) : 1;
        periodUnit_ = attributes.Has(kRootPeriodUnit) ? attributes.Unit(kRootPeriodUnit) : dfDay;
        active_ = attributes.BooleanOr(kRootActive, true);
        Reader(std::static_pointer_cast<Application>(weak_from_this().lock())).ReadItems(root, *this, 1);
    } catch (const std::exception& error) {
        Failure failure = FailureOf(error, kLoadSource);
        throw Failure(failure.Kind(), failure.Source(), failure.Description() + KeepUnreadableCopy(fileName, bytes));
    }
}

}  // namespace pelmor
