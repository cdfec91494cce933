// The progress bar on standard error: it shows the operation's progress as it comes.
#pragma once

#include "ops/Steps.h"

#include <chrono>
#include <iosfwd>
#include <string>

namespace vesk::cli {

class TProgressBar {
  public:
    // `report`: instead of drawing, every redraw is one line "@@progress <step>\t<done>\t
    // <total>\t<seconds>" for the vesk that started this one to draw (several ports).
    explicit TProgressBar(std::ostream& out, bool report = false) : FOut(out), FReport(report) {}
    ~TProgressBar() { Finish(); }

    // A step's start (0 done) begins a new bar; every later value moves it.
    void Show(const ops::TProgress& progress);
    // Ends the bar in progress, if any, with a line break.
    void Finish();

    // "[#####---------------]  25%  100/400 words  1.2 s  83 words/s"
    static std::string Line(int done, int total, double seconds);
    // "Write Code  " + the line above + "  3.6 s left" (the time left from the rate so
    // far, once a word is done and while words remain).
    static std::string Line(const std::string& step, int done, int total, double seconds);

    // The line of a report line's text ("<step>\t<done>\t<total>\t<seconds>"); empty when
    // it is none.
    static std::string LineOfReport(const std::string& report);
    static constexpr const char* ReportPrefix = "@@progress ";

  private:
    void Draw();

    std::ostream& FOut;
    bool FReport;
    bool FActive = false;
    int FTotal = 0;
    int FDone = 0;
    std::string FStep;
    std::chrono::steady_clock::time_point FStart;
    std::chrono::steady_clock::time_point FLastDraw;
};

} // namespace vesk::cli
