#include "IntelHexFile.h"

namespace vesk {

TIntelHexFileIterator::TIntelHexFileIterator(const TIntelHexFile& file) : FFile(file) {
    Settle();
}

bool TIntelHexFileIterator::IsValid() const {
    return FRecordIndex >= 0 && FRecordIndex < static_cast<int32_t>(FFile.Records.size()) &&
           FByteOffset >= 0 && FByteOffset < static_cast<int32_t>(FFile.Records[FRecordIndex].Data.size());
}

int64_t TIntelHexFileIterator::ByteAddress() const {
    const auto& record = FFile.Records[FRecordIndex];
    return (int64_t(record.ExtendedAddress) << 16 | record.Address) + FByteOffset;
}

int32_t TIntelHexFileIterator::WordBytes() const {
    // A byte at an odd address is a high half and ends its word; nothing is read
    // beyond the record's data.
    const auto& data = FFile.Records[FRecordIndex].Data;
    if (ByteAddress() % 2 != 0 || static_cast<std::size_t>(FByteOffset) + 1 >= data.size()) return 1;
    return 2;
}

int32_t TIntelHexFileIterator::Value() const {
    if (!IsValid()) return -1;
    const auto& data = FFile.Records[FRecordIndex].Data;
    const std::size_t offset = static_cast<std::size_t>(FByteOffset);
    if (ByteAddress() % 2 != 0) return data[offset] << 8;
    return WordBytes() == 2 ? data[offset] | data[offset + 1] << 8 : data[offset];
}

int32_t TIntelHexFileIterator::ByteMask() const {
    if (!IsValid()) return 0;
    if (ByteAddress() % 2 != 0) return 0xFF00;
    return WordBytes() == 2 ? 0xFFFF : 0x00FF;
}

int64_t TIntelHexFileIterator::WordAddress() const {
    if (!IsValid()) return -1;
    return ByteAddress() / 2;
}

bool TIntelHexFileIterator::Next() {
    if (!IsValid()) return false;
    FByteOffset += WordBytes();
    return Settle();
}

bool TIntelHexFileIterator::Settle() {
    const int32_t count = static_cast<int32_t>(FFile.Records.size());
    while (FRecordIndex < count) {
        const auto& record = FFile.Records[FRecordIndex];
        if (record.RecordType == IntelHexDataRecord && FByteOffset < static_cast<int32_t>(record.Data.size()))
            return true;
        FRecordIndex += 1;
        FByteOffset = 0;
    }
    return false;
}

std::map<uint64_t, uint8_t> ImageBytes(const TIntelHexFile& file) {
    std::map<uint64_t, uint8_t> bytes;
    for (TIntelHexFileIterator it(file); it.IsValid(); it.Next()) {
        const uint64_t address = uint64_t(it.WordAddress()) * 2;
        if ((it.ByteMask() & 0x00FF) != 0) bytes[address] = uint8_t(it.Value());
        if ((it.ByteMask() & 0xFF00) != 0) bytes[address + 1] = uint8_t(it.Value() >> 8);
    }
    return bytes;
}

} // namespace vesk
