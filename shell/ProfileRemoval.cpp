#include "shell/ProfileRemoval.h"

#include <filesystem>

#include "platform/core/Folders.h"
#include "platform/core/Strings.h"

namespace pelmor::shell {

namespace fs = std::filesystem;

void RemoveProfile() {
    std::error_code ec;
    fs::remove(fs::path(ConfigFolder()) / "Pelmor.ini", ec);

    fs::path cache = fs::path(DataFolder()) / "Files";
    for (fs::directory_iterator it(cache, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code fileError;
        if (it->is_regular_file(fileError) || it->is_symlink(fileError)) fs::remove(it->path(), fileError);
    }
    ec.clear();
    fs::remove(cache, ec);

    // The profile is written as "Files.XML" and named "Files.xml" elsewhere; on a file
    // system that tells letter cases apart, both spellings are the same profile.
    ec.clear();
    for (fs::directory_iterator it(DataFolder(), ec), end; !ec && it != end; it.increment(ec)) {
        if (EqualsNoCase(it->path().filename().string(), "Files.xml")) {
            std::error_code fileError;
            fs::remove(it->path(), fileError);
        }
    }
}

}  // namespace pelmor::shell
