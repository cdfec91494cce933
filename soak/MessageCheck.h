// Checks the chained message of a failed driver operation: one line per layer, the
// operation's own wrapper first, a root cause last, every line a text the driver
// raises, and each line under the layer that can raise it.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace vesk::soak {

// The lines of `message`, split at "\n" (an empty trailing line is kept as one).
std::vector<std::string> SplitLines(const std::string& message);

// Problems found in `message`, empty when it is sound. `firstLine` is the wrapper
// the failing step raises: the first line must equal it, or begin with it when
// `prefixOnly` (wrappers that carry a variable part, such as a region).
std::vector<std::string> CheckChain(const std::string& message, const std::string& firstLine,
                                    bool prefixOnly);

// The words a failed erase names as not restored, from its line "Preserved words not
// restored: [0x<address>] = 0x<word>, ..." (address -> word); empty when the message
// has no such line.
std::map<int32_t, int32_t> NotRestoredWords(const std::string& message);

// True when `line` is one of the serial port's own error texts (with or without the
// operating system's error code).
bool IsPortError(const std::string& line);
// True when `line` is the last line of a port error that says what to do.
bool IsPortHint(const std::string& line);

} // namespace vesk::soak
