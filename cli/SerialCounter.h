// The serial number counter file: the next number in decimal text.
//
// `Take` hands out the file's number and advances the file under an exclusive lock
// (flock on "<file>.lock"), by writing a temporary file and renaming it over the old
// one, so a number is never handed out twice: not by two commands at once, and not
// after a crash at any point (a crash leaves the old file or the new one, whole).
// A number whose chip then fails is spent, never handed out again.
#pragma once

#include <cstdint>
#include <string>

namespace vesk::cli {

class TSerialCounter {
  public:
    TSerialCounter(std::string path, int bytes) : FPath(std::move(path)), FBytes(bytes) {}

    // The number the next `Take` would hand out, without taking it. Raises ECommand:
    // 6 when the file is missing or holds no number, 2 when the number does not fit in
    // the serial number's bytes.
    uint64_t Peek() const;
    // Takes the next number and leaves the one after it in the file; raises as `Peek`,
    // and 1 when the file cannot be replaced. The file is unchanged on every failure.
    uint64_t Take() const;

  private:
    uint64_t ReadChecked() const;

    std::string FPath;
    int FBytes;
};

} // namespace vesk::cli
