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
#include "ops/Operations.h"
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
    ops::TStepId LastStep = ops::TStepId::Open;
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
ops::THooks Hooks(TContext& c) {
    ops::THooks hooks;
    hooks.RunStep = [&c](const ops::TStep& step, const std::function<void()>& body) {
        c.LastStep = step.Id;
        if (step.Id != ops::TStepId::Close) return Step(ClassOf(step.Id), body);
        try {
            body();
        } catch (const Exception& e) {
            throw ECommand(ExitFailed, e.Message());
        }
    };
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
    ops::THooks hooks = Hooks(c);
    hooks.Detected = [&](const std::string& t, const std::string& v) {
        type = t;
        version = v;
    };
    ops::DetectDevice(c.Driver, hooks);
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
    c.Out << c.Driver.Target()->Name << "\n";
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

int Write(TContext& c) {
    LoadChips(c);
    SelectChip(c);
    TIntelHexFile image;
    ops::Write(c.Driver, Request(c), ImageHooks(c, image));
    return ExitSuccess;
}

int Verify(TContext& c) {
    LoadChips(c);
    SelectChip(c);
    TIntelHexFile image;
    ops::Verify(c.Driver, Request(c), ImageHooks(c, image));
    return ExitSuccess;
}

int Read(TContext& c) {
    LoadChips(c);
    SelectChip(c);
    ops::Read(c.Driver, Request(c), Hooks(c));
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
    request.Polarity = Lower(c.O.Polarity) == "ttl" ? 1 : 0;
    ops::EnterPassThrough(c.Driver, request, Hooks(c));
    return ExitSuccess;
}

int Show(TContext& c) {
    LoadChips(c);
    SelectChip(c);
    TIntelHexFile image;
    Step(TStep::Image, [&] { image.Load(c.O.File); });
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
