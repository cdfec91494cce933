#include "ProgrammerEngine.h"

#include "common/Text.h"

namespace vesk::sim {

namespace {

constexpr uint8_t SyncByte = 0xFF;
constexpr char SyncAnswer = '?';
constexpr char FetchLetter = 'n';
constexpr char WrongEcho = '#';
// Longer arguments than any command takes are kept only by their tail.
constexpr size_t MaxArgument = 64;
// The algorithm code of the PIC18 family; every other code programs a mid-range part.
constexpr uint32_t PIC18Algorithm = 3;

// Upper-case hexadecimal of 1..maxDigits digits, as every command argument is written.
std::optional<uint32_t> ParseHex(std::string_view text, size_t maxDigits) {
    if (text.empty() || text.size() > maxDigits) return std::nullopt;
    uint32_t value = 0;
    for (char c : text) {
        // The programmer takes upper-case digits only.
        const int digit = c >= 'a' && c <= 'f' ? -1 : HexDigitValue(c);
        if (digit < 0) return std::nullopt;
        value = value * 16 + uint32_t(digit);
    }
    return value;
}

std::string Printable(uint8_t byte) {
    if (byte >= 0x20 && byte < 0x7F) return std::string("'") + char(byte) + "'";
    return "0x" + Hex(byte, 2);
}

} // namespace

TProgrammerEngine::TProgrammerEngine(TTargetMemory& memory, const TOptions& options)
    : FMemory(memory), FOptions(options) {}

const std::map<char, TProgrammerEngine::THandler>& TProgrammerEngine::Commands() {
    static const std::map<char, THandler> table{
        {'h', &TProgrammerEngine::CmdActivate},  {'g', &TProgrammerEngine::CmdRun},
        {'t', &TProgrammerEngine::CmdType},      {'v', &TProgrammerEngine::CmdVersion},
        {'p', &TProgrammerEngine::CmdPort},      {'x', &TProgrammerEngine::CmdProgramMode},
        {'i', &TProgrammerEngine::CmdIncrement}, {'m', &TProgrammerEngine::CmdMove},
        {'r', &TProgrammerEngine::CmdRead},      {'l', &TProgrammerEngine::CmdWrite},
        {'w', &TProgrammerEngine::CmdWrite},
    };
    return table;
}

void TProgrammerEngine::SetFaults(const TFaults& faults) {
    FFaults = faults;
    FFaultCount = 0;
    FMemory.SetDeviceIdOverride(faults.TargetId);
}

std::optional<TProgramMode> TProgrammerEngine::LastProgramMode(char region) const {
    for (auto it = FProgramModes.rbegin(); it != FProgramModes.rend(); ++it)
        if (it->Region == region) return *it;
    return std::nullopt;
}

void TProgrammerEngine::Note(const std::string& text) {
    if (Log) Log(text);
}

std::string TProgrammerEngine::Receive(const std::string& bytes) {
    std::string answers;
    for (char c : bytes)
        answers += Receive(uint8_t(c)).ToHost;
    return answers;
}

TProgrammerEngine::TResult TProgrammerEngine::Receive(uint8_t byte, int hostBaud, bool afterReset) {
    ++FFaultCount;
    const bool sync = byte == SyncByte && !FPassThrough;
    TResult result = Interpret(byte, hostBaud, afterReset);
    if (FPendingBaudRate) {
        // The echo of the switching command still goes out at the old rate.
        Note("baud rate " + std::to_string(FBaudRate) + " -> " + std::to_string(FPendingBaudRate));
        FBaudRate = FPendingBaudRate;
        FPendingBaudRate = 0;
    }
    if (result.ToHost.empty()) return result;
    const int64_t n = FFaultCount;
    if (FFaults.NeverAnswer || (FFaults.StopAfter > 0 && n > FFaults.StopAfter)) {
        result.ToHost.clear();
    } else if (FFaults.WrongEchoAt > 0 && n == FFaults.WrongEchoAt) {
        Note("fault: wrong echo");
        result.ToHost = std::string(1, WrongEcho);
    } else if (FFaults.SyncAnswerZero && (sync || (byte == SyncByte && result.ToHost[0] == SyncAnswer))) {
        result.ToHost = std::string(1, '\0');
    }
    return result;
}

TProgrammerEngine::TResult TProgrammerEngine::Interpret(uint8_t byte, int hostBaud, bool afterReset) {
    TResult result;
    if (FPassThrough) {
        if (byte == SyncByte && afterReset) {
            // The wake-up: back to the programmer at the wake-up rate.
            Note("wake-up: pass-through ends");
            FPassThrough = false;
            FBaudRate = WakeupBaudRate;
            FArgument.clear();
            result.ToHost = std::string(1, SyncAnswer);
        } else {
            result.ToTarget = std::string(1, char(byte));
        }
        return result;
    }
    if (byte == SyncByte) {
        if (hostBaud == WakeupBaudRate && FBaudRate != WakeupBaudRate) {
            // Only a break brings a programmer back to 19200 bit/s; a pseudo-terminal
            // cannot carry one, so a synchronisation at that speed stands for it.
            Note("wake-up: baud rate " + std::to_string(FBaudRate) + " -> 19200");
            FBaudRate = WakeupBaudRate;
        }
        FArgument.clear();
        result.ToHost = std::string(1, SyncAnswer);
        return result;
    }
    // The letter that starts pass-through is not awaited by the host, which may already
    // have turned its line to the target's speed when the letter is read here.
    const bool passThroughLetter =
        byte == 'p' && FArgument.size() == 4 && ParseHex(FArgument, 4).value_or(4) <= 3;
    if (FOptions.StrictSpeed && hostBaud > 0 && hostBaud != FBaudRate && !passThroughLetter) {
        // On a real line a byte at another speed arrives garbled and is not understood.
        Note("byte " + Printable(byte) + " at " + std::to_string(hostBaud) +
             " bit/s ignored, programmer at " + std::to_string(FBaudRate));
        return result;
    }
    if (byte == FetchLetter) {
        if (FReplyPos < FReply.size())
            result.ToHost = std::string(1, FReply[FReplyPos++]);
        else
            result.ToHost = "N"; // nothing (more) to fetch: the plain echo
        return result;
    }
    const auto& commands = Commands();
    auto command = commands.find(char(byte));
    if (command == commands.end()) {
        if (FArgument.size() >= MaxArgument) FArgument.erase(0, 1);
        FArgument += char(byte);
        result.ToHost = std::string(1, UpperCase(char(byte)));
        return result;
    }
    result.ToHost = std::string(1, char(byte - 'a' + 'A'));
    FReply.clear();
    FReplyPos = 0;
    (this->*command->second)(result);
    FArgument.clear();
    return result;
}

void TProgrammerEngine::Malformed(char letter) {
    Note(std::string("malformed command '") + FArgument + letter + "' ignored");
}

bool TProgrammerEngine::NeedProgramMode(char letter) {
    if (FProgramRegion) return true;
    Note(std::string("command '") + FArgument + letter + "' outside program mode ignored");
    return false;
}

void TProgrammerEngine::CmdActivate(TResult&) {
    FActivated = true;
    FActivationId = FArgument;
    Note("activated, ID '" + FArgument + "'");
}

void TProgrammerEngine::CmdRun(TResult&) {
    FTargetRunning = true;
    FProgramRegion = 0;
    Note("target runs, ID '" + FArgument + "'");
}

void TProgrammerEngine::CmdType(TResult&) {
    if (!FArgument.empty()) return Malformed('t');
    FReply = " " + FOptions.Type + " ";
}

void TProgrammerEngine::CmdVersion(TResult&) {
    if (!FArgument.empty()) return Malformed('v');
    FReply = " " + FOptions.Version + " ";
}

void TProgrammerEngine::CmdPort(TResult& result) {
    auto value = FArgument.size() == 4 ? ParseHex(FArgument, 4) : std::nullopt;
    if (!value) return Malformed('p');
    if (*value <= 3) {
        // The line is handed to the target at once: the letter itself is not answered.
        FPassThrough = true;
        FPassThroughFlags = int(*value);
        FProgramRegion = 0;
        FTargetRunning = true;
        result.ToHost.clear();
        Note("pass-through, flags " + std::to_string(*value));
        return;
    }
    for (int i = 0; i < 5; ++i)
        if (*value == uint32_t(i * 16 + 4)) {
            FPendingBaudRate = SimulatorBaudRates[i];
            return;
        }
    Malformed('p');
}

void TProgrammerEngine::CmdProgramMode(TResult&) {
    if (FArgument.size() != 4) return Malformed('x');
    auto delay = ParseHex(FArgument.substr(0, 2), 2);
    auto algorithm = ParseHex(FArgument.substr(2, 1), 1);
    char region = FArgument[3];
    if (!delay || !algorithm || std::string_view("ecdf").find(region) == std::string_view::npos)
        return Malformed('x');
    FProgramModes.push_back({region, int(*delay), int(*algorithm)});
    FProgramRegion = region;
    FTargetRunning = false;
    FForeignFamily = FOptions.OwnFamilyOnly && (*algorithm == PIC18Algorithm) != FMemory.Pic18();
    FForeignPic18 = *algorithm == PIC18Algorithm;
    switch (region) {
    case 'e':
        FAddress = 0;
        if (FForeignFamily) {
            Note("erase with another family's algorithm: the target does not understand it");
            break;
        }
        FMemory.EraseAll();
        Note("chip erased");
        break;
    case 'c':
    case 'd': {
        const TMemoryRegion* r = FMemory.RegionByCode(region == 'c' ? 1 : 2);
        FAddress = r ? r->Start : 0;
        break;
    }
    default:
        FAddress = 0x2000;
        break;
    }
    Note(std::string("program mode '") + region + "', delay " + std::to_string(*delay) + ", algorithm " +
         std::to_string(*algorithm) + ", address " + Hex(uint32_t(FAddress), 6));
}

void TProgrammerEngine::CmdIncrement(TResult&) {
    if (!FArgument.empty()) return Malformed('i');
    if (NeedProgramMode('i')) ++FAddress;
}

void TProgrammerEngine::CmdMove(TResult&) {
    auto address = ParseHex(FArgument, 8);
    if (!address) return Malformed('m');
    if (NeedProgramMode('m')) FAddress = int32_t(*address);
}

void TProgrammerEngine::CmdRead(TResult&) {
    if (!FArgument.empty()) return Malformed('r');
    if (!NeedProgramMode('r')) return;
    // A target that does not understand the algorithm drives no data: the programmer
    // reads the line's idle level, all ones in as many bits as the algorithm reads.
    const int32_t word = FForeignFamily ? (FForeignPic18 ? 0xFFFF : 0x3FFF) : FMemory.Word(FAddress);
    FReply = FFaults.BadReadReply ? std::string("ZZZZ") : Hex(uint32_t(word) & 0xFFFF, 4);
}

void TProgrammerEngine::CmdWrite(TResult& result) {
    const char letter = char(result.ToHost[0] - 'A' + 'a');
    auto value = ParseHex(FArgument, 8);
    if (!value) return Malformed(letter);
    if (!NeedProgramMode(letter)) return;
    if (FForeignFamily) {
        Note("write of " + FArgument + " with another family's algorithm: the target does not understand it");
        return;
    }
    // In each program mode the pointer reaches only that mode's memory.
    const TMemoryRegion* r = FMemory.RegionAt(FAddress);
    const bool fits = r && (FProgramRegion == 'c'   ? r->Code == 1
                            : FProgramRegion == 'd' ? r->Code == 2
                            : FProgramRegion == 'f' ? (r->Code == 3 || r->Code == 4)
                                                    : false);
    if (!fits || FAddress == TTargetMemory::DeviceIdAddress) {
        Note("write of " + FArgument + " at " + Hex(uint32_t(FAddress), 6) + " outside program mode '" +
             std::string(1, FProgramRegion) + "' memory ignored");
        return;
    }
    FMemory.Program(FAddress, int32_t(*value));
}

} // namespace vesk::sim
