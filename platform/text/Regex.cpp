// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/text/Regex.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include "platform/core/Failure.h"

namespace pelmor::text {
namespace {

std::string ErrorText(int code) {
    PCRE2_UCHAR buffer[256];
    int n = pcre2_get_error_message(code, buffer, sizeof buffer);
    if (n < 0) return "PCRE2 error " + std::to_string(code);
    return std::string(reinterpret_cast<const char*>(buffer), static_cast<size_t>(n));
}

struct MatchData {
    explicit MatchData(const pcre2_code* code) : data(pcre2_match_data_create_from_pattern(code, nullptr)) {
        if (data == nullptr) throw Failure(Fault::OutOfMemory, "Regex", "Out of memory");
    }
    ~MatchData() { pcre2_match_data_free(data); }
    pcre2_match_data* data;
};

}  // namespace

struct Regex::Code {
    pcre2_code* code = nullptr;
    ~Code() { pcre2_code_free(code); }
};

Regex::Regex(std::string_view pattern, bool ignoreCase) : code_(std::make_unique<Code>()) {
    int error = 0;
    PCRE2_SIZE offset = 0;
    code_->code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(),
                                ignoreCase ? PCRE2_CASELESS : 0u, &error, &offset, nullptr);
    if (code_->code == nullptr)
        throw Failure(Fault::InvalidArgument, "Regex",
                      "Bad pattern at " + std::to_string(offset) + ": " + ErrorText(error));
    pcre2_jit_compile(code_->code, PCRE2_JIT_COMPLETE);  // falls back to the interpreter
}

Regex::~Regex() = default;

std::string Regex::ReplaceAll(std::string_view text, std::string_view replacement) const {
    // Matches are copied through in one pass; the text is only rebuilt when one is found.
    MatchData match(code_->code);
    auto subject = reinterpret_cast<PCRE2_SPTR>(text.data());
    std::string out;
    size_t copied = 0;
    size_t start = 0;
    bool found = false;
    while (start <= text.size()) {
        int rc = pcre2_match(code_->code, subject, text.size(), start, 0, match.data, nullptr);
        if (rc == PCRE2_ERROR_NOMATCH) break;
        if (rc < 0) throw Failure(Fault::Failed, "Regex", ErrorText(rc));
        PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(match.data);
        size_t from = ovector[0], to = ovector[1];
        if (!found) out.reserve(text.size() + replacement.size());
        found = true;
        out.append(text, copied, from - copied);
        out.append(replacement);
        copied = to;
        start = to > from ? to : to + 1;
        if (to == from && from < text.size()) {
            out += text[from];
            copied = from + 1;
        }
    }
    if (!found) return std::string(text);
    out.append(text, copied, std::string_view::npos);
    return out;
}

bool Regex::Search(std::string_view text) const {
    MatchData match(code_->code);
    int rc = pcre2_match(code_->code, reinterpret_cast<PCRE2_SPTR>(text.data()), text.size(), 0, 0, match.data,
                         nullptr);
    if (rc == PCRE2_ERROR_NOMATCH) return false;
    if (rc < 0) throw Failure(Fault::Failed, "Regex", ErrorText(rc));
    return true;
}

}  // namespace pelmor::text
