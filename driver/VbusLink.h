// The VBUS command link, the lowest layer of the programmer driver: every byte goes out
// through the transport and the programmer's answer comes back within the read
// time-out, on the transport's clock; the echoes of a command are compared, reply
// characters are fetched one per 'n'. Every failure becomes a chained
// `VESK_Exception` ("VBUS write failed", "VBUS command '...' failed", ...).
//
// Pipelined (experimental, off by default): the argument characters of a command go
// out back to back and their echoes are checked as they come back; the command letter
// follows only when every one of them came back right. The reply characters of a read
// are fetched the same way. The bytes on the wire are those of the stop-and-wait
// exchange; only the waits between them go.
#pragma once

#include "serial/port/Transport.h"

#include <cstdint>
#include <functional>
#include <string>

namespace vesk {

// Every byte exchanged: the byte sent and the byte that answered it, or -1 when nothing
// answered in time or the byte is sent without waiting for an answer.
using TTraceEvent = std::function<void(uint8_t sent, int answer)>;

class TVbusLink {
  public:
    // `onTrace`, when given, is called for every byte exchanged; its owner keeps it and
    // may assign it at any time.
    explicit TVbusLink(TTransport& transport, const TTraceEvent* onTrace = nullptr);

    TTransport& Transport() { return FTransport; }

    // Longest wait for the answer to each byte, in ms on the transport's clock.
    int32_t ReadTimeoutMs() const { return FReadTimeoutMs; }
    void SetReadTimeoutMs(int32_t value) { FReadTimeoutMs = value; }
    bool Pipelined() const { return FPipelined; }
    void SetPipelined(bool value) { FPipelined = value; }

    // The answer to `b`; "VBUS write failed" over "VBUS Echo timeout" when none came
    // or the byte did not go out.
    uint8_t SendByte(uint8_t b);
    // Sends `b` without waiting for an answer, then pauses 1 ms.
    void SendByteNoEcho(uint8_t b);
    // Sends `cmd` and compares every echo with the byte in upper case; the bytes after
    // a wrong echo are not sent ("Got echo: '...'").
    void SendCommand(const std::string& cmd);
    void SendCommandNoEcho(const std::string& s);
    // Purges the line and sends 0xFF until it is answered with '?': three tries; a
    // time-out ends it at once ("VESK device is not echoing").
    void SyncEcho();
    // The answer to 'n': the next character of the last command's reply.
    uint8_t ReadReplyChar();
    // A reply token framed by spaces, at most 100 characters; empty when the first
    // character is not a space.
    std::string ReadToken();
    // `count` reply characters, one 'n' each (back to back when pipelined).
    std::string FetchReply(int count);

  private:
    // The answer to `sent`, awaited for the read time-out; "VBUS Echo timeout" when none
    // came or the byte was not `written`.
    uint8_t AwaitAnswer(uint8_t sent, bool written);
    // Writes `bytes` at once, then takes their answers one by one, each under the
    // "VBUS write failed" wrapper; `compare`: a wrong echo ends it with "Got echo".
    std::string SendBytesBackToBack(const std::string& bytes, bool compare);
    void SendCommandPipelined(const std::string& cmd);
    void Trace(uint8_t sent, int answer) const;

    TTransport& FTransport;
    const TTraceEvent* FOnTrace;
    int32_t FReadTimeoutMs = 500;
    bool FPipelined = false;
};

} // namespace vesk
