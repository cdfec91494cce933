#include "IntelHexFile.h"

namespace vesk {

TIntelHexFileIterator::TIntelHexFileIterator(const TIntelHexFile& file) : FFile(file) {
    // Start two bytes before record 0 and step onto the first data word.
    if (!FFile.Records.empty()) Advance();
}

bool TIntelHexFileIterator::IsValid() const {
    return FRecordIndex >= 0 && FRecordIndex < static_cast<int32_t>(FFile.Records.size()) &&
           FByteOffset >= 0 && FByteOffset < static_cast<int32_t>(FFile.Records[FRecordIndex].Data.size());
}

int32_t TIntelHexFileIterator::Value() const {
    if (!IsValid()) return -1;
    const auto& data = FFile.Records[FRecordIndex].Data;
    const std::size_t offset = static_cast<std::size_t>(FByteOffset);
    // A lone last byte (odd data records are refused by the reader) gets high byte 0.
    const int32_t high = offset + 1 < data.size() ? data[offset + 1] : 0;
    return data[offset] + 256 * high;
}

int64_t TIntelHexFileIterator::WordAddress() const {
    if (!IsValid()) return -1;
    const auto& record = FFile.Records[FRecordIndex];
    const uint32_t byteAddress = uint32_t(record.ExtendedAddress) << 16 | record.Address;
    return int64_t(byteAddress / 2) + FWordIndex;
}

bool TIntelHexFileIterator::Next() {
    if (!IsValid()) return false;
    return Advance();
}

bool TIntelHexFileIterator::Advance() {
    const int32_t count = static_cast<int32_t>(FFile.Records.size());
    do {
        FByteOffset += 2;
        FWordIndex += 1;
        if (FByteOffset >= static_cast<int32_t>(FFile.Records[FRecordIndex].Data.size())) {
            FRecordIndex += 1;
            FByteOffset = 0;
            FWordIndex = 0;
        }
        if (FRecordIndex >= count) return false;
    } while (FFile.Records[FRecordIndex].RecordType != IntelHexDataRecord ||
             FFile.Records[FRecordIndex].Data.empty());
    return true;
}

} // namespace vesk
