#pragma once

namespace pelmor::shell {

// Deletes the user's preferences file "Pelmor.ini", every file of the cache folder
// "Files", that folder itself, and the profile file "Files.xml" (in any letter case).
// Each step runs even when the one before failed; missing files are no failure.
void RemoveProfile();

}  // namespace pelmor::shell
