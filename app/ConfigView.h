// The Buffer page's configuration view, beside the grid: every configuration word of
// the chip's buffer with each field as a list of its options, the settings changed on
// the page marked, the warnings a write of the buffer deserves and "Drop changes".
//
// It only shows what the window gives it (the words read by the core's TConfigBuffer)
// and reports the user's choices; the window changes the buffer.
#pragma once

#include <QString>
#include <QWidget>
#include <vector>

#include "chipdef/ConfigWarnings.h"

class QComboBox;
class QFormLayout;
class QLabel;
class QPushButton;
class QScrollArea;
class QVBoxLayout;

class TConfigView : public QWidget {
    Q_OBJECT
  public:
    explicit TConfigView(QWidget* parent = nullptr);

    // Shows the words of `chip` (nullptr or no word: the view tells there is nothing to
    // show). `changed` holds the settings changed on the page, `warnings` those of a
    // write. The controls are kept while the chip stays the same, so that a choice does
    // not lose the focus or the place the view is scrolled to.
    void Show(const vesk::TChipDefinition* chip, const std::vector<vesk::ConfigWord_t>& words,
              const vesk::TConfigSettings& changed, const std::vector<vesk::ConfigWarning_t>& warnings);

    // The list of a field's options, or nullptr (tests and the window's own use).
    QComboBox* FieldBox(const QString& field) const;
    // The caption of a word, "0x002007 = 0x3F72", or "" when it is not shown.
    QString WordCaption(int32_t address) const;
    QLabel* WarningsLabel() const { return FWarnings; }
    QPushButton* DropChangesButton() const { return btnDropChanges; }

  signals:
    // The user chose `option` for `field` (names as the chip file writes them).
    void SettingChosen(const QString& field, const QString& option);
    // "Drop changes": forget the settings changed here and load the image file again.
    void DropChanges();

  private:
    struct TFieldRow {
        QString Name;
        QLabel* Label = nullptr;
        QComboBox* Box = nullptr;
    };
    struct TWordRow {
        int32_t Address = 0;
        QLabel* Caption = nullptr;
        QLabel* Unimplemented = nullptr;
    };

    void Rebuild(const vesk::TChipDefinition* chip, const std::vector<vesk::ConfigWord_t>& words);
    void Fill(const std::vector<vesk::ConfigWord_t>& words, const vesk::TConfigSettings& changed);
    static void FillBox(QComboBox* box, const vesk::ConfigFieldValue_t& value);
    void ShowWarnings(const std::vector<vesk::ConfigWarning_t>& warnings);
    void FitWidth();

    const vesk::TChipDefinition* FChip = nullptr;
    QScrollArea* FScroll = nullptr;
    QWidget* FContent = nullptr;
    QLabel* FNothing = nullptr;
    QLabel* FWarnings = nullptr;
    QPushButton* btnDropChanges = nullptr;
    std::vector<TWordRow> FWords;
    std::vector<TFieldRow> FFields;
};
