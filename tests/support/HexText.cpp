#include "HexText.h"

#include "hexfile/IntelHexWriter.h"

#include <algorithm>

namespace vesk::test {

std::string HexRecord(int type, int address, const std::vector<int>& bytes) {
    return IntelHexRecord(uint8_t(type), uint16_t(address), std::vector<uint8_t>(bytes.begin(), bytes.end()));
}

std::string HexEndRecord() {
    return IntelHexRecord(HexRecordEndOfFile, 0, {});
}

std::string HexWords(int32_t first, const std::vector<int32_t>& words, int perRecord) {
    std::string text;
    for (size_t i = 0; i < words.size(); i += size_t(perRecord)) {
        std::vector<int> bytes;
        for (size_t k = i; k < std::min(words.size(), i + size_t(perRecord)); ++k) {
            bytes.push_back(words[k] & 0xFF);
            bytes.push_back((words[k] >> 8) & 0xFF);
        }
        text += HexRecord(0, int((first + int32_t(i)) * 2) & 0xFFFF, bytes);
    }
    return text;
}

std::string HexText(const std::map<int32_t, int32_t>& words) {
    return IntelHexWordPerRecord(words);
}

} // namespace vesk::test
