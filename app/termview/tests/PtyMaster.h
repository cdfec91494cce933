// The far end of a line for the terminal tests: the master side of a
// pseudo-terminal, whose slave a real TComPort opens by its path; its reads let
// the Qt event loop run meanwhile.
#pragma once

#include <QCoreApplication>

#include <cstddef>
#include <string>

#include "tests/support/PseudoTerminal.h"

namespace vesk::test {

class PtyMaster : public TPseudoTerminal {
  public:
    // Reads until `count` bytes came or `waitMs` passed, processing Qt events
    // meanwhile; returns what came.
    std::string Receive(std::size_t count, int waitMs = 20000) {
        return ReceiveCount(count, waitMs, [] { QCoreApplication::processEvents(); });
    }

    // Whatever arrives within `waitMs` (for checking that nothing is sent).
    std::string ReceiveAll(int waitMs) { return Receive(std::size_t(-1), waitMs); }
};

} // namespace vesk::test
