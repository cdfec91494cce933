// The production line end to end: several simulated programmers on real pseudo-terminals
// programmed by one vesk at once, the JSON log, and the serial number counter.
#include "PtyProgramFixture.h"
#include "tests/support/WaitFor.h"

#include <chrono>
#include <csignal>
#include <map>
#include <set>
#include <sstream>

namespace vesk::cli::test {
namespace {

using TRecord = std::map<std::string, std::string>; // key -> value text (strings unquoted)

// A flat JSON object of strings, numbers and null, as the log writes them; empty when the
// line is not one.
TRecord ParseObject(const std::string& line) {
    TRecord record;
    size_t at = 0;
    auto expect = [&](char c) { return at < line.size() && line[at++] == c; };
    auto string = [&](std::string& text) {
        if (!expect('"')) return false;
        for (; at < line.size() && line[at] != '"'; ++at) {
            if (line[at] == '\\' && ++at < line.size())
                text += line[at] == 'n' ? '\n' : line[at];
            else
                text += line[at];
        }
        return expect('"');
    };
    if (!expect('{')) return {};
    for (;;) {
        std::string key, value;
        if (!string(key) || !expect(':')) return {};
        if (at < line.size() && line[at] == '"') {
            if (!string(value)) return {};
        } else {
            while (at < line.size() && line[at] != ',' && line[at] != '}')
                value += line[at++];
        }
        record[key] = value;
        if (at < line.size() && line[at] == '}') return ++at == line.size() ? record : TRecord{};
        if (!expect(',')) return {};
    }
}

std::vector<TRecord> ReadLog(const std::string& path) {
    std::vector<TRecord> records;
    std::istringstream lines(ReadText(path));
    for (std::string line; std::getline(lines, line);) {
        records.push_back(ParseObject(line));
        EXPECT_FALSE(records.back().empty()) << line;
    }
    return records;
}

// Every Code word of the small chip, so that a write lasts long enough to be cut short.
std::string FullImage() {
    std::string text = HexRecord(4, 0, {0, 0});
    for (int line = 0; line < 8; ++line) {
        std::vector<int> bytes;
        for (int w = 0; w < 8; ++w)
            bytes.insert(bytes.end(), {(line * 8 + w) & 0xFF, 0x20});
        text += HexRecord(0, line * 16, bytes);
    }
    return text + HexRecord(0, 0x4200, {0x11, 0x00}) + HexRecord(1, 0, {});
}

class GangTest : public ProgramOnPtyTest {
  protected:
    void SetUp() override {
        ProgramTest::SetUp();
        Tiny.LoadFromText(TinyChipText());
        Image = WriteImage("full.hex", FullImage());
        Counter = Dir.Path() + "next-serial";
        LogFile = Dir.Path() + "line.json";
        WriteText(Counter, "1000\n");
    }

    void StartSims(size_t count) {
        Sims.clear();
        for (size_t i = 0; i < count; ++i) {
            Sims.push_back(std::make_unique<sim::TPtySimulator>(Tiny));
            Sims.back()->Start();
        }
    }
    // vesk with every simulator's port, then `args`.
    TRunResult RunGang(const std::vector<std::string>& args,
                       const std::function<void(pid_t)>& whileRunning = {}, bool errOnTerminal = false) {
        std::vector<std::string> all;
        for (const auto& sim : Sims)
            all.insert(all.end(), {"-p", sim->SlavePath()});
        all.insert(all.end(), args.begin(), args.end());
        return RunProgram(Vesk(), all, whileRunning, errOnTerminal);
    }
    std::vector<std::string> WriteArgs() const {
        return {"write",          Image, "--verify", "--serial", "0x2108", "--serial-counter", Counter,
                "--serial-bytes", "2",   "--log",    LogFile};
    }
    // The serial number the simulator's Data words 0x2108, 0x2109 hold.
    static int SerialIn(const sim::TSimulator& sim) { return sim.Word(0x2108) | sim.Word(0x2109) << 8; }
    // The table's line of the port.
    static std::string TableLine(const TRunResult& r, const std::string& port) {
        std::istringstream lines(r.Out);
        for (std::string line; std::getline(lines, line);)
            if (line.rfind(port + " ", 0) == 0) return line;
        return "";
    }

