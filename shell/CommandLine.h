#pragma once

// The program's command line and the three words it understands.

#include <QStringList>
#include <string>

namespace pelmor::shell {

class CommandLine {
public:
    CommandLine() = default;
    explicit CommandLine(std::string text) : text_(std::move(text)) {}
    // The arguments after the program's name, joined by single blanks.
    static CommandLine FromArguments(const QStringList& arguments);

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
