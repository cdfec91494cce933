// A fresh folder under the system's temporary folder for one test, and whole-file
// reading and writing.
#pragma once

#include <string>

namespace vesk::test {

// Made on construction with a name no other folder has; removed with everything in it
// at scope end (made writable first, so that a test may leave it read-only).
class TTempFolder {
  public:
    TTempFolder(); // throws std::runtime_error when no folder can be made
    ~TTempFolder();
    TTempFolder(const TTempFolder&) = delete;
    TTempFolder& operator=(const TTempFolder&) = delete;

    // The folder, ending in "/".
    const std::string& Path() const { return FPath; }
    // The path of `name` in the folder.
    std::string operator/(const std::string& name) const { return FPath + name; }
    // Writes `content` to the file `name` in the folder; returns its path.
    std::string Write(const std::string& name, const std::string& content) const;

  private:
    std::string FPath;
};

// The whole file as bytes; empty when it cannot be read.
std::string ReadText(const std::string& path);
// Writes the file anew; throws std::runtime_error when that fails.
void WriteText(const std::string& path, const std::string& text);
bool FileExists(const std::string& path);

} // namespace vesk::test
