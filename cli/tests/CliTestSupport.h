// What the tool's tests share: running the built program and a small chip definition,
// beside the temporary folders and HEX records every test folder has.
#pragma once

#include "tests/support/HexText.h"
#include "tests/support/TempFolder.h"

#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace vesk::cli::test {

using vesk::test::FileExists;
using vesk::test::HexRecord;
using vesk::test::ReadText;
using vesk::test::TTempFolder;
using vesk::test::WriteText;

struct TRunResult {
    int Status = -1; // exit status; 128 + signal when killed
    std::string Out; // standard output
    std::string Err; // standard error
};

// Runs `program` with `args`, standard input from /dev/null, and waits for its end
// (POSIX: RunProgram_posix.cpp).
// `whileRunning`, when given, is called with the child's pid right after it started.
// With `errOnTerminal` standard error is a pseudo-terminal (whose line discipline turns
// "\n" into "\r\n").
TRunResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::function<void(pid_t)>& whileRunning = {}, bool errOnTerminal = false);

// A small chip so that whole-chip reads are quick: Code 64 words at 0 (default
// 0x3FFF), Data 16 words at 0x2100 (0xFF), Fuses 1 word at 0x2007 (0x3FFF, bits 13:12
// preserved), Id 0x1230, algorithm PIC16.
std::string TinyChipText();
constexpr int TinyChipId = 0x1230;

} // namespace vesk::cli::test
