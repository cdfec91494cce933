// The one seam through which the main window shows modal dialogs: the error
// dialog of the programming operations, the application's standard error box, the
// question before a write that protects the chip, the file dialogs and the calibration
// dialog. The program uses TWidgetDialogs; window tests install a recording replacement
// so that they run unattended.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>

class QWidget;

namespace vesk::ops {
struct TCalibrationQuestion;
}

class TDialogs {
  public:
    virtual ~TDialogs() = default;

    // Beep with the information sound, then the modal dialog captioned "Error"
    // with an error icon, the message as given and one "OK" button.
    virtual void ShowError(QWidget* parent, const QString& message) = 0;

    // The application's standard error box: stop icon, one OK button, caption
    // `title`; `message` already carries its full stop.
    virtual void ShowApplicationError(QWidget* parent, const QString& title, const QString& message) = 0;

    // A question box: warning icon, caption `title`, `message`, the buttons "Yes" and
    // "No" (the default). Returns true for Yes.
    virtual bool Question(QWidget* parent, const QString& title, const QString& message) = 0;

    // The file-open dialog. Returns true and sets `fileName` when the user confirms.
    virtual bool OpenFileName(QWidget* parent, const QString& title, const QString& filter,
                              const QString& defaultSuffix, QString& fileName) = 0;
    // The file-save dialog, preset to `fileName`; it asks before replacing a file.
    // Returns true and sets `fileName` when the user confirms.
    virtual bool SaveFileName(QWidget* parent, const QString& title, const QString& filter,
                              const QString& defaultSuffix, QString& fileName) = 0;

    // The calibration dialog (TCalibrationDialog): the chip's own word, a valid one,
    // or nothing when the user cancels.
    virtual std::optional<int32_t> AskCalibration(QWidget* parent,
                                                  const vesk::ops::TCalibrationQuestion& question) = 0;
};

// Real dialogs on the screen.
class TWidgetDialogs : public TDialogs {
  public:
    void ShowError(QWidget* parent, const QString& message) override;
    void ShowApplicationError(QWidget* parent, const QString& title, const QString& message) override;
    bool Question(QWidget* parent, const QString& title, const QString& message) override;
    bool OpenFileName(QWidget* parent, const QString& title, const QString& filter,
                      const QString& defaultSuffix, QString& fileName) override;
    bool SaveFileName(QWidget* parent, const QString& title, const QString& filter,
                      const QString& defaultSuffix, QString& fileName) override;
    std::optional<int32_t> AskCalibration(QWidget* parent,
                                          const vesk::ops::TCalibrationQuestion& question) override;
};
