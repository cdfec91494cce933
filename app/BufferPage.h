// The Buffer page: the tool bar with Load and Save, and the dump of the chip's
// buffer with its "Select target chip type" panel.
#pragma once

#include <QWidget>

class QAction;
class QLabel;
class QToolButton;
class THexEditor;

class TBufferPage : public QWidget {
    Q_OBJECT
  public:
    TBufferPage();

    // The controls, set at construction.
    QToolButton* sbLoadBuffer = nullptr;
    QToolButton* sbSaveBuffer = nullptr;
    THexEditor* HexEditor1 = nullptr;  // the dump with its grid
    QLabel* pnlSelectTarget = nullptr; // the editor's "Select target chip type" panel
    // "Save buffer to image file", Ctrl+S: the Save button triggers it.
    QAction* actSaveBuffer = nullptr;
};
