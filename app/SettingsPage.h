// The Settings page: the programmer's port, speed and programming delay, the
// pass-through lines, polarity, terminal and terminal speed, and the two
// driver switches that are kept and stored but never shown. The window shows
// its properties here and writes every change back at once.
#pragma once

#include <QWidget>

class QCheckBox;
class QComboBox;
class QRadioButton;
class QSpinBox;
class QVBoxLayout;
class TComComboBox;

class TSettingsPage : public QWidget {
    Q_OBJECT
  public:
    TSettingsPage();

    // The controls, set at construction.
    TComComboBox* cbxComPort = nullptr;
    QComboBox* cbxVeskBaudRate = nullptr;
    QSpinBox* udProgramDelay = nullptr; // its text box is the delay's edit field
    QRadioButton* rbLines34 = nullptr;
    QRadioButton* rbLines78 = nullptr;
    QRadioButton* rbRS232 = nullptr;
    QRadioButton* rbTTL = nullptr;
    QCheckBox* chbUseBuiltInTerminal = nullptr;
    QComboBox* cbxTerminalBaudRate = nullptr;
    QCheckBox* chbFixFusesWriteError = nullptr;
    QCheckBox* chbFixDataWriteError = nullptr;

  private:
    void CreateCommunicationGroup(QVBoxLayout* page);
    void CreatePassThroughGroup(QVBoxLayout* page);
    void CreateDriverSwitches(QVBoxLayout* page);
};
