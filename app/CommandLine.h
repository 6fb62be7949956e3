// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The program's command line and the three words it understands.

#include <QStringList>
#include <optional>
#include <string>

namespace pelmor::shell {

class CommandLine {
public:
    CommandLine() = default;
    explicit CommandLine(std::string text) : text_(std::move(text)) {}
    // The arguments after the program's name, joined by single blanks.
    static CommandLine FromArguments(const QStringList& arguments);
    // The text to print for a line that asks for "--help" ("-h") or "--version" ("-V")
    // anywhere; nullopt for any other line. Answered before anything else starts.
    static std::optional<std::string> Information(int argc, const char* const* argv);

    const std::string& Text() const { return text_; }
    // "ConfirmDelProfile" anywhere in the line, any letter case.
    bool AsksProfileRemoval() const;
    // The whole line is "force", any letter case.
    bool IsForce() const;
    // The whole line is "hide", exactly.
    bool IsHide() const { return text_ == "hide"; }

private:
    std::string text_;
};

}  // namespace pelmor::shell
