#include "Dialogs.h"

#include "CalibrationDialog.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

void TWidgetDialogs::ShowError(QWidget* parent, const QString& message) {
    QApplication::beep();
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Error"), message, QMessageBox::Ok, parent);
    box.exec();
}

void TWidgetDialogs::ShowApplicationError(QWidget* parent, const QString& title, const QString& message) {
    QMessageBox box(QMessageBox::Critical, title, message, QMessageBox::Ok, parent);
    box.exec();
}

bool TWidgetDialogs::Question(QWidget* parent, const QString& title, const QString& message) {
    QMessageBox box(QMessageBox::Warning, title, message, QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

namespace {

bool RunFileDialog(QFileDialog& dialog, const QString& filter, const QString& defaultSuffix,
                   QString& fileName) {
    dialog.setNameFilters(filter.split(QStringLiteral(";;")));
    dialog.setDefaultSuffix(defaultSuffix);
    if (!fileName.isEmpty()) {
        const QFileInfo preset(fileName);
        dialog.setDirectory(preset.absolutePath());
        dialog.selectFile(preset.fileName());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
    fileName = dialog.selectedFiles().front();
    return true;
}

} // namespace

bool TWidgetDialogs::OpenFileName(QWidget* parent, const QString& title, const QString& filter,
                                  const QString& defaultSuffix, QString& fileName) {
    QFileDialog dialog(parent, title);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    return RunFileDialog(dialog, filter, defaultSuffix, fileName);
}

bool TWidgetDialogs::SaveFileName(QWidget* parent, const QString& title, const QString& filter,
                                  const QString& defaultSuffix, QString& fileName) {
    QFileDialog dialog(parent, title);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    return RunFileDialog(dialog, filter, defaultSuffix, fileName);
}

std::optional<int32_t> TWidgetDialogs::AskCalibration(QWidget* parent,
                                                      const vesk::ops::TCalibrationQuestion& question) {
    TCalibrationDialog dialog(question, parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.Word();
}
