// The progress bar on standard error, driven by the driver's `OnProgress`.
#pragma once

#include <chrono>
#include <iosfwd>
#include <string>

namespace vesk {
class TChipDefinition;
}

namespace vesk::cli {

class TProgressBar {
  public:
    // `report`: instead of drawing, every redraw is one line "@@progress <step>\t<done>\t
    // <total>\t<seconds>" for the vesk that started this one to draw (several ports).
    explicit TProgressBar(std::ostream& out, bool report = false) : FOut(out), FReport(report) {}
    ~TProgressBar() { Finish(); }

    // The step the next bar belongs to: `verb` ("Erase", "Write", "Verify", "Read"),
    // followed by the name of the region that holds the address in progress when
    // `chip` is given ("Write Code", "Verify Data").
    void SetStep(std::string verb, const TChipDefinition* chip);
    // `OnProgress`: a negative value -n starts a bar of n words; every other value is
    // the address of one word done.
    void Step(int value);
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
    std::string FVerb;
    std::string FStep;
    const TChipDefinition* FChip = nullptr;
    std::chrono::steady_clock::time_point FStart;
    std::chrono::steady_clock::time_point FLastDraw;
};

} // namespace vesk::cli
