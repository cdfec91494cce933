// The steps of every operation in order, as the hooks see them; the progress with
// the step's name; and the failure path (the caller told, the port closed, the error
// going on).
#include "DriverFixture.h"

#include "ops/Operations.h"

#include <functional>

namespace vesk::test {
namespace {

class HooksTest : public DriverTest {
  protected:
    // The names of the steps `operation` runs, joined by ", ".
    std::string Steps(const std::function<void(const ops::THooks&)>& operation) {
        std::string names;
        ops::THooks hooks = Hooks;
        hooks.RunStep = [&](const ops::TStep& step, const std::function<void()>& body) {
            names += (names.empty() ? "" : ", ") + ops::StepName(step);
            body();
        };
        operation(hooks);
        return names;
    }

    ops::THooks Hooks;
    ops::TRequest Request;
    TIntelHexFile Image = HexImage({{0x000, 0x2800}, {0x2100, 0x0042}});
};

TEST_F(HooksTest, EveryOperationsStepsInOrder) {
    StartSim("T16");
    const std::string connect = "Open, Wake up, Activate, Set baud rate, ";
    struct Row {
        const char* Chip; // chosen before the operation, or none
        int16_t Regions;
        bool Verify, Image;
        std::function<void(TDeviceVESK1&, const ops::TRequest&, const ops::THooks&)> Operation;
        std::string Expected;
    };
    const Row rows[] = {
        {nullptr, AllRegions, true, true, ops::Write,
         connect + "Detect target, Load image, Erase, Write, Verify, Run target, Close"},
        {"T16", RegionCodeCode, true, true, ops::Write,
         connect + "Load image, Write Code, Verify Code, Run target, Close"},
        {"T16", RegionCodeData, false, true, ops::Write,
         connect + "Load image, Write Data, Run target, Close"},
        {nullptr, RegionCodeFuses, true, false, ops::Read,
         connect + "Detect target, Read Fuses, Run target, Close"},
        {"T16", AllRegions, true, false, ops::Verify, connect + "Verify, Run target, Close"},
        {"T16", RegionCodeData, true, true, ops::Verify,
         connect + "Load image, Verify Data, Run target, Close"},
        {nullptr, AllRegions, true, false, ops::Erase, connect + "Detect target, Erase, Close"},
        {"T16", AllRegions, true, false, ops::EnterPassThrough, "Open, Wake up, Pass-through, Close"},
        {"T16", AllRegions, true, false, ops::LeavePassThrough, "Open, Wake up, Set baud rate, Close"},
    };
    for (const Row& row : rows) {
        Dev.SetTarget(row.Chip ? &Chip(row.Chip) : nullptr);
        Request.Regions = row.Regions;
        Request.Verify = row.Verify;
        Hooks.Image = nullptr;
        if (row.Image) Hooks.Image = [&]() -> const TIntelHexFile& { return Image; };
        EXPECT_EQ(Steps([&](const ops::THooks& h) { row.Operation(Dev, Request, h); }), row.Expected);
    }
    EXPECT_EQ(Steps([&](const ops::THooks& h) { ops::DetectDevice(Dev, h); }),
              "Open, Wake up, Get type, Get version, Close");
    EXPECT_EQ(Steps([&](const ops::THooks& h) { ops::DetectTarget(Dev, h); }),
              "Open, Wake up, Detect target, Run target, Close");
    EXPECT_EQ(Steps([&](const ops::THooks& h) { ops::Run(Dev, h); }),
              "Open, Wake up, Stop target, Run target, Close");
}

TEST_F(HooksTest, ProgressCarriesTheStepsNameDoneAndTotal) {
    StartSim("T16");
    Dev.SetTarget(&Chip("T16"));
    std::vector<std::string> seen;
    Hooks.Image = [&]() -> const TIntelHexFile& { return Image; };
    Hooks.Progress = [&](const ops::TProgress& p) {
        seen.push_back(p.Step + " " + std::to_string(p.Done) + "/" + std::to_string(p.Total));
    };
    Request.Regions = RegionCodeData;
    ops::Write(Dev, Request, Hooks);
    EXPECT_EQ(seen, (std::vector<std::string>{"Write Data 0/1", "Write Data 1/1", "Verify Data 0/1",
                                              "Verify Data 1/1"}));
    // The driver's own handler is back once the operation ends.
    EXPECT_FALSE(Dev.OnProgress);
    // A step over all regions names the region in progress; one without words has 0 of 0.
    seen.clear();
    Request.Regions = AllRegions;
    ops::Read(Dev, Request, Hooks);
    EXPECT_EQ(seen[1] + ", " + seen.back(), "Read Code 1/2113, Read Fuses 2113/2113");
    Dev.Session()->Reset();
    seen.clear();
    Hooks.Image = nullptr;
    ops::Verify(Dev, Request, Hooks);
    EXPECT_EQ(seen, (std::vector<std::string>{"Verify 0/0"}));
}

TEST_F(HooksTest, AFailureIsToldThenThePortIsClosedAndTheErrorGoesOn) {
    StartSim("T16");
    Dev.SetTarget(&Chip("T16"));
    SilentAfter(1); // the wake-up's synchronisation is answered, the activation not
    std::string told;
    Hooks.Failed = [&](const std::exception& e) {
        told = e.what();
        EXPECT_TRUE(Dev.Transport().IsOpen());
    };
    const std::string message = ErrorOf([&] { ops::Erase(Dev, Request, Hooks); });
    EXPECT_EQ(message.rfind("VESK activation failed\n", 0), 0u) << message;
    EXPECT_EQ(told, message);
    EXPECT_FALSE(Dev.Transport().IsOpen());
}

TEST_F(HooksTest, AFailingCloseAfterAFailureIsDroppedUnlessTheCallerRaisesIt) {
    StartSim("T16");
    Dev.SetTarget(&Chip("T16"));
    Faults({.BadReadReply = true});
    Line().OnBeforeClose = [] { throw Exception("close refused"); };
    // Dropped: the read error goes on.
    EXPECT_EQ(ErrorOf([&] { ops::Read(Dev, Request, Hooks); }).rfind("Target read failed\n", 0), 0u);
    // Raised in its handler: the close error goes on in its place.
    Hooks.CloseFailed = [] { throw; };
    EXPECT_EQ(ErrorOf([&] { ops::Read(Dev, Request, Hooks); }), "VESK device close failed\nclose refused");
    Line().OnBeforeClose = nullptr;
    Dev.Close();
}

} // namespace
} // namespace vesk::test
