// One block of grid rows in the buffer view: the words of one memory region.
#pragma once

#include <cstdint>

namespace vesk {

// A run of consecutive word addresses shown as a block of rows.
struct Segment_t {
    int32_t Start = 0;    // first word address
    int32_t Size = 0;     // number of words
    int32_t Fill = 0;     // word shown before real data arrive: the region's default
    int32_t FirstRow = 0; // grid row of the segment's first word
};

} // namespace vesk
