// Several ports at once on POSIX: one child vesk per port, read through pipes.
#include "cli/ExitStatus.h"
#include "cli/Gang.h"
#include "cli/ProgressBar.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <ostream>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

namespace vesk::cli {

namespace {

using TClock = std::chrono::steady_clock;

volatile std::sig_atomic_t InterruptCount = 0;

extern "C" void OnGangInterrupt(int) {
    InterruptCount = InterruptCount + 1;
}

struct TPortRun {
    std::string Port;
    pid_t Pid = -1;
    int Fd[2] = {-1, -1}; // the child's standard output and standard error
    std::string Partial[2];
    std::string Output;   // the child's standard output, shown after the run
    std::string Progress; // the child's last progress line
    std::string StepName; // and the step it names
    std::string Target;
    int Status = -1; // -1: running
    TClock::time_point Start, End;
};

std::string OwnProgram(const char* argv0) {
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    return n > 0 ? std::string(path, size_t(n)) : std::string(argv0);
}

// Starts one port's copy; its standard input is /dev/null, its output goes to two pipes.
void Start(TPortRun& run, const std::string& program, const std::vector<std::string>& args) {
    int out[2], err[2];
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) throw ECommand(ExitFailed, "vesk: no pipe");
    std::vector<std::string> all{program};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const pid_t parent = getpid();
    run.Start = TClock::now();
    run.Pid = fork();
    if (run.Pid < 0) throw ECommand(ExitFailed, "vesk: cannot start the run on " + run.Port);
    if (run.Pid == 0) {
        // A group of its own: Ctrl-C reaches the copies only through this vesk, once.
        setpgid(0, 0);
#ifdef __linux__
        // Should this vesk die, the copy stops the way Ctrl-C stops it.
        prctl(PR_SET_PDEATHSIG, SIGINT);
        if (getppid() != parent) raise(SIGINT);
#endif
        // Should this vesk die, its pipes have no reader: the copy still ends its work,
        // closes its port and writes its log line.
        signal(SIGPIPE, SIG_IGN);
        const int in = open("/dev/null", O_RDONLY);
        dup2(in, 0);
        dup2(out[1], 1);
        dup2(err[1], 2);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    run.Fd[0] = out[0];
    run.Fd[1] = err[0];
}

class TGangView {
  public:
    TGangView(std::ostream& err, bool draw, const std::vector<TPortRun>& runs)
        : FErr(err), FDraw(draw), FRuns(runs) {}

    // A line a port's copy wrote: progress, its target, or a message. A message and a
    // new step are shown at once.
    void Line(TPortRun& run, const std::string& line) {
        const std::string progress = TProgressBar::ReportPrefix;
        if (line.rfind(progress, 0) == 0) {
            const std::string report = line.substr(progress.size());
            run.Progress = TProgressBar::LineOfReport(report);
            const std::string step = report.substr(0, report.find('\t'));
            if (step != run.StepName) Draw(true);
            run.StepName = step;
            return;
        }
        if (line.rfind(GangTargetPrefix, 0) == 0) {
            run.Target = line.substr(std::string(GangTargetPrefix).size());
            return;
        }
        Clear();
        FErr << run.Port << ": " << line << "\n" << std::flush;
        Draw(true);
    }
    // One line per port, redrawn at most every 100 ms (or at once with `now`).
    void Draw(bool now) {
        if (!FDraw || (!now && TClock::now() - FLast < std::chrono::milliseconds(100))) return;
        Clear();
        for (const TPortRun& run : FRuns) {
            const std::string state = run.Status < 0    ? (run.Progress.empty() ? "starting" : run.Progress)
                                      : run.Status == 0 ? "done"
                                                        : "failed (" + std::to_string(run.Status) + ")";
            FErr << run.Port << "  " << state << "\n";
        }
        FErr << std::flush;
        FShown = int(FRuns.size());
        FLast = TClock::now();
    }
    // Takes the port lines away again.
    void Clear() {
        if (FShown > 0) FErr << "\x1b[" << FShown << "A\r\x1b[J";
        FShown = 0;
    }

