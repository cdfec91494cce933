// What the several-port run decides without starting anything: arguments, status, table.
#include "cli/Gang.h"

#include <algorithm>
#include <cstdio>

namespace vesk::cli {

std::vector<std::string> GangChildArguments(int argc, const char* const* argv, const std::string& port) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "-p" || a == "--port") {
            ++i; // and its value
            continue;
        }
        if (a.rfind("--port=", 0) == 0 || (a.size() > 2 && a.rfind("-p", 0) == 0 && a[2] != '-')) continue;
        args.push_back(a);
    }
    args.insert(args.end(), {"--port", port, "--gang-child"});
    return args;
}

int GangStatus(const std::vector<int>& statuses) {
    int failed = 0;
    for (int status : statuses) {
        if (status == 0) continue;
        if (failed != 0 && failed != status) return 1;
        failed = status;
    }
    return failed;
}

std::string GangTable(const std::vector<TGangRow_t>& rows) {
    std::vector<std::vector<std::string>> cells{{"port", "target", "result", "time"}};
    for (const TGangRow_t& row : rows) {
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%.1f s", row.Seconds);
        cells.push_back({row.Port, row.Target.empty() ? "-" : row.Target,
                         row.Status == 0 ? "ok" : "failed (" + std::to_string(row.Status) + ")", seconds});
    }
    std::vector<size_t> widths(4, 0);
    for (const auto& line : cells)
        for (size_t i = 0; i < line.size(); ++i)
            widths[i] = std::max(widths[i], line[i].size());
    std::string table;
    for (const auto& line : cells) {
        std::string text;
        for (size_t i = 0; i < line.size(); ++i)
            text +=
                i + 1 < line.size() ? line[i] + std::string(widths[i] - line[i].size() + 2, ' ') : line[i];
        table += text + "\n";
    }
    return table;
}

} // namespace vesk::cli
