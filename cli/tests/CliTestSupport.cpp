#include "CliTestSupport.h"

#include "tests/support/ChipText.h"

namespace vesk::cli::test {

std::string TinyChipText() {
    return vesk::test::TChipText("TINY16", TinyChipId).Code(64).Data(16).Fuses().Preserve("0x2007=0x3000");
}

} // namespace vesk::cli::test
