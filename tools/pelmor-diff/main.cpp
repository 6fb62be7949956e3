// SPDX-License-Identifier: GPL-3.0-or-later
// pelmor-diff: compares two HTML files with the comparison engine and prints the new
// page's body with the changes marked, whether it changed, or the edit script.

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "compare/Compare.h"
#include "loader/LightWebBrowser.h"
#include "platform/core/Version.h"
#include "platform/html/Html.h"
#include "platform/log/Log.h"
#include "platform/text/Utf16.h"
#include "retrieval/InternetHandler.h"

namespace {

constexpr int kExitUsage = 2;

constexpr const char* kUsage =
    "Usage: pelmor-diff [options] ORIGINAL NEW\n"
    "Compares two HTML files (UTF-8, or UTF-16 with a byte-order mark) and prints the inner\n"
    "HTML of the new page's body with the changes marked. Either side may be a web address\n"
    "(http, https, ftp), loaded as the checker loads pages.\n"
    "\n"
    "  --changed            print \"changed\" (exit 0) or \"unchanged\" (exit 1) instead\n"
    "  --script             print the edit script: one record a line, tab-separated:\n"
    "                       action, position, path of the new node, path of the original node\n"
    "  --element PATH       compare and mark only the element named by PATH, e.g. TABLE(0),TBODY(0),TR(2)\n"
    "  --show-time-diff     dates and times count as changes\n"
    "  --show-pics          image file names count as changes\n"
    "  --show-numbers       numbers count as changes\n"
    "  --inverse            paint updated text in the inverse of its colour where that shows\n"
    "  --hide-removed       do not show removed content struck through where it stood; a page\n"
    "                       that only lost content then gets the place of the loss painted red\n"
    "  --insert-color C     colour of inserted content (default #00FF00)\n"
    "  --update-color C     colour of updated content (default #FFFF00)\n"
    "  --log                keep the comparison and retrieval logs in Pelmor's data folder\n"
    "                       (without it, nothing is written)\n"
    "  --help               show this text\n"
    "  --version            show the version and licence\n"
    "\n"
    "Exit status: 0 success (or changed), 1 unchanged, 2 bad option or unreadable file.\n";

struct Options {
    bool changed = false;
    bool script = false;
    std::optional<std::string> element;
    bool showTimeDiff = false;
    bool showPics = false;
    bool showNumbers = false;
    bool inverse = false;
    bool hideRemoved = false;
    bool log = false;
    std::string insertColor = "#00FF00";
    std::string updateColor = "#FFFF00";
    std::vector<std::string> files;
};

[[noreturn]] void Fail(const std::string& message) {
    std::cerr << "pelmor-diff: " << message << "\n";
    std::exit(kExitUsage);
}

Options ParseOptions(int argc, char** argv) {
    Options options;
    bool onlyFiles = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&](const std::string& name) -> std::string {
            if (i + 1 >= argc) Fail("option " + name + " needs a value");
            return argv[++i];
        };
        if (onlyFiles || arg.empty() || arg[0] != '-' || arg == "-") {
            options.files.push_back(arg);
        } else if (arg == "--") {
            onlyFiles = true;
        } else if (arg == "--help" || arg == "-h") {
            std::cout << kUsage;
            std::exit(0);
        } else if (arg == "--version" || arg == "-V") {
            std::cout << pelmor::VersionText("pelmor-diff");
            std::exit(0);
        } else if (arg == "--log") {
            options.log = true;
        } else if (arg == "--changed") {
            options.changed = true;
        } else if (arg == "--script") {
            options.script = true;
        } else if (arg == "--element") {
            options.element = value(arg);
        } else if (arg == "--show-time-diff") {
            options.showTimeDiff = true;
        } else if (arg == "--show-pics") {
            options.showPics = true;
        } else if (arg == "--show-numbers") {
            options.showNumbers = true;
        } else if (arg == "--inverse") {
            options.inverse = true;
        } else if (arg == "--hide-removed") {
            options.hideRemoved = true;
        } else if (arg == "--insert-color") {
            options.insertColor = value(arg);
        } else if (arg == "--update-color") {
            options.updateColor = value(arg);
        } else {
            Fail("unknown option " + arg + " (see --help)");
        }
    }
    if (options.files.size() != 2) Fail("expected two files, ORIGINAL and NEW (see --help)");
    if (options.changed && options.script) Fail("--changed and --script cannot be used together");
    return options;
}

