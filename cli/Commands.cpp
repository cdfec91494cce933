#include "cli/Commands.h"
#include "cli/BufferPrint.h"
#include "cli/ChipList.h"
#include "cli/CommandLine.h"
#include "cli/ConfigCommand.h"
#include "cli/ExitStatus.h"
#include "cli/Gang.h"
#include "cli/Interrupt.h"
#include "cli/ProgressBar.h"
#include "cli/RunLog.h"
#include "cli/SerialCounter.h"
#include "cli/Session.h"
#include "cli/Settings.h"
#include "cli/Sha256.h"
#include "cli/Watch.h"

#include "chipdef/BufferHex.h"
#include "chipdef/ChipCatalogue.h"
#include "chipdef/ChipLookup.h"
#include "chipdef/SerialNumber.h"
#include "common/Text.h"
#include "driver/DeviceVESK1.h"
#include "hexfile/IntelHexFile.h"
#include "ops/Operations.h"
#include "serial/port/ComPort.h"
#include "serial/port/ComPortTransport.h"
#include "storage/CalibrationMemory.h"
#include "storage/SafeFile.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <map>
#include <ostream>

namespace vesk::cli {

namespace {

struct TContext {
    const TOptions& O;
    std::ostream& Out;
    std::ostream& Err;
    const std::string& Folder; // of the chip definitions and the settings
    TDeviceVESK1& Driver;
    int BaudIndex = 1;
    std::string CloseError; // a failing close after another error
    ops::TStepId LastStep = ops::TStepId::Open;
    TProgressBar* Bar = nullptr;
    std::string ProgrammerType, ProgrammerVersion; // when detect asked for them
    std::optional<uint64_t> Serial;                // the serial number this chip was given
    TCalibrationMemory* Memory = nullptr;          // the memory of calibration values
    TChipCatalogue Chips;                          // loaded by LoadChips
};

// --- Chip definitions, loaded before the port is ever opened --------------------------

// --chipdefs names the one folder to read; otherwise the program's folder and then the
// user's own.
void LoadChips(TContext& c) {
    if (!c.O.ChipDefs.empty())
        Step(TStep::Image, [&] { c.Chips.Load(c.O.ChipDefs); });
    else
        Step(TStep::Image, [&] { c.Chips.LoadWithUser(c.Folder); });
    c.Driver.SetCatalogue(&c.Chips);
}

// --chip NAME: the definition of that name (exact, else ignoring letter case) becomes the
// driver's target before the first driver call.
void SelectChip(const TContext& c) {
    if (c.O.Chip.empty()) return;
    const TChipDefinition* found = c.Chips.ByName(c.O.Chip);
    if (found == nullptr) {
        // Among hundreds, the names that contain what was given help more than all.
        const std::vector<const TChipDefinition*> like = ChipsNamedLike(c.Chips, c.O.Chip);
        std::string known;
        for (const auto* chip : like)
            known += (known.empty() ? "" : ", ") + chip->Name;
        if (like.empty())
            for (const auto& chip : c.Chips.Chips())
                known += (known.empty() ? "" : ", ") + chip->Name;
        throw ECommand(ExitUsage, "vesk: unknown chip type: " + c.O.Chip + "\n" +
                                      (like.empty() ? "Known chip types: " : "Chip types like it: ") +
                                      (known.empty() ? "(none)" : known));
    }
    c.Driver.SetTarget(found);
}

// The class of a failure, by the step that failed.
TStep ClassOf(ops::TStepId id) {
    switch (id) {
    case ops::TStepId::Open:
    case ops::TStepId::Wakeup:
        return TStep::Connect;
    case ops::TStepId::LoadImage:
        return TStep::Image;
    case ops::TStepId::DetectTarget:
        return TStep::Detect;
    case ops::TStepId::Verify:
        return TStep::Verify;
    default:
        return TStep::Other;
    }
}

// Every step goes through `Step`, which turns its failure into the command's exit
// status. The final Close is not stopped by Ctrl-C. A failing Close after another
// error is reported after it, except after a failed Open or a failed Close.
void PutSerialNumber(TContext& c);

// --calibration: the words fit the chip, checked as soon as it is known (before the
// image is read or anything is erased).
void CheckCalibrationWords(const TContext& c) {
    if (c.O.Calibration.empty()) return;
    try {
        ops::CheckGivenCalibration(*c.Driver.Target(), c.O.Calibration);
    } catch (const Exception& e) {
        throw ECommand(ExitUsage, "vesk: --calibration: " + e.Message());
    }
}

ops::THooks Hooks(TContext& c) {
    ops::THooks hooks;
    hooks.Calibrations = c.Memory;
    hooks.Connected = [&c] { CheckCalibrationWords(c); };
    hooks.RunStep = [&c](const ops::TStep& step, const std::function<void()>& body) {
        c.LastStep = step.Id;
        // The chip takes its serial number once the image is in its buffer, before
        // anything is erased or written.
        if (step.Id == ops::TStepId::LoadImage) {
            Step(ClassOf(step.Id), body);
            return PutSerialNumber(c);
        }
        if (step.Id != ops::TStepId::Close) return Step(ClassOf(step.Id), body);
        try {
            body();
        } catch (const Exception& e) {
            throw ECommand(ExitFailed, e.Message());
        }
    };
    if (c.Bar != nullptr) hooks.Progress = [&c](const ops::TProgress& p) { c.Bar->Show(p); };
    hooks.CloseFailed = [&c] {
        if (c.LastStep == ops::TStepId::Open || c.LastStep == ops::TStepId::Close) return;
        try {
            throw;
        } catch (const Exception& e) {
            c.CloseError = e.Message();
        }
    };
    return hooks;
}

ops::TRequest Request(const TContext& c) {
    ops::TRequest request;
    request.Regions = c.O.Regions;
    request.Verify = c.O.Verify;
    request.BaudIndex = int8_t(std::clamp(c.BaudIndex, -1, 5));
    request.Calibration = c.O.Calibration;
    return request;
}

// --- Commands -----------------------------------------------------------------------------

int Ports(TContext& c) {
    std::vector<std::string> list;
    if (c.O.SystemRoot.empty())
        Step(TStep::Other, [&] { EnumComPorts(list); });
    else
        Step(TStep::Other, [&] { EnumComPorts(list, c.O.SystemRoot + "/sys"); });
    for (const std::string& port : list) {
        c.Out << port;
        if (c.O.Long) {
            const TComPortInfo info =
                c.O.SystemRoot.empty()
                    ? ComPortInfo(port)
                    : ComPortInfo(port, c.O.SystemRoot + "/sys", c.O.SystemRoot + "/dev/serial/by-id");
            const std::string text = ComPortDescription(info);
            if (!text.empty()) c.Out << "  " << text;
        }
        c.Out << "\n";
    }
    return ExitSuccess;
}

int Chips(TContext& c) {
    LoadChips(c);
    if (c.O.Long)
        PrintChipLong(ChipForLongListing(c.Chips, c.O.Pattern), c.Chips, c.Out);
    else
        PrintChipLines(c.Chips, c.O.Pattern, c.Out);
    return ExitSuccess;
}

int Detect(TContext& c) {
    std::string type, version;
    ops::THooks hooks = Hooks(c);
    hooks.Detected = [&](const std::string& t, const std::string& v) {
        type = t;
        version = v;
    };
    ops::DetectDevice(c.Driver, hooks);
    c.ProgrammerType = type;
    c.ProgrammerVersion = version;
    if (type.empty() || version.empty()) {
        c.Out << "Unknown\n";
        return ExitProgrammer;
    }
    c.Out << type << " version " << version << "\n";
    return ExitSuccess;
}

int Identify(TContext& c) {
    LoadChips(c);
    SelectChip(c);
    ops::DetectTarget(c.Driver, Hooks(c));
    // Parts that report the same device ID cannot be told apart: the others are named.
    c.Out << c.Driver.Target()->Name << SameDeviceIdNote(c.Chips, *c.Driver.Target()) << "\n";
    return ExitSuccess;
}

// Write and verify read the image file once the programmer is started, as the desktop
// program does.
ops::THooks ImageHooks(TContext& c, TIntelHexFile& image) {
    ops::THooks hooks = Hooks(c);
    hooks.Image = [&c, &image]() -> const TIntelHexFile& {
        image.Load(c.O.File);
        return image;
    };
    return hooks;
}

// --serial: the number at the word address must fit the target's buffer there.
void CheckSerialPlacement(const TContext& c, uint64_t number) {
    try {
        SerialNumberWords(*c.Driver.Target(), *c.O.Serial, number, c.O.SerialBytes);
    } catch (const Exception& e) {
        throw ECommand(ExitUsage, e.Message());
    }
}

// Before the port is opened: the counter's next number fits, and so does its place in
// a named chip.
void CheckSerialBeforePort(const TContext& c) {
    if (!c.O.Serial) return;
    const uint64_t next = TSerialCounter(c.O.SerialCounter, c.O.SerialBytes).Peek();
    if (c.Driver.Target() != nullptr) CheckSerialPlacement(c, next);
}

// After the image is in the buffer: the chip takes its number (an identified chip's
// place is checked first) and the buffer gets it.
void PutSerialNumber(TContext& c) {
    if (!c.O.Serial) return;
    CheckSerialPlacement(c, 0);
    c.Serial = TSerialCounter(c.O.SerialCounter, c.O.SerialBytes).Take();
    PlaceSerialNumber(*c.Driver.Session(), *c.O.Serial, *c.Serial, c.O.SerialBytes);
}

// --config: the names are checked before the port is opened when the chip is named, and
// right after the identification otherwise; the settings go into the buffer once the
// image is there. A write then tells what its configuration words will do.
void AddConfigHooks(TContext& c, ops::THooks& hooks, const TIntelHexFile& image, bool warn) {
    const std::vector<ConfigSetting_t> settings = ConfigSettingsOf(c.O);
    if (c.Driver.Target() != nullptr) CheckConfigSettings(*c.Driver.Target(), settings);
    // After the checks of the calibration words, which the same hook makes.
    hooks.Connected = [&c, settings, before = hooks.Connected] {
        if (before) before();
        CheckConfigSettings(*c.Driver.Target(), settings);
    };
    hooks.BufferLoaded = [&c, &image, settings, warn] {
        if (c.Bar != nullptr) c.Bar->Finish();
        ApplyConfigSettings(*c.Driver.Session(), image, settings, c.O.Regions, warn, c.Err);
    };
}

int Write(TContext& c) {
    LoadChips(c);
    SelectChip(c);
    CheckSerialBeforePort(c);
    TIntelHexFile image;
    ops::THooks hooks = ImageHooks(c, image);
    AddConfigHooks(c, hooks, image, true);
    ops::Write(c.Driver, Request(c), hooks);
    return ExitSuccess;
}

int Verify(TContext& c) {
    LoadChips(c);
    SelectChip(c);
    TIntelHexFile image;
    ops::THooks hooks = ImageHooks(c, image);
    AddConfigHooks(c, hooks, image, false);
    ops::Verify(c.Driver, Request(c), hooks);
    return ExitSuccess;
}

int Config(TContext& c) {
    LoadChips(c);
    SelectChip(c);
    return ConfigCommand(*c.Driver.Target(), c.O, c.Out, c.Err);
}

int Read(TContext& c) {
    LoadChips(c);
    SelectChip(c);
    ops::Read(c.Driver, Request(c), Hooks(c));
    const TChipSession& session = *c.Driver.Session();
    if (!c.O.Output.empty())
        Step(TStep::Other, [&] { WriteFileAtomically(c.O.Output, BufferToIntelHex(session)); });
    else
        Step(TStep::Other, [&] { PrintBuffer(session, c.O.Regions, c.Out); });
    return ExitSuccess;
}

int Erase(TContext& c) {
    LoadChips(c);
    SelectChip(c);
    ops::Erase(c.Driver, Request(c), Hooks(c));
    return ExitSuccess;
}

int Run(TContext& c) {
    // No chip is needed; a named one is selected, so that its algorithm is used.
    if (!c.O.Chip.empty()) {
        LoadChips(c);
        SelectChip(c);
    }
    ops::Run(c.Driver, Hooks(c));
    return ExitSuccess;
}

int PassThrough(TContext& c) {
    ops::TRequest request = Request(c);
    request.Lines = c.O.Lines == 78 ? 1 : 0;
    request.Polarity = LowerCase(c.O.Polarity) == "ttl" ? 1 : 0;
    ops::EnterPassThrough(c.Driver, request, Hooks(c));
    return ExitSuccess;
}

int Show(TContext& c) {
    LoadChips(c);
    SelectChip(c);
    TIntelHexFile image;
    Step(TStep::Image, [&] { image.Load(c.O.File); });
    Step(TStep::Image, [&] { c.Driver.LoadBuffer(image); });
    Step(TStep::Other, [&] { PrintBuffer(*c.Driver.Session(), AllRegions, c.Out); });
    return ExitSuccess;
}

const std::map<std::string, std::function<int(TContext&)>> CommandTable = {
    {"ports", Ports},   {"chips", Chips},
    {"detect", Detect}, {"identify", Identify},
    {"write", Write},   {"read", Read},
    {"verify", Verify}, {"erase", Erase},
    {"run", Run},       {"passthrough", PassThrough},
    {"show", Show},     {"config", Config},
};

// "VBUS > 30 '0'  < 30 '0'": the byte sent and the byte that answered it.
std::string TraceLine(uint8_t sent, int answer) {
    auto byteText = [](int b) {
        std::string text = Hex(b, 2);
        if (b >= 0x20 && b <= 0x7E)
            text += std::string(" '") + char(b) + "'";
        else
            text += "    ";
        return text;
    };
    return "VBUS > " + byteText(sent) + "  < " + (answer < 0 ? std::string("none") : byteText(answer));
}

// The driver with its settings: their defaults, then "WinVESK.ini" beside the program,
// then the command line. Returns the baud rate index.
int ConfigureDriver(TDeviceVESK1& driver, const TOptions& o, const std::string& folder) {
    const TSettings settings = ReadSettings(folder);
    driver.SetComPort(o.Port.value_or(settings.ComPort));
    driver.SetComReadTimeout(o.Timeout.value_or(settings.ComReadTimeout));
    driver.SetProgramDelay(o.Delay.value_or(settings.ProgramDelay));
    driver.SetDeviceID(o.DeviceId.value_or(settings.DeviceID));
    driver.SetPipelined(o.Pipeline);
    if (!o.Baud) return settings.VeskBaudRate;
    const auto& rates = ProgrammerBaudRates;
    return int(std::find(rates.begin(), rates.end(), *o.Baud) - rates.begin());
}

// --log: the record of a command that used a port; a record that cannot be written
// fails a command that had succeeded.
int LogCommand(const TContext& c, TLogRecord record, int status, const std::string& message,
               std::ostream& err) {
    static const std::vector<std::string> offline = {"ports", "chips", "show", "config"};
    if (c.O.Log.empty() || std::find(offline.begin(), offline.end(), c.O.Command) != offline.end())
        return status;
    record.ProgrammerType = c.ProgrammerType;
    record.ProgrammerVersion = c.ProgrammerVersion;
    if (c.Driver.Target() != nullptr) record.Chip = c.Driver.Target()->Name;
    if (!c.O.File.empty()) record.ImageSha256 = FileSha256(c.O.File);
    record.Serial = c.Serial;
    record.Status = status;
    record.Message = message;
    try {
        AppendLogLine(c.O.Log, LogLine(record));
    } catch (const Exception& e) {
        err << e.Message() << "\n";
        if (status == ExitSuccess) return ExitFailed;
    }
    return status;
}

} // namespace

int RunCommand(const TOptions& o, std::ostream& out, std::ostream& err, bool errIsTerminal,
               const TEnvironment& environment) {
    TLogRecord record{NowIso8601(), "", "", "", "", o.Command, o.File, "", {}, 0, "", 0};
    const auto start = std::chrono::steady_clock::now();
    const std::string folder =
        environment.ProgramFolder.empty() ? ProgramDirectory() : environment.ProgramFolder;
    TDeviceVESK1 driver(environment.Transport ? environment.Transport()
                                              : std::make_unique<TComPortTransport>());
    TCalibrationMemory memory;
    memory.Errors = &err; // its one report goes where vesk reports
    const int baudIndex = ConfigureDriver(driver, o, folder);
    TContext c{o,       out, err, folder, driver,  baudIndex, {}, ops::TStepId::Open,
               nullptr, {},  {},  {},     &memory, {}};
    record.Port = driver.ComPort();

    // One of several ports reports its progress as lines to the vesk that started it.
    TProgressBar bar(err, o.GangChild);
    // The trace writes whole lines; a bar redrawn in between would tear them apart.
    if ((errIsTerminal || o.GangChild) && !o.Quiet && !o.Verbose) c.Bar = &bar;
    if (o.Verbose)
        driver.OnTrace = [&err](uint8_t sent, int answer) { err << TraceLine(sent, answer) << "\n"; };

    InstallInterruptHandler(&driver);
    int status = ExitSuccess;
    std::string message;
    try {
        status = CommandTable.at(o.Command)(c);
    } catch (const ECommand& e) {
        bar.Finish();
        err << e.Message() << "\n";
        if (e.Status() == ExitUsage) err << UsageHint << "\n";
        if (!c.CloseError.empty()) err << c.CloseError << "\n";
        status = e.Status();
        message = e.Message();
    }
    InstallInterruptHandler(nullptr);
    bar.Finish();
    if (o.GangChild && driver.Target() != nullptr) err << GangTargetPrefix << driver.Target()->Name << "\n";
    record.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return LogCommand(c, record, status, message, err);
}

int RunVesk(int argc, const char* const* argv, std::ostream& out, std::ostream& err, bool errIsTerminal,
            const TEnvironment& environment) {
    TOptions options;
    const int parsed = ParseCommandLine(argc, argv, options, out, err);
    if (parsed >= 0) return parsed;
    if (options.Ports.size() > 1) return RunGang(argc, argv, options, out, err, errIsTerminal);
    if (options.Watch) return WatchAndWrite(options, out, err, errIsTerminal, environment);
    return RunCommand(options, out, err, errIsTerminal, environment);
}

} // namespace vesk::cli
