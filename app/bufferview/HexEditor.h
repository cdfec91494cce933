// The Buffer page's hexadecimal dump of the selected chip's image buffer.
//
// Embedding: put one THexEditor in the page below the tool bar, give it the driver's
// session with SetSession whenever that changes (nullptr when none), and call
// RefreshBufferView when the page is chosen and after the buffer was loaded. The widget
// holds the grid and the centred "Select target chip type" panel, shown instead of any
// words while no chip is set; the page's load and save buttons stay with the page.
#pragma once

#include <QString>
#include <QWidget>

#include "bufferview/HexGrid.h"

class QLabel;
class QTableView;
class THexGridModel;

namespace vesk {
class TChipSession;
}

class THexEditor : public QWidget {
    Q_OBJECT
  public:
    explicit THexEditor(QWidget* parent = nullptr);
    ~THexEditor() override;

    // The session whose buffer the next RefreshBufferView shows; nullptr for none. The
    // session is not owned and must outlive its use here.
    void SetSession(const vesk::TChipSession* session) { FSession = session; }
    const vesk::TChipSession* Session() const { return FSession; }

    // Rebuilds the dump from the chip's regions: Code, then Fuses, then Data, one empty
    // row between them; shows the "Select target chip type" panel and an empty grid when
    // no chip is set. A chip without a Code, Data or Fuses region raises the chip's
    // VESK_Exception "Chip <name> has no region with code 0x<code>" and leaves the grid
    // empty; the caller reports it.
    void RefreshBufferView();
    // Empties the grid (the panel keeps its state).
    void Clear();

    // The cells as the view shows them, for callers and tests that check the contents.
    const vesk::THexGrid& Grid() const { return FGrid; }
    QString CellText(int column, int row) const;
    QTableView* View() const { return FView; }
    QLabel* SelectTargetPanel() const { return FSelectTarget; }

  private:
    // Row height and column widths for the grid's format, measured in the grid's font.
    void ApplyFormat();

    vesk::THexGrid FGrid;
    const vesk::TChipSession* FSession = nullptr;
    THexGridModel* FModel = nullptr;
    QTableView* FView = nullptr;
    QLabel* FSelectTarget = nullptr;
};
