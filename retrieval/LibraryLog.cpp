#include "retrieval/LibraryLog.h"

#include <fcntl.h>
#include <unistd.h>

#include "platform/core/Folders.h"
#include "platform/log/Log.h"

namespace pelmor::tamsin {

void OpenLibraryLog() noexcept {
    thread_local bool opened = false;
    if (opened) return;
    opened = true;
    try {
        EnsureFolder(DataFolder());
        int fd = ::open(log::PathOf(log::File::Helper).c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        if (fd >= 0) ::close(fd);
    } catch (...) {
    }
}

}  // namespace pelmor::tamsin
