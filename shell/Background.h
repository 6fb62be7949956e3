// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Long work leaves the window thread: it runs on a thread of its own while the window
// thread waits in a local event loop, so that window events, timer ticks and the
// checker's events keep flowing meanwhile.

#include <functional>

namespace pelmor::shell {

// Runs `work` on a new thread and returns once it has ended, pumping the calling thread's
// events meanwhile. A failure thrown by `work` is thrown again here, on the caller's
// thread. When the application is quitting the events stop being pumped, but the call
// still returns only after `work` has ended.
void RunAndWait(const std::function<void()>& work);

}  // namespace pelmor::shell
