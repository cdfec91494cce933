#include "TextLines.h"

#include <filesystem>
#include <optional>
#include <utility>

#include "VESK_Exception.h"
#include "common/WholeFile.h"

namespace vesk {

std::vector<std::string> SplitTextLines(const std::string& text, std::size_t maxLines) {
    std::vector<std::string> lines;
    const auto add = [&](std::string line) {
        if (lines.size() >= maxLines)
            throw Exception("File has more than " + std::to_string(maxLines) + " lines");
        lines.push_back(std::move(line));
    };
    std::size_t start = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            add(text.substr(start, i - start));
            ++i;
            if (c == '\r' && i < text.size() && text[i] == '\n') ++i;
            start = i;
        } else {
            ++i;
        }
    }
    if (start < text.size()) add(text.substr(start));
    return lines;
}

std::string ReadTextFile(const std::string& path, std::size_t maxBytes) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (ec || !fs::exists(status))
        throw Exception("Cannot open file: " +
                        (ec ? ec.message() : std::string("No such file or directory")));
    // Devices, pipes and directories are refused: reading them could block or not end.
    if (!fs::is_regular_file(status)) throw Exception("Not a regular file");

    // The short reasons of this reader, in place of the whole-file reader's messages
    // (the callers name the file themselves).
    try {
        std::optional<std::string> text = ReadWholeFile(path, maxBytes);
        if (!text) throw Exception("Cannot open file: No such file or directory"); // gone since
        return std::move(*text);
    } catch (const EFileRead& e) {
        switch (e.Failure()) {
        case TFileReadFailure::Folder:
        case TFileReadFailure::NotRegular:
            throw Exception("Not a regular file");
        case TFileReadFailure::CannotOpen:
            throw Exception("Cannot open file: " + e.Reason());
        case TFileReadFailure::TooLarge:
            throw Exception(e.Reason());
        default:
            throw Exception("Cannot read file: " + e.Reason());
        }
    }
}

} // namespace vesk
