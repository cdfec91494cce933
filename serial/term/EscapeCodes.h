#pragma once
// Base of the escape-code decoders: collects the bytes of a control sequence one at
// a time, so input may arrive in chunks of any size, and yields either a plain
// character, a completed code with its parameters, or nothing yet.

#include <string>
#include <string_view>
#include <vector>

namespace vesk {

enum class TEscapeCode {
    ecUnknown,
    ecNotCompleted,
    ecCursorUp,
    ecCursorDown,
    ecCursorLeft,
    ecCursorRight,
    ecCursorHome,
    ecCursorMove,
    ecReverseLineFeed,
    ecAppCursorLeft,
    ecAppCursorRight,
    ecAppCursorUp,
    ecAppCursorDown,
    ecEraseLineFrom,
    ecEraseScreenFrom,
    ecEraseLine,
    ecEraseScreen,
    ecSetTab,
    ecClearTab,
    ecClearAllTabs,
    ecIdentify,
    ecIdentResponse,
    ecQueryDevice,
    ecReportDeviceOK,
    ecReportDeviceFailure,
    ecQueryCursorPos,
    ecReportCursorPos,
    ecAttributes,
    ecSetMode,
    ecResetMode,
    ecReset,
    ecSaveCaretAndAttr,
    ecRestoreCaretAndAttr,
    ecSaveCaret,
    ecRestoreCaret,
    ecTest,
    // Codes that targets send beside the ones above; none of them shows as text.
    ecIndex,         // ESC D: line feed in the same column
    ecNextLine,      // ESC E: carriage return and line feed
    ecEraseLineTo,   // ESC [ 1 K: from the start of the line to the caret
    ecEraseScreenTo, // ESC [ 1 J: from the start of the screen to the caret
    ecCharacterSet,  // ESC ( ) * + and one byte: a character set designation
};

// The enumeration name of a code, e.g. "ecCursorUp".
std::string_view EscapeCodeName(TEscapeCode code);

// What one byte fed to ProcessChar amounted to.
enum class TEscapeResult {
    erChar,    // a plain character: Character()
    erCode,    // a sequence ended: Code(), Params(), Data()
    erNothing, // the byte belongs to a sequence that is still open
};

class TEscapeCodes {
  public:
    virtual ~TEscapeCodes() = default;

    virtual TEscapeResult ProcessChar(unsigned char ch) = 0;
    // The bytes to transmit for a code (empty when the code has no text).
    virtual std::string EscCodeToStr(TEscapeCode code, const std::vector<std::string>& params) const = 0;

    // The i-th parameter (from 1) as an integer; missing or not a number gives 1.
    int GetParam(int index) const;
    static int GetParam(int index, const std::vector<std::string>& params);

    const std::string& Data() const { return FData; }
    unsigned char Character() const { return FCharacter; }
    TEscapeCode Code() const { return FCode; }
    const std::vector<std::string>& Params() const { return FParams; }
    void ClearParams() { FParams.clear(); }
    bool InSequence() const { return FInSequence; }
    bool InExtSequence() const { return FInExtSequence; }

  protected:
    std::string FData;            // sequence text so far, without the escape character
    unsigned char FCharacter = 0; // last plain character
    TEscapeCode FCode = TEscapeCode::ecUnknown;
    std::vector<std::string> FParams;
    bool FInSequence = false;
    bool FInExtSequence = false;
};

} // namespace vesk
