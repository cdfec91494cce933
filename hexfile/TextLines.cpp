#include "TextLines.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "VESK_Exception.h"

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

    std::ifstream in(path, std::ios::binary);
    if (!in) throw Exception(std::string("Cannot open file: ") + std::strerror(errno));
    std::string text;
    char buffer[65536];
    while (in) {
        in.read(buffer, sizeof buffer);
        const std::size_t got = static_cast<std::size_t>(in.gcount());
        if (text.size() + got > maxBytes)
            throw Exception("File is larger than " + std::to_string(maxBytes) + " bytes");
        text.append(buffer, got);
    }
    if (in.bad()) throw Exception(std::string("Cannot read file: ") + std::strerror(errno));
    return text;
}

} // namespace vesk
