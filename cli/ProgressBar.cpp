#include "cli/ProgressBar.h"

#include <cstdio>
#include <ostream>
#include <sstream>
#include <string>

namespace vesk::cli {

namespace {
constexpr int BarWidth = 30;
}

std::string TProgressBar::Line(int done, int total, double seconds) {
    const int percent = total > 0 ? int(int64_t(done) * 100 / total) : 100;
    const int filled = total > 0 ? int(int64_t(done) * BarWidth / total) : BarWidth;
    std::string bar =
        "[" + std::string(size_t(filled), '#') + std::string(size_t(BarWidth - filled), '-') + "]";
    const double rate = seconds > 0 ? done / seconds : 0.0;
    char text[128];
    std::snprintf(text, sizeof text, " %3d%%  %d/%d words  %.1f s  %.0f words/s", percent, done, total,
                  seconds, rate);
    return bar + text;
}

std::string TProgressBar::Line(const std::string& step, int done, int total, double seconds) {
    std::string line = (step.empty() ? "" : step + "  ") + Line(done, total, seconds);
    if (done > 0 && done < total) {
        char left[48];
        std::snprintf(left, sizeof left, "  %.1f s left", seconds / done * (total - done));
        line += left;
    }
    return line;
}

std::string TProgressBar::LineOfReport(const std::string& report) {
    std::istringstream fields(report);
    std::string step;
    int done = 0, total = 0;
    double seconds = 0;
    if (!std::getline(fields, step, '\t') || !(fields >> done >> total >> seconds)) return "";
    return Line(step, done, total, seconds);
}

void TProgressBar::Show(const ops::TProgress& progress) {
    const auto now = std::chrono::steady_clock::now();
    if (progress.Done == 0) {
        Finish();
        FActive = true;
        FStep = progress.Step;
        FTotal = progress.Total;
        FDone = 0;
        FStart = now;
        Draw();
        FLastDraw = now;
        return;
    }
    if (!FActive) return;
    FDone = progress.Done;
    const bool newStep = progress.Step != FStep;
    FStep = progress.Step;
    // Redrawn at most every 50 ms, and always at a new step and at the end.
    if (newStep || FDone >= FTotal || now - FLastDraw >= std::chrono::milliseconds(50)) {
        Draw();
        FLastDraw = now;
    }
}

void TProgressBar::Draw() {
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - FStart).count();
    if (FReport)
        FOut << ReportPrefix << FStep << "\t" << FDone << "\t" << FTotal << "\t" << seconds << "\n"
             << std::flush;
    else
        FOut << "\r" << Line(FStep, FDone, FTotal, seconds) << std::flush;
}

void TProgressBar::Finish() {
    if (!FActive) return;
    Draw();
    if (!FReport) FOut << "\n" << std::flush;
    FActive = false;
}

} // namespace vesk::cli
