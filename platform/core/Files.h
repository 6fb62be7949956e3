#pragma once

// File writes that never leave a half-written file behind.

#include <string>
#include <string_view>

namespace pelmor {

// Replaces the file at `path` with `bytes`: the bytes go to a temporary file in the same
// folder, which is flushed to disk and then renamed over the old file, so a crash, a kill
// or a full disk leaves either the old file or the new one whole. Throws Failure (75 for
// a write error, 76 for a missing folder, 70 for permission denied) and then removes the
// temporary file; the old file is untouched.
void WriteFileAtomically(const std::string& path, std::string_view bytes);

// Whole content of a file. Throws Failure 53 when it does not exist, 75 when it cannot be
// read.
std::string ReadWholeFile(const std::string& path);

}  // namespace pelmor
