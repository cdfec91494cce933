#include "ConfigView.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "common/Text.h"

namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

QString HexText(int64_t value, int digits) {
    return QStringLiteral("0x") + Q(vesk::Hex(value, digits));
}

// Narrow enough that the grid beside it keeps its columns at 1280 pixels; FitWidth
// widens it to the names and lists of the chip shown.
constexpr int ViewMinimumWidth = 190;

} // namespace

TConfigView::TConfigView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("ConfigView"));
    setMinimumWidth(ViewMinimumWidth);
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(4, 2, 2, 2);
    auto* title = new QLabel(QStringLiteral("Configuration"), this);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    v->addWidget(title);
    FNothing = new QLabel(QStringLiteral("No configuration words"), this);
    v->addWidget(FNothing);
    FScroll = new QScrollArea(this);
    FScroll->setObjectName(QStringLiteral("sbxConfig"));
    FScroll->setWidgetResizable(true);
    FScroll->setFrameShape(QFrame::NoFrame);
    // FitWidth keeps every list whole: a sideways scroll would hide the options' ends.
    FScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    v->addWidget(FScroll, 1);
    FWarnings = new QLabel(this);
    FWarnings->setObjectName(QStringLiteral("lblConfigWarnings"));
    FWarnings->setWordWrap(true);
    FWarnings->setTextInteractionFlags(Qt::TextSelectableByMouse);
    v->addWidget(FWarnings);
    btnDropChanges = new QPushButton(QStringLiteral("Drop changes"), this);
    btnDropChanges->setObjectName(QStringLiteral("btnDropChanges"));
    btnDropChanges->setToolTip(
        QStringLiteral("Forget the settings changed here and load the image file into the buffer again"));
    connect(btnDropChanges, &QPushButton::clicked, this, &TConfigView::DropChanges);
    v->addWidget(btnDropChanges, 0, Qt::AlignLeft);
    Show(nullptr, {}, {}, {});
}

void TConfigView::Show(const vesk::TChipDefinition* chip, const std::vector<vesk::ConfigWord_t>& words,
                       const vesk::TConfigSettings& changed,
                       const std::vector<vesk::ConfigWarning_t>& warnings) {
    if (chip != FChip || words.size() != FWords.size()) Rebuild(chip, words);
    Fill(words, changed);
    FNothing->setVisible(words.empty());
    FScroll->setVisible(!words.empty());
    ShowWarnings(warnings);
    btnDropChanges->setEnabled(!changed.Empty());
    FitWidth();
}

void TConfigView::FitWidth() {
    // The names and lists, the scroll bar a chip of many words needs, and no less: a
    // marked name (bold, " *") widens the names' column after a choice.
    if (FContent == nullptr) return;
    const int wanted = FContent->minimumSizeHint().width() +
                       FScroll->verticalScrollBar()->sizeHint().width() + 2 * FScroll->frameWidth();
    FScroll->setMinimumWidth(wanted);
}

void TConfigView::Rebuild(const vesk::TChipDefinition* chip, const std::vector<vesk::ConfigWord_t>& words) {
    FChip = chip;
    FWords.clear();
    FFields.clear();
    // Taken out first and deleted later: a list whose choice led here may still be
    // in its own signal.
    if (QWidget* old = FScroll->takeWidget()) old->deleteLater();
    FContent = new QWidget;
    auto* v = new QVBoxLayout(FContent);
    v->setContentsMargins(0, 0, 0, 0);
    for (const vesk::ConfigWord_t& word : words) {
        TWordRow row{word.Address, new QLabel(FContent), nullptr};
        QFont bold = row.Caption->font();
        bold.setBold(true);
        row.Caption->setFont(bold);
        v->addWidget(row.Caption);
        auto* form = new QFormLayout;
        form->setContentsMargins(8, 0, 0, 4);
        form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
        for (const vesk::ConfigFieldValue_t& value : word.Fields) {
            TFieldRow field{Q(value.Field->Name), new QLabel(Q(value.Field->Name), FContent),
                            new QComboBox(FContent)};
            field.Box->setObjectName(QStringLiteral("cbxConfig") + field.Name);
            field.Box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
            field.Box->setMinimumContentsLength(4);
            const QString name = field.Name;
            QComboBox* box = field.Box;
            connect(box, &QComboBox::activated, this, [this, name, box](int index) {
                const QString option = box->itemData(index).toString();
                if (!option.isEmpty()) emit SettingChosen(name, option);
            });
            form->addRow(field.Label, field.Box);
            FFields.push_back(field);
        }
        v->addLayout(form);
        if (word.Unimplemented != 0) {
            row.Unimplemented =
                new QLabel(QStringLiteral("Unimplemented bits ") + HexText(word.Unimplemented, 4), FContent);
            row.Unimplemented->setContentsMargins(8, 0, 0, 4);
            v->addWidget(row.Unimplemented);
        }
        FWords.push_back(row);
    }
    v->addStretch(1);
    FScroll->setWidget(FContent);
}

