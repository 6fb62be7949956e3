// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/core/Failure.h"

#include <exception>
#include <new>

namespace pelmor {

Failure::Failure(long number, std::string source, std::string description)
    : std::runtime_error(description), number_(number), source_(std::move(source)), description_(std::move(description)) {}

Failure CurrentFailure(const std::string& defaultSource) {
    try {
        throw;
    } catch (const Failure& f) {
        return f;
    } catch (const std::bad_alloc&) {
        return Failure(7, defaultSource, "Out of memory");
    } catch (const std::exception& e) {
        return Failure(err::kEFail, defaultSource, e.what());
    } catch (...) {
        return Failure(err::kEFail, defaultSource, "Unknown failure");
    }
}

}  // namespace pelmor
