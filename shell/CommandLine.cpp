#include "shell/CommandLine.h"

#include "platform/core/Strings.h"

namespace pelmor::shell {

CommandLine CommandLine::FromArguments(const QStringList& arguments) {
    QStringList words = arguments.mid(1);
    return CommandLine(words.join(QLatin1Char(' ')).toStdString());
}

bool CommandLine::AsksProfileRemoval() const { return ContainsNoCase(text_, "ConfirmDelProfile"); }

bool CommandLine::IsForce() const { return EqualsNoCase(text_, "force"); }

}  // namespace pelmor::shell
