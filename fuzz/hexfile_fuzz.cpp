// Intel HEX reader: arbitrary bytes as an image file. Any `vesk::Exception` is a
// proper refusal; anything else (a crash, a sanitizer report, another exception, a
// cursor that leaves its records) is a finding.
#include "FuzzSupport.h"

#include "chipdef/ChipSession.h"
#include "common/VESK_Exception.h"
#include "hexfile/IntelHexFile.h"
#include "tests/support/ChipText.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

// A chip with the usual four regions, to pour every loaded image into.
const std::string DemoChip = vesk::test::TChipText("DEMO16", 0x0F00).Code(64).Data(16).Fuses().Id();

void WalkWords(const vesk::TIntelHexFile& file) {
    std::size_t dataBytes = 0;
    for (const auto& record : file.Records)
        if (record.RecordType == vesk::IntelHexDataRecord) dataBytes += record.Data.size();
    std::size_t words = 0;
    vesk::TIntelHexFileIterator it(file);
    while (it.IsValid()) {
        const int32_t value = it.Value();
        const int64_t address = it.WordAddress();
        VESK_FUZZ_CHECK(value >= 0 && value <= 0xFFFF);
        VESK_FUZZ_CHECK(address >= 0 && address <= 0x8000007FLL);
        ++words;
        VESK_FUZZ_CHECK(words <= dataBytes);
        it.Next();
    }
    VESK_FUZZ_CHECK(it.Value() == -1 && it.WordAddress() == -1 && !it.Next());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    static vesk::test::TTempFolder folder;
    static vesk::TChipDefinition chip;
    static const bool chipLoaded = chip.LoadFromText(DemoChip);
    VESK_FUZZ_CHECK(chipLoaded);
    static vesk::TChipSession session(chip);

    const std::string text(reinterpret_cast<const char*>(data), size);
    vesk::TIntelHexFile file;
    bool loaded = false;
    try {
        loaded = file.LoadFromText(text, "fuzz.hex");
    } catch (const vesk::Exception& e) {
        VESK_FUZZ_CHECK(e.Message().rfind("File read error: fuzz.hex\nError on line ", 0) == 0);
    }
    if (loaded) {
        VESK_FUZZ_CHECK(file.Records.size() == file.Lines.size());
        for (const auto& record : file.Records)
            VESK_FUZZ_CHECK(record.Data.size() == record.ByteCount);
        WalkWords(file);
        try {
            session.LoadImage(file);
        } catch (const vesk::Exception&) {
            // a word outside every region: refused with a message
        }
        for (const auto& region : chip.Regions)
            VESK_FUZZ_CHECK(session.Words(region).size() == static_cast<std::size_t>(region.Size));
    }

    // Every few inputs, the same bytes through a real file: the reader of files from
    // disk must agree with the reader of text in memory.
    if (size % 8 == 0) {
        const std::string path = folder.Path() + "image.hex";
        vesk::fuzz::WriteFileBytes(path, data, size);
        vesk::TIntelHexFile fromDisk;
        bool diskLoaded = false;
        try {
            diskLoaded = fromDisk.Load(path);
        } catch (const vesk::Exception&) {
        }
        VESK_FUZZ_CHECK(diskLoaded == loaded);
        if (loaded) VESK_FUZZ_CHECK(fromDisk.Lines == file.Lines);
    }
    return 0;
}
