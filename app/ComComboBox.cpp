#include "ComComboBox.h"

#include <string>
#include <vector>

#include "serial/port/ComPort.h"

TComComboBox::TComComboBox(QWidget* parent) : QComboBox(parent) {}

void TComComboBox::FillPorts() {
    std::vector<std::string> ports;
    try {
        vesk::EnumComPorts(ports);
    } catch (...) {
        // No list of the system's ports: the list stays empty.
        ports.clear();
    }
    const QSignalBlocker block(this);
    clear();
    for (const std::string& port : ports) {
        addItem(QString::fromStdString(port));
        // What the system knows of the port tells two USB adapters apart.
        const std::string description = vesk::ComPortDescription(vesk::ComPortInfo(port));
        if (!description.empty())
            setItemData(count() - 1, QString::fromStdString(description), Qt::ToolTipRole);
    }
    if (count() > 0) setCurrentIndex(0);
}

QString TComComboBox::Text() const {
    return currentIndex() >= 0 ? currentText() : QString();
}

void TComComboBox::SetText(const QString& value) {
    const int index = findText(value, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index >= 0) setCurrentIndex(index);
}

void TComComboBox::KeepPort(const QString& port) {
    if (port.isEmpty() || findText(port, Qt::MatchExactly | Qt::MatchCaseSensitive) >= 0) return;
    const QSignalBlocker block(this);
    addItem(port);
}
