#include "CalibrationDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/Text.h"

TCalibrationDialog::TCalibrationDialog(const vesk::ops::TCalibrationQuestion& question, QWidget* parent)
    : QDialog(parent), FQuestion(question) {
    setWindowTitle(Caption());
    auto* layout = new QVBoxLayout(this);
    lblQuestion = new QLabel(Text(question), this);
    lblQuestion->setWordWrap(true);
    lblQuestion->setTextInteractionFlags(Qt::TextSelectableByMouse);
    ebWord = new QLineEdit(this);
    ebWord->setObjectName(QStringLiteral("ebWord"));
    ebWord->setPlaceholderText(QString::fromStdString(question.FormText));
    // The likely value is offered, never taken without the user's OK.
    if (question.Last)
        ebWord->setText(QStringLiteral("0x") + QString::fromStdString(vesk::Hex(question.Last->Word, 4)));
    Buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(lblQuestion);
    layout->addWidget(ebWord);
    layout->addWidget(Buttons);
    connect(Buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(Buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(ebWord, &QLineEdit::textChanged, this, &TCalibrationDialog::ebWordChange);
    ebWordChange();
}

QString TCalibrationDialog::Caption() {
    return QStringLiteral("Calibration word");
}

QString TCalibrationDialog::Text(const vesk::ops::TCalibrationQuestion& question) {
    QString text =
        QString::fromStdString(vesk::ops::QuestionText(question)) +
        QStringLiteral("\n\nThe chip is erased only once you give its own word here: it is written "
                       "back after the erase. Cancel leaves the chip as it is.");
    const std::string seen = vesk::ops::LastSeenText(question);
    if (!seen.empty()) text += QStringLiteral("\n\n") + QString::fromStdString(seen) + QLatin1Char('.');
    return text;
}

std::optional<int32_t> TCalibrationDialog::Word() const {
    QString text = ebWord->text().trimmed();
    if (text.startsWith(QStringLiteral("0x"), Qt::CaseInsensitive))
        text.remove(0, 2);
    else if (text.startsWith(QLatin1Char('$')))
        text.remove(0, 1);
    bool ok = false;
    const qlonglong word = text.size() <= 8 ? text.toLongLong(&ok, 16) : 0;
    if (!ok || !FQuestion.Accepts(word)) return std::nullopt;
    return int32_t(word);
}

void TCalibrationDialog::ebWordChange() {
    Buttons->button(QDialogButtonBox::Ok)->setEnabled(Word().has_value());
}
