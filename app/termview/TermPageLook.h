// The look the main window's Terminal page gives its terminal view, and a short
// sample session for pictures of it.
#pragma once

#include <QString>

namespace vesk {

class TComTerminal;

// 80 x 24 cells, VT100/ANSI, white "Courier New" 15 pixels high on black, East
// European character set, underline caret, carriage return followed by a line
// feed, long lines wrapped, sized to its cells, no border.
void ApplyTerminalPageLook(TComTerminal& terminal);

// Writes a short session of a target's monitor program to the screen: plain,
// bold, underlined and reverse text and a prompt.
void WriteSampleSession(TComTerminal& terminal);

// Renders a terminal with the Terminal page's look showing the sample session and
// saves it as a PNG file. Needs a QApplication. Returns whether the file was written.
bool SaveTerminalSample(const QString& path);

} // namespace vesk
