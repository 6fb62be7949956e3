// The profile file: the whole item tree as one XML document, root element ROOT with
// Folder, Page and Frame elements below it, attributes in a fixed order, no declaration
// and no whitespace between elements.

#include <cmath>
#include <limits>
#include <pugixml.hpp>

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
constexpr long kOutOfStackSpace = 28;

// ---- Writing ----

class StringWriter : public pugi::xml_writer {
public:
    void write(const void* data, size_t size) override { text.append(static_cast<const char*>(data), size); }
    std::string text;
};

const char* BooleanText(bool value) {
    return value ? "True" : "False";
}

void CheckDepth(int depth, const char* source) {
    if (depth > kMaxDepth) {
        throw Failure(kOutOfStackSpace, source, "Items are nested more than " + std::to_string(kMaxDepth) + " levels deep");
    }
}

// Dates outside years 100 to 9999 have no text form that reads back; writing one would
// leave a file that no longer loads.
std::string DateText(DateTime date, bool withTime, const Page& page) {
    static const DateTime first = *DateTime::FromParts({100, 1, 1, 0, 0, 0});
    static const DateTime last = *DateTime::FromParts({9999, 12, 31, 23, 59, 0});
    if (!std::isfinite(date.Days()) || date - first < 0 || last - date < 0) {
        throw Failure(err::kOverflow, kSaveSource, "A date of the page " + page.URL() + " is out of range");
    }
    return withTime ? date.FormatDateTime() : date.FormatDate();
}

void WriteFrame(const Frame& frame, pugi::xml_node parent, int depth) {
    CheckDepth(depth, kSaveSource);
    pugi::xml_node node = parent.append_child("Frame");
    node.append_attribute("URL").set_value(frame.URL().c_str());
    node.append_attribute("SavedFile").set_value(frame.SavedFile().c_str());
    node.append_attribute("ElementPath").set_value(frame.ElementPath().c_str());
    for (int i = 1; i <= frame.FramesCount(); ++i) WriteFrame(*frame.Frames(i), node, depth + 1);
}

void WritePage(const Page& page, pugi::xml_node parent, int depth) {
    pugi::xml_node node = parent.append_child("Page");
    auto text = [&](const char* name, const std::string& value) { node.append_attribute(name).set_value(value.c_str()); };
    auto boolean = [&](const char* name, bool value) { node.append_attribute(name).set_value(BooleanText(value)); };
    text("URL", page.URL());
    text("Description", page.Description());
    text("SavedFile", page.SavedFile());
    text("SavedDate", DateText(page.SavedDate(), true, page));
    text("StartDate", DateText(page.StartDate(), false, page));
    text("EndDate", DateText(page.EndDate(), false, page));
    text("LastCheckDate", DateText(page.LastCheckDate(), true, page));
    node.append_attribute("PeriodTime").set_value(page.PeriodTime());
    node.append_attribute("PeriodUnit").set_value(static_cast<int32_t>(page.PeriodUnit()));
    boolean("Updated", page.Updated());
    boolean("Active", page.Active());
    boolean("DeleteAtEnd", page.DeleteAtEnd());
    boolean("ShowTimeDiff", page.ShowTimeDiff());
    boolean("ShowPics", page.ShowPics());
    boolean("ShowNumbers", page.ShowNumbers());
    boolean("UseInverse", page.UseInverse());
    text("ElementPath", page.ElementPath());
    text("InsertColor", page.InsertColor());
    text("UpdateColor", page.UpdateColor());
    for (int i = 1; i <= page.FramesCount(); ++i) WriteFrame(*page.Frames(i), node, depth + 1);
}

void WriteItems(const ItemList& list, pugi::xml_node parent, int depth) {
    CheckDepth(depth, kSaveSource);
    for (int i = 1; i <= list.ItemsCount(); ++i) {
        std::shared_ptr<Item> item = list.Items(i);
        if (item->IsPage()) {
            WritePage(static_cast<const Page&>(*item), parent, depth);
            continue;
        }
        const auto& folder = static_cast<const Folder&>(*item);
        pugi::xml_node node = parent.append_child("Folder");
        node.append_attribute("Name").set_value(folder.Name().c_str());
        node.append_attribute("Description").set_value(folder.Description().c_str());
        node.append_attribute("Active").set_value(BooleanText(folder.Active()));
        node.append_attribute("PeriodTime").set_value(folder.PeriodTime());
        node.append_attribute("PeriodUnit").set_value(static_cast<int32_t>(folder.PeriodUnit()));
        WriteItems(folder, node, depth + 1);
    }
}

