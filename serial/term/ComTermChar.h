#pragma once
// One character cell of the terminal screen.

#include "TermTypes.h"

namespace vesk {

struct TComTermChar {
    unsigned char Ch = 0; // 0: empty cell, not drawn
    TColor FrontColor = clWhite;
    TColor BackColor = clBlack;
    bool Underline = false;

    bool operator==(const TComTermChar&) const = default;
};

} // namespace vesk
