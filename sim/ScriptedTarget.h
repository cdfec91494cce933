// A stand-in for the target's firmware on its serial line in pass-through: it greets
// with a banner line and answers every byte with its upper-case form, so that a target
// can be seen talking through the programmer without a second program.
#pragma once

#include "common/Text.h"

#include <cstdint>
#include <string>

namespace vesk::sim {

class TScriptedTarget {
  public:
    explicit TScriptedTarget(std::string banner) : FBanner(std::move(banner)) {}

    // The banner line, ended by CR LF.
    std::string Banner() const { return FBanner + "\r\n"; }
    // The answer to one received byte: letters in upper case, CR as CR LF.
    std::string Receive(uint8_t byte) const {
        if (byte == '\r') return "\r\n";
        return std::string(1, UpperCase(char(byte)));
    }

  private:
    std::string FBanner;
};

} // namespace vesk::sim
