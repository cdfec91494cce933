#include "TestChip.h"

#include "tests/support/ChipText.h"

namespace vesk::sim::test {

std::string Demo16Text() {
    return vesk::test::TChipText("DEMO16", 0x0F00)
        .Code(1024)
        .Preserve("0x3FF=0x3FFF")
        .Data(64)
        .Fuses()
        .Algorithm("PIC16A")
        .Id();
}

const TChipDefinition& Demo16() {
    static const TChipDefinition chip = [] {
        TChipDefinition c;
        c.LoadFromText(Demo16Text());
        return c;
    }();
    return chip;
}

} // namespace vesk::sim::test
