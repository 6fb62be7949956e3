// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Helpers shared by the files of the comparison engine; not part of its interface.

#include <string>
#include <string_view>
#include <unordered_map>

#include "compare/Compare.h"
#include "platform/html/Html.h"

namespace pelmor::sorrel {

inline constexpr const char* kSource = "Sorrel";
inline constexpr const char* kIdAttribute = "PelmorID";
// Every mark carries this attribute, its value telling what it stands for: "insert",
// "update" or "remove". The browser window counts the marks and steps through them by it.
inline constexpr const char* kMarkAttribute = "PelmorMark";

// Appends the exception to "PelmorCompare.log" as an error record.
void LogFailure(const std::exception& error);
// Body of a document; throws a Missing Failure when there is no document or no body.
html::Element BodyOf(const Document& document);
// True for a text of nothing but white space (blanks, tabs, line breaks).
bool IsBlankText(std::string_view text);

// Texts of the nodes met by one walk, each read from the document once.
struct Compare::Walk {
    struct Text {
        std::u32string folded;
        int numeric = -1;
    };
    std::unordered_map<html::Node, Text> texts;
};

// Words an updated text lost, to be shown where they stood once the painting is done:
// before the character the range starts at, or after the one before it (`atEnd`).
struct Compare::RemovedWords {
    html::TextRange place;
    bool atEnd = false;
    std::string words;
};

}  // namespace pelmor::sorrel
