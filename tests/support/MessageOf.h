// The message of a failure, for tests that check what the user is told: runs `body`
// and returns the message of the `VESK_Exception` it raises, or "(no error)" when it
// raises none (which no expected message equals, so the check fails and says why).
#pragma once

#include "VESK_Exception.h"

#include <functional>
#include <string>

namespace vesk::test {

inline std::string MessageOf(const std::function<void()>& body) {
    try {
        body();
    } catch (const VESK_Exception& e) {
        return e.Message();
    }
    return "(no error)";
}

} // namespace vesk::test