void TConfigView::FillBox(QComboBox* box, const vesk::ConfigFieldValue_t& value) {
    const QSignalBlocker block(box);
    box->clear();
    for (const vesk::ConfigOption_t& option : value.Field->Options)
        box->addItem(Q(option.Name), Q(option.Name));
    if (value.Option == nullptr) {
        // A value no option has is shown as its bits, and cannot be chosen again.
        box->addItem(HexText(value.Value, 4) + QStringLiteral(" (no option)"), QString());
        box->setCurrentIndex(box->count() - 1);
    } else {
        box->setCurrentIndex(box->findData(Q(value.Option->Name)));
    }
}

void TConfigView::Fill(const std::vector<vesk::ConfigWord_t>& words, const vesk::TConfigSettings& changed) {
    for (std::size_t i = 0; i < words.size() && i < FWords.size(); ++i) {
        const vesk::ConfigWord_t& word = words[i];
        QString caption = HexText(word.Address, 6) + QStringLiteral(" = ") + HexText(word.Word, 4);
        if (!word.Given) caption += QStringLiteral(" (erased)");
        FWords[i].Caption->setText(caption);
        FWords[i].Caption->setToolTip(word.Given ? QString()
                                                 : QStringLiteral("Not in the buffer: after an erase the "
                                                                  "chip keeps its erased value"));
        for (const vesk::ConfigFieldValue_t& value : word.Fields) {
            for (TFieldRow& row : FFields) {
                if (row.Name != Q(value.Field->Name)) continue;
                FillBox(row.Box, value);
                const vesk::ConfigSetting_t* set = changed.Find(value.Field->Name);
                QFont font = row.Label->font();
                font.setBold(set != nullptr);
                row.Label->setFont(font);
                row.Label->setText(row.Name + (set != nullptr ? QStringLiteral(" *") : QString()));
                row.Label->setToolTip(set == nullptr
                                          ? QString()
                                          : QStringLiteral("Changed here to ") + Q(set->Option) +
                                                QStringLiteral(": set again after every load of "
                                                               "the image file (Write, Load buffer)"));
            }
        }
    }
}

void TConfigView::ShowWarnings(const std::vector<vesk::ConfigWarning_t>& warnings) {
    QString text;
    for (const vesk::ConfigWarning_t& warning : warnings)
        text += (text.isEmpty() ? QString() : QStringLiteral("\n")) + QStringLiteral("Warning: ") +
                Q(warning.Text);
    FWarnings->setText(text);
    FWarnings->setVisible(!text.isEmpty());
}

QComboBox* TConfigView::FieldBox(const QString& field) const {
    for (const TFieldRow& row : FFields)
        if (row.Name.compare(field, Qt::CaseInsensitive) == 0) return row.Box;
    return nullptr;
}

QString TConfigView::WordCaption(int32_t address) const {
    for (const TWordRow& row : FWords)
        if (row.Address == address) return row.Caption->text();
    return QString();
}
