// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Private-profile (INI) files: sections "[Name]" holding "key=value" lines.
//
// Section and key names are compared without regard to letter case. Reading a value trims
// the blanks around it and removes one pair of matching surrounding quotes (" or ').
// Writing changes only the lines it must: comments, blank lines, unknown sections and
// other keys stay byte for byte as they were, and so do the line ends (LF or CRLF, as the
// file already uses; new files use LF) and a UTF-8 byte order mark. Every write replaces
// the file atomically. Texts are UTF-8.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pelmor::ini {

// One INI file held in memory, for several changes written at once.
class Document {
public:
    // An empty document (no lines, LF line ends).
    Document() = default;
    // The document of `bytes` as read from a file.
    static Document Parse(std::string_view bytes);
    // The document of the file at `path`; an empty document when the file does not exist.
    // Throws Failure when the file exists but cannot be read.
    static Document Load(const std::string& path);

    // Value of `key` in `section` (first match of each), trimmed and unquoted; nullopt when
    // the section or the key is missing.
    std::optional<std::string> Find(std::string_view section, std::string_view key) const;

    // Sets `key` in `section` to `value`: the key's line is replaced in place, a missing
    // key is added after the last key line of the section, a missing section is added at
    // the end. Throws Failure 5 when a name or the value holds a line break, the key holds
    // "=" or starts with "[", ";" or "#", or the section holds "]"; the document is
    // unchanged then.
    void Set(std::string_view section, std::string_view key, std::string_view value);
    // Removes the line of `key` in `section`; false when there was none.
    bool RemoveKey(std::string_view section, std::string_view key);
    // Removes the section's header and every line up to the next section; false when
    // there was no such section.
    bool RemoveSection(std::string_view section);

    // The file's bytes.
    std::string Serialize() const;
    // Writes the document to `path` atomically. Throws Failure when it cannot.
    void Save(const std::string& path) const;

private:
    struct Range {
        size_t header;  // index of the "[section]" line
        size_t end;     // one past the section's last line
    };
    std::optional<Range> FindSection(std::string_view section) const;
    std::optional<size_t> FindKey(const Range& range, std::string_view key) const;
    void InsertLine(size_t at, std::string text);

    std::string bom_;
    std::vector<std::string> lines_;  // without "\n"; a CRLF line keeps its "\r"
    bool finalNewline_ = false;
    bool crlf_ = false;
};

// Like the classic GetPrivateProfileString: the value of `key` in `section` of `file`, or
// `defaultValue` when the file, the section or the key is missing, cut to `bufferSize`
// minus one characters (never in the middle of a UTF-8 sequence; "" for a size of 0).
// Throws Failure when the file exists but cannot be read.
std::string GetPrivateProfileString(std::string_view section, std::string_view key, std::string_view defaultValue,
                                    const std::string& file, size_t bufferSize);

// Like the classic WritePrivateProfileString: with a key and a value, sets the key
// (creating file, section and key as needed); with a key and no value, removes the key;
// with no key, removes the whole section. Removing something missing leaves the file
// untouched. Throws Failure when the file cannot be read or written, or for names and
// values Document::Set refuses.
void WritePrivateProfileString(std::string_view section, std::optional<std::string_view> key,
                               std::optional<std::string_view> value, const std::string& file);

}  // namespace pelmor::ini