// ---- Reading ----

// Where a value came from, for the failure's description.
std::string Place(pugi::xml_node node, const char* attribute) {
    return "attribute " + std::string(attribute) + " of element " + node.name() + " at offset " +
           std::to_string(node.offset_debug());
}

[[noreturn]] void NotConvertible(pugi::xml_node node, const char* attribute, const char* what) {
    throw Failure(err::kTypeMismatch, kLoadSource,
                  Place(node, attribute) + " is not " + what + ": \"" + node.attribute(attribute).value() + "\"");
}

bool ToBoolean(pugi::xml_node node, const char* name) {
    std::string_view text = node.attribute(name).value();
    size_t begin = text.find_first_not_of(" \t");
    size_t end = text.find_last_not_of(" \t");
    std::string_view word = begin == std::string_view::npos ? std::string_view() : text.substr(begin, end - begin + 1);
    if (EqualsNoCase(word, "true")) return true;
    if (EqualsNoCase(word, "false")) return false;
    double number;
    if (!ParseNumber(text, number) || !std::isfinite(number)) NotConvertible(node, name, "a boolean");
    return number != 0.0;
}

// A whole number in [low, high]; fractions are rounded half to even.
long long ToInteger(pugi::xml_node node, const char* name, long long low, long long high) {
    double number;
    if (!ParseNumber(node.attribute(name).value(), number) || std::isnan(number)) {
        NotConvertible(node, name, "a number");
    }
    number = std::nearbyint(number);
    if (!(number >= static_cast<double>(low) && number <= static_cast<double>(high))) {
        throw Failure(err::kOverflow, kLoadSource,
                      Place(node, name) + " is out of range: \"" + node.attribute(name).value() + "\"");
    }
    return static_cast<long long>(number);
}

int16_t ToPeriodTime(pugi::xml_node node) {
    return static_cast<int16_t>(
        ToInteger(node, "PeriodTime", std::numeric_limits<int16_t>::min(), std::numeric_limits<int16_t>::max()));
}

