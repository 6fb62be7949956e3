// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The one failure shape every module uses: a kind, a source and a description, the
// fields the error records of the logs carry. Failures are thrown inside a module and
// caught at its public boundary, which logs them and returns a neutral result.

#include <exception>
#include <stdexcept>
#include <string>

namespace pelmor {

// What went wrong, one kind per cause that callers or logs tell apart.
enum class Fault {
    InvalidArgument,   // an argument or a value the operation cannot use
    KeyNotFound,       // a key that is not in the list asked
    Overflow,          // a number or a count beyond what it may hold
    OutOfMemory,       // an allocation failed
    OutOfRange,        // a position that names no entry
    WrongType,         // a text that does not read as the type wanted
    TooDeep,           // nesting deeper than the reader follows
    FileNotFound,      // a file that does not exist
    PermissionDenied,  // the system refused access, or the program refuses to go there
    FileAccess,        // a file or folder that cannot be made, read, written or deleted
    PathNotFound,      // a folder on the way to a file that does not exist
    Missing,           // a document, element or item the operation needs is absent
    Unsupported,       // an object without the property asked for
    PageNotLoaded,     // a web page that did not load
    Failed,            // anything else
};

// The number an error record shows for a kind; the log records have always carried one,
// and readers of old logs compare them.
long RecordNumber(Fault kind);

class Failure : public std::runtime_error {
public:
    Failure(Fault kind, std::string source, std::string description);

    Fault Kind() const { return kind_; }
    const std::string& Source() const { return source_; }
    const std::string& Description() const { return description_; }

private:
    Fault kind_;
    std::string source_;
    std::string description_;
};

// The exception as a Failure: a Failure as it is, a failed allocation as OutOfMemory,
// any other exception as Failed with its what() text under `defaultSource`. Never throws.
Failure FailureOf(const std::exception& error, const std::string& defaultSource);

// The exception in flight inside a catch block as a Failure, as FailureOf does; something
// that is no std::exception becomes Failed "Unknown failure". Never throws.
Failure CurrentFailure(const std::string& defaultSource);

}  // namespace pelmor
