#include "IntelHexFile.h"

#include "VESK_Exception.h"
#include "common/Text.h"

namespace vesk {

// Takes the two characters at Column (Column advances by 2 even past the end of the
// line) and converts them as "0x" + characters: a lone character is the value.
uint8_t TIntelHexFileRecord::ReadByte() {
    std::string digits;
    for (int k = 0; k < 2; ++k) {
        const std::size_t index = static_cast<std::size_t>(Column - 1 + k);
        if (index < Line.size()) digits += Line[index];
    }
    Column += 2;
    int value = 0;
    bool ok = !digits.empty();
    for (char c : digits) {
        const int digit = HexDigitValue(c);
        if (digit < 0) ok = false;
        value = value * 16 + (digit < 0 ? 0 : digit);
    }
    if (!ok) throw Exception("'0x" + digits + "' is not a valid integer value");
    return static_cast<uint8_t>(value);
}

bool TIntelHexFileRecord::Parse(const std::string& line, uint16_t extendedAddress) {
    Column = 1;
    Line.clear();
    ByteCount = 0;
    Address = 0;
    RecordType = 0;
    Data.clear();
    Checksum = 0;
    Line = line;
    try {
        Marker = Line.substr(0, 1);
        Column = 2;
        if (Marker != ":") throw Exception("Record marker ':' missing");
        ByteCount = ReadByte();
        Data.assign(ByteCount, 0);
        ExtendedAddress = extendedAddress;
        const uint8_t high = ReadByte();
        const uint8_t low = ReadByte();
        Address = static_cast<uint16_t>(high << 8 | low);
        RecordType = ReadByte();
        for (auto& byte : Data)
            byte = ReadByte();
        Checksum = ReadByte();
        return Validate();
    } catch (const Exception& e) {
        throw VESK_Exception("Record read error on column " + std::to_string(Column) + "\n" + e.Message(),
                             TFailureKind::BadImage);
    }
}

uint16_t TIntelHexFileRecord::NextExtendedAddress() const {
    if (RecordType == IntelHexExtendedLinearAddressRecord && Data.size() >= 2)
        return static_cast<uint16_t>(Data[0] << 8 | Data[1]);
    return ExtendedAddress;
}

uint8_t TIntelHexFileRecord::ComputeChecksum() const {
    unsigned sum = ByteCount + (Address >> 8) + (Address & 0xFFu) + RecordType;
    for (uint8_t byte : Data)
        sum += byte;
    return static_cast<uint8_t>(0x100u - (sum & 0xFFu));
}

bool TIntelHexFileRecord::Validate() const {
    if (Marker != ":") throw Exception("Record marker ':' missing");
    if (Data.size() != ByteCount)
        throw Exception("Record data size mismatch. Expected " + std::to_string(ByteCount) + ", got " +
                        std::to_string(Data.size()));
    const uint8_t computed = ComputeChecksum();
    if (computed != Checksum)
        throw Exception("Record data checksum mismatch. Expected 0x" + Hex(computed, 2) + ", got 0x" +
                        Hex(Checksum, 2));
    return true;
}

} // namespace vesk
