// The comments at the top of a chip definition file: what the part has, where each
// region lies, and why each key holds what it holds.
#include <string>
#include <vector>

#include "ChipFile.h"
#include "Families.h"

namespace vesk::chipgen {

namespace {

constexpr std::size_t CommentWidth = 90;

// The paragraph as comment lines, wrapped at word boundaries.
std::string Paragraph(const std::string& text) {
    std::string out, line;
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t end = std::min(text.find(' ', i), text.size());
        const std::string word = text.substr(i, end - i);
        if (!line.empty() && 2 + line.size() + 1 + word.size() > CommentWidth) {
            out += "; " + line + "\n";
            line.clear();
        }
        line += (line.empty() ? "" : " ") + word;
        i = end + 1;
    }
    return line.empty() ? out : out + "; " + line + "\n";
}

std::string Plural(uint32_t count, const std::string& one, const std::string& many) {
    return count == 1 ? "one " + one : std::to_string(count) + " " + many;
}

std::string Summary(const Device_t& d) {
    const std::string eeprom =
        d.EepromBytes == 0 ? "no data EEPROM" : std::to_string(d.EepromBytes) + " bytes of data EEPROM";
    if (!d.Pic18)
        return d.Name + ": " + std::to_string(d.CodeWords) + " words of flash program memory, " + eeprom +
               ", " +
               Plural(static_cast<uint32_t>(d.Config.size()), "configuration word", "configuration words") +
               ".";
    const uint32_t bytes = d.CodeWords * 2;
    const std::string size =
        bytes % 1024 == 0 ? std::to_string(bytes / 1024) + " KB" : std::to_string(bytes) + " bytes";
    return d.Name + ": " + size + " of flash program memory (" + std::to_string(d.CodeWords) +
           " instruction words), " + eeprom + ", " + std::to_string(d.Config.size() * 2) +
           " configuration bytes.";
}

// "0x2100-0x217F", or the one address of a range of one word.
std::string Range(const Device_t& d, uint32_t start, uint32_t size) {
    const int digits = LayoutOf(d).AddressDigits;
    if (size == 1) return Hex(start, digits);
    return Hex(start, digits) + "-" + Hex(start + size - 1, digits);
}

std::string MidRangeMap(const Device_t& d) {
    const CoreLayout_t& l = LayoutOf(d);
    std::string fuses = "(configuration)";
    if (FusesSize(d) > d.Config.size())
        fuses = "(configuration; " + Hex(l.FusesStart + static_cast<uint32_t>(d.Config.size()), 4) +
                " factory calibration)";
    return Paragraph(
               "Word addresses are those of the image files (byte address / 2). " +
               std::string(d.EepromBytes == 0
                               ? "The part has no data EEPROM: its Data region is empty, as the region "
                                 "operations need one."
                               : "One data EEPROM byte sits in the low half of each word of the Data region "
                                 "(image bytes at 0x4200...).")) +
           ";   Code  " + Range(d, 0, d.CodeWords) + "\n;   Id    " + Range(d, l.IdStart, d.IdWords) +
           " (ID locations)\n;   Fuses " + Range(d, l.FusesStart, FusesSize(d)) + " " + fuses +
           "\n;   Data  " +
           (d.EepromBytes == 0 ? Hex(l.DataStart, 4) + " (empty)"
                               : Range(d, l.DataStart, d.EepromBytes) + " (data EEPROM)") +
           "\n";
}

// One line of the PIC18 map: word range, then the image's byte range.
std::string Pic18MapLine(const Device_t& d, const std::string& name, uint32_t start, uint32_t words,
                         const std::string& what) {
    std::string line = ";   " + name + std::string(6 - name.size(), ' ') + Range(d, start, words);
    line.resize(std::max<std::size_t>(line.size(), 30), ' ');
    return line + "bytes " + Hex(start * 2, 6) + "-" + Hex((start + words) * 2 - 1, 6) + " (" + what + ")\n";
}

std::string Pic18Map(const Device_t& d) {
    const CoreLayout_t& l = LayoutOf(d);
    const uint32_t configBytes = static_cast<uint32_t>(d.Config.size()) * 2;
    std::string text =
        Paragraph("Word addresses are those of the image files: byte address / 2. Every word holds "
                  "two bytes, the even byte address in the low half:") +
        Pic18MapLine(d, "Code", 0, d.CodeWords, "program memory") +
        Pic18MapLine(d, "Id", l.IdStart, d.IdWords, "ID locations") +
        Pic18MapLine(d, "Fuses", l.FusesStart, FusesSize(d),
                     "CONFIG1L to CONFIG" + std::to_string(configBytes / 2) + "H");
    if (d.EepromBytes == 0)
        text += ";   Data  " + Hex(l.DataStart, 6) +
                " (empty: the part has no data EEPROM; the region operations "
                "need one)\n";
    else
        text += Pic18MapLine(d, "Data", l.DataStart, d.EepromBytes / 2, "data EEPROM, two bytes a word");
    return text +
           Paragraph("Erased flash and EEPROM read 0xFFFF a word. The configuration bytes have differing "
                     "erased values, which Erased lists; the region's Default is 0xFFFF, so every "
                     "configuration word of an image that is not all ones is written.");
}

// "13:5" for the bits of a mask that are set (the masks of the table are one run).
std::string BitRange(uint32_t mask) {
    int high = 31, low = 0;
    while (high > 0 && !(mask >> high & 1))
        --high;
    while (low < 31 && !(mask >> low & 1))
        ++low;
    return std::to_string(high) + ":" + std::to_string(low);
}

std::string IdText(const Device_t& d) {
    if (!d.Id)
        return Paragraph(
            "The part has no device ID (Id=none): it is never identified from the target; choose it "
            "by name.");
    const std::string where =
        d.Pic18 ? "the device ID as the target reports it (DEVID2 high byte, DEVID1 low byte)"
                : "the device ID word at 0x2006";
    const uint32_t all = d.Pic18 ? 0xFFFF : 0x3FFF;
    const uint32_t revision = all & ~*d.IdMask;
    std::string text = "Id is " + where + " of " + d.Name +
                       " revision 0. IdMask keeps the bits that name the chip (" + BitRange(*d.IdMask) + ")";
    text += revision == 0
                ? "; the word has no revision bits, so only this exact word matches."
                : "; bits " + BitRange(revision) + " are the silicon revision, so every revision matches.";
    return Paragraph(text);
}

std::string CalibrationText(const Device_t& d) {
    std::vector<std::string> parts;
    for (const Calibration_t& c : d.Calibration) {
        if (c.Kind == TCalibration::Osccal)
            parts.push_back(
                "the last code word " + Hex(c.Address, 4) +
                " holds the factory oscillator calibration (a RETLW, 0x34nn) and is kept completely");
        else if (c.Kind == TCalibration::BandGap)
            parts.push_back("bits " + BitRange(c.Mask) + " of the configuration word " + Hex(c.Address, 4) +
                            " (band gap calibration) are kept from the target");
        else
            parts.push_back(
                "the word " + Hex(c.Address, 4) +
                " holds factory calibration bits and is kept completely; the Fuses region reaches it "
                "so that it can be read and shown");
    }
    if (parts.empty()) return {};
    std::string text = "Calibration: ";
    for (std::size_t i = 0; i < parts.size(); ++i)
        text += (i == 0 ? "" : "; ") + parts[i];
    return Paragraph(text + ". Calibration names the preserved words that hold it.");
}

// "A", "A and B", "A, B and C".
std::string Listed(const std::vector<std::string>& names) {
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i)
        text += (i == 0 ? "" : i + 1 == names.size() ? " and " : ", ") + names[i];
    return text;
}

