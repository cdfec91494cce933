// A short soak on one worker: the faults take effect, every rule holds, and the
// driver's port ends closed.
#include "SoakWorker.h"

#include "chipdef/ChipDefinitions.h"

#include <gtest/gtest.h>

namespace vesk::soak {
namespace {

TEST(SoakWorker, ShortRunKeepsEveryRule) {
    LoadSoakChips(1);
    TSoakConfig config;
    config.Seed = 12345;
    config.Workers = 1;
    std::vector<std::string> printed;
    TSoakWorker::Print = [&](const std::string& text) { printed.push_back(text); };
    {
        TSoakWorker worker(0, config);
        EXPECT_TRUE(worker.RunMemoryCheck());
        for (int i = 0; i < 60; ++i)
            EXPECT_TRUE(worker.RunFaulted()) << (printed.empty() ? "" : printed.back());
        EXPECT_TRUE(worker.RunMemoryCheck());
        EXPECT_FALSE(worker.Port().Connected());
        EXPECT_EQ(worker.Stats.Failed, 0);
        EXPECT_EQ(worker.Stats.FaultedOps, 60);
        EXPECT_EQ(worker.Stats.MemoryChecks, 2);
        // Most faults end the operation with an error.
        int64_t failed = 0;
        for (const auto& [kind, count] : worker.Stats.Faults)
            if (kind != TFaultKind::None) failed += count.Failed;
        EXPECT_GT(failed, 20);
        EXPECT_EQ(worker.Stats.Faults[TFaultKind::None].Failed, 0);
    }
    EXPECT_TRUE(printed.empty());
    TSoakWorker::Print = nullptr;
    ChipDefinitions.clear();
}

} // namespace
} // namespace vesk::soak