dfUnits ToPeriodUnit(pugi::xml_node node) {
    return static_cast<dfUnits>(
        ToInteger(node, "PeriodUnit", std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

DateTime ToDate(pugi::xml_node node, const char* name) {
    std::optional<DateTime> date = DateTime::Parse(node.attribute(name).value());
    if (!date) NotConvertible(node, name, "a date");
    return *date;
}

bool Has(pugi::xml_node node, const char* name) {
    return !node.attribute(name).empty();
}

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
    throw Failure(err::kInvalidProcedureCall, kLoadSource,
                  "A " + std::string(node.name()) + " element at offset " + std::to_string(node.offset_debug()) +
                      " cannot stand " + where);
}

class Reader {
public:
    explicit Reader(std::shared_ptr<Application> root) : root_(std::move(root)) {}

    // Children of ROOT or of a Folder element.
    void ReadItems(pugi::xml_node parentNode, ItemList& list, int depth) {
        CheckDepth(depth, kLoadSource);
        for (pugi::xml_node node : parentNode.children()) {
            switch (KindOf(node)) {
            case Kind::Folder: {
                auto folder = Folder::Create();
                if (Has(node, "Name")) folder->SetName(node.attribute("Name").value());
                if (Has(node, "Description")) folder->SetDescription(node.attribute("Description").value());
                if (Has(node, "PeriodTime")) folder->SetPeriodTime(ToPeriodTime(node));
                if (Has(node, "PeriodUnit")) folder->SetPeriodUnit(ToPeriodUnit(node));
                if (Has(node, "Active")) folder->SetActive(ToBoolean(node, "Active"));
                folder->SetApplication(root_);
                // A refused duplicate folder is still read, and dropped with its contents.
                list.AddItem(folder);
                ReadItems(node, *folder, depth + 1);
                break;
            }
            case Kind::Page:
                list.AddItem(ReadPage(node, depth));
                break;
            case Kind::Frame:
                Misplaced(node, list.IsApplication() ? "directly under the root element" : "under a Folder element");
            case Kind::Other:
                break;
            }
        }
    }

private:
    std::shared_ptr<Page> ReadPage(pugi::xml_node node, int depth) {
        auto page = Page::Create();
        auto text = [&](const char* name, const char* fallback = "") {
            std::string_view value = node.attribute(name).value();
            return std::string(value.empty() ? fallback : value);
        };
        auto boolean = [&](const char* name, bool fallback) { return Has(node, name) ? ToBoolean(node, name) : fallback; };
        auto date = [&](const char* name) { return Has(node, name) ? ToDate(node, name) : DateTime(); };
        page->SetURL(text("URL"));
        page->SetDescription(text("Description"));
        page->SetSavedFile(text("SavedFile"));
        page->SetSavedDate(date("SavedDate"));
        page->SetStartDate(date("StartDate"));
        page->SetEndDate(date("EndDate"));
        page->SetLastCheckDate(date("LastCheckDate"));
        if (Has(node, "PeriodTime")) page->SetPeriodTime(ToPeriodTime(node));
        if (Has(node, "PeriodUnit")) page->SetPeriodUnit(ToPeriodUnit(node));
        page->SetUpdated(boolean("Updated", false));
        page->SetActive(boolean("Active", false));
        page->SetDeleteAtEnd(boolean("DeleteAtEnd", false));
        page->SetShowTimeDiff(boolean("ShowTimeDiff", true));
        page->SetShowPics(boolean("ShowPics", true));
        page->SetShowNumbers(boolean("ShowNumbers", true));
        page->SetUseInverse(boolean("UseInverse", true));
        page->SetElementPath(text("ElementPath"));
        page->SetInsertColor(text("InsertColor", kDefaultInsertColor));
        page->SetUpdateColor(text("UpdateColor", kDefaultUpdateColor));
        page->SetApplication(root_);
        // The frames come first: the page's key depends on them.
        ReadFrames(node, *page, depth + 1);
        return page;
    }

    // Children of a Page or Frame element.
    void ReadFrames(pugi::xml_node parentNode, FrameList& list, int depth) {
        CheckDepth(depth, kLoadSource);
        for (pugi::xml_node node : parentNode.children()) {
            switch (KindOf(node)) {
            case Kind::Frame: {
                if (!Has(node, "URL") || !Has(node, "SavedFile")) {
                    throw Failure(err::kInvalidProcedureCall, kLoadSource,
                                  "The Frame element at offset " + std::to_string(node.offset_debug()) +
                                      " lacks its URL or SavedFile attribute");
                }
                auto frame = list.AddFrame(node.attribute("URL").value(), node.attribute("SavedFile").value());
                if (Has(node, "ElementPath")) frame->SetElementPath(node.attribute("ElementPath").value());
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
    } catch (...) {
        return "; keeping a copy as " + copy + " failed: " + CurrentFailure(kLoadSource).Description();
    }
}

}  // namespace

void Application::SaveItems(const std::string& strFileName) const {
    pugi::xml_document document;
    pugi::xml_node root = document.append_child("ROOT");
    root.append_attribute("Active").set_value(BooleanText(active_));
    root.append_attribute("PeriodTime").set_value(periodTime_);
    root.append_attribute("PeriodUnit").set_value(static_cast<int32_t>(periodUnit_));
    WriteItems(*this, root, 1);
    StringWriter writer;
    document.save(writer, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
    WriteFileAtomically(strFileName, writer.text);
}

void Application::LoadItems(const std::string& strFileName) {
    ClearItems();
    tag_.reset();
    std::string bytes = ReadWholeFile(strFileName);
    try {
        pugi::xml_document document;
        pugi::xml_parse_result parsed = document.load_buffer(bytes.data(), bytes.size());
        if (parsed.status == pugi::status_no_document_element) {
            throw Failure(err::kObjectNotSet, kLoadSource, "The profile file has no root element");
        }
        if (!parsed) {
            throw Failure(err::kEFail, kLoadSource,
                          std::string("The profile file is not well-formed XML: ") + parsed.description() +
                              " at offset " + std::to_string(parsed.offset));
        }
        pugi::xml_node root = document.document_element();
        for (pugi::xml_node sibling = root.next_sibling(); sibling; sibling = sibling.next_sibling()) {
            if (sibling.type() == pugi::node_element) {
                throw Failure(err::kEFail, kLoadSource, "The profile file holds more than one root element");
            }
        }
        periodTime_ = Has(root, "PeriodTime") ? ToPeriodTime(root) : 1;
        periodUnit_ = Has(root, "PeriodUnit") ? ToPeriodUnit(root) : dfDay;
        active_ = Has(root, "Active") ? ToBoolean(root, "Active") : true;
        Reader(std::static_pointer_cast<Application>(weak_from_this().lock())).ReadItems(root, *this, 1);
    } catch (...) {
        Failure failure = CurrentFailure(kLoadSource);
        throw Failure(failure.Number(), failure.Source(), failure.Description() + KeepUnreadableCopy(strFileName, bytes));
    }
}

}  // namespace pelmor
