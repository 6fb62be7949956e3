// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// File writes that never leave a half-written file behind.

#include <string>
#include <string_view>

namespace pelmor {

// Replaces the file at `path` with `bytes`: the bytes go to a temporary file in the same
// folder, which is flushed to disk and then renamed over the old file, so a crash, a kill
// or a full disk leaves either the old file or the new one whole. When `path` is a
// symbolic link, the file it leads to is replaced and the link stays. Throws Failure (75 for
// a write error, 76 for a missing folder, 70 for permission denied) and then removes the
// temporary file; the old file is untouched.
void WriteFileAtomically(const std::string& path, std::string_view bytes);

// Throws the Failure for a file `path` that cannot be written because its folder is
// missing: why the folder cannot be made (a read-only file system, a refused permission),
// else "No such file or directory". Creates nothing.
[[noreturn]] void ThrowMissingFolder(const std::string& folder, const std::string& path);

// Whether the file at `path` (which need not exist yet) lies inside `folder`, at any depth,
// once ".." and symbolic links of both are resolved, the file's own link included. False
// when the folder or the file's folder does not exist, and for a link that leads nowhere.
bool LiesInside(const std::string& path, const std::string& folder);

// Deletes the regular file at `path` when it lies inside `folder` (at any depth) once
// ".." and symbolic links of both are resolved; the file's own mode does not matter. A
// file that does not exist is no failure. Throws Failure 75 and deletes nothing when the
// path leads outside the folder, when it names a link, a folder or anything else that is
// not a regular file, or when the folder does not exist; Failure 70 when the system
// refuses the deletion.
void RemoveFileInside(const std::string& path, const std::string& folder);

// Whole content of a file. Throws Failure 53 when it does not exist, 75 when it cannot be
// read.
std::string ReadWholeFile(const std::string& path);

}  // namespace pelmor
