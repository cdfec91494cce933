// The calling orders of the operations, each against the simulated programmer, with
// the exact bytes on the wire.
#include "DriverFixture.h"

#include "ops/Operations.h"

namespace vesk::test {
namespace {

const std::string Sync = "\xFF";

class OrdersTest : public DriverTest {};

TEST_F(OrdersTest, DetectProgrammer) {
    StartSim("T16");
    std::string type, version;
    ops::THooks hooks;
    hooks.Detected = [&](const std::string& t, const std::string& v) {
        type = t;
        version = v;
    };
    ops::DetectDevice(Dev, hooks);
    EXPECT_EQ(type, "VESK1");
    EXPECT_EQ(version, "2.10");
    EXPECT_FALSE(Dev.Transport().IsOpen());
    EXPECT_EQ(Sent(), Sync + "t" + Repeat("n", 7) + "v" + Repeat("n", 6));
}

TEST_F(OrdersTest, DetectTargetSelectsTheChipWithTheIdRead) {
    StartSim("CAL16");
    ops::DetectTarget(Dev, {});
    ASSERT_NE(Dev.Target(), nullptr);
    EXPECT_EQ(Dev.Target()->Name, "CAL16");
    // Fuses program mode puts the pointer at 0x2000; six increments reach the ID.
    EXPECT_EQ(Sent(), Sync + "230fx" + Repeat("i", 6) + "rnnnn" + "0000g");
    EXPECT_TRUE(Sim->TargetRunning());
}

TEST_F(OrdersTest, RunTarget) {
    StartSim("T16");
    Dev.SetTarget(&Chip("T16"));
    ops::THooks hooks;
    hooks.RunStep = [&](const ops::TStep& step, const std::function<void()>& body) {
        body();
        if (step.Id == ops::TStepId::StopTarget) {
            EXPECT_FALSE(Sim->TargetRunning());
        }
    };
    ops::Run(Dev, hooks);
    EXPECT_EQ(Sent(), Sync + "230fx" + "0000g");
    EXPECT_TRUE(Sim->TargetRunning());
}

TEST_F(OrdersTest, EnterAndLeavePassThrough) {
    StartSim("T16");
    ops::TRequest request;
    request.Lines = 1;
    request.Polarity = 1;
    ops::EnterPassThrough(Dev, request, {});
    // The digits are echoed and compared; the letter is sent without waiting.
    ASSERT_TRUE(Sim->WaitReceived(6, 2000));
    EXPECT_EQ(Sent(), Sync + "0003p");
    EXPECT_TRUE(Sim->WaitPassThrough(true, 2000));
    EXPECT_EQ(Sim->PassThroughFlags(), 3);

    ClearSent();
    request.BaudIndex = 1;
    ops::LeavePassThrough(Dev, request, {});
    EXPECT_FALSE(Sim->InPassThrough());
    EXPECT_EQ(Sent(), Sync + "0014p" + Sync + "0000h");
}

TEST_F(OrdersTest, WriteReadVerifyAndEraseOrders) {
    StartSim("T16");
    const auto image =
        HexImage({{0x000, 0x2800}, {0x001, 0x3FF0}, {0x005, 0x0123}, {0x2100, 0x0042}, {0x2007, 0x3F72}});
    // write: Open, Wakeup, Activate, SetBaudRate, DetectTarget, LoadBuffer,
    // EraseChip, WriteRegions, VerifyRegions, RunTarget, Close
    ops::TRequest request;
    request.BaudIndex = 1;
    ops::THooks hooks;
    hooks.Connected = [&] { ASSERT_EQ(Dev.Target(), &Chip("T16")); };
    hooks.Image = [&]() -> const TIntelHexFile& { return image; };
    hooks.RunStep = [&](const ops::TStep& step, const std::function<void()>& body) {
        if (step.Id == ops::TStepId::Erase) ClearSent();
        if (step.Id == ops::TStepId::Verify) {
            EXPECT_EQ(Sent(), "230ex"
                              "230cx"
                              "000000m"
                              "2800l"
                              "i"
                              "3FF0l"
                              "000005m"
                              "0123l"
                              "230dx"
                              "002100m"
                              "0042l"
                              "230fx" +
                                  Repeat("i", 7) + "3F72l");
            ClearSent();
        }
        body();
        if (step.Id == ops::TStepId::Verify) {
            EXPECT_EQ(Sent(), "230cx"
                              "000000m"
                              "rnnnn"
                              "i"
                              "rnnnn"
                              "000005m"
                              "rnnnn"
                              "230dx"
                              "002100m"
                              "rnnnn"
                              "230fx" +
                                  Repeat("i", 7) + "rnnnn");
        }
    };
    ops::Write(Dev, request, hooks);
    EXPECT_TRUE(Dev.LoadBuffer(image));
    EXPECT_EQ(Sim->Word(0x000), 0x2800);
    EXPECT_EQ(Sim->Word(0x001), 0x3FF0);
    EXPECT_EQ(Sim->Word(0x002), 0x3FFF);
    EXPECT_EQ(Sim->Word(0x005), 0x0123);
    EXPECT_EQ(Sim->Word(0x2100), 0x42);
    EXPECT_EQ(Sim->Word(0x2007), 0x3F72);

    // read: the buffer is filled from the chip.
    Chip("T16").ResetImage();
    ops::THooks readHooks;
    readHooks.RunStep = [&](const ops::TStep& step, const std::function<void()>& body) {
        if (step.Id == ops::TStepId::Read) ClearSent();
        body();
    };
    request.Regions = 1;
    ops::Read(Dev, request, readHooks);
    const auto& code = Chip("T16").RegionByCode(1);
    EXPECT_EQ(code.Data[0], 0x2800);
    EXPECT_EQ(code.Data[5], 0x0123);
    EXPECT_EQ(code.CountNonDefault(), 3);
    EXPECT_EQ(Sent(), "230cx"
                      "000000m"
                      "rnnnn" +
                          Repeat("irnnnn", 2047) + "0000g");

    // erase
    ops::Erase(Dev, request, {});
    EXPECT_EQ(Sim->Word(0x000), 0x3FFF);
    EXPECT_EQ(Sim->Word(0x2100), 0xFF);
}

} // namespace
} // namespace vesk::test
