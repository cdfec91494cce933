// Reading the named configuration fields of a chip definition file.
#pragma once

#include "ChipDefinition.h"
#include "DefinitionIni.h"

namespace vesk {

// Sections [Field1], [Field2], ... up to the first missing or empty one, each checked
// against the chip's Fuses region, so read after the regions. Throws VESK_Exception
// "Error reading section: FieldN\n<cause>".
void ReadConfigFields(const TDefinitionIni& ini, TChipDefinition& chip);

} // namespace vesk
