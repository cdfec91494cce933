// A pseudo-terminal for the tests: the test holds the master side, the port under
// test opens the slave by its path.
#pragma once

#include <string>

namespace vesk::test {

class PseudoTerminal {
  public:
    PseudoTerminal(); // throws std::runtime_error when no pty can be had
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    int Master() const { return FMaster; }
    const std::string& SlavePath() const { return FSlavePath; }

    void Send(const std::string& bytes); // write on the master side
    void CloseMaster();                  // hang the line up
    // Everything the slave side sent within `waitMs` after the first byte (or
    // nothing if nothing comes within `waitMs`).
    std::string Receive(int waitMs = 2000);

  private:
    int FMaster = -1;
    std::string FSlavePath;
};

// Output speed of the tty `fd` in bit/s as the kernel holds it (any speed).
unsigned LineOutputSpeed(int fd);

} // namespace vesk::test
