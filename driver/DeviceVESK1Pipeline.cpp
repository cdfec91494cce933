// The pipelined exchange (experimental, off by default): the argument characters of a
// command go out back to back and their echoes are checked as they come back; the
// command letter follows only when every one of them came back right. The reply
// characters of a read are fetched the same way. The bytes on the wire are those of
// the stop-and-wait exchange; only the waits between them go.
#include "driver/DeviceVESK1.h"
#include "driver/VbusFormat.h"

#include "VESK_Exception.h"

#include <chrono>

namespace vesk {

using vbus::ExpectedEcho;

uint8_t TDeviceVESK1::AwaitAnswer(uint8_t sent, bool written) {
    // The wait sleeps in the OS until the answer arrives or the deadline passes,
    // so the answer is taken the moment it arrives and nothing spins meanwhile.
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::milliseconds(FComReadTimeout > 0 ? FComReadTimeout : 0);
    int read = 0;
    uint8_t answer = 0;
    if (ComPort1.WaitForInput(deadline) || ComPort1.InputCount() > 0) read = ComPort1.Read(&answer, 1);
    const bool ok = written && read == 1;
    if (OnTrace) OnTrace(sent, ok ? answer : -1);
    if (!ok) throw Exception("VBUS Echo timeout");
    return answer;
}

std::string TDeviceVESK1::SendBytesBackToBack(const std::string& bytes, bool compare) {
    std::string answers;
    if (bytes.empty()) return answers;
    const int written =
        WithContext("VBUS write failed", [&] { return ComPort1.Write(bytes.data(), int(bytes.size())); });
    for (char c : bytes) {
        const uint8_t sent = static_cast<uint8_t>(c);
        // Each answer is awaited as `SendByte` awaits it, under the same wrapper, with
        // a full time-out of its own from the moment the one before it arrived.
        const uint8_t answer =
            WithContext("VBUS write failed", [&] { return AwaitAnswer(sent, written == int(bytes.size())); });
        answers += static_cast<char>(answer);
        if (compare && answer != ExpectedEcho(sent)) throw Exception("Got echo: '" + answers + "'");
    }
    return answers;
}

void TDeviceVESK1::SendCommandPipelined(const std::string& cmd) {
    WithContext("VBUS command '" + cmd + "' failed", [&] {
        std::string echo = SendBytesBackToBack(cmd.substr(0, cmd.size() - 1), true);
        // Every echo of the argument came back right: now the letter may run.
        const uint8_t letter = static_cast<uint8_t>(cmd.back());
        echo += static_cast<char>(SendByte(letter));
        if (uint8_t(echo.back()) != ExpectedEcho(letter)) throw Exception("Got echo: '" + echo + "'");
    });
}

std::string TDeviceVESK1::FetchReply(int count) {
    if (!FPipelined) {
        std::string reply;
        for (int i = 0; i < count; ++i)
            reply += static_cast<char>(ReadReplyChar());
        return reply;
    }
    return SendBytesBackToBack(std::string(size_t(count > 0 ? count : 0), 'n'), false);
}

} // namespace vesk
