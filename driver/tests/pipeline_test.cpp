// The pipelined exchange against the simulated programmer: the same bytes and results
// as stop-and-wait, a wrong echo that never lets a command letter out, firmware that
// cannot keep up, and the schedule through a modelled USB adapter.
#include "DriverFixture.h"

#include <chrono>
#include <vector>

namespace vesk::test {
namespace {

class PipelineTest : public DriverTest {};

TEST_F(PipelineTest, FullWriteVerifyAndReadPutTheSameBytesOnTheWireAsStopAndWait) {
    StartSim("CAL16");
    TChipDefinition& chip = Chip("CAL16");
    Dev.SetTarget(&chip);
    std::map<int32_t, int32_t> words;
    for (int32_t a = 0; a < 40; ++a)
        words[a] = (a * 0x1F + 0x155) & 0x3FFF;
    words[0x2007] = 0x31C4;
    const TIntelHexFile image = HexImage(words);
    std::string wire[2];
    std::vector<std::vector<int32_t>> readBack[2];
    for (bool pipelined : {false, true}) {
        Sim->EraseAll();
        Sim->SetWord(0x3FF, 0x3480);
        Connect();
        Dev.SetPipelined(pipelined);
        Dev.LoadBuffer(image);
        Dev.EraseChip();
        Dev.WriteRegions(AllRegions);
        Dev.VerifyRegions(AllRegions);
        Dev.ReadRegions(AllRegions);
        wire[pipelined] = Sent();
        for (const TChipRegion& region : chip.Regions)
            readBack[pipelined].push_back(region.Data);
        Dev.Close();
    }
    EXPECT_EQ(wire[0], wire[1]);
    EXPECT_EQ(readBack[0], readBack[1]);
    EXPECT_EQ(Sim->Word(0x3FF), 0x3480);
    EXPECT_EQ(Sim->Word(5), words[5]);
}

TEST_F(PipelineTest, AWrongEchoNeverLetsTheLetterOutAndGivesTheStopAndWaitMessage) {
    struct {
        int64_t At;
        const char* Echo;
        const char* SentStopAndWait;
    } rows[] = {{1, "#", "0"}, {3, "00#", "000"}, {4, "000#", "0000"}};
    for (const auto& row : rows) {
        for (bool pipelined : {false, true}) {
            SCOPED_TRACE(std::to_string(row.At) + (pipelined ? " pipelined" : " stop-and-wait"));
            StartSim("T16");
            Connect();
            Dev.SetPipelined(pipelined);
            Faults({.WrongEchoAt = row.At});
            EXPECT_EQ(ErrorOf([&] { Dev.Activate(); }),
                      std::string("VESK activation failed\nVBUS command '0000h' failed\nGot echo: '") +
                          row.Echo + "'");
            const std::string sent = pipelined ? "0000" : row.SentStopAndWait;
            EXPECT_TRUE(Sim->WaitReceived(sent.size(), AmpleTimeoutMs));
            EXPECT_EQ(Sent(), sent);
            Dev.Close();
        }
    }
}

TEST_F(PipelineTest, FirmwareWithATooSmallReceiveBufferShowsAsAnEchoTimeOut) {
    sim::TOptions slowFirmware;
    slowFirmware.RxBufferBytes = 2;
    slowFirmware.ByteHandlingUs = 50000;
    StartSim("T16", slowFirmware);
    Connect();
    Dev.Activate(); // one byte at a time always finds room
    EXPECT_EQ(Sent(), "0000h");
    ClearSent();
    Dev.SetPipelined(true);
    // Three echoes come back; the fourth byte found the buffer full and is never answered.
    EXPECT_EQ(ErrorOf([&] { Dev.Activate(); }),
              "VESK activation failed\nVBUS command '0000h' failed\nVBUS write failed\nVBUS Echo timeout");
    EXPECT_EQ(Sent(), "0000");
}

TEST_F(PipelineTest, ThroughTheModelledAdapterEveryAnswerWaitsForTheLatencyTimer) {
    sim::TOptions adapter;
    adapter.AdapterLatencyMs = 1;
    StartSim("T16", adapter);
    Connect();
    // At 115200 bit/s the four echoes of an argument fit in one latency period.
    Dev.SetBaudRate(4);
    Dev.SetTarget(&Chip("T16"));
    for (bool pipelined : {false, true}) {
        Sim->ClearReceived();
        Dev.SetPipelined(pipelined);
        Dev.Activate();
        const std::vector<sim::TAnswerTime> times = Sim->AnswerTimes();
        ASSERT_EQ(times.size(), 5u);
        // The first answer after a quiet line starts the latency timer and waits it out.
        EXPECT_GE(times[0].Delivered - times[0].Arrived, std::chrono::milliseconds(1));
        EXPECT_GE(times[4].Delivered - times[4].Arrived, std::chrono::milliseconds(1));
        // Stop-and-wait: each answer has a latency period of its own. Pipelined: the
        // argument's four echoes reach the host together, the letter's after them.
        for (size_t i = 1; i < 4; ++i)
            if (pipelined)
                EXPECT_EQ(times[i].Delivered, times[0].Delivered);
            else
                EXPECT_GE(times[i].Delivered - times[i - 1].Delivered, std::chrono::milliseconds(1));
        EXPECT_GT(times[4].Delivered, times[3].Delivered);
    }
    Chip("T16").ResetImage();
    Dev.LoadBuffer(HexImage({{0, 0x2805}, {1, 0x1683}}));
    Dev.WriteRegions(1);
    Dev.VerifyRegions(1);
    EXPECT_EQ(Sim->Word(1), 0x1683);
}

} // namespace
} // namespace vesk::test