std::shared_ptr<pelmor::html::Document> Load(const std::string& path) {
    int scheme = pelmor::LightWebBrowser::SchemeNumber(path);
    if (scheme >= 1 && scheme <= 4) {
        auto document = pelmor::InternetHandler().LightNavigate(path);
        if (!document) Fail("cannot load " + path);
        return document;
    }
    std::error_code error;
    if (!std::filesystem::exists(path, error)) Fail("cannot read " + path + ": no such file");
    if (std::filesystem::is_directory(path, error)) Fail("cannot read " + path + ": is a folder");
    std::ifstream in(path, std::ios::binary);
    if (!in) Fail("cannot read " + path + ": " + std::strerror(errno));
    std::ostringstream bytes;
    bytes << in.rdbuf();
    if (in.bad()) Fail("cannot read " + path + ": read error");
    std::string url = "file://" + std::filesystem::absolute(path, error).string();
    return pelmor::html::Document::Parse(pelmor::text::DecodeFileText(bytes.str()), url);
}

const char* ActionName(pelmor::sorrel::dfEditType type) {
    switch (type) {
        case pelmor::sorrel::dfUpdateNode:
            return "dfUpdateNode";
        case pelmor::sorrel::dfInsertNode:
            return "dfInsertNode";
        case pelmor::sorrel::dfRemoveNode:
            return "dfRemoveNode";
    }
    return "?";
}

std::string PathOrEmpty(pelmor::sorrel::Compare& engine, pelmor::html::Node node) {
    if (!node) return "";
    try {
        return engine.GetElementPath(node);
    } catch (const std::exception&) {
        return "";
    }
}

}  // namespace

int main(int argc, char** argv) {
    Options options = ParseOptions(argc, argv);
    // A comparison from the command line leaves no files behind unless asked to.
    if (!options.log) pelmor::log::SetFilesEnabled(false);
    auto original = Load(options.files[0]);
    auto updated = Load(options.files[1]);

    pelmor::sorrel::Compare engine;
    engine.SetShowTimeDiff(options.showTimeDiff);
    engine.SetShowPics(options.showPics);
    engine.SetShowNumbers(options.showNumbers);
    engine.SetUseInverse(options.inverse);
    engine.SetShowRemoved(!options.hideRemoved && !options.script);

    if (options.changed) {
        bool changed = options.element ? engine.IsElementChange(original, updated, *options.element)
                                       : engine.IsChange(original, updated);
        std::cout << (changed ? "changed" : "unchanged") << "\n";
        return changed ? 0 : 1;
    }
    // The edit script is listed without painting: painting wraps text in SPANs, and the
    // paths would then name nodes the page as loaded does not have.
    const std::string insertColor = options.script ? std::string() : options.insertColor;
    const std::string updateColor = options.script ? std::string() : options.updateColor;
    std::string marked = options.element
                             ? engine.GetMarkedElement(updated, original, *options.element, insertColor, updateColor)
                             : engine.GetMarkedHTML(updated, original, insertColor, updateColor);
    if (options.script) {
        if (auto changes = engine.GetChanges()) {
            for (const pelmor::sorrel::EditScript& record : *changes)
                std::cout << ActionName(record.ActionType()) << '\t' << record.Position() << '\t'
                          << PathOrEmpty(engine, record.NewNode()) << '\t'
                          << PathOrEmpty(engine, record.OriginalNode()) << '\n';
        }
        return 0;
    }
    std::cout << marked;
    return 0;
}
