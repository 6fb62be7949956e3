// SPDX-License-Identifier: GPL-3.0-or-later
// Inline style: declarations of the "style" attribute, read and rewritten in place.

#include <vector>

#include "platform/html/Colors.h"
#include "platform/html/DocumentData.h"
#include "platform/html/Html.h"

namespace pelmor::html {

namespace {

struct Declaration {
    std::string_view name;
    std::string_view value;
};

// Declarations of a style text, split at ";" outside quotes and brackets.
std::vector<Declaration> Split(std::string_view style) {
    std::vector<Declaration> out;
    size_t i = 0;
    while (i <= style.size()) {
        size_t j = i;
        char quote = 0;
        int depth = 0;
        for (; j < style.size(); ++j) {
            char c = style[j];
            if (quote) {
                if (c == quote) quote = 0;
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (c == '(') {
                ++depth;
            } else if (c == ')' && depth > 0) {
                --depth;
            } else if (c == ';' && depth == 0) {
                break;
            }
        }
        std::string_view part = style.substr(i, j - i);
        size_t colon = part.find(':');
        if (colon != std::string_view::npos) {
            std::string_view name = detail::TrimSpace(part.substr(0, colon));
            if (!name.empty()) out.push_back({name, detail::TrimSpace(part.substr(colon + 1))});
        }
        i = j + 1;
    }
    return out;
}

bool IsBorderStyle(std::string_view v) {
    static const char* const kStyles[] = {"none",  "hidden", "dotted", "dashed", "solid",
                                          "double", "groove", "ridge",  "inset",  "outset"};
    for (const char* k : kStyles)
        if (detail::EqualsAsciiNoCase(v, k)) return true;
    return false;
}

// A CSS length for a border width: a bare number becomes pixels; keywords and lengths
// with a unit stay; anything else gives "".
std::string CssLength(std::string_view v) {
    v = detail::TrimSpace(v);
    if (v.empty()) return {};
    std::string lower = detail::AsciiLower(v);
    if (lower == "thin" || lower == "medium" || lower == "thick") return lower;
    size_t i = 0;
    bool digits = false;
    while (i < lower.size() && ((lower[i] >= '0' && lower[i] <= '9') || lower[i] == '.')) {
        digits |= lower[i] != '.';
        ++i;
    }
    if (!digits) return {};
    std::string_view unit = std::string_view(lower).substr(i);
    if (unit.empty()) return lower + "px";
    static const char* const kUnits[] = {"px", "pt", "pc", "em", "ex", "rem", "cm", "mm", "in", "%", "vw", "vh"};
    for (const char* k : kUnits)
        if (unit == k) return lower;
    return {};
}

}  // namespace

std::string detail::StyleProperty(const NodeData* element, std::string_view property) {
    const Attr* a = FindAttribute(element, "style");
    if (!a) return {};
    std::string result;
    for (const Declaration& d : Split(a->value))
        if (EqualsAsciiNoCase(d.name, property)) result = std::string(d.value);
    return result;
}

std::string Style::getPropertyValue(std::string_view property) const {
    return element_ ? detail::StyleProperty(element_, property) : std::string();
}

bool Style::setProperty(std::string_view property, std::string_view value) {
    if (!element_ || property.empty()) return false;
    const detail::Attr* a = detail::FindAttribute(element_, "style");
    std::string text;
    bool placed = false;
    value = detail::TrimSpace(value);
    for (const Declaration& d : Split(a ? a->value : std::string_view())) {
        std::string_view v = d.value;
        if (detail::EqualsAsciiNoCase(d.name, property)) {
            if (placed || value.empty()) continue;
            v = value;
            placed = true;
        }
        if (!text.empty()) text += "; ";
        text.append(d.name).append(": ").append(v);
    }
    if (!placed && !value.empty()) {
        if (!text.empty()) text += "; ";
        text.append(detail::AsciiLower(property)).append(": ").append(value);
    }
    if (text.empty() && !a) return true;
    doc_->SetAttribute(element_, "style", text);
    return true;
}

bool Style::SetBackgroundColor(std::string_view value) {
    if (detail::TrimSpace(value).empty()) return setProperty("background-color", "");
    std::string css = detail::CssColor(value);
    return !css.empty() && setProperty("background-color", css);
}

bool Style::SetBorderColor(std::string_view value) {
    if (detail::TrimSpace(value).empty()) return setProperty("border-color", "");
    std::string css = detail::CssColor(value);
    return !css.empty() && setProperty("border-color", css);
}

bool Style::SetBorderWidth(std::string_view value) {
    if (detail::TrimSpace(value).empty()) return setProperty("border-width", "");
    std::string css = CssLength(value);
    return !css.empty() && setProperty("border-width", css);
}

bool Style::SetBorderStyle(std::string_view value) {
    if (detail::TrimSpace(value).empty()) return setProperty("border-style", "");
    if (!IsBorderStyle(detail::TrimSpace(value))) return false;
    return setProperty("border-style", detail::AsciiLower(detail::TrimSpace(value)));
}

}  // namespace pelmor::html
