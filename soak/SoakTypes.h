// Kinds of operations and faults of the fault soak, and what one operation left behind.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace vesk::soak {

// The user's operations, each run in the main window's calling order.
enum class TOpKind { Write, Read, Verify, Erase, DetectTarget, DetectProgrammer };
inline constexpr std::array<TOpKind, 6> AllOpKinds = {TOpKind::Write,        TOpKind::Read,
                                                      TOpKind::Verify,       TOpKind::Erase,
                                                      TOpKind::DetectTarget, TOpKind::DetectProgrammer};

// What the simulated programmer does wrong during one operation.
enum class TFaultKind {
    None,          // fault-free: the write-and-read-back check of the target memory
    NeverAnswer,   // receives everything, answers nothing
    WrongEcho,     // one byte answered with '#'
    SyncZero,      // the synchronisation byte answered with 0x00
    BadRead,       // every word read answers "ZZZZ"
    StopAfter,     // falls silent after N bytes
    LateWithin,    // from byte K on, answers later, but within the per-byte time-out
    LateBeyond,    // from byte K on, answers after the per-byte time-out
    DropLine,      // the adapter is unplugged after N bytes
    UnknownTarget, // the target reports an ID no chip definition has
};
inline constexpr std::array<TFaultKind, 9> InjectedFaults = {
    TFaultKind::NeverAnswer, TFaultKind::WrongEcho, TFaultKind::SyncZero,
    TFaultKind::BadRead,     TFaultKind::StopAfter, TFaultKind::LateWithin,
    TFaultKind::LateBeyond,  TFaultKind::DropLine,  TFaultKind::UnknownTarget};

inline const char* Name(TOpKind kind) {
    switch (kind) {
    case TOpKind::Write:
        return "write";
    case TOpKind::Read:
        return "read";
    case TOpKind::Verify:
        return "verify";
    case TOpKind::Erase:
        return "erase";
    case TOpKind::DetectTarget:
        return "detect target";
    case TOpKind::DetectProgrammer:
        return "detect programmer";
    }
    return "?";
}

inline const char* Name(TFaultKind kind) {
    switch (kind) {
    case TFaultKind::None:
        return "none (memory check)";
    case TFaultKind::NeverAnswer:
        return "never answers";
    case TFaultKind::WrongEcho:
        return "wrong echo";
    case TFaultKind::SyncZero:
        return "sync answered 0x00";
    case TFaultKind::BadRead:
        return "unreadable word";
    case TFaultKind::StopAfter:
        return "falls silent";
    case TFaultKind::LateWithin:
        return "late, within time-out";
    case TFaultKind::LateBeyond:
        return "late, beyond time-out";
    case TFaultKind::DropLine:
        return "line dropped";
    case TFaultKind::UnknownTarget:
        return "unknown target ID";
    }
    return "?";
}

} // namespace vesk::soak