    TChipDefinition Tiny;
    std::vector<std::unique_ptr<sim::TPtySimulator>> Sims;
    std::string Image, Counter, LogFile;
};

TEST_F(GangTest, TwoThenFourPortsAreWrittenAndVerifiedEachChipWithItsOwnSerialNumber) {
    std::set<int> serials;
    for (size_t ports : {2u, 4u}) {
        StartSims(ports);
        // The first run on a terminal: one progress line per port, named by its step.
        const TRunResult r = RunGang(WriteArgs(), {}, ports == 2);
        ASSERT_EQ(r.Status, 0) << r.Out << r.Err;
        if (ports == 2) {
            for (const char* step : {"  Write Code  [", "  Verify Data  [", "  done\r\n"})
                EXPECT_NE(r.Err.find(Sims[1]->SlavePath() + step), std::string::npos) << step << r.Err;
        }
        EXPECT_EQ(r.Out.rfind("port", 0), 0u) << r.Out;
        for (const auto& sim : Sims) {
            EXPECT_EQ(sim->Word(5), 0x2005);
            EXPECT_EQ(sim->Word(0x2100), 0x11);
            EXPECT_TRUE(serials.insert(SerialIn(*sim)).second) << SerialIn(*sim);
            // The copy has ended; the simulator sees its port closed soon after.
            EXPECT_TRUE(vesk::test::WaitFor([&] { return sim->HostClosed(); }));
            const std::string line = TableLine(r, sim->SlavePath());
            EXPECT_NE(line.find(" TINY16 "), std::string::npos) << r.Out;
            EXPECT_NE(line.find(" ok "), std::string::npos) << r.Out;
        }
    }
    // Two runs in a row shared the counter: 1000 to 1005, each once.
    EXPECT_EQ(serials, (std::set<int>{1000, 1001, 1002, 1003, 1004, 1005}));
    EXPECT_EQ(ReadText(Counter), "1006\n");
    const std::vector<TRecord> log = ReadLog(LogFile);
    ASSERT_EQ(log.size(), 6u);
    std::set<std::string> logged;
    for (const TRecord& record : log) {
        EXPECT_EQ(record.at("result"), "ok");
        EXPECT_EQ(record.at("exit_status"), "0");
        EXPECT_EQ(record.at("command"), "write");
        EXPECT_EQ(record.at("chip"), "TINY16");
        EXPECT_EQ(record.at("image"), Image);
        EXPECT_EQ(record.at("image_sha256").size(), 64u);
        EXPECT_EQ(record.at("message"), "null");
        EXPECT_NE(record.at("time").find('T'), std::string::npos);
        logged.insert(record.at("serial"));
    }
    EXPECT_EQ(logged, (std::set<std::string>{"1000", "1001", "1002", "1003", "1004", "1005"}));
}

TEST_F(GangTest, ASilentAndADroppedPortFailWhileTheOthersFinish) {
    StartSims(4);
    sim::TFaults silent, dropped;
    silent.NeverAnswer = true;
    dropped.DropLineAfter = 300; // inside the Code write
    Sims[0]->SetFaults(silent);
    Sims[1]->SetFaults(dropped);
    const TRunResult r = RunGang(WriteArgs());
    EXPECT_EQ(r.Status, 1) << r.Out << r.Err; // failed differently: 4 and 1
    EXPECT_NE(TableLine(r, Sims[0]->SlavePath()).find(" failed (4) "), std::string::npos) << r.Out;
    EXPECT_NE(TableLine(r, Sims[1]->SlavePath()).find(" failed (1) "), std::string::npos) << r.Out;
    EXPECT_NE(r.Err.find(Sims[0]->SlavePath() + ": VESK wakeup failed"), std::string::npos) << r.Err;
    EXPECT_NE(r.Err.find(Sims[1]->SlavePath() + ": Target write failed"), std::string::npos) << r.Err;
    for (size_t i = 2; i < 4; ++i) {
        EXPECT_NE(TableLine(r, Sims[i]->SlavePath()).find(" ok "), std::string::npos) << r.Out;
        EXPECT_EQ(Sims[i]->Word(63), 0x203F);
    }
    // The silent port never took a number; the dropped one's is spent.
    std::map<std::string, TRecord> byPort;
    for (const TRecord& record : ReadLog(LogFile))
        byPort[record.at("port")] = record;
    ASSERT_EQ(byPort.size(), 4u);
    const TRecord& quiet = byPort[Sims[0]->SlavePath()];
    EXPECT_EQ(quiet.at("result"), "failed");
    EXPECT_EQ(quiet.at("exit_status"), "4");
    EXPECT_EQ(quiet.at("serial"), "null");
    EXPECT_EQ(quiet.at("message").rfind("VESK wakeup failed\n", 0), 0u) << quiet.at("message");
    const TRecord& cut = byPort[Sims[1]->SlavePath()];
    EXPECT_EQ(cut.at("exit_status"), "1");
    EXPECT_EQ(cut.count("serial_spent"), 1u);
    std::set<std::string> serials;
    for (size_t i = 1; i < 4; ++i)
        serials.insert(byPort[Sims[i]->SlavePath()].at("serial"));
    EXPECT_EQ(serials, (std::set<std::string>{"1000", "1001", "1002"}));
    EXPECT_EQ(ReadText(Counter), "1003\n");
}

// Ctrl-C stops every port cleanly; a run whose vesk is killed outright leaves its copies
// to stop the same way. Neither hands a number out twice.
TEST_F(GangTest, InterruptedAndKilledRunsNeverReuseASerialNumber) {
    std::set<std::string> serials;
    size_t records = 0;
    for (int signal : {SIGINT, SIGKILL}) {
        SCOPED_TRACE(signal);
        StartSims(2);
        sim::TFaults slow;
        slow.AnswerDelayMs = 3;
        for (const auto& sim : Sims)
            sim->SetFaults(slow);
        const TRunResult r = RunGang(WriteArgs(), [&](pid_t pid) {
            if (Sims[0]->WaitReceived(250, 30000) && Sims[1]->WaitReceived(250, 30000)) kill(pid, signal);
        });
        if (signal == SIGINT) {
            EXPECT_EQ(r.Status, 1) << r.Out << r.Err;
            EXPECT_NE(r.Err.find(Sims[0]->SlavePath() + ": Aborted by user"), std::string::npos) << r.Err;
            EXPECT_NE(TableLine(r, Sims[1]->SlavePath()).find(" failed (1) "), std::string::npos) << r.Out;
        }
        // The copies log as they end, after the killed vesk.
        records += 2;
        vesk::test::WaitFor([&] { return ReadLog(LogFile).size() >= records; });
        const std::vector<TRecord> log = ReadLog(LogFile);
        ASSERT_EQ(log.size(), records);
        for (size_t i = records - 2; i < records; ++i) {
            EXPECT_EQ(log[i].at("result"), "failed");
            EXPECT_EQ(log[i].at("message").find("Aborted by user") != std::string::npos, true);
            EXPECT_TRUE(serials.insert(log[i].at("serial")).second);
        }
        // Each copy writes its record, then closes its port.
        for (const auto& sim : Sims)
            EXPECT_TRUE(vesk::test::WaitFor([&] { return sim->HostClosed(); }));
    }
    StartSims(2);
    ASSERT_EQ(RunGang(WriteArgs()).Status, 0);
    for (const auto& sim : Sims)
        EXPECT_TRUE(serials.insert(std::to_string(SerialIn(*sim))).second) << SerialIn(*sim);
    EXPECT_EQ(serials.size(), 6u);
}

struct TRefusal_t {
    const char* Counter;
    std::vector<std::string> Args;
    int Status;
    const char* Message;
};

TEST_F(GangTest, ASerialNumberThatCannotBeStoredIsRefusedBeforeThePortIsOpened) {
    const TRefusal_t rows[] = {
        {"1\n",
         {"--serial", "0x2007"},
         2,
         "Serial number at 0x002007: the Fuses region cannot hold a serial number"},
        {"1\n", {"--serial", "0x3000"}, 2, "Serial number at 0x003000: chip TINY16 has no region there"},
        {"1\n",
         {"--serial", "0x210E", "--serial-bytes", "4"},
         2,
         "Serial number at 0x00210E: 4 words do not fit in the Data region, which ends at 0x00210F"},
        {"256\n",
         {"--serial", "0x2100", "--serial-bytes", "1"},
         2,
         "Serial number 256 does not fit in 1 byte"},
        {"twelve\n", {"--serial", "0x2100"}, 6, "holds no number"},
    };
    StartSims(1);
    for (const TRefusal_t& row : rows) {
        SCOPED_TRACE(row.Message);
        WriteText(Counter, row.Counter);
        std::vector<std::string> args{"-p",  Sims[0]->SlavePath(), "--chip", "TINY16", "write",
                                      Image, "--serial-counter",   Counter};
        args.insert(args.end(), row.Args.begin(), row.Args.end());
        const TRunResult r = Run(args);
        EXPECT_EQ(r.Status, row.Status);
        EXPECT_NE(r.Err.find(row.Message), std::string::npos) << r.Err;
        EXPECT_EQ(ReadText(Counter), row.Counter);
    }
    EXPECT_EQ(Sims[0]->Received(), "");
    EXPECT_EQ(Sims[0]->Connections(), 0);
}

} // namespace
} // namespace vesk::cli::test
