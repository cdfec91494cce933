#include "driver/VbusLink.h"
#include "driver/VbusFormat.h"

#include "VESK_Exception.h"
#include "common/Text.h"

#include <chrono>

namespace vesk {

using vbus::ExpectedEcho;

TVbusLink::TVbusLink(TTransport& transport, const TTraceEvent* onTrace)
    : FTransport(transport), FOnTrace(onTrace) {}

void TVbusLink::Trace(uint8_t sent, int answer) const {
    if (FOnTrace != nullptr && *FOnTrace) (*FOnTrace)(sent, answer);
}

uint8_t TVbusLink::SendByte(uint8_t b) {
    return WithContext("VBUS write failed", [&]() -> uint8_t {
        const int written = FTransport.Write(&b, 1);
        return AwaitAnswer(b, written == 1);
    });
}

void TVbusLink::SendByteNoEcho(uint8_t b) {
    WithContext("VBUS write failed", [&] {
        FTransport.Write(&b, 1);
        Trace(b, -1);
        FTransport.Sleep(std::chrono::milliseconds(1));
    });
}

void TVbusLink::SendCommand(const std::string& cmd) {
    if (FPipelined && cmd.size() > 1) {
        SendCommandPipelined(cmd);
        return;
    }
    WithContext("VBUS command '" + cmd + "' failed", [&] {
        std::string echo;
        for (char c : cmd) {
            const uint8_t sent = static_cast<uint8_t>(c);
            const uint8_t e = SendByte(sent);
            echo += static_cast<char>(e);
            // The bytes after the first mismatch are not sent.
            if (e != ExpectedEcho(sent)) throw Exception("Got echo: '" + echo + "'", TFailureKind::WrongEcho);
        }
    });
}

void TVbusLink::SendCommandNoEcho(const std::string& s) {
    for (char c : s)
        SendByteNoEcho(static_cast<uint8_t>(c));
}

void TVbusLink::SyncEcho() {
    WithContext("VESK device is not echoing", [&] {
        uint8_t last = 0;
        // A time-out ends the procedure at once; only wrong answers are retried.
        for (int attempt = 0; attempt < 3; ++attempt) {
            FTransport.Purge(true, true);
            last = SendByte(0xFF);
            if (last == '?') return;
        }
        throw Exception("Expecting echo '?', got: 0x" + Hex(last, 2), TFailureKind::WrongEcho);
    });
}

uint8_t TVbusLink::ReadReplyChar() {
    return SendByte('n');
}

std::string TVbusLink::ReadToken() {
    std::string token;
    if (ReadReplyChar() != ' ') return token;
    // At most 100 characters: a 101st is dropped and ends the token.
    int room = 100;
    for (;;) {
        const uint8_t c = ReadReplyChar();
        if (c == ' ') break;
        if (room == 0) break;
        token += static_cast<char>(c);
        --room;
    }
    return token;
}

std::string TVbusLink::FetchReply(int count) {
    if (!FPipelined) {
        std::string reply;
        for (int i = 0; i < count; ++i)
            reply += static_cast<char>(ReadReplyChar());
        return reply;
    }
    return SendBytesBackToBack(std::string(size_t(count > 0 ? count : 0), 'n'), false);
}

uint8_t TVbusLink::AwaitAnswer(uint8_t sent, bool written) {
    const auto deadline =
        FTransport.Now() + std::chrono::milliseconds(FReadTimeoutMs > 0 ? FReadTimeoutMs : 0);
    uint8_t answer = 0;
    const int read = FTransport.Read(&answer, 1, deadline);
    const bool ok = written && read == 1;
    Trace(sent, ok ? answer : -1);
    if (!ok) throw Exception("VBUS Echo timeout", TFailureKind::NoAnswer);
    return answer;
}

std::string TVbusLink::SendBytesBackToBack(const std::string& bytes, bool compare) {
    std::string answers;
    if (bytes.empty()) return answers;
    const int written =
        WithContext("VBUS write failed", [&] { return FTransport.Write(bytes.data(), int(bytes.size())); });
    for (char c : bytes) {
        const uint8_t sent = static_cast<uint8_t>(c);
        // Each answer is awaited as `SendByte` awaits it, under the same wrapper, with
        // a full time-out of its own from the moment the one before it arrived.
        const uint8_t answer =
            WithContext("VBUS write failed", [&] { return AwaitAnswer(sent, written == int(bytes.size())); });
        answers += static_cast<char>(answer);
        if (compare && answer != ExpectedEcho(sent))
            throw Exception("Got echo: '" + answers + "'", TFailureKind::WrongEcho);
    }
    return answers;
}

void TVbusLink::SendCommandPipelined(const std::string& cmd) {
    WithContext("VBUS command '" + cmd + "' failed", [&] {
        std::string echo = SendBytesBackToBack(cmd.substr(0, cmd.size() - 1), true);
        // Every echo of the argument came back right: now the letter may run.
        const uint8_t letter = static_cast<uint8_t>(cmd.back());
        echo += static_cast<char>(SendByte(letter));
        if (uint8_t(echo.back()) != ExpectedEcho(letter))
            throw Exception("Got echo: '" + echo + "'", TFailureKind::WrongEcho);
    });
}

} // namespace vesk
