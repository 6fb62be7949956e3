// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CommandLine.h"

#include <string_view>

#include "platform/core/Strings.h"
#include "platform/core/Version.h"

namespace pelmor::shell {

CommandLine CommandLine::FromArguments(const QStringList& arguments) {
    QStringList words = arguments.mid(1);
    return CommandLine(words.join(QLatin1Char(' ')).toStdString());
}

std::optional<std::string> CommandLine::Information(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--version" || arg == "-V") return VersionText("pelmor");
        if (arg == "--help" || arg == "-h")
            return "Usage: pelmor [hide | force | ConfirmDelProfile]\n"
                   "Watches web pages and shows what changed on them. Only one copy runs in a desktop\n"
                   "session: a second start brings the running copy's window up and ends.\n"
                   "\n"
                   "  hide               start with the window hidden in the tray (exactly so)\n"
                   "  force              start even when another copy is running\n"
                   "  ConfirmDelProfile  only ask whether to keep the profile, then end\n"
                   "  -h, --help         show this text and end\n"
                   "  -V, --version      show the version and licence and end\n"
                   "\n"
                   "Environment: PELMOR_HOME (config in $PELMOR_HOME/config, data in $PELMOR_HOME/data),\n"
                   "XDG_CONFIG_HOME, XDG_DATA_HOME, PELMOR_RENDER (the page helper program).\n";
    }
    return std::nullopt;
}

bool CommandLine::AsksProfileRemoval() const { return ContainsNoCase(text_, "ConfirmDelProfile"); }

bool CommandLine::IsForce() const { return EqualsNoCase(text_, "force"); }

}  // namespace pelmor::shell
