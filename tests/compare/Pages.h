// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Small helpers for the engine's tests: pages from body markup, nodes by tag.

#include <memory>
#include <string>
#include <string_view>

#include "platform/html/Html.h"

namespace pelmor::sorrel::test {

inline std::shared_ptr<html::Document> Page(std::string_view body) {
    return html::Document::Parse("<html><head><title>t</title></head><body>" + std::string(body) + "</body></html>");
}

// The index-th element with that tag name in the document (empty when there is none).
inline html::Element Tag(const std::shared_ptr<html::Document>& page, std::string_view name, size_t index = 0) {
    return page->getElementsByTagName(name).item(index);
}

inline size_t Count(std::string_view text, std::string_view part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string_view::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

}  // namespace pelmor::sorrel::test
