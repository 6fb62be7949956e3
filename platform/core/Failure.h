// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The one failure shape every module uses: number, source and description, the same
// three fields the error records of the logs carry. Failures are thrown inside a module
// and caught at its public boundary, which logs them and returns a neutral result.

#include <cstdint>
#include <stdexcept>
#include <string>

namespace pelmor {

// Classic error numbers, kept so that log records read the same everywhere.
namespace err {
inline constexpr long kInvalidProcedureCall = 5;
inline constexpr long kOverflow = 6;
inline constexpr long kSubscriptOutOfRange = 9;
inline constexpr long kTypeMismatch = 13;
inline constexpr long kFileNotFound = 53;
inline constexpr long kPermissionDenied = 70;
inline constexpr long kPathFileAccess = 75;
inline constexpr long kObjectNotSet = 91;
inline constexpr long kKeyNotFound = 5;
inline constexpr long kEFail = static_cast<int32_t>(0x80004005u);
}  // namespace err

class Failure : public std::runtime_error {
public:
    Failure(long number, std::string source, std::string description);

    long Number() const { return number_; }
    const std::string& Source() const { return source_; }
    const std::string& Description() const { return description_; }

private:
    long number_;
    std::string source_;
    std::string description_;
};

// Turns whatever is in flight inside a catch (...) block into a Failure; a std::exception
// other than Failure becomes E_FAIL with its what() text. Never throws.
Failure CurrentFailure(const std::string& defaultSource);

}  // namespace pelmor
