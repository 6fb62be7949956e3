// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/text/Recognise.h"

#include <array>
#include <optional>
#include <vector>

namespace pelmor::text {
namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
    return text;
}

bool EatCurrency(std::string_view& text, const NumberConventions& conventions, bool atEnd) {
    for (const std::string& sign : conventions.currencies) {
        if (sign.empty()) continue;
        if (!atEnd && text.starts_with(sign)) {
            text = Trim(text.substr(sign.size()));
            return true;
        }
        if (atEnd && text.ends_with(sign)) {
            text = Trim(text.substr(0, text.size() - sign.size()));
            return true;
        }
    }
    return false;
}

bool EatSign(std::string_view& text, bool atEnd) {
    if (text.empty()) return false;
    char c = atEnd ? text.back() : text.front();
    if (c != '+' && c != '-') return false;
    text = Trim(atEnd ? text.substr(0, text.size() - 1) : text.substr(1));
    return true;
}

// Digits with thousands separators, a decimal part and an exponent, nothing else.
bool IsPlainNumber(std::string_view text, const NumberConventions& conventions) {
    size_t i = 0, n = text.size();
    int digits = 0;
    while (i < n && (IsDigit(text[i]) || (text[i] == conventions.thousands && digits > 0))) {
        if (IsDigit(text[i])) ++digits;
        ++i;
    }
    if (i < n && text[i] == conventions.decimal) {
        ++i;
        while (i < n && IsDigit(text[i])) {
            ++digits;
            ++i;
        }
    }
    if (digits == 0) return false;
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
        int exponentDigits = 0;
        while (i < n && IsDigit(text[i])) {
            ++exponentDigits;
            ++i;
        }
        if (exponentDigits == 0) return false;
    }
    return i == n;
}

// ---- dates and times ----

enum class Kind { Number, Word, Separator, Space };

struct Token {
    Kind kind;
    std::string_view text;
    int value = 0;  // numbers: their value (capped), words: month 1-12 or weekday 101-107
};

constexpr std::array<std::string_view, 12> kMonths = {"january", "february", "march",     "april",
                                                      "may",     "june",     "july",      "august",
                                                      "september", "october", "november", "december"};
constexpr std::array<std::string_view, 7> kWeekdays = {"monday", "tuesday",  "wednesday", "thursday",
                                                       "friday", "saturday", "sunday"};

std::string Lower(std::string_view word) {
    std::string out(word);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return out;
}

// Month 1-12 for a month name or its abbreviation of at least three letters ("Sept"
// included), 101-107 for a weekday name or abbreviation, 0 otherwise.
int NameValue(std::string_view word) {
    std::string lower = Lower(word);
    if (lower.size() < 3) return 0;
    for (size_t m = 0; m < kMonths.size(); ++m)
        if (kMonths[m].starts_with(lower)) return static_cast<int>(m) + 1;
    for (size_t d = 0; d < kWeekdays.size(); ++d)
        if (kWeekdays[d].starts_with(lower)) return static_cast<int>(d) + 101;
    return 0;
}

