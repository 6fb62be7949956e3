// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/TempHome.h"

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace pelmor::test {

TempHome::TempHome() {
    std::random_device rd;
    std::filesystem::path base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::filesystem::path candidate = base / ("pelmor-test-" + std::to_string(rd()));
        if (std::filesystem::create_directory(candidate)) {
            root_ = candidate;
            break;
        }
    }
    if (root_.empty()) throw std::runtime_error("cannot create a temporary home");
    if (const char* old = std::getenv("PELMOR_HOME")) {
        previous_ = old;
        hadPrevious_ = true;
    }
    setenv("PELMOR_HOME", root_.c_str(), 1);
}

TempHome::~TempHome() {
    if (hadPrevious_)
        setenv("PELMOR_HOME", previous_.c_str(), 1);
    else
        unsetenv("PELMOR_HOME");
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
    if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

}  // namespace pelmor::test
