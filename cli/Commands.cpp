#include "cli/Commands.h"
#include "cli/BufferPrint.h"
#include "cli/CommandLine.h"
#include "cli/ExitStatus.h"
#include "cli/HexWriter.h"
#include "cli/Interrupt.h"
#include "cli/ProgressBar.h"
#include "cli/Session.h"
#include "cli/Settings.h"

#include "chipdef/ChipDefinitions.h"
#include "driver/DeviceVESK1.h"
#include "hexfile/IntelHexFile.h"
#include "serial/port/ComPort.h"
#include "storage/SafeFile.h"

#include <algorithm>
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
};

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

// The frame of write and verify: the chip selected, the programmer started and the
// image file loaded into the buffer; `work` then uses the target, which is set running
// again before the port is closed.
int WithImageOnTarget(TContext& c, const std::function<void()>& work) {
    LoadChips(c);
    SelectChip(c);
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

int Write(TContext& c) {
    return WithImageOnTarget(c, [&] {
        if (c.O.Regions == AllRegions) Step(TStep::Other, [&] { c.Driver.EraseChip(); });
        for (const TDeviceVESK1::WriteStep_t& s : c.Driver.WriteSteps(c.O.Regions, c.O.Verify)) {
            if (s.Verify)
                Step(TStep::Verify, [&] { c.Driver.VerifyRegions(s.Regions); });
            else
                Step(TStep::Other, [&] { c.Driver.WriteRegions(s.Regions); });
        }
    });
}

int Verify(TContext& c) {
    return WithImageOnTarget(c, [&] { Step(TStep::Verify, [&] { c.Driver.VerifyRegions(c.O.Regions); }); });
}

int Read(TContext& c) {
    LoadChips(c);
    SelectChip(c);
    {
        TConnection connection(c.Driver, c.CloseError);
        StartProgramming(c);
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

} // namespace

int RunCommand(const TOptions& o, std::ostream& out, std::ostream& err, bool errIsTerminal) {
    TDeviceVESK1 driver;
    // Driver defaults, then "WinVESK.ini" beside the program, then the command line.
    const TSettings settings = ReadSettings(driver, ProgramDirectory());
    driver.SetComPort(o.Port.value_or(settings.ComPort));
    driver.SetComReadTimeout(o.Timeout.value_or(settings.ComReadTimeout));
    driver.SetProgramDelay(o.Delay.value_or(settings.ProgramDelay));
    driver.SetDeviceID(o.DeviceId.value_or(settings.DeviceID));
    TContext c{o, out, driver, settings.VeskBaudRate, {}};
    if (o.Baud) {
        const auto& rates = ProgrammerBaudRates;
        c.BaudIndex = int(std::find(rates.begin(), rates.end(), *o.Baud) - rates.begin());
    }

    TProgressBar bar(err);
    // The trace writes whole lines; a bar redrawn in between would tear them apart.
    if (errIsTerminal && !o.Quiet && !o.Verbose) driver.OnProgress = [&bar](int value) { bar.Step(value); };
    if (o.Verbose)
        driver.OnTrace = [&err](uint8_t sent, int answer) { err << TraceLine(sent, answer) << "\n"; };

    InstallInterruptHandler(&driver);
    int status = ExitSuccess;
    try {
        status = CommandTable.at(o.Command)(c);
    } catch (const ECommand& e) {
        bar.Finish();
        err << e.Message() << "\n";
        if (e.Status() == ExitUsage) err << UsageHint << "\n";
        if (!c.CloseError.empty()) err << c.CloseError << "\n";
        status = e.Status();
    }
    InstallInterruptHandler(nullptr);
    bar.Finish();
    return status;
}

int RunVesk(int argc, const char* const* argv, std::ostream& out, std::ostream& err, bool errIsTerminal) {
    TOptions options;
    const int parsed = ParseCommandLine(argc, argv, options, out, err);
    if (parsed >= 0) return parsed;
    return RunCommand(options, out, err, errIsTerminal);
}

} // namespace vesk::cli