// The PIC18 configuration bytes the part lacks, by their register names.
std::string MissingConfigBytes(const Device_t& d) {
    std::vector<std::string> names;
    for (std::size_t i = 0; i < d.Config.size(); ++i) {
        const std::string name = "CONFIG" + std::to_string(i + 1);
        if ((d.Config[i].Implemented & 0x00FF) == 0) names.push_back(name + "L");
        if ((d.Config[i].Implemented & 0xFF00) == 0) names.push_back(name + "H");
    }
    if (names.empty()) return {};
    return " (" + Listed(names) + (names.size() == 1 ? " does" : " do") + " not exist)";
}

// "CP protects Code": the fields whose bits a protection uses.
std::string Protector(const Device_t& d, const std::optional<Protection_t>& protection,
                      const std::string& region) {
    if (!protection) return {};
    std::vector<std::string> names;
    for (const ConfigWord_t& word : d.Config)
        for (const Field_t& field : word.Fields)
            if (word.Address == protection->Address && (field.Mask & protection->Mask) != 0)
                names.push_back(field.Name);
    if (names.empty())
        return "bits of " + Hex(protection->Address, LayoutOf(d).AddressDigits) + " protect " + region;
    return Listed(names) + (names.size() == 1 ? " protects " : " protect ") + region;
}

std::string SiliconText(const Device_t& d) {
    std::string text =
        d.Pic18
            ? "What the silicon has: 16-bit words everywhere; the configuration bytes have only the bits of "
              "Implemented" +
                  MissingConfigBytes(d) + ", and the missing bits read 0."
            : std::string("What the silicon has: Code and Id words of 14 bits, Data bytes of 8; the "
                          "configuration ") +
                  (d.Config.size() == 1 ? "word has" : "words have") +
                  " only the bits of Implemented, and the missing bits read 1.";
    std::vector<std::string> protectors;
    for (const std::string& p : {Protector(d, d.CodeProtect, "Code"), Protector(d, d.DataProtect, "Data")})
        if (!p.empty()) protectors.push_back(p);
    if (!protectors.empty())
        text += " " + Listed(protectors) + " (Protect): programmed to 0, the memory reads back 0.";
    return Paragraph(text);
}

std::string FieldsText(const Device_t& d) {
    std::size_t fields = 0;
    for (const ConfigWord_t& word : d.Config)
        fields += word.Fields.size();
    return Paragraph(
        "Erased gives each configuration word's erased value. Field1 to Field" + std::to_string(fields) +
        " name the settings of the configuration words as the compilers' configuration directives "
        "do: the bits of Mask in the word at Address, and each option's value of those bits.");
}

} // namespace

std::string ChipFileComments(const Device_t& d) {
    const std::string algorithm(AlgorithmOf(d));
    return Paragraph(Summary(d)) +
           Paragraph("Made by scripts/generate-chips from chips/data/devices.json: change the table or the "
                     "generator (tools/chipgen) and regenerate; edits to this file are lost.") +
           (d.Pic18 ? Pic18Map(d) : MidRangeMap(d)) + IdText(d) +
           Paragraph("Algorithm: " + algorithm + ", " + std::string(AlgorithmDescription(algorithm)) + ".") +
           CalibrationText(d) + SiliconText(d) + FieldsText(d);
}

} // namespace vesk::chipgen
