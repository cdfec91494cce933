// Exit statuses of `vesk`, and the error that carries one out of a command.
#pragma once

#include <exception>
#include <string>

namespace vesk::cli {

enum TExitStatus : int {
    ExitSuccess = 0,
    ExitFailed = 1,     // the operation failed for any reason not listed below
    ExitUsage = 2,      // bad command line
    ExitVerify = 3,     // verification found a difference
    ExitProgrammer = 4, // programmer not opened, no answer to the wake-up, unknown type
    ExitTarget = 5,     // target unknown or not selected
    ExitFile = 6,       // image or chip definition file missing or malformed
};

// A failed command: the exit status and the full message, one line per layer.
class ECommand : public std::exception {
  public:
    ECommand(int status, std::string message) : FStatus(status), FMessage(std::move(message)) {}
    int Status() const { return FStatus; }
    const std::string& Message() const { return FMessage; }
    const char* what() const noexcept override { return FMessage.c_str(); }

  private:
    int FStatus;
    std::string FMessage;
};

// The table printed by --help and shown in the README.
inline constexpr const char* ExitStatusTable =
    "exit status\n"
    "  0  success\n"
    "  1  the operation failed for any reason not listed below (also Ctrl-C)\n"
    "  2  usage error\n"
    "  3  verification found a difference\n"
    "  4  the programmer could not be opened or did not answer the wake-up\n"
    "     (detect: also when it gives no type or no version)\n"
    "  5  the target is unknown or not selected\n"
    "  6  the image file or a chip definition file is missing or malformed\n";

} // namespace vesk::cli
