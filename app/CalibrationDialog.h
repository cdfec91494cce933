// The question an erase asks when a calibration word of the chip reads as no valid
// calibration (a protected chip reads 0, a lost word reads erased): it names the chip,
// the address and the word read, offers the last value the memory of calibration
// values holds for that chip type and port, and goes on only with a valid word.
// Cancel leaves the chip untouched.
#pragma once

#include <QDialog>
#include <QString>
#include <optional>

#include "ops/Calibration.h"

class QDialogButtonBox;
class QLabel;
class QLineEdit;

class TCalibrationDialog : public QDialog {
    Q_OBJECT
  public:
    explicit TCalibrationDialog(const vesk::ops::TCalibrationQuestion& question, QWidget* parent = nullptr);

    // The caption and the text the dialog shows.
    static QString Caption();
    static QString Text(const vesk::ops::TCalibrationQuestion& question);
    // The word typed ("0x3454", "$3454" or "3454": hexadecimal), when it is a word the
    // question accepts.
    std::optional<int32_t> Word() const;

    QLabel* lblQuestion = nullptr;
    QLineEdit* ebWord = nullptr;
    QDialogButtonBox* Buttons = nullptr;

  private:
    // OK is enabled only while the word typed is valid.
    void ebWordChange();

    vesk::ops::TCalibrationQuestion FQuestion;
};
