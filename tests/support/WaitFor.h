// Waiting for an event in a test: polls `condition` until it holds or `timeoutMs` has
// passed, so that a test waits for what it checks rather than for a fixed time. The
// limit is generous on purpose: a loaded machine only makes the wait longer.
#pragma once

#include <chrono>
#include <functional>
#include <thread>

namespace vesk::test {

inline bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 30000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

} // namespace vesk::test
