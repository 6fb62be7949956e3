// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <string>

namespace pelmor::test {

// A private home for one test: creates a fresh temporary folder, points PELMOR_HOME at it
// (so the config folder is <home>/config and the data folder <home>/data) and removes it
// again when the object goes away.
class TempHome {
public:
    TempHome();
    ~TempHome();
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    const std::filesystem::path& Root() const { return root_; }
    std::filesystem::path Config() const { return root_ / "config"; }
    std::filesystem::path Data() const { return root_ / "data"; }

private:
    std::filesystem::path root_;
    std::string previous_;
    bool hadPrevious_ = false;
};

// Whole content of a file as bytes; empty when it cannot be read.
std::string ReadFile(const std::filesystem::path& path);
// Writes bytes to a file, creating its folder; throws on failure.
void WriteFile(const std::filesystem::path& path, const std::string& bytes);

}  // namespace pelmor::test