  private:
    std::ostream& FErr;
    bool FDraw;
    const std::vector<TPortRun>& FRuns;
    int FShown = 0;
    TClock::time_point FLast;
};

// Reads what one pipe has; false at its end.
bool ReadPipe(TPortRun& run, int which, TGangView& view) {
    char buffer[4096];
    const ssize_t n = read(run.Fd[which], buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) return true;
    if (n <= 0) return false;
    if (which == 0) {
        run.Output.append(buffer, size_t(n));
        return true;
    }
    std::string& text = run.Partial[1];
    text.append(buffer, size_t(n));
    for (size_t end; (end = text.find('\n')) != std::string::npos; text.erase(0, end + 1))
        view.Line(run, text.substr(0, end));
    return true;
}

void Reap(TPortRun& run, TGangView& view) {
    int status = 0;
    while (waitpid(run.Pid, &status, 0) < 0 && errno == EINTR) {
    }
    run.End = TClock::now();
    if (!run.Partial[1].empty()) view.Line(run, run.Partial[1]);
    if (WIFEXITED(status)) {
        run.Status = WEXITSTATUS(status);
    } else {
        view.Line(run, "ended by signal " + std::to_string(WTERMSIG(status)));
        run.Status = ExitFailed;
    }
}

// Waits for every copy, passing each Ctrl-C on to those still running.
void Supervise(std::vector<TPortRun>& runs, TGangView& view) {
    int forwarded = 0;
    for (;;) {
        std::vector<pollfd> fds;
        std::vector<std::pair<size_t, int>> owner;
        for (size_t i = 0; i < runs.size(); ++i)
            for (int which = 0; which < 2; ++which)
                if (runs[i].Fd[which] >= 0) {
                    fds.push_back({runs[i].Fd[which], POLLIN, 0});
                    owner.emplace_back(i, which);
                }
        if (fds.empty()) return;
        for (; forwarded < InterruptCount; ++forwarded)
            for (TPortRun& run : runs)
                if (run.Status < 0) kill(run.Pid, SIGINT);
        if (poll(fds.data(), fds.size(), 100) > 0)
            for (size_t k = 0; k < fds.size(); ++k) {
                if ((fds[k].revents & (POLLIN | POLLHUP | POLLERR)) == 0) continue;
                TPortRun& run = runs[owner[k].first];
                const int which = owner[k].second;
                if (ReadPipe(run, which, view)) continue;
                close(run.Fd[which]);
                run.Fd[which] = -1;
                if (run.Fd[0] >= 0 || run.Fd[1] >= 0) continue;
                Reap(run, view);
                view.Draw(true);
            }
        view.Draw(false);
    }
}

} // namespace

int RunGang(int argc, const char* const* argv, const TOptions& options, std::ostream& out, std::ostream& err,
            bool errIsTerminal) {
    struct sigaction action {
    }, previous{};
    action.sa_handler = OnGangInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &previous);

    const std::string program = OwnProgram(argv[0]);
    std::vector<TPortRun> runs(options.Ports.size());
    TGangView view(err, errIsTerminal && !options.Quiet && !options.Verbose, runs);
    for (size_t i = 0; i < runs.size(); ++i) {
        runs[i].Port = options.Ports[i];
        Start(runs[i], program, GangChildArguments(argc, argv, runs[i].Port));
    }
    view.Draw(true);
    // The port lines stay, with every port's end.
    Supervise(runs, view);
    sigaction(SIGINT, &previous, nullptr);

    std::vector<TGangRow_t> rows;
    std::vector<int> statuses;
    for (const TPortRun& run : runs) {
        for (size_t at = 0, end; (end = run.Output.find('\n', at)) != std::string::npos; at = end + 1)
            out << run.Port << ": " << run.Output.substr(at, end - at) << "\n";
        rows.push_back(
            {run.Port, run.Target, run.Status, std::chrono::duration<double>(run.End - run.Start).count()});
        statuses.push_back(run.Status);
    }
    out << GangTable(rows) << std::flush;
    return GangStatus(statuses);
}

} // namespace vesk::cli
