#include <gtest/gtest.h>

#include "hexfile/IntelHexFile.h"

TEST(IntelHexFile, Placeholder) { SUCCEED(); }
