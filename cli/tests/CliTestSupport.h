// What the tool's tests share: temporary folders, running the built program, small
// chip definitions and images.
#pragma once

#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace vesk::cli::test {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TTempDir {
  public:
    TTempDir();
    ~TTempDir();
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;
    // The folder, with a trailing '/'.
    const std::string& Path() const { return FPath; }

  private:
    std::string FPath;
};

struct TRunResult {
    int Status = -1; // exit status; 128 + signal when killed
    std::string Out; // standard output
    std::string Err; // standard error
};

// Runs `program` with `args`, standard input from /dev/null, and waits for its end.
// `whileRunning`, when given, is called with the child's pid right after it started.
// With `errOnTerminal` standard error is a pseudo-terminal (whose line discipline turns
// "\n" into "\r\n").
TRunResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::function<void(pid_t)>& whileRunning = {}, bool errOnTerminal = false);

void WriteText(const std::string& path, const std::string& text);
std::string ReadText(const std::string& path);
bool FileExists(const std::string& path);

// One Intel HEX record with its checksum: ":" count address type data checksum.
std::string HexRecord(int type, int address, const std::vector<int>& bytes);

// A small chip so that whole-chip reads are quick: Code 64 words at 0 (default
// 0x3FFF), Data 16 words at 0x2100 (0xFF), Fuses 1 word at 0x2007 (0x3FFF, bits 13:12
// preserved), Id 0x1230, algorithm PIC16.
std::string TinyChipText();
constexpr int TinyChipId = 0x1230;

} // namespace vesk::cli::test
