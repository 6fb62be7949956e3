// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/core/Failure.h"

#include <cstdint>
#include <new>

namespace pelmor {

long RecordNumber(Fault kind) {
    switch (kind) {
        case Fault::InvalidArgument:
        case Fault::KeyNotFound:
            return 5;
        case Fault::Overflow:
            return 6;
        case Fault::OutOfMemory:
            return 7;
        case Fault::OutOfRange:
            return 9;
        case Fault::WrongType:
            return 13;
        case Fault::TooDeep:
            return 28;
        case Fault::FileNotFound:
            return 53;
        case Fault::PermissionDenied:
            return 70;
        case Fault::FileAccess:
            return 75;
        case Fault::PathNotFound:
            return 76;
        case Fault::Missing:
            return 91;
        case Fault::Unsupported:
            return 438;
        case Fault::PageNotLoaded:
            return static_cast<int32_t>(0x800C0005u);
        case Fault::Failed:
            break;
    }
    return static_cast<int32_t>(0x80004005u);
}

Failure::Failure(Fault kind, std::string source, std::string description)
    : std::runtime_error(description), kind_(kind), source_(std::move(source)), description_(std::move(description)) {}

Failure FailureOf(const std::exception& error, const std::string& defaultSource) {
    if (const auto* failure = dynamic_cast<const Failure*>(&error)) return *failure;
    if (dynamic_cast<const std::bad_alloc*>(&error)) return Failure(Fault::OutOfMemory, defaultSource, "Out of memory");
    return Failure(Fault::Failed, defaultSource, error.what());
}

Failure CurrentFailure(const std::string& defaultSource) {
    try {
        throw;
    } catch (const std::exception& error) {
        return FailureOf(error, defaultSource);
    } catch (...) {
        return Failure(Fault::Failed, defaultSource, "Unknown failure");
    }
}

}  // namespace pelmor
