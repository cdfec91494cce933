// Watching an image file for the edit-build-program loop: a build tool rewrites the
// file, and once it has stopped writing the new image is programmed.
//
// The watch is asked at moments the caller chooses (a timer in the window, a loop in
// `vesk write --watch`) and is told the time, so that a test decides how much time has
// passed. A change counts once the file has stayed as it is for `SettleTime` and then
// reads as a whole image: every line a valid record and an end-of-file record present.
// A file caught half written (a truncated line, no end-of-file record yet) is therefore
// never taken; it is looked at again at its next change.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace vesk {

class TImageFileWatch {
  public:
    using TClock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds SettleTime{500};

    enum class TResult {
        Unchanged,  // nothing new, or a change still settling
        Ready,      // changed, settled and a whole image: to be written
        Incomplete, // changed and settled, but not a whole image (Message says why)
    };

    // Watches `fileName`; the file as it is now counts as seen. An empty name watches
    // nothing.
    void Watch(const std::string& fileName);
    const std::string& FileName() const { return FFileName; }

    // Looks at the file. Ready and Incomplete are given once per change.
    TResult Check(TClock::time_point now);
    // Why the last change was not taken (the reader's message); empty after Ready.
    const std::string& Message() const { return FMessage; }

  private:
    // What tells one state of the file from another; none while it does not exist.
    struct TStamp {
        std::uintmax_t Size = 0;
        std::filesystem::file_time_type Written;
        bool operator==(const TStamp& other) const { return Size == other.Size && Written == other.Written; }
    };
    static std::optional<TStamp> StampOf(const std::string& fileName);
    // Loads the file; empty when it is a whole image, else the reason.
    static std::string ImageProblem(const std::string& fileName);

    std::string FFileName;
    std::optional<TStamp> FSeen;
    std::optional<TClock::time_point> FChangedAt; // a change not yet taken
    std::string FMessage;
};

} // namespace vesk
