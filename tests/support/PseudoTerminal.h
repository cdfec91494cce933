// A pseudo-terminal pair: the test holds the master side, the program or port under
// test opens the slave side by its path as it would open a serial line.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace vesk::test {

class TPseudoTerminal {
  public:
    TPseudoTerminal(); // throws std::runtime_error when no pseudo-terminal can be had
    ~TPseudoTerminal();
    TPseudoTerminal(const TPseudoTerminal&) = delete;
    TPseudoTerminal& operator=(const TPseudoTerminal&) = delete;

    int Master() const { return FMaster; }
    const std::string& SlavePath() const { return FSlavePath; }

    // Writes every byte on the master side; throws when the line takes none.
    void Send(const std::string& bytes);
    // Hangs the line up (the slave side then reads end of file or an error).
    void CloseMaster();
    // Everything the slave side sent within `waitMs` after the first byte, gathering
    // what follows closely (nothing when nothing comes within `waitMs`).
    std::string Receive(int waitMs = 2000);
    // Reads until `count` bytes came or `waitMs` passed and returns what came; calls
    // `meanwhile` (when given) between short waits, for an event loop to run.
    std::string ReceiveCount(std::size_t count, int waitMs, const std::function<void()>& meanwhile = {});

  private:
    int FMaster = -1;
    std::string FSlavePath;
};

} // namespace vesk::test
