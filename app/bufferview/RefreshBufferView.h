// Fills the buffer view's grid from the image buffer of a session.
#pragma once

#include "bufferview/HexGrid.h"
#include "chipdef/ChipSession.h"

namespace vesk {

// Rebuilds `grid` from scratch for `target`'s chip: Clear, then one segment per region in the
// order Code, Fuses, Data, each first showing the region's default in every word and then
// the buffer's words. Returns false and leaves the grid empty when there is no target
// (the page then asks the user to select a target chip type).
// A chip without a Code, Data or Fuses region raises RegionByCode's VESK_Exception
// "Chip <name> has no region with code 0x<code>"; the grid is then left empty.
bool RefreshBufferView(THexGrid& grid, const TChipSession* target);

} // namespace vesk
