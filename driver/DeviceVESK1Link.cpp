// The VBUS command link: one byte out, its echo back, compared.
#include "driver/DeviceVESK1.h"
#include "driver/VbusFormat.h"

#include "VESK_Exception.h"
#include "common/Text.h"

#include <chrono>
#include <thread>

namespace vesk {

using vbus::ExpectedEcho;

uint8_t TDeviceVESK1::SendByte(uint8_t b) {
    return WithContext("VBUS write failed", [&]() -> uint8_t {
        const int written = ComPort1.Write(&b, 1);
        return AwaitAnswer(b, written == 1);
    });
}

void TDeviceVESK1::SendByteNoEcho(uint8_t b) {
    WithContext("VBUS write failed", [&] {
        ComPort1.Write(&b, 1);
        if (OnTrace) OnTrace(b, -1);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    });
}

void TDeviceVESK1::SendCommand(const std::string& cmd) {
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
            if (e != ExpectedEcho(sent)) throw Exception("Got echo: '" + echo + "'");
        }
    });
}

void TDeviceVESK1::SendCommandNoEcho(const std::string& s) {
    for (char c : s)
        SendByteNoEcho(static_cast<uint8_t>(c));
}

void TDeviceVESK1::SyncEcho() {
    WithContext("VESK device is not echoing", [&] {
        uint8_t last = 0;
        // A time-out ends the procedure at once; only wrong answers are retried.
        for (int attempt = 0; attempt < 3; ++attempt) {
            ComPort1.ClearBuffer(true, true);
            last = SendByte(0xFF);
            if (last == '?') return;
        }
        throw Exception("Expecting echo '?', got: 0x" + Hex(last, 2));
    });
}

uint8_t TDeviceVESK1::ReadReplyChar() {
    return SendByte('n');
}

std::string TDeviceVESK1::ReadToken() {
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

} // namespace vesk
