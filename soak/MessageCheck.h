// Checks a failed driver operation: its chained message has one line per layer, the
// failing step's own line first and a cause under it, and its kind names what went
// wrong. The lines in between are the driver's to word; only its kind is judged.
#pragma once

#include "common/FailureKind.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace vesk::soak {

// The lines of `message`, split at "\n" (an empty trailing line is kept as one).
std::vector<std::string> SplitLines(const std::string& message);

// Problems found in the failure, empty when it is sound. `firstLine` is the wrapper
// the failing step raises: the first line must equal it, or begin with it when
// `prefixOnly` (wrappers that carry a variable part, such as a region).
std::vector<std::string> CheckMessage(const std::string& message, TFailureKind kind,
                                      const std::string& firstLine, bool prefixOnly);

// The words a failed erase names as not restored, from its line "Preserved words not
// restored: [0x<address>] = 0x<word>, ..." (address -> word); empty when the message
// has no such line.
std::map<int32_t, int32_t> NotRestoredWords(const std::string& message);

} // namespace vesk::soak
