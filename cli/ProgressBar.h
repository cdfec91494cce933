// The progress bar on standard error, driven by the driver's `OnProgress`.
#pragma once

#include <chrono>
#include <iosfwd>

namespace vesk::cli {

class TProgressBar {
  public:
    explicit TProgressBar(std::ostream& out) : FOut(out) {}
    ~TProgressBar() { Finish(); }

    // `OnProgress`: a negative value -n starts a bar of n words; every other value is
    // one word done.
    void Step(int value);
    // Ends the bar in progress, if any, with a line break.
    void Finish();

    // "[#####---------------]  25%  100/400 words  1.2 s  83 words/s"
    static std::string Line(int done, int total, double seconds);

  private:
    void Draw();

    std::ostream& FOut;
    bool FActive = false;
    int FTotal = 0;
    int FDone = 0;
    std::chrono::steady_clock::time_point FStart;
    std::chrono::steady_clock::time_point FLastDraw;
};

} // namespace vesk::cli
