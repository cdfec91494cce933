// `vesk config`, and the configuration settings and warnings of `vesk write` and
// `vesk verify`.
#pragma once

#include "cli/Options.h"

#include "chipdef/ConfigWords.h"

#include <iosfwd>
#include <vector>

namespace vesk::cli {

// The settings of every --config (or --set), in order. A bad item throws ECommand
// with status 2.
std::vector<ConfigSetting_t> ConfigSettingsOf(const TOptions& o);

// Status 2 (ECommand "vesk: <chip> has no configuration field ...", listing the valid
// names) unless every setting names a field of the chip and one of its options.
void CheckConfigSettings(const TChipDefinition& chip, const std::vector<ConfigSetting_t>& settings);

// After the image is in the session's buffer, before anything is erased: the settings go
// into the configuration words and, with `warn`, the warnings of a write of `regions`
// are printed on `err`, one "vesk: warning: ..." line each.
void ApplyConfigSettings(TChipSession& session, const TIntelHexFile& image,
                         const std::vector<ConfigSetting_t>& settings, int16_t regions, bool warn,
                         std::ostream& err);

// `vesk config FILE --chip NAME [--set ...] [--json] [--output NEW]` with the chip
// already chosen: the image into a buffer of its own, the settings in, the warnings on
// `err`; then the new image written to NEW, or the words listed on `out`.
int ConfigCommand(const TChipDefinition& chip, const TOptions& o, std::ostream& out, std::ostream& err);

// Every configuration word, "0x002007 = 0x3F72" (marked when the image leaves it out),
// then one line per field "  FOSC  = HS" (a value that is no option as its bits) and
// the bits the chip does not have.
void PrintConfigWords(const std::vector<ConfigWord_t>& words, std::ostream& out);
// The same as a JSON list, one object per word and line:
// {"address": "0x002007", "word": "0x3F72", "given": true, "fields": [{"name": "FOSC",
// "mask": "0x0003", "value": "0x0002", "option": "HS"}, ...]}; "option" is null when no
// option has the value.
void PrintConfigJson(const std::vector<ConfigWord_t>& words, std::ostream& out);

} // namespace vesk::cli
