// The configuration words on the Buffer page and in a Write: the settings the user
// changes in the configuration view, kept per chip and put into the buffer again after
// every load of the image file (the Write reads the file afresh, which would otherwise
// lose them), and the question before a write that turns on code or data protection.
// Reading and writing the words is the core's (chipdef/ConfigWords.h).
#include "ProgrammingForm.h"

#include "BufferPage.h"
#include "ConfigView.h"
#include "Dialogs.h"
#include "chipdef/ChipSession.h"
#include "chipdef/ConfigWarnings.h"
#include "driver/DeviceVESK1.h"
#include "hexfile/IntelHexFile.h"

namespace {

// "The image turns on ...: the chip cannot be read back afterwards."
QString Sentence(const std::string& text) {
    QString sentence = QString::fromStdString(text);
    if (!sentence.isEmpty()) sentence[0] = sentence[0].toUpper();
    return sentence + QLatin1Char('.');
}

} // namespace

vesk::TConfigSettings TProgrammingForm::ConfigChanges() const {
    const auto changes = FConfigChanges.find(FDevice.Target());
    return changes == FConfigChanges.end() ? vesk::TConfigSettings() : changes->second;
}

void TProgrammingForm::RefreshConfigView() {
    vesk::TChipSession* session = FDevice.Session();
    if (session == nullptr) {
        FBufferPage->ConfigView->Show(nullptr, {}, {}, {});
        return;
    }
    // The words given are those the driver writes: a word at the region's default is
    // left to the erase.
    const vesk::TConfigBuffer config(*session);
    FBufferPage->ConfigView->Show(&session->Chip(), config.Words(), ConfigChanges(),
                                  vesk::ConfigWarnings(config, vesk::AllRegions));
}

void TProgrammingForm::ConfigSettingChosen(const QString& field, const QString& option) {
    Guarded([&] {
        vesk::TChipSession* session = FDevice.Session();
        if (session == nullptr || FBusy) return;
        const vesk::ConfigSetting_t setting{field.toStdString(), option.toStdString()};
        vesk::TConfigBuffer(*session).Apply({setting});
        FConfigChanges[&session->Chip()].Set(setting);
        RefreshBufferView();
    });
}

void TProgrammingForm::DropConfigChanges() {
    FConfigChanges.erase(FDevice.Target());
    Guarded([this] { RefreshConfigView(); });
    // The buffer still holds the changes: the image file gives it its own words again.
    if (!FImageFileName.isEmpty()) btnLoadBufferClick();
}

vesk::TConfigBuffer TProgrammingForm::ApplyConfigChanges(vesk::TChipSession& session) {
    // Read as `vesk` reads it: the words the image gives, and those a change sets.
    vesk::TConfigBuffer config(session, *FImage);
    const auto changes = FConfigChanges.find(&session.Chip());
    if (changes != FConfigChanges.end()) config.Apply(changes->second.Items());
    return config;
}

bool TProgrammingForm::ConfirmConfigWrite(int16_t code) {
    vesk::TChipSession* session = FDevice.Session();
    if (session == nullptr) return true;
    const vesk::TConfigBuffer config = ApplyConfigChanges(*session);
    QString text;
    for (const vesk::ConfigWarning_t& warning : vesk::ConfigWarnings(config, code))
        if (warning.Kind == vesk::TConfigWarningKind::Protection)
            text += Sentence(warning.Text) + QLatin1Char('\n');
    if (text.isEmpty()) return true;
    return FDialogs->Question(this, QStringLiteral("Write"), text + QStringLiteral("\nWrite it anyway?"));
}
