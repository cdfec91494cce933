#include <gtest/gtest.h>

#include "chipdef/ChipDefinitions.h"

TEST(ChipModel, Placeholder) { SUCCEED(); }
