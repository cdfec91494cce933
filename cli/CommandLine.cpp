#include "cli/CommandLine.h"
#include "cli/ConfigCommand.h"
#include "cli/ExitStatus.h"

#include "chipdef/DefinitionIni.h"
#include "driver/DeviceVESK1.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <map>
#include <ostream>

namespace vesk::cli {

namespace {

const std::map<std::string, int16_t> RegionNames = {{"all", 0x7FFF}, {"code", 1}, {"data", 2}, {"fuses", 3}};

void AddRegionOption(CLI::App* command, TOptions& o) {
    command->add_option("--region", o.Regions, "all, code, data or fuses (default all)")
        ->transform(CLI::CheckedTransformer(RegionNames, CLI::ignore_case))
        ->option_text("R");
}

// NAME=OPTION[,NAME=OPTION...], given as often as wanted; the names as `vesk config`
// lists them, letter case ignored.
void AddConfigOption(CLI::App* command, TOptions& o, const std::string& name, const std::string& what) {
    command
        ->add_option(name, o.Settings,
                     "set the configuration field NAME to OPTION " + what +
                         " (names as `vesk config` lists them, letter case ignored); several with commas, "
                         "or the option again")
        ->option_text("NAME=OPTION[,...]")
        ->expected(1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
}

void AddSerialOptions(CLI::App* write, TOptions& o) {
    auto* serial = write
                       ->add_option("--serial", o.Serial,
                                    "put a serial number at word address ADDR (hex with 0x, or decimal) "
                                    "after the image is loaded, low byte first: one byte per Data word, "
                                    "RETLW 0x34nn per byte in the Code of 14-bit chips, two bytes per Code "
                                    "word of 16-bit chips")
                       ->option_text("ADDR")
                       ->check(CLI::Range(0, 0x7FFFFFFF));
    auto* counter = write
                        ->add_option("--serial-counter", o.SerialCounter,
                                     "file holding the next serial number in decimal; each chip takes its "
                                     "own, the file is advanced under a lock before the chip is programmed")
                        ->option_text("FILE");
    serial->needs(counter);
    counter->needs(serial);
    write->add_option("--serial-bytes", o.SerialBytes, "bytes of the serial number, 1 to 8 (default 4)")
        ->check(CLI::Range(1, 8))
        ->option_text("N")
        ->needs(serial);
}

void AddCalibrationOption(CLI::App* command, TOptions& o) {
    command
        ->add_option("--calibration", o.CalibrationItems,
                     "the chip's own calibration word at ADDR (hex with 0x, or decimal), written back "
                     "after the erase in place of the word the chip reads there; needed when that word "
                     "is no valid calibration (a protected chip reads 0); repeatable")
        ->option_text("ADDR=WORD")
        ->expected(1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
}

// --calibration ADDR=WORD items into `o.Calibration`; false (the reason on `err`) for a
// malformed one or an address given twice.
bool ReadCalibrationItems(TOptions& o, std::ostream& err) {
    for (const std::string& item : o.CalibrationItems) {
        const size_t eq = item.find('=');
        const auto address = ParseDefinitionNumber(std::string_view(item).substr(0, eq));
        const auto word = eq == std::string::npos
                              ? std::nullopt
                              : ParseDefinitionNumber(std::string_view(item).substr(eq + 1));
        if (!address || !word || *address < 0 || *word < 0 || *word > 0xFFFF) {
            err << "vesk: --calibration " << item << ": give ADDR=WORD, e.g. 0x3FF=0x3454\n";
            return false;
        }
        if (!o.Calibration.emplace(*address, *word).second) {
            err << "vesk: --calibration " << item << ": that address is given twice\n";
            return false;
        }
    }
    return true;
}

// The options of the tool, before or after the command.
void AddToolOptions(CLI::App& app, TOptions& o) {
    app.add_option("-p,--port", o.Ports,
                   "serial port (name or path); given more than once, the command runs on every port at "
                   "once, one copy of vesk per port, each with its own programmer, target and chip buffer")
        ->option_text("NAME")
        ->expected(1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    app.add_option("--log", o.Log,
                   "append one JSON line per chip and command to FILE (time, port, chip, image and its "
                   "SHA-256, serial number, result, exit status, seconds)")
        ->option_text("FILE");
    app.add_flag("--gang-child", o.GangChild)->group(""); // started by vesk itself for one of several ports
    app.add_option("-c,--chip", o.Chip, "target chip type; without it the target is identified")
        ->option_text("NAME");
    app.add_option("-b,--baud", o.Baud, "programmer baud rate: 9600, 19200, 38400, 57600 or 115200")
        ->check(CLI::IsMember(std::vector<int32_t>(ProgrammerBaudRates.begin(), ProgrammerBaudRates.end())))
        ->option_text("RATE");
    app.add_option("--delay", o.Delay, "programming delay 0..255")
        ->check(CLI::Range(0, 255))
        ->option_text("N");
    app.add_option("--timeout", o.Timeout, "answer time-out per byte, in ms")
        ->check(CLI::Range(1, 600000))
        ->option_text("MS");
    app.add_option("--device-id", o.DeviceId, "programmer identifier sent with activate and run")
        ->option_text("TEXT");
    app.add_option("--chipdefs", o.ChipDefs,
                   "folder of the ChipDef_*.ini files (default: beside the program)")
        ->option_text("DIR");
    app.add_flag("--verify", o.Verify, "verify after write");
    app.add_flag("-q,--quiet", o.Quiet, "no progress output");
    app.add_flag("-v,--verbose", o.Verbose, "trace every VBUS byte and its echo on standard error");
    app.add_flag("--pipeline", o.Pipeline,
                 "EXPERIMENTAL: send a command's characters back to back, checking every echo, and "
                 "its command letter only when they all came back right (same bytes, fewer waits; "
                 "needs programmer firmware that takes a command's characters back to back)");
}

// The commands and their own options.
void AddCommands(CLI::App& app, TOptions& o) {
    auto* ports = app.add_subcommand("ports", "list the serial ports present, one per line");
    ports->add_flag("-l,--long", o.Long,
                    "add what the system knows of each port: maker, product and serial number of a USB "
                    "adapter and its stable /dev/serial/by-id/ name");
    ports->add_option("--system-root", o.SystemRoot)->group(""); // a prepared tree in place of "/"
    auto* chips = app.add_subcommand(
        "chips", "list the chip definitions: name, Id (hex), algorithm, regions, file; with PATTERN "
                 "only those whose name contains it (letter case ignored)");
    chips->add_option("PATTERN", o.Pattern, "a part of the chip names to list; with --long the chip's name");
    chips->add_flag("-l,--long", o.Long,
                    "everything one chip describes: its ID, regions, the words every erase keeps (factory "
                    "calibration) and every configuration field with its options");
    app.add_subcommand("detect", "identify the programmer: prints \"<type> version <version>\"");
    app.add_subcommand("identify", "read the target's ID and print the matching chip type");
    auto* write = app.add_subcommand("write", "program the image");
    write->add_option("FILE", o.File, "Intel HEX image")->required();
    AddRegionOption(write, o);
    AddSerialOptions(write, o);
    AddConfigOption(write, o, "--config",
                    "in the buffer after the image is loaded, before anything is written");
    write->add_flag("--watch", o.Watch,
                    "write now, then again whenever FILE has changed and stayed unchanged for half a "
                    "second as a whole image, until Ctrl-C; one line per run with its result and time");
    AddCalibrationOption(write, o);
    auto* read = app.add_subcommand(
        "read", "read the target; with --output write the words read as an Intel HEX file, "
                "otherwise print them as the buffer view would");
    AddRegionOption(read, o);
    read->add_option("--output", o.Output, "Intel HEX file to write")->option_text("FILE");
    auto* verify = app.add_subcommand("verify", "compare the target with the image");
    verify->add_option("FILE", o.File, "Intel HEX image")->required();
    AddRegionOption(verify, o);
    AddConfigOption(verify, o, "--config", "in the buffer after the image is loaded, as write --config does");
    AddCalibrationOption(app.add_subcommand("erase", "erase the target, keeping its preserved words"), o);
    app.add_subcommand("run", "restart the target (stop, then run)");
    auto* pass = app.add_subcommand("passthrough", "switch the programmer to pass-through");
    pass->add_option("--lines", o.Lines, "34 or 78 (default 78)")
        ->check(CLI::IsMember({34, 78}))
        ->option_text("34|78");
    pass->add_option("--polarity", o.Polarity, "rs232 or ttl (default ttl)")
        ->transform(CLI::IsMember({"rs232", "ttl"}, CLI::ignore_case))
        ->option_text("rs232|ttl");
    auto* show =
        app.add_subcommand("show", "load the image into the chip's buffer offline and print the buffer view "
                                   "(no programmer needed; --chip required)");
    show->add_option("FILE", o.File, "Intel HEX image")->required();
    auto* config = app.add_subcommand(
        "config", "show the configuration words the image gives, every field by name, and warn of what "
                  "writing them does (no programmer needed; --chip required); with --set and --output write "
                  "a new image with other settings");
    config->add_option("FILE", o.File, "Intel HEX image")->required();
    AddConfigOption(config, o, "--set", "in the image's buffer");
    config->add_flag("--json", o.Json,
                     "print a JSON list, one object per configuration word: address, word, given, fields "
                     "(name, mask, value, option; option null when no option has the value)");
    config->add_option("--output", o.Output, "write the image with the settings to FILE instead of listing")
        ->option_text("FILE");
}

// What the parser cannot check: combinations. Returns -1 when the command can run.
int CheckCombinations(TOptions& o, std::ostream& err) {
    if (!o.Ports.empty()) o.Port = o.Ports.front();
    const std::vector<std::string> gangCommands = {"detect", "identify", "write", "verify", "erase", "run"};
    if (o.Ports.size() > 1 &&
        std::find(gangCommands.begin(), gangCommands.end(), o.Command) == gangCommands.end()) {
        err << "vesk: several --port: only detect, identify, write, verify, erase and run\n"
            << UsageHint << "\n";
        return ExitUsage;
    }
    if (o.Watch && o.Ports.size() > 1) {
        err << "vesk: --watch: one --port only\n" << UsageHint << "\n";
        return ExitUsage;
    }
    if (o.Command == "chips" && o.Long && o.Pattern.empty()) {
        err << "vesk: chips --long needs the chip's name\n" << UsageHint << "\n";
        return ExitUsage;
    }
    if ((o.Command == "show" || o.Command == "config") && o.Chip.empty()) {
        err << "vesk: " << o.Command << " needs the chip type: --chip NAME\n" << UsageHint << "\n";
        return ExitUsage;
    }
    // The settings are in the Fuses: a write of Code or Data alone would drop them.
    if (!o.Settings.empty() && o.Regions != 0x7FFF && o.Regions != 3) {
        err << "vesk: --config: the configuration is written only with --region all or fuses\n"
            << UsageHint << "\n";
        return ExitUsage;
    }
    try {
        ConfigSettingsOf(o);
    } catch (const ECommand& e) {
        err << e.Message() << "\n" << UsageHint << "\n";
        return e.Status();
    }
    if (!ReadCalibrationItems(o, err)) {
        err << UsageHint << "\n";
        return ExitUsage;
    }
    if (!o.Calibration.empty() && o.Regions != 0x7FFF) {
        err << "vesk: --calibration: only a write of all regions erases the chip\n" << UsageHint << "\n";
        return ExitUsage;
    }
    // One chip's own words: several chips at once each have theirs.
    if (!o.Calibration.empty() && o.Ports.size() > 1) {
        err << "vesk: --calibration: one chip's words, not with several --port\n" << UsageHint << "\n";
        return ExitUsage;
    }
    return -1;
}

} // namespace

int ParseCommandLine(int argc, const char* const* argv, TOptions& o, std::ostream& out, std::ostream& err) {
    CLI::App app{"vesk - program PIC microcontrollers through a VESK programmer", "vesk"};
    app.set_version_flag("--version", std::string("vesk ") + VESK_FILE_VERSION);
    app.require_subcommand(1, 1);
    // Options of the tool may follow the command too.
    app.fallthrough();
    app.footer(std::string("Settings not given here come from \"WinVESK.ini\" beside the program when "
                           "it exists (for an installed program, from the user's own copy in "
                           "~/.config/vesk/), otherwise from the programmer driver's defaults.\n\n") +
               ExitStatusTable);

    AddToolOptions(app, o);
    AddCommands(app, o);

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        out << app.help();
        return ExitSuccess;
    } catch (const CLI::CallForAllHelp&) {
        out << app.help("", CLI::AppFormatMode::All);
        return ExitSuccess;
    } catch (const CLI::CallForVersion&) {
        out << app.version() << "\n";
        return ExitSuccess;
    } catch (const CLI::ParseError& e) {
        err << "vesk: " << e.what() << "\n" << UsageHint << "\n";
        return ExitUsage;
    }
    o.Command = app.get_subcommands().front()->get_name();
    return CheckCombinations(o, err);
}

} // namespace vesk::cli
