#include "cli/Commands.h"
#include "cli/BufferPrint.h"
#include "cli/CommandLine.h"
#include "cli/ExitStatus.h"
#include "cli/Gang.h"
#include "cli/HexWriter.h"
#include "cli/Interrupt.h"
#include "cli/ProgressBar.h"
#include "cli/RunLog.h"
#include "cli/SerialCounter.h"
#include "cli/Session.h"
#include "cli/Settings.h"
#include "cli/Sha256.h"

#include "chipdef/ChipDefinitions.h"
#include "chipdef/SerialNumber.h"
#include "driver/DeviceVESK1.h"
#include "hexfile/IntelHexFile.h"
#include "serial/port/ComPort.h"
#include "storage/SafeFile.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <ostream>

namespace vesk::cli {

namespace {

struct TContext {
    const TOptions& O;
    std::ostream& Out;
    TDeviceVESK1& Driver;
    int BaudIndex = 1;
    std::string CloseError; // a failing close after another error
    TProgressBar* Bar = nullptr;
    std::string ProgrammerType, ProgrammerVersion; // when detect asked for them
    std::optional<uint64_t> Serial;                // the serial number this chip was given
};

// The name of the bar of the steps that follow.
void Named(const TContext& c, const char* verb) {
    if (c.Bar != nullptr) c.Bar->SetStep(verb, c.Driver.Target());
}

std::string Hex(int64_t value, int digits) {
    char text[24];
    std::snprintf(text, sizeof text, "%0*llX", digits, static_cast<unsigned long long>(value));
    return text;
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

// --- Chip definitions, loaded before the port is ever opened --------------------------

// --chipdefs names the one folder to read; otherwise the program's folder and then the
// user's own.
void LoadChips(const TContext& c) {
    if (!c.O.ChipDefs.empty())
        Step(TStep::Image, [&] { LoadChipDefinitions(c.O.ChipDefs); });
    else
        Step(TStep::Image, [&] { LoadChipDefinitionsWithUser(ProgramDirectory()); });
}

// --chip NAME: the definition of that name (exact, else ignoring letter case) becomes the
// driver's target before the first driver call.
void SelectChip(const TContext& c) {
    if (c.O.Chip.empty()) return;
    TChipDefinition* found = nullptr;
    for (auto& chip : ChipDefinitions)
        if (chip->Name == c.O.Chip) {
            found = chip.get();
            break;
        }
    if (found == nullptr)
        for (auto& chip : ChipDefinitions)
            if (Lower(chip->Name) == Lower(c.O.Chip)) {
                found = chip.get();
                break;
            }
    if (found == nullptr) {
        std::string known;
        for (auto& chip : ChipDefinitions)
            known += (known.empty() ? "" : ", ") + chip->Name;
        throw ECommand(ExitUsage, "vesk: unknown chip type: " + c.O.Chip +
                                      "\nKnown chip types: " + (known.empty() ? "(none)" : known));
    }
    c.Driver.SetTarget(found);
}

TIntelHexFile LoadImage(const TContext& c) {
    TIntelHexFile image;
    Step(TStep::Image, [&] { image.Load(c.O.File); });
    return image;
}

// Open is done by TConnection; then the wake-up, activation and speed switch, and the
// target identified when none was named.
void StartProgramming(const TContext& c) {
    Step(TStep::Connect, [&] { c.Driver.Wakeup(); });
    Step(TStep::Other, [&] { c.Driver.Activate(); });
    Step(TStep::Other, [&] { c.Driver.SetBaudRate(int8_t(std::clamp(c.BaudIndex, -1, 5))); });
    if (c.Driver.Target() == nullptr) Step(TStep::Detect, [&] { c.Driver.DetectTarget(); });
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
    for (const auto& chip : ChipDefinitions) {
        std::string line = chip->Name;
        line.resize(std::max<size_t>(line.size() + 1, 12), ' ');
        line += "0x" + Hex(chip->Id, 4) + "  ";
        std::string algorithm(AlgorithmNameOf(chip->Algorithm));
        algorithm.resize(std::max<size_t>(algorithm.size() + 1, 8), ' ');
        line += algorithm;
        std::string regions;
        for (const TChipRegion& region : chip->Regions)
            regions += (regions.empty() ? "" : ", ") + region.Name + " 0x" + Hex(region.Start, 4) + " " +
                       std::to_string(region.Size);
        c.Out << line << regions << "  " << ChipDefinitionFile(*chip) << "\n";
    }
    return ExitSuccess;
}

int Detect(TContext& c) {
    std::string type, version;
    {
        TConnection connection(c.Driver, c.CloseError);
        Step(TStep::Connect, [&] { c.Driver.Wakeup(); });
        type = Step(TStep::Other, [&] { return c.Driver.GetType(); });
        if (!type.empty()) version = Step(TStep::Other, [&] { return c.Driver.GetVersion(); });
        connection.Close();
    }
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
    TConnection connection(c.Driver, c.CloseError);
    Step(TStep::Connect, [&] { c.Driver.Wakeup(); });
    Step(TStep::Detect, [&] { c.Driver.DetectTarget(); });
    Step(TStep::Other, [&] { c.Driver.RunTarget(); });
    connection.Close();
    c.Out << c.Driver.Target()->Name << "\n";
    return ExitSuccess;
}

// The frame of write and verify: the chip selected, `beforePort` run, the programmer
// started and the image file loaded into the buffer; `work` then uses the target, which
// is set running again before the port is closed.
int WithImageOnTarget(TContext& c, const std::function<void()>& work,
                      const std::function<void()>& beforePort = {}) {
    LoadChips(c);
    SelectChip(c);
    if (beforePort) beforePort();
    TConnection connection(c.Driver, c.CloseError);
    StartProgramming(c);
    // The image is read from disk at this point, as the desktop program does.
    const TIntelHexFile image = LoadImage(c);
    Step(TStep::Image, [&] { c.Driver.LoadBuffer(image); });
    work();
    Step(TStep::Other, [&] { c.Driver.RunTarget(); });
    connection.Close();
    return ExitSuccess;
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

// After the image is in the buffer and before anything is erased or written: the chip
// takes its number (an identified chip's place is checked first) and the buffer gets it.
void PutSerialNumber(TContext& c) {
    if (!c.O.Serial) return;
    CheckSerialPlacement(c, 0);
    c.Serial = TSerialCounter(c.O.SerialCounter, c.O.SerialBytes).Take();
    PlaceSerialNumber(*c.Driver.Target(), *c.O.Serial, *c.Serial, c.O.SerialBytes);
}

int Write(TContext& c) {
    return WithImageOnTarget(
        c,
        [&] {
            PutSerialNumber(c);
            Named(c, "Erase");
            if (c.O.Regions == AllRegions) Step(TStep::Other, [&] { c.Driver.EraseChip(); });
            for (const TDeviceVESK1::WriteStep_t& s : c.Driver.WriteSteps(c.O.Regions, c.O.Verify)) {
                Named(c, s.Verify ? "Verify" : "Write");
                if (s.Verify)
                    Step(TStep::Verify, [&] { c.Driver.VerifyRegions(s.Regions); });
                else
                    Step(TStep::Other, [&] { c.Driver.WriteRegions(s.Regions); });
            }
        },
        [&] { CheckSerialBeforePort(c); });
}

int Verify(TContext& c) {
    return WithImageOnTarget(c, [&] {
        Named(c, "Verify");
        Step(TStep::Verify, [&] { c.Driver.VerifyRegions(c.O.Regions); });
    });
}

int Read(TContext& c) {
    LoadChips(c);
    SelectChip(c);
    {
        TConnection connection(c.Driver, c.CloseError);
        StartProgramming(c);
        Named(c, "Read");
        Step(TStep::Other, [&] { c.Driver.ReadRegions(c.O.Regions); });
        Step(TStep::Other, [&] { c.Driver.RunTarget(); });
        connection.Close();
    }
    const TChipDefinition& chip = *c.Driver.Target();
    if (!c.O.Output.empty())
        Step(TStep::Other, [&] { WriteFileAtomically(c.O.Output, BufferToIntelHex(chip)); });
    else
        Step(TStep::Other, [&] { PrintBuffer(chip, c.O.Regions, c.Out); });
    return ExitSuccess;
}

int Erase(TContext& c) {
    LoadChips(c);
    SelectChip(c);
    TConnection connection(c.Driver, c.CloseError);
    StartProgramming(c);
    Step(TStep::Other, [&] { c.Driver.EraseChip(); });
    connection.Close();
    return ExitSuccess;
}

int Run(TContext& c) {
    // No chip is needed; a named one is selected, so that its algorithm is used.
    if (!c.O.Chip.empty()) {
        LoadChips(c);
        SelectChip(c);
    }
    TConnection connection(c.Driver, c.CloseError);
    Step(TStep::Connect, [&] { c.Driver.Wakeup(); });
    Step(TStep::Other, [&] { c.Driver.StopTarget(); });
    Step(TStep::Other, [&] { c.Driver.RunTarget(); });
    connection.Close();
    return ExitSuccess;
}

int PassThrough(TContext& c) {
    TConnection connection(c.Driver, c.CloseError);
    Step(TStep::Connect, [&] { c.Driver.Wakeup(); });
    const uint8_t lines = c.O.Lines == 78 ? 1 : 0;
    const uint8_t polarity = Lower(c.O.Polarity) == "ttl" ? 1 : 0;
    Step(TStep::Other, [&] { c.Driver.EnterPassThrough(lines, polarity); });
    connection.Close();
    return ExitSuccess;
}

int Show(TContext& c) {
    LoadChips(c);
    SelectChip(c);
    const TIntelHexFile image = LoadImage(c);
    Step(TStep::Image, [&] { c.Driver.LoadBuffer(image); });
    Step(TStep::Other, [&] { PrintBuffer(*c.Driver.Target(), AllRegions, c.Out); });
    return ExitSuccess;
}

const std::map<std::string, std::function<int(TContext&)>> CommandTable = {
    {"ports", Ports},   {"chips", Chips},
    {"detect", Detect}, {"identify", Identify},
    {"write", Write},   {"read", Read},
    {"verify", Verify}, {"erase", Erase},
    {"run", Run},       {"passthrough", PassThrough},
    {"show", Show},
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

// The driver with its settings: driver defaults, then "WinVESK.ini" beside the program,
// then the command line. Returns the baud rate index.
int ConfigureDriver(TDeviceVESK1& driver, const TOptions& o) {
    const TSettings settings = ReadSettings(driver, ProgramDirectory());
    driver.SetComPort(o.Port.value_or(settings.ComPort));
    driver.SetComReadTimeout(o.Timeout.value_or(settings.ComReadTimeout));
    driver.SetProgramDelay(o.Delay.value_or(settings.ProgramDelay));
    driver.SetDeviceID(o.DeviceId.value_or(settings.DeviceID));
    if (!o.Baud) return settings.VeskBaudRate;
    const auto& rates = ProgrammerBaudRates;
    return int(std::find(rates.begin(), rates.end(), *o.Baud) - rates.begin());
}

// --log: the record of a command that used a port; a record that cannot be written
// fails a command that had succeeded.
int LogCommand(const TContext& c, TLogRecord record, int status, const std::string& message,
               std::ostream& err) {
    static const std::vector<std::string> offline = {"ports", "chips", "show"};
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

int RunCommand(const TOptions& o, std::ostream& out, std::ostream& err, bool errIsTerminal) {
    TLogRecord record{NowIso8601(), "", "", "", "", o.Command, o.File, "", {}, 0, "", 0};
    const auto start = std::chrono::steady_clock::now();
    TDeviceVESK1 driver;
    TContext c{o, out, driver, ConfigureDriver(driver, o), {}, nullptr, {}, {}, {}};
    record.Port = driver.ComPort();

    // One of several ports reports its progress as lines to the vesk that started it.
    TProgressBar bar(err, o.GangChild);
    c.Bar = &bar;
    // The trace writes whole lines; a bar redrawn in between would tear them apart.
    if ((errIsTerminal || o.GangChild) && !o.Quiet && !o.Verbose)
        driver.OnProgress = [&bar](int value) { bar.Step(value); };
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

int RunVesk(int argc, const char* const* argv, std::ostream& out, std::ostream& err, bool errIsTerminal) {
    TOptions options;
    const int parsed = ParseCommandLine(argc, argv, options, out, err);
    if (parsed >= 0) return parsed;
    if (options.Ports.size() > 1) return RunGang(argc, argv, options, out, err, errIsTerminal);
    return RunCommand(options, out, err, errIsTerminal);
}

} // namespace vesk::cli
