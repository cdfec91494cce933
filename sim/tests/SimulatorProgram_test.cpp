// The vesk-sim program: prints its port, links it, serves, dumps on SIGUSR1 and on exit,
// and leaves cleanly on SIGTERM.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "PtyHost.h"
#include "TestChip.h"
#include "tests/support/TempFolder.h"

namespace vesk::sim {
namespace {

namespace fs = std::filesystem;

class TProgram {
  public:
    explicit TProgram(std::vector<std::string> args) {
        int out[2];
        if (pipe(out) != 0) return;
        Pid = fork();
        if (Pid == 0) {
            dup2(out[1], 1);
            ::close(out[0]);
            ::close(out[1]);
            std::vector<char*> argv;
            static std::string program = std::string(VESK_BIN_DIR) + "/vesk-sim";
            argv.push_back(program.data());
            for (auto& a : args)
                argv.push_back(a.data());
            argv.push_back(nullptr);
            execv(program.c_str(), argv.data());
            _exit(127);
        }
        ::close(out[1]);
        Out = out[0];
    }
    ~TProgram() {
        if (Pid > 0 && !Exited) {
            kill(Pid, SIGKILL);
            waitpid(Pid, nullptr, 0);
        }
        if (Out >= 0) ::close(Out);
    }
    std::string ReadLine() {
        std::string line;
        char c;
        while (::read(Out, &c, 1) == 1 && c != '\n')
            line += c;
        return line;
    }
    int Terminate() {
        kill(Pid, SIGTERM);
        int status = 0;
        waitpid(Pid, &status, 0);
        Exited = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    pid_t Pid = -1;
    int Out = -1;
    bool Exited = false;
};

bool WaitForFile(const std::string& path) {
    for (int i = 0; i < 2500; ++i) {
        if (fs::exists(path) && fs::file_size(path) > 0) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return false;
}

TEST(SimulatorProgramTest, ServesLinksDumpsAndExitsCleanly) {
    const vesk::test::TTempFolder folder;
    const std::string chip = folder.Write("ChipDef_demo.ini", test::Demo16Text());
    const std::string link = folder / "ttyVESK", dump = folder / "dump.hex";
    const std::string image = folder.Write("image.hex", ":020000003412B8\n:00000001FF\n");

    TProgram program({"--chip", chip, "--link", link, "--dump", dump, "--load", image, "--type", "SIM"});
    ASSERT_GT(program.Pid, 0);
    const std::string path = program.ReadLine();
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(fs::read_symlink(link).string(), path);
    {
        test::TPtyHost host(link);
        ASSERT_TRUE(host.IsOpen());
        EXPECT_EQ(host.Exchange("\xff"
                                "tnnnnn"),
                  "?T SIM ");
        EXPECT_EQ(host.Exchange("230cxrnnnn"), "230CXR1234");
        EXPECT_EQ(host.Exchange("i0042l"), "I0042L");
    }
    kill(program.Pid, SIGUSR1);
    ASSERT_TRUE(WaitForFile(dump));
    fs::remove(dump);
    EXPECT_EQ(program.Terminate(), 0);
    EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
    const std::string text = vesk::test::ReadText(dump);
    // Words 0 and 1: 1234 and 0042, low bytes first.
    EXPECT_EQ(text.rfind(":10000000341242", 0), 0u) << text;
}

TEST(SimulatorProgramTest, RefusesABadCommandLine) {
    TProgram program({"--no-such-option"});
    EXPECT_EQ(program.ReadLine(), "");
    int status = 0;
    waitpid(program.Pid, &status, 0);
    program.Exited = true;
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 2);
}

} // namespace
} // namespace vesk::sim
