#include "ScriptedLine.h"

#include "serial/port/ComErrors.h"
#include "serial/port/ComPort.h"

#include <algorithm>
#include <cerrno>

namespace vesk::sim {

void TScriptedLine::Open(const std::string& port, int32_t) {
    if (FHungUp) throw EComPort(ErrOpen, ENOENT, port);
    FPort = port;
    FOpen = true;
}

void TScriptedLine::Close() {
    FOpen = false;
    FInbox.clear();
}

int TScriptedLine::Write(const void* bytes, int count) {
    if (!FOpen) throw EComPort(ErrWrite, EBADF, FPort);
    if (FHungUp) throw EComPort(ErrWrite, EIO, FPort);
    const auto* b = static_cast<const uint8_t*>(bytes);
    for (int i = 0; i < count && !FHungUp; ++i) {
        const int answer = FScript(b[i]);
        if (answer == HangUp) FHungUp = true;
        if (answer >= 0) FInbox.push_back(uint8_t(answer));
    }
    return count;
}

int TScriptedLine::Read(void* bytes, int count, TTime deadline) {
    if (!FOpen) throw EComPort(ErrRead, EBADF, FPort);
    if (FInbox.empty()) {
        // A line that hung up says so at once; otherwise the wait lasts to the deadline.
        if (!FHungUp) FNow = std::max(FNow, deadline);
        return 0;
    }
    auto* out = static_cast<uint8_t*>(bytes);
    int taken = 0;
    while (taken < count && !FInbox.empty()) {
        out[taken++] = FInbox.front();
        FInbox.pop_front();
    }
    return taken;
}

void TScriptedLine::Purge(bool input, bool) {
    if (!FOpen) throw EComPort(ErrPurge, EBADF, FPort);
    if (input) FInbox.clear();
}

} // namespace vesk::sim
