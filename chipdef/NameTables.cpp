#include "ChipDefinition.h"

namespace vesk {

namespace {

template <class Table> int32_t CodeOf(const Table& table, std::string_view name) {
    for (const auto& entry : table)
        if (entry.Name == name) return entry.Code;
    return -1;
}

template <class Table> std::string_view NameOf(const Table& table, int32_t code) {
    for (const auto& entry : table)
        if (entry.Code == code) return entry.Name;
    return {};
}

} // namespace

RegionCode RegionCodeOf(std::string_view name) {
    return static_cast<RegionCode>(CodeOf(RegionNameTable, name));
}

AlgorithmCode AlgorithmCodeOf(std::string_view name) {
    return CodeOf(AlgorithmNameTable, name);
}

std::string_view RegionNameOf(RegionCode code) {
    return NameOf(RegionNameTable, code);
}

std::string_view AlgorithmNameOf(AlgorithmCode code) {
    return NameOf(AlgorithmNameTable, code);
}

} // namespace vesk
