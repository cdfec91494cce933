// The window's dialogs for tests: nothing is shown, every dialog is recorded,
// and the file dialog answers as the test prepared it.
#pragma once

#include <QList>
#include <QString>

#include "CalibrationDialog.h"
#include "Dialogs.h"

class TRecordingDialogs : public TDialogs {
  public:
    struct TShown {
        QString Kind; // "error", "application", "question", "open", "save" or "calibration"
        QString Caption;
        QString Message;
    };
    QList<TShown> Log;
    bool ConfirmFile = false;
    bool QuestionAnswer = true; // Yes
    QString FileToChoose;
    QString LastFilter; // filter and default suffix of the last file dialog
    QString LastDefaultSuffix;
    std::optional<int32_t> CalibrationAnswer; // what the calibration dialog answers

    void ShowError(QWidget*, const QString& message) override {
        Log.append({QStringLiteral("error"), QStringLiteral("Error"), message});
    }
    void ShowApplicationError(QWidget*, const QString& title, const QString& message) override {
        Log.append({QStringLiteral("application"), title, message});
    }
    bool Question(QWidget*, const QString& title, const QString& message) override {
        Log.append({QStringLiteral("question"), title, message});
        return QuestionAnswer;
    }
    bool OpenFileName(QWidget*, const QString& title, const QString& filter, const QString& defaultSuffix,
                      QString& fileName) override {
        return FileDialog(QStringLiteral("open"), title, filter, defaultSuffix, fileName);
    }
    bool SaveFileName(QWidget*, const QString& title, const QString& filter, const QString& defaultSuffix,
                      QString& fileName) override {
        return FileDialog(QStringLiteral("save"), title, filter, defaultSuffix, fileName);
    }
    bool FileDialog(const QString& kind, const QString& title, const QString& filter,
                    const QString& defaultSuffix, QString& fileName) {
        Log.append({kind, title, fileName});
        LastFilter = filter;
        LastDefaultSuffix = defaultSuffix;
        if (!ConfirmFile) return false;
        fileName = FileToChoose;
        return true;
    }
    std::optional<int32_t> AskCalibration(QWidget*,
                                          const vesk::ops::TCalibrationQuestion& question) override {
        Log.append({QStringLiteral("calibration"), TCalibrationDialog::Caption(),
                    TCalibrationDialog::Text(question)});
        return CalibrationAnswer;
    }
    // Every dialog shown, one per line, for failure messages.
    QString Describe() const {
        QString text;
        for (const TShown& shown : Log)
            text += shown.Kind + QStringLiteral(": ") + shown.Message + QLatin1Char('\n');
        return text;
    }
    int Count(const QString& kind) const {
        int n = 0;
        for (const TShown& shown : Log)
            n += shown.Kind == kind ? 1 : 0;
        return n;
    }
};
