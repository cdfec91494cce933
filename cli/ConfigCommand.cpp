#include "cli/ConfigCommand.h"
#include "cli/ExitStatus.h"
#include "cli/Session.h"

#include "chipdef/BufferHex.h"
#include "chipdef/ChipSession.h"
#include "chipdef/ConfigWarnings.h"
#include "common/Text.h"
#include "hexfile/IntelHexFile.h"
#include "storage/SafeFile.h"

#include <algorithm>
#include <ostream>

namespace vesk::cli {

namespace {

std::string HexText(int64_t value, int digits) {
    return "0x" + Hex(value, digits);
}

// A JSON string: the names are plain text, but a quote or backslash must not end it.
std::string JsonString(const std::string& text) {
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

std::string JsonField(const ConfigFieldValue_t& value) {
    return "{\"name\": " + JsonString(value.Field->Name) +
           ", \"mask\": " + JsonString(HexText(value.Field->Mask, 4)) +
           ", \"value\": " + JsonString(HexText(value.Value, 4)) + ", \"option\": " +
           (value.Option != nullptr ? JsonString(value.Option->Name) : std::string("null")) + "}";
}

std::string JsonWord(const ConfigWord_t& word) {
    std::string fields;
    for (const ConfigFieldValue_t& value : word.Fields)
        fields += (fields.empty() ? "" : ", ") + JsonField(value);
    return "{\"address\": " + JsonString(HexText(word.Address, 6)) +
           ", \"word\": " + JsonString(HexText(word.Word, 4)) +
           ", \"given\": " + (word.Given ? "true" : "false") + ", \"fields\": [" + fields + "]}";
}

} // namespace

std::vector<ConfigSetting_t> ConfigSettingsOf(const TOptions& o) {
    std::vector<ConfigSetting_t> settings;
    for (const std::string& text : o.Settings) {
        try {
            for (ConfigSetting_t& setting : ParseConfigSettings(text))
                settings.push_back(std::move(setting));
        } catch (const Exception& e) {
            throw ECommand(ExitUsage, "vesk: " + e.Message());
        }
    }
    return settings;
}

void CheckConfigSettings(const TChipDefinition& chip, const std::vector<ConfigSetting_t>& settings) {
    for (const ConfigSetting_t& setting : settings) {
        try {
            ResolveConfigSetting(chip, setting);
        } catch (const EConfigSetting& e) {
            throw ECommand(ExitUsage, "vesk: " + e.Message());
        }
    }
}

void ApplyConfigSettings(TChipSession& session, const TIntelHexFile& image,
                         const std::vector<ConfigSetting_t>& settings, int16_t regions, bool warn,
                         std::ostream& err) {
    CheckConfigSettings(session.Chip(), settings);
    TConfigBuffer config(session, image);
    config.Apply(settings);
    if (!warn) return;
    for (const ConfigWarning_t& warning : ConfigWarnings(config, regions))
        err << "vesk: warning: " << warning.Text << "\n";
    err << std::flush;
}

int ConfigCommand(const TChipDefinition& chip, const TOptions& o, std::ostream& out, std::ostream& err) {
    const std::vector<ConfigSetting_t> settings = ConfigSettingsOf(o);
    CheckConfigSettings(chip, settings);
    TIntelHexFile image;
    Step(TStep::Image, [&] { image.Load(o.File); });
    TChipSession session(chip);
    Step(TStep::Image, [&] { session.LoadImage(image); });
    TConfigBuffer config(session, image);
    config.Apply(settings);
    for (const ConfigWarning_t& warning : ConfigWarnings(config, AllRegions))
        err << "vesk: warning: " << warning.Text << "\n";
    if (!o.Output.empty()) {
        Step(TStep::Other,
             [&] { WriteFileAtomically(o.Output, ImageWithBufferWords(image, session, config.Changed())); });
        return ExitSuccess;
    }
    if (o.Json)
        PrintConfigJson(config.Words(), out);
    else
        PrintConfigWords(config.Words(), out);
    return ExitSuccess;
}

void PrintConfigWords(const std::vector<ConfigWord_t>& words, std::ostream& out) {
    for (const ConfigWord_t& word : words) {
        out << HexText(word.Address, 6) << " = " << HexText(word.Word, 4);
        if (!word.Given) out << "  (not in the image: the chip keeps its erased value)";
        out << "\n";
        std::size_t width = 0;
        for (const ConfigFieldValue_t& value : word.Fields)
            width = std::max(width, value.Field->Name.size());
        for (const ConfigFieldValue_t& value : word.Fields) {
            std::string name = value.Field->Name;
            name.resize(width, ' ');
            out << "  " << name << " = " << ConfigValueText(value);
            if (value.Option == nullptr) out << " (no option)";
            out << "\n";
        }
        if (word.Unimplemented != 0) out << "  unimplemented bits " << HexText(word.Unimplemented, 4) << "\n";
    }
}

void PrintConfigJson(const std::vector<ConfigWord_t>& words, std::ostream& out) {
    if (words.empty()) {
        out << "[]\n";
        return;
    }
    out << "[\n";
    for (std::size_t i = 0; i < words.size(); ++i)
        out << JsonWord(words[i]) << (i + 1 < words.size() ? ",\n" : "\n");
    out << "]\n";
}

} // namespace vesk::cli
