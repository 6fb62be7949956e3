// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace pelmor::shell {

// Deletes the user's preferences file "Pelmor.ini", every file of the cache folder
// "Files", that folder itself, and the profile file "Files.xml" (in any letter case).
// Each step runs even when the one before failed; missing files are no failure. Only
// regular files directly inside "Files" are deleted there (a refusal is logged); links
// lose the link, never what it points at.
void RemoveProfile();

}  // namespace pelmor::shell
