#include "storage/CalibrationMemory.h"

#include "common/JsonLine.h"
#include "common/Text.h"
#include "common/WholeFile.h"

#include <filesystem>
#include <iostream>

namespace vesk {

namespace {

// The file is read whole to find the last record; years of daily use stay far below.
constexpr std::size_t MaxMemoryBytes = std::size_t(64) << 20;

// "0x..." of up to eight hexadecimal digits, as the lines hold addresses and words.
std::optional<int32_t> HexNumber(const std::string& text) {
    if (text.size() < 3 || text.size() > 10 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X'))
        return std::nullopt;
    uint32_t value = 0;
    for (std::size_t i = 2; i < text.size(); ++i) {
        const int digit = HexDigitValue(text[i]);
        if (digit < 0) return std::nullopt;
        value = value * 16 + uint32_t(digit);
    }
    return int32_t(value);
}

} // namespace

std::string CalibrationRecordLine(const TCalibrationRecord& r) {
    return "{\"time\":" + JsonQuoted(r.Time) + ",\"port\":" + JsonQuoted(r.Port) +
           ",\"chip\":" + JsonQuoted(r.Chip) + ",\"address\":\"0x" + Hex(r.Address, 6) + "\",\"word\":\"0x" +
           Hex(r.Word, 4) + "\"}\n";
}

std::optional<TCalibrationRecord> ParseCalibrationRecord(std::string_view line) {
    const auto members = ParseJsonStringObject(line);
    if (!members) return std::nullopt;
    const auto member = [&](const char* name) -> std::string {
        const auto it = members->find(name);
        return it == members->end() ? std::string() : it->second;
    };
    const auto address = HexNumber(member("address")), word = HexNumber(member("word"));
    if (!address || !word || member("chip").empty()) return std::nullopt;
    return TCalibrationRecord{member("time"), member("port"), member("chip"), *address, *word};
}

std::string CalibrationMemoryPath() {
    const std::string folder = UserDataFolder();
    return folder.empty() ? std::string() : folder + "calibration.jsonl";
}

TCalibrationMemory::TCalibrationMemory(std::string path)
    : Clock(NowIso8601), Errors(&std::cerr), FPath(std::move(path)) {}

void TCalibrationMemory::Append(TCalibrationRecord record) {
    if (FPath.empty()) return;
    record.Time = Clock();
    try {
        std::error_code error;
        const std::filesystem::path folder = std::filesystem::path(FPath).parent_path();
        if (!folder.empty()) std::filesystem::create_directories(folder, error);
        AppendLine(FPath, CalibrationRecordLine(record));
    } catch (const Exception& e) {
        if (FReported || Errors == nullptr) return;
        FReported = true;
        *Errors << "Calibration memory " << FPath << " not written: " << e.Message()
                << " (the operation goes on; further failures are not reported)" << std::endl;
    }
}

std::optional<TCalibrationRecord> TCalibrationMemory::Last(const std::string& chip, const std::string& port,
                                                           int32_t address) const {
    if (FPath.empty()) return std::nullopt;
    std::optional<std::string> text;
    try {
        text = ReadWholeFile(FPath, MaxMemoryBytes);
    } catch (const Exception&) {
        return std::nullopt; // a memory that cannot be read knows nothing
    }
    if (!text) return std::nullopt;
    std::optional<TCalibrationRecord> last;
    std::size_t start = 0;
    while (start < text->size()) {
        std::size_t end = text->find('\n', start);
        if (end == std::string::npos) end = text->size();
        const auto record = ParseCalibrationRecord(std::string_view(*text).substr(start, end - start));
        if (record && record->Chip == chip && record->Port == port && record->Address == address)
            last = record;
        start = end + 1;
    }
    return last;
}

} // namespace vesk
