// The Buffer page: the tool bar with Load and Save, the dump of the chip's buffer
// with its "Select target chip type" panel, and beside it the configuration view
// (the two share the page's width through a splitter).
#pragma once

#include <QWidget>

class QAction;
class QLabel;
class QSplitter;
class TConfigView;
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
    TConfigView* ConfigView = nullptr; // the configuration words as named settings
    QSplitter* splBuffer = nullptr;    // the dump left, the configuration view right
    // "Save buffer to image file", Ctrl+S: the Save button triggers it.
    QAction* actSaveBuffer = nullptr;
};
