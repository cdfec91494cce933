// Runs a program in a process of its own, for the end-to-end tests.
#include "CliTestSupport.h"

#include "tests/support/PseudoTerminal.h"

#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace vesk::cli::test {

TRunResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::function<void(pid_t)>& whileRunning, bool errOnTerminal) {
    TTempFolder io;
    const std::string outPath = io.Path() + "out", errPath = io.Path() + "err";
    std::vector<std::string> all{program};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    std::unique_ptr<vesk::test::TPseudoTerminal> terminal;
    if (errOnTerminal) terminal = std::make_unique<vesk::test::TPseudoTerminal>();

    const pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        const int in = open("/dev/null", O_RDONLY);
        const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = errOnTerminal ? open(terminal->SlavePath().c_str(), O_RDWR | O_NOCTTY)
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
                const ssize_t n = read(terminal->Master(), buffer, sizeof buffer);
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
        result.Err = terminalText;
    }
    return result;
}

} // namespace vesk::cli::test
