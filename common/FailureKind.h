// What went wrong, as callers tell failures apart: a `vesk` exit status, the window's
// handling, the soak's judgement of a fault. The message text is for the user; the
// kind is set where the failure is raised and kept while layers chain their context
// lines above it, so that no caller ever reads the text to decide.
#pragma once

namespace vesk {

enum class TFailureKind {
    Other,            // nothing a caller tells apart (an internal refusal, a lost word)
    NotOpened,        // the programmer's port could not be opened or closed
    PortFailure,      // the open port failed: read, write, line settings, device gone
    NoAnswer,         // the programmer did not answer a byte in time
    WrongEcho,        // the programmer answered a byte other than its echo
    UnreadableWord,   // a word read from the target was no word
    NoTarget,         // no target chip chosen or detected
    UnknownTarget,    // the target's ID is in no chip definition
    VerifyDifference, // a target word differs from the buffer
    BadImage,         // the image file is missing, unreadable or malformed
    BadChipFile,      // a chip definition file or folder is unreadable or malformed
    BadArgument,      // a value the call refuses: baud index, region, address, serial number
    FileAccess,       // a file of the program's own could not be read or written
    Aborted,          // the user stopped the operation
    BadCalibration,   // a calibration word read or given cannot be the chip's: nothing erased
};

// A short name of the kind, for reports and logs ("no answer", "wrong echo", ...).
inline const char* KindName(TFailureKind kind) {
    switch (kind) {
    case TFailureKind::Other:
        return "other";
    case TFailureKind::NotOpened:
        return "programmer not opened";
    case TFailureKind::PortFailure:
        return "port failure";
    case TFailureKind::NoAnswer:
        return "no answer";
    case TFailureKind::WrongEcho:
        return "wrong echo";
    case TFailureKind::UnreadableWord:
        return "unreadable word";
    case TFailureKind::NoTarget:
        return "no target";
    case TFailureKind::UnknownTarget:
        return "unknown target";
    case TFailureKind::VerifyDifference:
        return "verify difference";
    case TFailureKind::BadImage:
        return "bad image";
    case TFailureKind::BadChipFile:
        return "bad chip file";
    case TFailureKind::BadArgument:
        return "bad argument";
    case TFailureKind::FileAccess:
        return "file access";
    case TFailureKind::Aborted:
        return "aborted";
    case TFailureKind::BadCalibration:
        return "calibration not valid";
    }
    return "?";
}

} // namespace vesk
