// The Terminal page: the tool bar with the pass-through switch, Clear, the
// local echo and the (hidden) Close button, and the black scroll box holding
// the terminal view. The window gives the view its port and connects it only
// while the page is shown.
#pragma once

#include <QWidget>

class QCheckBox;
class QToolButton;
class QVBoxLayout;

namespace vesk {
class TComTerminal;
}

class TTerminalPage : public QWidget {
    Q_OBJECT
  public:
    TTerminalPage();

    // The controls, set at construction.
    QToolButton* sbPassThrough = nullptr;
    QToolButton* sbClearTerminal = nullptr;
    QCheckBox* chbLocalEcho = nullptr;
    QToolButton* sbCloseTerminal = nullptr;
    QWidget* TerminalBox = nullptr; // black scroll box holding the terminal view
    vesk::TComTerminal* ComTerminal1 = nullptr;

  private:
    void CreateTerminalBox(QVBoxLayout* page);
};
