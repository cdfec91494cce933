// One pseudo-terminal pair: the simulator holds the master side, another program opens
// the slave as its serial port.
#pragma once

#include <string>

namespace vesk::sim {

class TPseudoTerminal {
  public:
    // Creates the pair, non-blocking master. The slave's line settings start raw at
    // 19200 bit/s, 8N1, so that nothing is echoed or translated before its user sets
    // them. `packet`: the master reads in packet mode, so that purges of the slave's
    // buffers are seen. Throws vesk::Exception on failure.
    explicit TPseudoTerminal(bool packet);
    ~TPseudoTerminal();
    TPseudoTerminal(const TPseudoTerminal&) = delete;
    TPseudoTerminal& operator=(const TPseudoTerminal&) = delete;

    int Master() const { return FMaster; }
    const std::string& SlavePath() const { return FSlavePath; }
    bool Packet() const { return FPacket; }
    // Closes the master: the slave goes away, as an unplugged adapter.
    void Close();
    // The speed the slave's user set, in bit/s; 0 when it cannot be read.
    int SlaveBaudRate() const;

  private:
    int FMaster = -1;
    std::string FSlavePath;
    bool FPacket = false;
};

// Reads the input speed of the line settings shared by a pseudo-terminal pair through
// its master (the termios2 interface gives any rate, not only the standard ones).
int ReadLineSpeed(int fd);

} // namespace vesk::sim
