// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace pelmor::test {

struct ProgramRun {
    std::string out;  // standard output and standard error together
    int status = -1;  // exit status; -1 when the program did not exit normally
};

// Runs a shell command line (arguments already quoted as needed) and collects its output.
ProgramRun RunProgram(const std::string& commandLine);

// `text` compressed as a gzip stream, as a web server sends a compressed body.
std::string Gzip(const std::string& text);

}  // namespace pelmor::test
