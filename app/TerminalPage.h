// The Terminal page: the tool bar with the pass-through switch, Clear, Save
// terminal text, the local echo and the (hidden) Close button, and the black
// scroll box holding the terminal view with its scroll-back. The window gives the
// view its port and connects it only while the page is shown.
//
// The box keeps the caret in view; scrolled away from it (up into the scroll-back)
// it stays where the user put it until a key is typed or the caret is in view again.
#pragma once

#include <QWidget>

class QAction;
class QCheckBox;
class QScrollArea;
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
    QToolButton* sbSaveTerminal = nullptr;
    QCheckBox* chbLocalEcho = nullptr;
    QToolButton* sbCloseTerminal = nullptr;
    QScrollArea* TerminalBox = nullptr; // black scroll box holding the terminal view
    vesk::TComTerminal* ComTerminal1 = nullptr;
    // "Save terminal text…": the Save button and the terminal's context menu.
    QAction* actSaveTerminalText = nullptr;

  private:
    void CreateTerminalBox(QVBoxLayout* page);
    void FollowTheCaret();
    QRect CaretCell() const; // in the terminal's coordinates
    bool CaretInView() const;
    void ShowCaret();

    bool FFollow = true; // the box keeps the caret in view
};
