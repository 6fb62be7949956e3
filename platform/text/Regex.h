// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Regular expressions through PCRE2 (Perl syntax; alternatives are tried left to right at
// each position, matches never overlap). Patterns work on the bytes of UTF-8 text, which
// is exact for patterns made of ASCII characters; "\d" means the ASCII digits.

#include <memory>
#include <string>
#include <string_view>

namespace pelmor::text {

class Regex {
public:
    // Compiles the pattern (JIT-compiled where the machine allows it). Throws
    // pelmor::Failure (5, invalid procedure call) when the pattern does not compile.
    explicit Regex(std::string_view pattern, bool ignoreCase = false);
    ~Regex();
    Regex(const Regex&) = delete;
    Regex& operator=(const Regex&) = delete;

    // The text with every match replaced by `replacement`, taken literally. Throws
    // pelmor::Failure when matching fails (for instance on a resource limit).
    std::string ReplaceAll(std::string_view text, std::string_view replacement) const;
    // True when the pattern matches somewhere in the text. Throws pelmor::Failure.
    bool Search(std::string_view text) const;

private:
    struct Code;
    std::unique_ptr<Code> code_;
};

}  // namespace pelmor::text