std::optional<std::vector<Token>> Tokenise(std::string_view text) {
    std::vector<Token> tokens;
    size_t i = 0;
    while (i < text.size()) {
        char c = text[i];
        size_t start = i;
        if (IsDigit(c)) {
            int value = 0;
            while (i < text.size() && IsDigit(text[i])) {
                if (value < 100000) value = value * 10 + (text[i] - '0');
                ++i;
            }
            tokens.push_back({Kind::Number, text.substr(start, i - start), value});
        } else if (IsAsciiLetter(c)) {
            while (i < text.size() && IsAsciiLetter(text[i])) ++i;
            tokens.push_back({Kind::Word, text.substr(start, i - start), 0});
        } else if (IsSpace(c)) {
            while (i < text.size() && IsSpace(text[i])) ++i;
            tokens.push_back({Kind::Space, text.substr(start, i - start), 0});
        } else if (c == '/' || c == '-' || c == '.' || c == ':' || c == ',') {
            ++i;
            tokens.push_back({Kind::Separator, text.substr(start, 1), 0});
        } else {
            return std::nullopt;
        }
    }
    return tokens;
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int FullYear(const Token& year) {
    if (year.text.size() <= 2) return year.value < 30 ? 2000 + year.value : 1900 + year.value;
    return year.value;
}

bool ValidDay(int day, int month, std::optional<int> year) {
    static constexpr int kDays[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12 || day < 1 || day > kDays[month - 1]) return false;
    if (month == 2 && day == 29 && year && !IsLeapYear(*year)) return false;
    return true;
}

bool ValidYear(const Token& year) { return year.text.size() <= 4 && year.text.size() != 3; }

bool IsNumericDate(const std::vector<Token>& t) {
    // N sep N [sep N], one separator kind throughout.
    if (t.size() != 3 && t.size() != 5) return false;
    for (size_t i = 0; i < t.size(); ++i) {
        Kind expected = i % 2 == 0 ? Kind::Number : Kind::Separator;
        if (t[i].kind != expected) return false;
    }
    char sep = t[1].text[0];
    if (sep != '/' && sep != '-' && sep != '.') return false;
    if (t.size() == 5 && t[3].text[0] != sep) return false;
    for (size_t i = 0; i < t.size(); i += 2)
        if (t[i].text.size() > 4) return false;
    const Token& a = t[0];
    const Token& b = t[2];
    if (t.size() == 3) {
        if (a.text.size() == 4) return b.value >= 1 && b.value <= 12;  // year, month
        if (b.text.size() == 4) return a.value >= 1 && a.value <= 12;  // month, year
        return ValidDay(a.value, b.value, std::nullopt) || ValidDay(b.value, a.value, std::nullopt);
    }
    const Token& c = t[4];
    if (a.text.size() >= 3) return a.text.size() == 4 && ValidDay(c.value, b.value, a.value);
    if (!ValidYear(c)) return false;
    int year = FullYear(c);
    return ValidDay(a.value, b.value, year) || ValidDay(b.value, a.value, year);
}

bool IsNamedDate(const std::vector<Token>& tokens) {
    std::vector<const Token*> parts;
    for (const Token& t : tokens) {
        if (t.kind == Kind::Space) continue;
        if (t.kind == Kind::Separator) {
            if (t.text[0] == ':') return false;
            continue;
        }
        parts.push_back(&t);
    }
    if (!parts.empty() && parts[0]->kind == Kind::Word && NameValue(parts[0]->text) > 100)
        parts.erase(parts.begin());
    int month = 0;
    std::vector<const Token*> numbers;
    for (const Token* p : parts) {
        if (p->kind == Kind::Word) {
            int value = NameValue(p->text);
            if (value == 0 || value > 100 || month != 0) return false;
            month = value;
        } else {
            if (p->text.size() > 4) return false;
            numbers.push_back(p);
        }
    }
    if (month == 0 || numbers.empty() || numbers.size() > 2) return false;
    if (numbers.size() == 1) {
        const Token& n = *numbers[0];
        if (n.text.size() == 4) return true;  // month and year
        return ValidDay(n.value, month, std::nullopt);
    }
    const Token& first = *numbers[0];
    const Token& second = *numbers[1];
    if (first.text.size() == 4) return ValidDay(second.value, month, first.value);
    if (!ValidYear(second)) return false;
    return ValidDay(first.value, month, FullYear(second));
}

bool IsAmPm(const Token& t) {
    if (t.kind != Kind::Word) return false;
    std::string lower = Lower(t.text);
    return lower == "am" || lower == "pm" || lower == "a" || lower == "p";
}

// Length in tokens of a clock time starting at `from`, or 0 when none starts there.
size_t TimeAt(const std::vector<Token>& t, size_t from) {
    auto number = [&](size_t i, size_t maxDigits) {
        return i < t.size() && t[i].kind == Kind::Number && t[i].text.size() <= maxDigits;
    };
    auto colon = [&](size_t i) { return i < t.size() && t[i].kind == Kind::Separator && t[i].text[0] == ':'; };
    if (!number(from, 2)) return 0;
    int hour = t[from].value;
    size_t i = from + 1;
    bool clock = false;
    if (colon(i) && number(i + 1, 2)) {
        if (t[i + 1].value > 59) return 0;
        i += 2;
        clock = true;
        if (colon(i) && number(i + 1, 2)) {
            if (t[i + 1].value > 59) return 0;
            i += 2;
        }
    }
    size_t j = i < t.size() && t[i].kind == Kind::Space ? i + 1 : i;
    if (j < t.size() && IsAmPm(t[j])) {
        // "a.m." and "p.m." are read as "a" "." "m" ".".
        size_t k = j + 1;
        if (t[j].text.size() == 1) {
            if (!(k + 1 < t.size() && t[k].text == "." && Lower(t[k + 1].text) == "m")) return 0;
            k += 2;
            if (k < t.size() && t[k].text == ".") ++k;
        }
        return hour <= 12 ? k - from : 0;
    }
    return clock && hour <= 23 ? i - from : 0;
}

std::vector<Token> Strip(std::vector<Token> tokens) {
    while (!tokens.empty() && (tokens.front().kind == Kind::Space || tokens.front().text == ","))
        tokens.erase(tokens.begin());
    while (!tokens.empty() && (tokens.back().kind == Kind::Space || tokens.back().text == ",")) tokens.pop_back();
    return tokens;
}

bool IsDateOnly(const std::vector<Token>& tokens) {
    if (tokens.empty()) return false;
    return IsNumericDate(tokens) || IsNamedDate(tokens);
}

}  // namespace

bool IsNumeric(std::string_view text, const NumberConventions& conventions) {
    text = Trim(text);
    if (text.size() >= 2 && text.front() == '(' && text.back() == ')') {
        text = Trim(text.substr(1, text.size() - 2));
        EatCurrency(text, conventions, false);
        EatCurrency(text, conventions, true);
        return IsPlainNumber(text, conventions);
    }
    bool currency = EatCurrency(text, conventions, false);
    bool sign = EatSign(text, false);
    if (!currency) currency = EatCurrency(text, conventions, false);
    if (!sign) sign = EatSign(text, true);
    if (!currency) currency = EatCurrency(text, conventions, true);
    if (!sign) EatSign(text, true);
    return IsPlainNumber(text, conventions);
}

bool IsDate(std::string_view text) {
    auto tokenised = Tokenise(Trim(text));
    if (!tokenised) return false;
    std::vector<Token> tokens = Strip(std::move(*tokenised));
    if (tokens.empty()) return false;
    // A time at the start or at the end, the rest a date.
    if (size_t n = TimeAt(tokens, 0); n > 0) {
        if (n == tokens.size()) return true;
        if (tokens[n].kind != Kind::Space && tokens[n].text != ",") return false;
        return IsDateOnly(Strip(std::vector<Token>(tokens.begin() + static_cast<long>(n), tokens.end())));
    }
    for (size_t start = tokens.size(); start-- > 1;) {
        if (tokens[start - 1].kind != Kind::Space && tokens[start - 1].text != ",") continue;
        if (TimeAt(tokens, start) == tokens.size() - start)
            return IsDateOnly(Strip(std::vector<Token>(tokens.begin(), tokens.begin() + static_cast<long>(start))));
    }
    return IsDateOnly(tokens);
}

}  // namespace pelmor::text
