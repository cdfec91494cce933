#include "IntelHexFile.h"

#include "TextLines.h"
#include "VESK_Exception.h"

namespace vesk {

namespace {
// The largest image file read, and its most lines. 64 MiB hold 24 MiB of data in the
// usual 16-byte records (1.5 Mi lines), far more than any supported chip has; the
// bounds keep a wrong or hostile file from exhausting memory (every line becomes a
// string and a record).
constexpr std::size_t MaxImageFileBytes = std::size_t(64) << 20;
constexpr std::size_t MaxImageLines = std::size_t(2) << 20;
} // namespace

bool TIntelHexFile::Load(const std::string& fileName) {
    Lines.clear();
    Records.clear();
    LineIndex = 0;
    if (!fileName.empty()) FileName = fileName;
    std::string text;
    try {
        text = ReadTextFile(FileName, MaxImageFileBytes);
    } catch (const Exception& e) {
        // No line was being parsed: line 0.
        throw VESK_Exception("File read error: " + FileName + "\nError on line 0\n" + e.Message(),
                             TFailureKind::BadImage);
    }
    return LoadFromText(text, FileName);
}

bool TIntelHexFile::LoadFromText(const std::string& text, const std::string& name) {
    Lines.clear();
    Records.clear();
    LineIndex = 0;
    try {
        Lines = SplitTextLines(text, MaxImageLines);
    } catch (const Exception& e) {
        throw VESK_Exception("File read error: " + name + "\nError on line " +
                                 std::to_string(MaxImageLines + 1) + "\n" + e.Message(),
                             TFailureKind::BadImage);
    }
    Records.assign(Lines.size(), TIntelHexFileRecord());
    bool result = true;
    try {
        bool ended = false;           // an end-of-file record was parsed
        uint16_t extendedAddress = 0; // every file starts at 0
        for (LineIndex = 0; LineIndex < static_cast<int32_t>(Lines.size()); ++LineIndex) {
            const std::string& line = Lines[LineIndex];
            TIntelHexFileRecord& record = Records[LineIndex];
            if (ended && line.empty()) continue; // some compilers end the file with an empty line
            if (ended && line[0] == ';') {
                record.Marker = ";";
                record.Line = line;
                continue;
            }
            result = record.Parse(line, extendedAddress) && result;
            extendedAddress = record.NextExtendedAddress();
            if (record.RecordType == IntelHexEndOfFileRecord) ended = true;
        }
    } catch (const Exception& e) {
        throw VESK_Exception("File read error: " + name + "\nError on line " + std::to_string(LineIndex + 1) +
                                 "\n" + e.Message(),
                             TFailureKind::BadImage);
    }
    return result;
}

} // namespace vesk
