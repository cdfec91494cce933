#include "CliTestSupport.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace vesk::cli::test {

TTempDir::TTempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vesk-cli-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    FPath = pattern + "/";
}

TTempDir::~TTempDir() {
    std::error_code ec;
    std::filesystem::remove_all(FPath, ec);
}

TRunResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::function<void(pid_t)>& whileRunning, bool errOnTerminal) {
    TTempDir io;
    const std::string outPath = io.Path() + "out", errPath = io.Path() + "err";
    std::vector<std::string> all{program};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    int master = -1;
    std::string terminal;
    if (errOnTerminal) {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
            throw std::runtime_error("no pseudo-terminal");
        terminal = ptsname(master);
    }

    const pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        const int in = open("/dev/null", O_RDONLY);
        const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = errOnTerminal ? open(terminal.c_str(), O_RDWR | O_NOCTTY)
                                      : open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    // The terminal is read while the program runs, so that it never blocks on a full
    // terminal; reading ends when the program's end closes the terminal (EIO).
    std::string terminalText;
    std::thread reader;
    if (errOnTerminal)
        reader = std::thread([&] {
            char buffer[4096];
            for (;;) {
                const ssize_t n = read(master, buffer, sizeof buffer);
                if (n > 0)
                    terminalText.append(buffer, size_t(n));
                else if (n < 0 && errno == EINTR)
                    continue;
                else
                    break;
            }
        });
    if (whileRunning) whileRunning(pid);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    TRunResult result;
    result.Status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.Out = ReadText(outPath);
    result.Err = ReadText(errPath);
    if (errOnTerminal) {
        reader.join();
        close(master);
        result.Err = terminalText;
    }
    return result;
}

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream file(path, std::ios::binary);
    file << text;
    if (!file) throw std::runtime_error("cannot write " + path);
}

std::string ReadText(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

bool FileExists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(path, ec);
}

std::string HexRecord(int type, int address, const std::vector<int>& bytes) {
    std::vector<int> all{int(bytes.size()), (address >> 8) & 0xFF, address & 0xFF, type};
    all.insert(all.end(), bytes.begin(), bytes.end());
    int sum = 0;
    std::string line = ":";
    char hex[3];
    for (int b : all) {
        sum += b;
        std::snprintf(hex, sizeof hex, "%02X", b & 0xFF);
        line += hex;
    }
    std::snprintf(hex, sizeof hex, "%02X", (-sum) & 0xFF);
    return line + hex + "\n";
}

std::string TinyChipText() {
    return "[Chip]\nName=TINY16\nId=0x1230\nAlgorithm=PIC16\n\n"
           "[Region1]\nName=Code\nBase=0x0000\nStart=0x0000\nSize=64\nDefault=0x3FFF\n\n"
           "[Region2]\nName=Data\nBase=0x2100\nStart=0x2100\nSize=16\nDefault=0xFF\n\n"
           "[Region3]\nName=Fuses\nBase=0x2007\nStart=0x2007\nSize=1\nDefault=0x3FFF\n"
           "Preserve=0x2007=0x3000\n\n";
}

} // namespace vesk::cli::test
