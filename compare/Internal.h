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
inline constexpr int kMax16 = 32767;

// Appends the failure in flight to "PelmorCompare.log". Call inside catch (...).
void LogFailure();
// The value when it fits in 16 bits; throws Failure (overflow) otherwise.
int Check16(long long value);
// Body of a document; throws Failure (91) when there is no document or no body.
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

}  // namespace pelmor::sorrel
