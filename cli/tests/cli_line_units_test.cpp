// The production line's pieces in process: SHA-256, the log line, the counter file, the
// several-port arguments, status and table, and the named progress line.
#include <gtest/gtest.h>

#include "CliTestSupport.h"

#include "cli/ExitStatus.h"
#include "cli/Gang.h"
#include "cli/ProgressBar.h"
#include "cli/RunLog.h"
#include "cli/SerialCounter.h"
#include "cli/Sha256.h"

#include "chipdef/ChipDefinition.h"

#include <regex>
#include <sstream>
#include <thread>

namespace vesk::cli {
namespace {

TEST(Sha256, KnownVectors) {
    const std::pair<std::string, const char*> rows[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const auto& [text, digest] : rows)
        EXPECT_EQ(Sha256Hex(text), digest) << text.size();
}

TEST(RunLog, OneLineOfJsonWithNullsForWhatIsNotKnown) {
    TLogRecord r{"2026-12-09T07:24:30+00:00",
                 "/dev/ttyUSB0",
                 "",
                 "",
                 "TINY16",
                 "write",
                 "a \"b\".hex",
                 "00ff",
                 1234,
                 1,
                 "Target write failed\nVBUS Echo timeout",
                 1.25};
    EXPECT_EQ(LogLine(r),
              "{\"time\":\"2026-12-09T07:24:30+00:00\",\"port\":\"/dev/ttyUSB0\",\"programmer\":null,"
              "\"programmer_version\":null,\"chip\":\"TINY16\",\"command\":\"write\","
              "\"image\":\"a \\\"b\\\".hex\",\"image_sha256\":\"00ff\",\"serial\":1234,"
              "\"serial_spent\":\"the chip failed; this number is not handed out again\","
              "\"result\":\"failed\",\"exit_status\":1,"
              "\"message\":\"Target write failed\\nVBUS Echo timeout\",\"seconds\":1.250}\n");
    EXPECT_TRUE(std::regex_match(NowIso8601(), std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d[+-]\d\d:\d\d)")))
        << NowIso8601();
}

TEST(SerialCounter, TakesEachNumberOnceAlsoFromSeveralThreadsAtOnce) {
    test::TTempFolder dir;
    const std::string path = dir.Path() + "counter";
    test::WriteText(path, "  42\n");
    TSerialCounter counter(path, 4);
    EXPECT_EQ(counter.Peek(), 42u);
    EXPECT_EQ(counter.Take(), 42u);
    EXPECT_EQ(test::ReadText(path), "43\n");
    std::vector<uint64_t> taken(8);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < taken.size(); ++i)
        threads.emplace_back([&, i] { taken[i] = TSerialCounter(path, 4).Take(); });
    for (std::thread& t : threads)
        t.join();
    std::sort(taken.begin(), taken.end());
    EXPECT_EQ(taken, (std::vector<uint64_t>{43, 44, 45, 46, 47, 48, 49, 50}));

    test::WriteText(path, "65536\n");
    try {
        TSerialCounter(path, 2).Take();
        ADD_FAILURE() << "took a number that does not fit";
    } catch (const ECommand& e) {
        EXPECT_EQ(e.Status(), ExitUsage);
        EXPECT_EQ(e.Message(), "Serial number 65536 does not fit in 2 bytes");
    }
    EXPECT_EQ(test::ReadText(path), "65536\n");
}

TEST(Gang, ChildArgumentsStatusAndTable) {
    const char* argv[] = {"vesk",  "-p",    "/dev/a", "--port=/dev/b", "-p/dev/c",
                          "write", "x.hex", "--port", "/dev/d",        "-q"};
    EXPECT_EQ(GangChildArguments(10, argv, "/dev/b"),
              (std::vector<std::string>{"write", "x.hex", "-q", "--port", "/dev/b", "--gang-child"}));
    EXPECT_EQ(GangStatus({0, 0, 0}), 0);
    EXPECT_EQ(GangStatus({0, 3, 3}), 3);
    EXPECT_EQ(GangStatus({4, 0, 1}), 1);
    EXPECT_EQ(GangTable({{"/dev/ttyUSB0", "PIC16F877A", 0, 12.34}, {"/dev/ttyUSB1", "", 4, 0.5}}),
              "port          target      result      time\n"
              "/dev/ttyUSB0  PIC16F877A  ok          12.3 s\n"
              "/dev/ttyUSB1  -           failed (4)  0.5 s\n");
}

TEST(ProgressBar, ShowsTheStepAndTheTimeLeft) {
    EXPECT_EQ(
        TProgressBar::Line("Write Code", 100, 400, 2.0),
        "Write Code  [#######-----------------------]  25%  100/400 words  2.0 s  50 words/s  6.0 s left");
    EXPECT_EQ(TProgressBar::LineOfReport("Erase\t0\t0\t0.1"),
              "Erase  [##############################] 100%  0/0 words  0.1 s  0 words/s");
    std::ostringstream out;
    TProgressBar bar(out, true);
    bar.Show({"Verify", 0, 2});
    bar.Show({"Verify Code", 1, 2});
    bar.Show({"Verify Data", 2, 2});
    const std::string text = out.str();
    EXPECT_EQ(text.rfind("@@progress Verify\t0\t2\t", 0), 0u) << text;
    EXPECT_NE(text.find("@@progress Verify Data\t2\t2\t"), std::string::npos) << text;
}

} // namespace
} // namespace vesk::cli
