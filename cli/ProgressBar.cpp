#include "cli/ProgressBar.h"

#include <cstdio>
#include <ostream>
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

void TProgressBar::Step(int value) {
    const auto now = std::chrono::steady_clock::now();
    if (value < 0) {
        Finish();
        FActive = true;
        FTotal = -value;
        FDone = 0;
        FStart = now;
        Draw();
        FLastDraw = now;
        return;
    }
    if (!FActive) return;
    ++FDone;
    // Redrawn at most every 50 ms, and always at the end.
    if (FDone >= FTotal || now - FLastDraw >= std::chrono::milliseconds(50)) {
        Draw();
        FLastDraw = now;
    }
}

void TProgressBar::Draw() {
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - FStart).count();
    FOut << "\r" << Line(FDone, FTotal, seconds) << std::flush;
}

void TProgressBar::Finish() {
    if (!FActive) return;
    Draw();
    FOut << "\n" << std::flush;
    FActive = false;
}

} // namespace vesk::cli
