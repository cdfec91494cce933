#include "SettingsPage.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "ComComboBox.h"
#include "PageParts.h"

namespace {

QLabel* Bd(QWidget* parent) {
    return new QLabel(QStringLiteral("Bd"), parent);
}

QGridLayout* GroupGrid(QWidget* group) {
    auto* grid = new QGridLayout(group);
    grid->setContentsMargins(10, 4, 10, 6);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(4);
    return grid;
}

QRadioButton* Radio(const char* caption, const char* name, QWidget* parent) {
    auto* button = new QRadioButton(QString::fromLatin1(caption), parent);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

} // namespace

TSettingsPage::TSettingsPage() {
    setObjectName(QStringLiteral("tabSettings"));
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(6, 4, 6, 4);
    v->setSpacing(6);
    CreateCommunicationGroup(v);
    CreatePassThroughGroup(v);
    CreateDriverSwitches(v);
    v->addStretch(1);
}

void TSettingsPage::CreateCommunicationGroup(QVBoxLayout* page) {
    // The caption is the program's own, spelling included.
    auto* com = Group("Communication", this);
    QGridLayout* cg = GroupGrid(com);
    cbxComPort = new TComComboBox(com);
    cbxComPort->setObjectName(QStringLiteral("cbxComPort"));
    cbxComPort->addItem(QStringLiteral("COM1")); // design-time text, replaced by the system's list
    cbxComPort->setMinimumContentsLength(14);
    cbxComPort->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cbxVeskBaudRate = new QComboBox(com);
    cbxVeskBaudRate->setObjectName(QStringLiteral("cbxVeskBaudRate"));
    cbxVeskBaudRate->addItems({"9600", "19200", "38400", "57600", "115200"});
    udProgramDelay = new QSpinBox(com);
    udProgramDelay->setObjectName(QStringLiteral("udProgramDelay"));
    udProgramDelay->setRange(0, 255);
    udProgramDelay->setWrapping(false);
    udProgramDelay->setValue(0);
    udProgramDelay->setMinimumWidth(70);
    if (auto* edit = udProgramDelay->findChild<QLineEdit*>()) edit->setMaxLength(3);
    cg->addWidget(new QLabel(QStringLiteral("Serial port"), com), 0, 0);
    cg->addWidget(cbxComPort, 0, 1, 1, 2);
    cg->addWidget(new QLabel(QStringLiteral("VESK baud rate"), com), 1, 0);
    cg->addWidget(cbxVeskBaudRate, 1, 1);
    cg->addWidget(Bd(com), 1, 2);
    cg->addWidget(new QLabel(QStringLiteral("Programming delay"), com), 2, 0);
    cg->addWidget(udProgramDelay, 2, 1);
    cg->setColumnStretch(3, 1);
    page->addWidget(com);
}

void TSettingsPage::CreatePassThroughGroup(QVBoxLayout* page) {
    auto* pass = Group("Pass Through", this);
    QGridLayout* pg = GroupGrid(pass);
    rbLines34 = Radio("3,4", "rbLines34", pass);
    rbLines78 = Radio("7,8", "rbLines78", pass);
    rbRS232 = Radio("RS232", "rbRS232", pass);
    rbTTL = Radio("TTL", "rbTTL", pass);
    auto* lines = new QButtonGroup(pass);
    lines->addButton(rbLines34);
    lines->addButton(rbLines78);
    auto* polarity = new QButtonGroup(pass);
    polarity->addButton(rbRS232);
    polarity->addButton(rbTTL);
    chbUseBuiltInTerminal = new QCheckBox(QStringLiteral("Use built in terminal"), pass);
    chbUseBuiltInTerminal->setObjectName(QStringLiteral("chbUseBuiltInTerminal"));
    cbxTerminalBaudRate = new QComboBox(pass);
    cbxTerminalBaudRate->setObjectName(QStringLiteral("cbxTerminalBaudRate"));
    cbxTerminalBaudRate->setEditable(true);
    cbxTerminalBaudRate->setInsertPolicy(QComboBox::NoInsert);
    cbxTerminalBaudRate->addItems({"110", "300", "600", "1200", "2400", "4800", "9600", "14400", "19200",
                                   "38400", "56000", "57600", "115200", "128000", "256000"});
    cbxTerminalBaudRate->setMaxVisibleItems(15);
    pg->addWidget(new QLabel(QStringLiteral("Lines"), pass), 0, 0);
    pg->addWidget(rbLines34, 0, 1);
    pg->addWidget(rbLines78, 0, 2);
    pg->addWidget(new QLabel(QStringLiteral("Polarity"), pass), 1, 0);
    pg->addWidget(rbRS232, 1, 1);
    pg->addWidget(rbTTL, 1, 2);
    pg->addWidget(chbUseBuiltInTerminal, 2, 0, 1, 3);
    pg->addWidget(new QLabel(QStringLiteral("Terminal baud rate"), pass), 3, 0);
    pg->addWidget(cbxTerminalBaudRate, 3, 1, 1, 2);
    pg->addWidget(Bd(pass), 3, 3);
    pg->setColumnStretch(4, 1);
    page->addWidget(pass);
}

void TSettingsPage::CreateDriverSwitches(QVBoxLayout* page) {
    // The two driver switches: kept and persisted, never shown.
    chbFixFusesWriteError = new QCheckBox(QStringLiteral("Fix target fuses write error"), this);
    chbFixFusesWriteError->setObjectName(QStringLiteral("chbFixFusesWriteError"));
    chbFixDataWriteError = new QCheckBox(QStringLiteral("Fix target data write error"), this);
    chbFixDataWriteError->setObjectName(QStringLiteral("chbFixDataWriteError"));
    for (QCheckBox* hidden : {chbFixFusesWriteError, chbFixDataWriteError}) {
        QPalette grey = hidden->palette();
        grey.setColor(QPalette::WindowText, Qt::gray);
        hidden->setPalette(grey);
        hidden->setVisible(false);
        page->addWidget(hidden);
    }
}
