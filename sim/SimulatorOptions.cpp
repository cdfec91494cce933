#include "SimulatorOptions.h"

#include <cerrno>
#include <cstdlib>
#include <functional>
#include <map>

#include "VESK_Exception.h"

namespace vesk::sim {

namespace {

int64_t Number(const std::string& option, const std::string& text, int base) {
    char* end = nullptr;
    errno = 0;
    long long value = std::strtoll(text.c_str(), &end, base);
    if (text.empty() || *end || errno || value < 0)
        throw Exception("Bad value for " + option + ": '" + text + "'");
    return value;
}

// "ADDR=WORD", both hexadecimal.
std::pair<int32_t, int32_t> AddressAndWord(const std::string& text) {
    const size_t eq = text.find('=');
    if (eq == std::string::npos) throw Exception("Bad value for --set: '" + text + "' (ADDR=WORD)");
    return {int32_t(Number("--set", text.substr(0, eq), 16)),
            int32_t(Number("--set", text.substr(eq + 1), 16))};
}

} // namespace

std::string Usage() {
    return "Usage: vesk-sim [options]\n"
           "Simulates a VESK programmer on a pseudo-terminal and prints the port to open.\n"
           "  --chip FILE          chip definition (default: first ChipDef_*.ini beside the program)\n"
           "  --link PATH          symbolic link to the port\n"
           "  --target-link PATH   symbolic link to the target's serial line (pass-through)\n"
           "  --target-echo        built-in target: banner line, echoes in upper case\n"
           "  --banner TEXT        banner line of the built-in target\n"
           "  --load HEX           load target memory from an Intel HEX image\n"
           "  --dump FILE          write target memory on exit and on SIGUSR1 (.hex: Intel HEX)\n"
           "  --log FILE           log the traffic both ways\n"
           "  --wire-time          pace every byte at the line speed\n"
           "  --adapter MS         a USB serial adapter with this latency timer (1 or 16) before\n"
           "                       the line: host bytes go out at the next 1 ms frame, answers\n"
           "                       reach the host when the timer runs out (paces the line)\n"
           "  --rx-buffer N        the programmer's receive buffer holds N bytes; one more\n"
           "                       overruns it and nothing is answered until the next purge\n"
           "  --byte-handling US   the programmer's firmware takes US microseconds per byte\n"
           "  --strict-speed       ignore bytes sent at another speed than the programmer's\n"
           "  --type TEXT          programmer type token (default VESK1)\n"
           "  --version TEXT       programmer version token (default 2.10)\n"
           "  --device-id HEX      device ID read at 0x2006 (default: the chip's Id; all ones\n"
           "                       for a chip without one)\n"
           "  --real-chip          words keep only the bits the chip file gives them, missing\n"
           "                       bits read as on the chip, protected memory reads 0\n"
           "  --own-family         the target answers only to its own family's algorithms, as\n"
           "                       silicon does (a PIC18 to PIC18, a mid-range part to the\n"
           "                       others): in another family's program mode reads give all\n"
           "                       ones (3FFF, FFFF with PIC18), the ID word too, and writes\n"
           "                       and erases do nothing\n"
           "  --fuses-clear-only   programming a configuration (Fuses) word only clears bits,\n"
           "                       as its flash cell does: only an erase sets them again\n"
           "  --set ADDR=WORD      store a word at start, after --load (hex; repeatable),\n"
           "                       e.g. the factory calibration\n"
           "Faults:\n"
           "  --never-answer       answer nothing\n"
           "  --wrong-echo-at N    answer byte N with a wrong echo\n"
           "  --sync-zero          answer the synchronisation byte with 0x00\n"
           "  --bad-read           reply ZZZZ to every read\n"
           "  --stop-after N       stop answering after N bytes\n"
           "  --delay MS           answer every byte MS milliseconds late\n"
           "  --drop-after N       close the line after N bytes\n"
           "  --target-id HEX      ID word read at 0x2006 (overrides the device ID)\n"
           "  --help               this text\n";
}

namespace {

using TSetter = std::function<void(const std::string&)>;

// The options that take a value, each with what it sets in `c`.
std::map<std::string, TSetter> ValueOptions(TCommandLine& c) {
    return {
        {"--chip", [&](const std::string& v) { c.Chip = v; }},
        {"--link", [&](const std::string& v) { c.Link = v; }},
        {"--target-link", [&](const std::string& v) { c.TargetLink = v; }},
        {"--banner", [&](const std::string& v) { c.Options.TargetBanner = v; }},
        {"--load", [&](const std::string& v) { c.Load = v; }},
        {"--dump", [&](const std::string& v) { c.Dump = v; }},
        {"--log", [&](const std::string& v) { c.Options.LogFile = v; }},
        {"--type", [&](const std::string& v) { c.Options.Type = v; }},
        {"--version", [&](const std::string& v) { c.Options.Version = v; }},
        {"--set", [&](const std::string& v) { c.Set.push_back(AddressAndWord(v)); }},
        {"--device-id", [&](const std::string& v) { c.DeviceId = int32_t(Number("--device-id", v, 16)); }},
        {"--wrong-echo-at",
         [&](const std::string& v) { c.Faults.WrongEchoAt = Number("--wrong-echo-at", v, 10); }},
        {"--stop-after", [&](const std::string& v) { c.Faults.StopAfter = Number("--stop-after", v, 10); }},
        {"--delay", [&](const std::string& v) { c.Faults.AnswerDelayMs = int(Number("--delay", v, 10)); }},
        {"--adapter",
         [&](const std::string& v) { c.Options.AdapterLatencyMs = int(Number("--adapter", v, 10)); }},
        {"--rx-buffer",
         [&](const std::string& v) { c.Options.RxBufferBytes = int(Number("--rx-buffer", v, 10)); }},
        {"--byte-handling",
         [&](const std::string& v) { c.Options.ByteHandlingUs = int(Number("--byte-handling", v, 10)); }},
        {"--drop-after",
         [&](const std::string& v) { c.Faults.DropLineAfter = Number("--drop-after", v, 10); }},
        {"--target-id",
         [&](const std::string& v) { c.Faults.TargetId = int32_t(Number("--target-id", v, 16)); }},
    };
}

// The options without a value.
std::map<std::string, std::function<void()>> FlagOptions(TCommandLine& c) {
    return {
        {"--target-echo", [&] { c.Options.TargetEcho = true; }},
        {"--wire-time", [&] { c.Options.WireTime = true; }},
        {"--strict-speed", [&] { c.Options.StrictSpeed = true; }},
        {"--real-chip", [&] { c.Options.RealChip = true; }},
        {"--own-family", [&] { c.Options.OwnFamilyOnly = true; }},
        {"--fuses-clear-only", [&] { c.Options.FusesClearOnly = true; }},
        {"--never-answer", [&] { c.Faults.NeverAnswer = true; }},
        {"--sync-zero", [&] { c.Faults.SyncAnswerZero = true; }},
        {"--bad-read", [&] { c.Faults.BadReadReply = true; }},
        {"--help", [&] { c.Help = true; }},
        {"-h", [&] { c.Help = true; }},
    };
}

} // namespace

TCommandLine ParseCommandLine(const std::vector<std::string>& args) {
    TCommandLine c;
    const auto withValue = ValueOptions(c);
    const auto flags = FlagOptions(c);
    for (size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i], value;
        bool inlineValue = false;
        if (auto eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name = name.substr(0, eq);
            inlineValue = true;
        }
        if (auto f = flags.find(name); f != flags.end() && !inlineValue) {
            f->second();
        } else if (auto s = withValue.find(name); s != withValue.end()) {
            if (!inlineValue) {
                if (i + 1 >= args.size()) throw Exception("Option " + name + " needs a value");
                value = args[++i];
            }
            s->second(value);
        } else {
            throw Exception("Unknown option: " + args[i]);
        }
    }
    return c;
}

} // namespace vesk::sim
