// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ini/Ini.h"

#include "platform/core/Failure.h"
#include "platform/core/Files.h"
#include "platform/core/Strings.h"

namespace pelmor::ini {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

std::string_view WithoutCr(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}

enum class LineKind { Other, Section, Key };

struct Line {
    LineKind kind = LineKind::Other;
    std::string_view name;   // section or key name, trimmed
    std::string_view value;  // everything after "=", untrimmed
    size_t indent = 0;       // blanks in front of a key
};

Line Classify(std::string_view raw) {
    std::string_view content = WithoutCr(raw);
    std::string_view text = Trim(content);
    Line line;
    if (text.empty() || text.front() == ';' || text.front() == '#') return line;
    if (text.front() == '[') {
        std::string_view inner = text.substr(1);
        size_t close = inner.rfind(']');
        if (close != std::string_view::npos) inner = inner.substr(0, close);
        line.kind = LineKind::Section;
        line.name = Trim(inner);
        return line;
    }
    size_t equals = text.find('=');
    if (equals == std::string_view::npos) return line;
    line.kind = LineKind::Key;
    line.name = Trim(text.substr(0, equals));
    line.value = text.substr(equals + 1);
    line.indent = content.find_first_not_of(" \t");
    return line;
}

std::string Unquote(std::string_view value) {
    value = Trim(value);
    if (value.size() >= 2 && value.front() == value.back() && (value.front() == '"' || value.front() == '\''))
        value = value.substr(1, value.size() - 2);
    return std::string(value);
}

// The first `count` characters of a UTF-8 text.
std::string FirstCharacters(std::string_view text, size_t count) {
    size_t seen = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        bool lead = (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
        if (lead && seen++ == count) return std::string(text.substr(0, i));
    }
    return std::string(text);
}

void Refuse(const std::string& what) {
    throw Failure(Fault::InvalidArgument, "Ini", "Invalid " + what + " for an INI file");
}

bool HasLineBreak(std::string_view text) { return text.find_first_of("\r\n") != std::string_view::npos; }

}  // namespace

Document Document::Parse(std::string_view bytes) {
    Document doc;
    if (bytes.starts_with("\xEF\xBB\xBF")) {
        doc.bom_ = "\xEF\xBB\xBF";
        bytes.remove_prefix(3);
    }
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        if (end == std::string_view::npos) {
            doc.lines_.emplace_back(bytes.substr(start));
            break;
        }
        doc.lines_.emplace_back(bytes.substr(start, end - start));
        doc.finalNewline_ = end + 1 == bytes.size();
        start = end + 1;
    }
    for (const std::string& line : doc.lines_) {
        if (!line.empty() && line.back() == '\r') {
            doc.crlf_ = true;
            break;
        }
    }
    return doc;
}

Document Document::Load(const std::string& path) {
    try {
        return Parse(ReadWholeFile(path));
    } catch (const Failure& failure) {
        if (failure.Kind() == Fault::FileNotFound) return Document();
        throw;
    }
}

std::optional<Document::Range> Document::FindSection(std::string_view section) const {
    section = Trim(section);
    for (size_t i = 0; i < lines_.size(); ++i) {
        Line line = Classify(lines_[i]);
        if (line.kind != LineKind::Section || !EqualsNoCase(line.name, section)) continue;
        size_t end = i + 1;
        while (end < lines_.size() && Classify(lines_[end]).kind != LineKind::Section) ++end;
        return Range{i, end};
    }
    return std::nullopt;
}

std::optional<size_t> Document::FindKey(const Range& range, std::string_view key) const {
    key = Trim(key);
    for (size_t i = range.header + 1; i < range.end; ++i) {
        Line line = Classify(lines_[i]);
        if (line.kind == LineKind::Key && EqualsNoCase(line.name, key)) return i;
    }
    return std::nullopt;
}

std::optional<std::string> Document::Find(std::string_view section, std::string_view key) const {
    std::optional<Range> range = FindSection(section);
    if (!range) return std::nullopt;
    std::optional<size_t> at = FindKey(*range, key);
    if (!at) return std::nullopt;
    return Unquote(Classify(lines_[*at]).value);
}

void Document::InsertLine(size_t at, std::string text) {
    if (crlf_) text += '\r';
    if (at >= lines_.size()) finalNewline_ = true;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), std::move(text));
}

void Document::Set(std::string_view section, std::string_view key, std::string_view value) {
    section = Trim(section);
    key = Trim(key);
    if (HasLineBreak(section) || section.find(']') != std::string_view::npos) Refuse("section name");
    if (HasLineBreak(key) || key.find('=') != std::string_view::npos ||
        (!key.empty() && (key.front() == '[' || key.front() == ';' || key.front() == '#')))
        Refuse("key name");
    if (HasLineBreak(value)) Refuse("value");

    std::optional<Range> range = FindSection(section);
    if (!range) {
        if (!lines_.empty() && !Trim(WithoutCr(lines_.back())).empty()) InsertLine(lines_.size(), "");
        InsertLine(lines_.size(), "[" + std::string(section) + "]");
        InsertLine(lines_.size(), std::string(key) + "=" + std::string(value));
        return;
    }
    if (std::optional<size_t> at = FindKey(*range, key)) {
        std::string& raw = lines_[*at];
        Line line = Classify(raw);
        bool cr = !raw.empty() && raw.back() == '\r';
        std::string text = raw.substr(0, line.indent) + std::string(line.name) + "=" + std::string(value);
        if (cr) text += '\r';
        raw = std::move(text);
        return;
    }
    size_t after = range->header;
    for (size_t i = range->header + 1; i < range->end; ++i)
        if (Classify(lines_[i]).kind == LineKind::Key) after = i;
    InsertLine(after + 1, std::string(key) + "=" + std::string(value));
}

bool Document::RemoveKey(std::string_view section, std::string_view key) {
    std::optional<Range> range = FindSection(section);
    if (!range) return false;
    std::optional<size_t> at = FindKey(*range, key);
    if (!at) return false;
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(*at));
    return true;
}

bool Document::RemoveSection(std::string_view section) {
    std::optional<Range> range = FindSection(section);
    if (!range) return false;
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(range->header),
                 lines_.begin() + static_cast<std::ptrdiff_t>(range->end));
    return true;
}

std::string Document::Serialize() const {
    std::string bytes = bom_;
    for (size_t i = 0; i < lines_.size(); ++i) {
        if (i > 0) bytes += '\n';
        bytes += lines_[i];
    }
    if (finalNewline_ && !lines_.empty()) bytes += '\n';
    return bytes;
}

void Document::Save(const std::string& path) const { WriteFileAtomically(path, Serialize()); }

std::string GetPrivateProfileString(std::string_view section, std::string_view key, std::string_view defaultValue,
                                    const std::string& file, size_t bufferSize) {
    if (bufferSize == 0) return std::string();
    std::optional<std::string> value = Document::Load(file).Find(section, key);
    return FirstCharacters(value ? std::string_view(*value) : defaultValue, bufferSize - 1);
}

void WritePrivateProfileString(std::string_view section, std::optional<std::string_view> key,
                               std::optional<std::string_view> value, const std::string& file) {
    Document doc = Document::Load(file);
    if (!key) {
        if (doc.RemoveSection(section)) doc.Save(file);
    } else if (!value) {
        if (doc.RemoveKey(section, *key)) doc.Save(file);
    } else {
        doc.Set(section, *key, *value);
        doc.Save(file);
    }
}

}  // namespace pelmor::ini
