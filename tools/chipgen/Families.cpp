#include "Families.h"

#include <algorithm>

namespace vesk::chipgen {

namespace {

struct Family_t {
    std::string_view Algorithm;
    bool Pic18;                          // the core the row covers
    std::vector<std::string_view> Parts; // empty: every part of the core no other row names
    std::string_view Description;
};

// The programmer's firmware numbers its programming algorithms; which parts each one
// serves is this program's assumption about that firmware. A firmware that groups the
// parts otherwise needs only this table changed and the chip files regenerated
// (scripts/generate-chips). Rows with parts come before the default row of their core.
const std::vector<Family_t>& Families() {
    static const std::vector<Family_t> families = {
        {"PIC16",
         false,
         {"PIC16F83", "PIC16F84", "PIC16F84A", "PIC16F627", "PIC16F628", "PIC16F627A", "PIC16F628A",
          "PIC16F648A", "PIC12F629", "PIC12F675", "PIC16F630", "PIC16F676", "PIC16F870", "PIC16F871",
          "PIC16F872", "PIC16F873", "PIC16F874", "PIC16F876", "PIC16F877"},
         "erase and program cycles timed by the chip, one word at a time"},
        {"PIC16A",
         false,
         {"PIC16F873A", "PIC16F874A", "PIC16F876A", "PIC16F877A"},
         "bulk erase and externally timed programming of whole rows"},
        {"PIC16B",
         false,
         {"PIC16F87", "PIC16F88", "PIC16F818", "PIC16F819"},
         "row erase and programming of four words at a time"},
        {"PIC16C",
         false,
         {},
         "the algorithm of the mid-range parts that PIC16, PIC16A and PIC16B do not serve"},
        {"PIC18", true, {}, "table write programming with addresses set by jumps"},
    };
    return families;
}

bool Names(const Family_t& family, std::string_view part) {
    return std::find(family.Parts.begin(), family.Parts.end(), part) != family.Parts.end();
}

} // namespace

std::string_view AlgorithmOf(const Device_t& device) {
    for (const Family_t& family : Families())
        if (family.Pic18 == device.Pic18 && (family.Parts.empty() || Names(family, device.Name)))
            return family.Algorithm;
    return {};
}

std::string_view AlgorithmDescription(std::string_view algorithm) {
    for (const Family_t& family : Families())
        if (family.Algorithm == algorithm) return family.Description;
    return {};
}

std::vector<std::string> FamilyPartsMissingFrom(const std::vector<Device_t>& devices) {
    std::vector<std::string> missing;
    for (const Family_t& family : Families())
        for (std::string_view part : family.Parts)
            if (std::none_of(devices.begin(), devices.end(),
                             [&](const Device_t& d) { return d.Name == part && d.Pic18 == family.Pic18; }))
                missing.emplace_back(part);
    return missing;
}

} // namespace vesk::chipgen
