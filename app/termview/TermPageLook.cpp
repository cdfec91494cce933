#include "TermPageLook.h"

#include "ComTerminal.h"

#include <QPixmap>

namespace vesk {

void ApplyTerminalPageLook(TComTerminal& terminal) {
    terminal.SetBorderStyle(TTermBorderStyle::bsNone);
    terminal.SetColumns(80);
    terminal.SetRows(24);
    terminal.SetEmulation(TTermEmulation::teVT100orANSI);
    terminal.SetCaret(TTermCaret::tcUnderline);
    terminal.SetSendLF(true);
    terminal.SetAppendLF(false);
    terminal.SetWrapLines(true);
    terminal.SetArrowKeys(TArrowKeys::akTerminal);
    terminal.SetWantTab(false);
    terminal.SetColor(clBlack);
    terminal.SetFontColor(clWhite);
    terminal.SetCharSet(TTermCharSet::tcsEastEurope);
    QFont font(QStringLiteral("Courier New"));
    font.setPixelSize(15);
    terminal.setFont(font);
    terminal.SetAutoSize(true);
}

void WriteSampleSession(TComTerminal& terminal) {
    terminal.WriteStr("\033[1mTarget monitor 1.2\033[m  (pass-through at 9600 bit/s)\r\n"
                      "Type ? for help.\r\n"
                      "\r\n"
                      "> ?\r\n"
                      "  \033[4mCommands\033[24m\r\n"
                      "  r <addr>        read eight bytes\r\n"
                      "  w <addr> <val>  write one byte\r\n"
                      "  g               run the application\r\n"
                      "> r 20\r\n"
                      "  0020: 3F 06 5B 4F 66 6D 7D 07\r\n"
                      "\033[7m STATUS: RUN   TEMP: 23.5 C   LED: ON \033[m\r\n"
                      "> ");
}

bool SaveTerminalSample(const QString& path) {
    TComTerminal terminal;
    ApplyTerminalPageLook(terminal);
    WriteSampleSession(terminal);
    return terminal.grab().save(path, "PNG");
}

} // namespace vesk
