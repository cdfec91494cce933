#include "SoakOptions.h"

#include "common/Text.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace vesk::soak {

namespace {

bool ReadNumber(const char* text, double& out) {
    char* end = nullptr;
    const double value = std::strtod(text, &end);
    if (end == text || *end != '\0' || value < 0) return false;
    out = value;
    return true;
}

int Usage() {
    std::fprintf(stderr, "usage: vesk_soak [--ops N] [--seed S] [--seconds T] [--workers W] [--timeout MS] "
                         "[--verbose]\n");
    return 2;
}

// One setting by its name; false when the text is no value of it.
bool Apply(TSoakConfig& config, const std::string& name, const char* text) {
    double value = 0;
    if (name == "seed") {
        char* end = nullptr;
        config.Seed = std::strtoull(text, &end, 0);
        return end != text && *end == '\0';
    }
    if (!ReadNumber(text, value)) return false;
    if (name == "ops")
        config.FaultedOps = int64_t(value);
    else if (name == "seconds")
        config.Seconds = value;
    else if (name == "workers")
        config.Workers = std::max(1, int(value));
    else if (name == "timeout")
        config.TimeoutMs = std::max(1, int(value));
    return true;
}

} // namespace

int ReadConfig(int argc, char** argv, TSoakConfig& config) {
    for (const char* name : {"ops", "seed", "seconds", "workers"}) {
        const std::string env = UpperCase(std::string("VESK_SOAK_") + name);
        if (const char* text = std::getenv(env.c_str()); text && *text && !Apply(config, name, text)) {
            std::fprintf(stderr, "vesk_soak: bad %s: %s\n", env.c_str(), text);
            return 2;
        }
    }
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--verbose") {
            config.Verbose = true;
        } else if (arg.rfind("--", 0) == 0 && i + 1 < argc &&
                   (arg == "--ops" || arg == "--seed" || arg == "--seconds" || arg == "--workers" ||
                    arg == "--timeout")) {
            if (!Apply(config, arg.substr(2), argv[++i])) {
                std::fprintf(stderr, "vesk_soak: bad value for %s: %s\n", arg.c_str(), argv[i]);
                return 2;
            }
        } else {
            return Usage();
        }
    }
    return -1;
}

} // namespace vesk::soak
