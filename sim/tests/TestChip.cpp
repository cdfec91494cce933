#include "TestChip.h"

namespace vesk::sim::test {

std::string Demo16Text() {
    return "[Chip]\nName=DEMO16\nId=0x0F00\nAlgorithm=PIC16\n"
           "[Region1]\nName=Code\nBase=0\nStart=0\nSize=1024\nDefault=0x3FFF\nPreserve=0x3FF=0x3FFF\n"
           "[Region2]\nName=Data\nBase=0x2100\nStart=0x2100\nSize=64\nDefault=0xFF\n"
           "[Region3]\nName=Fuses\nBase=0x2007\nStart=0x2007\nSize=1\nDefault=0x3FFF\nAlgorithm=PIC16A\n"
           "[Region4]\nName=Id\nBase=0x2000\nStart=0x2000\nSize=4\nDefault=0x3FFF\n";
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
