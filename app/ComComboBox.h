// The port list of the Settings page: a drop-down list of the serial ports the
// system reports. Reading `Text` gives the selected port ("" when none);
// writing it selects the port equal to the value. A configured port that the
// system does not list (a pseudo-terminal of the simulator, a port unplugged
// for now) can be kept selectable with `KeepPort`.
#pragma once

#include <QComboBox>

class TComComboBox : public QComboBox {
    Q_OBJECT
  public:
    explicit TComComboBox(QWidget* parent = nullptr);

    // Fills the list from the system's ports and selects the first, if any.
    void FillPorts();
    QString Text() const;
    // Selects the item equal to `value`; nothing happens when there is none.
    void SetText(const QString& value);
    // Adds `port` at the end of the list unless it is listed already or empty.
    void KeepPort(const QString& port);
};
