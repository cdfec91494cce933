#include "HexText.h"

#include <algorithm>
#include <cstdio>

namespace vesk::test {

std::string HexRecord(int type, int address, const std::vector<int>& bytes) {
    std::vector<int> all{int(bytes.size()), (address >> 8) & 0xFF, address & 0xFF, type};
    all.insert(all.end(), bytes.begin(), bytes.end());
    int sum = 0;
    std::string line = ":";
    char hex[3];
    for (int b : all) {
        sum += b;
        std::snprintf(hex, sizeof hex, "%02X", b & 0xFF);
        line += hex;
    }
    std::snprintf(hex, sizeof hex, "%02X", (-sum) & 0xFF);
    return line + hex + "\n";
}

std::string HexEndRecord() {
    return ":00000001FF\n";
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
    std::string text;
    for (const auto& [address, word] : words)
        text += HexWords(address, {word});
    return text + HexEndRecord();
}

} // namespace vesk::test
