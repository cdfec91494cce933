// A chip's configuration words read as named settings (the chip's `Fields`), and
// settings chosen by name written into them: the one place that reads and writes
// configuration words in a buffer, for the window's Buffer page and for `vesk`. The
// warnings a write of them deserves are in ConfigWarnings.h.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "VESK_Exception.h"
#include "chipdef/ChipDefinition.h"

namespace vesk {

class TChipSession;

// NAME=OPTION: a field and the option to give it, as the user wrote them.
struct ConfigSetting_t {
    std::string Field;
    std::string Option;
};

// The settings of "NAME=OPTION[,NAME=OPTION...]" (`vesk write --config`), blanks
// around names dropped. An item without its "=", a name or an option throws
// VESK_Exception "Bad configuration setting (NAME=OPTION expected): <item>".
std::vector<ConfigSetting_t> ParseConfigSettings(std::string_view text);

// An unknown field or option: the message names the chip or field and lists the
// valid names, "PIC16F877A has no configuration field FOO\nFields: FOSC, WDTE, ..."
// or "FOSC of PIC16F877A has no option RCX\nOptions: EXTRC, HS, XT, LP".
class EConfigSetting : public VESK_Exception {
  public:
    using VESK_Exception::VESK_Exception;
};

// The field and option a setting names, letter case ignored.
struct ConfigChoice_t {
    const ConfigField_t* Field = nullptr;
    const ConfigOption_t* Option = nullptr;
};
// Throws EConfigSetting when the chip has no such field or the field no such option.
ConfigChoice_t ResolveConfigSetting(const TChipDefinition& chip, const ConfigSetting_t& setting);

// Settings chosen one after another, in the order first chosen; choosing a field again
// (letter case ignored) replaces its option. The window keeps the ones changed on the
// Buffer page so, to apply them after every load of the image.
class TConfigSettings {
  public:
    void Set(const ConfigSetting_t& setting);
    void Set(const std::vector<ConfigSetting_t>& settings);
    // The setting of that field, or nullptr.
    const ConfigSetting_t* Find(std::string_view field) const;
    const std::vector<ConfigSetting_t>& Items() const { return FItems; }
    bool Empty() const { return FItems.empty(); }
    void Clear() { FItems.clear(); }

  private:
    std::vector<ConfigSetting_t> FItems;
};

// One field as a word sets it.
struct ConfigFieldValue_t {
    const ConfigField_t* Field = nullptr;
    int32_t Value = 0;                      // the word's bits under the field's mask
    const ConfigOption_t* Option = nullptr; // the option of that value; nullptr: none has it
};

// One configuration word as the chip will hold it after a write of the whole chip.
struct ConfigWord_t {
    int32_t Address = 0;
    int32_t Word = 0;   // the buffer's word when given, else the erased value
    bool Given = false; // the image (or a setting) gives it
    int32_t Erased = 0;
    int32_t Unimplemented = 0; // bits of the word's width the chip does not have
    std::vector<ConfigFieldValue_t> Fields;
};

// The text of a field's value: its option's name, or its bits as "0x" and four
// upper-case hexadecimal digits when no option has them.
std::string ConfigValueText(const ConfigFieldValue_t& value);

// A session's buffer seen as its configuration words: the words of the Fuses region that
// have an erased value of their own (`Erased`) or a field; in a file that gives
// neither, every word of the region. Other Fuses words (a calibration word) are no
// configuration word. The buffer stays the session's; this only reads and writes it.
class TConfigBuffer {
  public:
    // The words given are those that differ from the region's default: what the
    // driver writes (a word equal to the default is skipped, and after the erase the
    // chip keeps its erased value there).
    explicit TConfigBuffer(TChipSession& session);
    // The words given are those the image has a byte of; the buffer holds the image.
    TConfigBuffer(TChipSession& session, const TIntelHexFile& image);

    const TChipDefinition& Chip() const { return FChip; }
    const std::vector<int32_t>& Addresses() const { return FAddresses; }
    std::vector<ConfigWord_t> Words() const;
    // The word a write of the whole chip leaves: the buffer's when given, else the
    // erased value.
    int32_t WordAt(int32_t address) const;
    bool Given(int32_t address) const { return FGiven.count(address) != 0; }

    // Puts each setting's option into its word; a word not given starts from its
    // erased value (what the chip would hold), and is given from then on. Every
    // setting is resolved before the first is applied, so that an unknown name
    // (EConfigSetting) changes nothing.
    void Apply(const std::vector<ConfigSetting_t>& settings);
    // The words a setting has changed, in address order.
    const std::set<int32_t>& Changed() const { return FChanged; }

  private:
    TChipSession& FSession;
    const TChipDefinition& FChip;
    std::vector<int32_t> FAddresses;
    std::set<int32_t> FGiven;
    std::set<int32_t> FChanged;
};

} // namespace vesk
