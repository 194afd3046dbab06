#include "form_reopen.h"

#include "qt_texts.h"
#include "reading_option_table.h"
#include "reading_preview.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace varnotile {
namespace {

// The delimiters the combo box names, in its order; "Other" takes the line edit's character.
struct DelimiterItem {
    const char* caption;
    const char* delimiter;
};
constexpr DelimiterItem kDelimiters[] = {
    {"Comma  ,", ","}, {"Semicolon  ;", ";"}, {"Tab", "\t"}, {"Space", " "}, {"Other:", nullptr},
};
constexpr int kOtherDelimiter = 4;

QString qs(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

QString roleText(PreviewRole role) {
    switch (role) {
    case PreviewRole::HeaderText: return QStringLiteral("header text");
    case PreviewRole::Names: return QStringLiteral("names");
    case PreviewRole::Labels: return QStringLiteral("labels");
    case PreviewRole::Header3: return QStringLiteral("3rd header");
    case PreviewRole::Row: return QStringLiteral("row");
    case PreviewRole::Skipped: return QStringLiteral("skipped");
    }
    return {};
}

} // namespace

FormReopen::FormReopen(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FormReopen"));
    setWindowTitle(QStringLiteral("Reopen as"));
    setModal(true);

    LabFile = new QLabel(this);
    LabFile->setObjectName(QStringLiteral("LabReopenFile"));
    LabFile->setWordWrap(true);

    auto* delimiterCaption = new QLabel(QStringLiteral("&Delimiter"), this);
    delimiterCaption->setObjectName(QStringLiteral("LabDelimiter"));
    CmbBoxDelimiter = new QComboBox(this);
    CmbBoxDelimiter->setObjectName(QStringLiteral("CmbBoxDelimiter"));
    CmbBoxDelimiter->setAccessibleName(QStringLiteral("Delimiter"));
    for (const DelimiterItem& item : kDelimiters) CmbBoxDelimiter->addItem(QString::fromLatin1(item.caption));
    delimiterCaption->setBuddy(CmbBoxDelimiter);
    EditDelimiter = new QLineEdit(this);
    EditDelimiter->setObjectName(QStringLiteral("EditDelimiter"));
    EditDelimiter->setAccessibleName(QStringLiteral("Other delimiter"));
    EditDelimiter->setMaxLength(1);
    EditDelimiter->setMaximumWidth(EditDelimiter->fontMetrics().horizontalAdvance(QStringLiteral("MMMM")));
    BtnProposed = new QPushButton(QStringLiteral("&Proposed reading"), this);
    BtnProposed->setObjectName(QStringLiteral("BtnProposed"));
    BtnProposed->setToolTip(QStringLiteral("The delimiter and options the program proposes for this file"));
    BtnProposed->setAutoDefault(false);
    auto* delimiterRow = new QHBoxLayout;
    delimiterRow->addWidget(delimiterCaption);
    delimiterRow->addWidget(CmbBoxDelimiter);
    delimiterRow->addWidget(EditDelimiter);
    delimiterRow->addStretch(1);
    delimiterRow->addWidget(BtnProposed);

    auto* optionsBox = new QGroupBox(QStringLiteral("Reading"), this);
    optionsBox->setObjectName(QStringLiteral("GrBoxReopenReading"));
    auto* optionsGrid = new QGridLayout(optionsBox);
    optionsGrid->setVerticalSpacing(2);
    optionsGrid->setHorizontalSpacing(12);
    buildReadingOptions(optionsGrid);

    auto* previewCaption = new QLabel(QStringLiteral("First &lines as they will read"), this);
    previewCaption->setObjectName(QStringLiteral("LabPreview"));
    SGridPreview = new QTableWidget(this);
    SGridPreview->setObjectName(QStringLiteral("SGridPreview"));
    SGridPreview->setAccessibleName(QStringLiteral("Preview of the first lines"));
    SGridPreview->setEditTriggers(QAbstractItemView::NoEditTriggers);
    SGridPreview->setSelectionMode(QAbstractItemView::SingleSelection);
    SGridPreview->verticalHeader()->setDefaultSectionSize(SGridPreview->fontMetrics().height() + 4);
    SGridPreview->setMinimumSize(640, 340);
    previewCaption->setBuddy(SGridPreview);
    LabPreviewNote = new QLabel(this);
    LabPreviewNote->setObjectName(QStringLiteral("LabPreviewNote"));
    LabPreviewNote->setWordWrap(true);

    auto* buttons = new QDialogButtonBox(this);
    buttons->setObjectName(QStringLiteral("ButtonsReopen"));
    BitBtnOK = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    BitBtnOK->setObjectName(QStringLiteral("BitBtnOK"));
    BitBtnOK->setDefault(true);
    BitBtnCancel = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    BitBtnCancel->setObjectName(QStringLiteral("BitBtnCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* column = new QVBoxLayout(this);
    column->addWidget(LabFile);
    column->addLayout(delimiterRow);
    column->addWidget(optionsBox);
    column->addWidget(previewCaption);
    column->addWidget(SGridPreview, 1);
    column->addWidget(LabPreviewNote);
    column->addWidget(buttons);

    connect(CmbBoxDelimiter, &QComboBox::currentIndexChanged, this, [this](int index) {
        EditDelimiter->setEnabled(index == kOtherDelimiter);
        refreshPreview();
    });
    connect(EditDelimiter, &QLineEdit::textChanged, this, [this] { refreshPreview(); });
    connect(BtnProposed, &QPushButton::clicked, this, [this] { setChoice(proposed_); });
}

void FormReopen::buildReadingOptions(QGridLayout* grid) {
    // Two columns of options, as in General Settings, so that the preview keeps its room.
    const auto all = readingOptions();
    const std::size_t leftCount = (all.size() + 1) / 2;
    int row = 0;
    QWidget* box = grid->parentWidget();
    for (const ReadingOption& option : all) {
        const int column = options_.size() < leftCount ? 0 : 2;
        if (options_.size() == leftCount) row = 0;
        OptionWidgets widgets{&option};
        QWidget* widget = nullptr;
        if (option.isSwitch()) {
            widgets.check = new QCheckBox(qs(option.label), box);
            widgets.check->setObjectName(qs(option.widgetName));
            widgets.check->setAccessibleName(qs(option.label));
            connect(widgets.check, &QCheckBox::toggled, this, [this] { refreshPreview(); });
            grid->addWidget(widgets.check, row, column, 1, option.value ? 1 : 2);
            widget = widgets.check;
        } else {
            auto* caption = new QLabel(qs(option.label), box);
            if (option.isNumber()) {
                caption->setObjectName(QStringLiteral("Lab") + qs(option.widgetName).mid(5));
                widgets.number = new QSpinBox(box);
                widgets.number->setObjectName(qs(option.widgetName));
                widgets.number->setRange(0, option.maxNumber);
                widgets.number->setSpecialValueText(QStringLiteral("Whole file"));
                connect(widgets.number, &QSpinBox::valueChanged, this, [this] { refreshPreview(); });
                widget = widgets.number;
            } else {
                caption->setObjectName(QStringLiteral("Lab") + qs(option.widgetName).mid(4));
                widgets.choice = new QComboBox(box);
                widgets.choice->setObjectName(qs(option.widgetName));
                for (const ReadingChoiceWord& word : option.choices) widgets.choice->addItem(qs(word.word));
                connect(widgets.choice, &QComboBox::currentIndexChanged, this, [this] { refreshPreview(); });
                widget = widgets.choice;
            }
            widget->setAccessibleName(qs(option.label));
            caption->setBuddy(widget);
            grid->addWidget(caption, row, column);
            grid->addWidget(widget, row, column + 1);
        }
        if (!option.toolTip.empty()) widget->setToolTip(qs(option.toolTip));
        if (option.value) {
            widgets.value = new QLineEdit(box);
            widgets.value->setObjectName(qs(option.value->widgetName));
            widgets.value->setAccessibleName(qs(option.value->label));
            if (!option.value->toolTip.empty()) widgets.value->setToolTip(qs(option.value->toolTip));
            connect(widgets.check, &QCheckBox::toggled, widgets.value, &QWidget::setEnabled);
            connect(widgets.value, &QLineEdit::editingFinished, this, [this] { refreshPreview(); });
            grid->addWidget(widgets.value, row, column + 1);
        }
        options_.push_back(widgets);
        ++row;
    }
}

void FormReopen::showFile(const QString& fileName, const FileLines& lines, const ReadingChoice& current,
                          const ReadingChoice& proposed, char localeDecimal, bool fileIsUtf8) {
    lines_ = &lines;
    current_ = current;
    proposed_ = proposed;
    localeDecimal_ = localeDecimal;
    fileIsUtf8_ = fileIsUtf8;
    LabFile->setText(QStringLiteral("How \"%1\" is read (for the rest of this run):").arg(fileName));
    setChoice(current);
    CmbBoxDelimiter->setFocus();
}

void FormReopen::setChoice(const ReadingChoice& choice) {
    filling_ = true;
    int index = kOtherDelimiter;
    for (int i = 0; i < kOtherDelimiter; ++i)
        if (choice.delimiter == kDelimiters[i].delimiter) index = i;
    CmbBoxDelimiter->setCurrentIndex(index);
    EditDelimiter->setText(index == kOtherDelimiter ? QString::fromLatin1(choice.delimiter.c_str()) : QString());
    EditDelimiter->setEnabled(index == kOtherDelimiter);
    for (const OptionWidgets& w : options_) {
        const int state = w.option->get(choice.options);
        if (w.check) w.check->setChecked(state != 0);
        if (w.choice) w.choice->setCurrentIndex(state);
        if (w.number) w.number->setValue(state);
        if (w.value) {
            w.value->setText(QString::fromStdString(valueText(*w.option->value, choice.options)));
            w.value->setEnabled(w.check && w.check->isChecked());
        }
    }
    filling_ = false;
    refreshPreview();
}

ReadingChoice FormReopen::chosen() const {
    ReadingChoice choice = current_;
    const int index = CmbBoxDelimiter->currentIndex();
    if (index >= 0 && index < kOtherDelimiter)
        choice.delimiter = kDelimiters[index].delimiter;
    else
        choice.delimiter = EditDelimiter->text().toLatin1().left(1).toStdString();
    for (const OptionWidgets& w : options_) {
        if (w.check) w.option->set(choice.options, w.check->isChecked() ? 1 : 0);
        if (w.choice) w.option->set(choice.options, std::clamp(w.choice->currentIndex(), 0, w.choice->count() - 1));
        if (w.number) w.option->set(choice.options, w.number->value());
        if (w.value) setValueText(*w.option->value, choice.options, w.value->text().trimmed().toStdString());
    }
    return choice;
}

void FormReopen::refreshPreview() {
    if (filling_ || !lines_) return;
    const ReadingPreview preview = PreviewReading(*lines_, chosen(), localeDecimal_);
    int columns = 1;
    for (const PreviewLine& line : preview.lines)
        columns = std::max(columns, line.role == PreviewRole::Row || !line.cells.empty() ? static_cast<int>(line.cells.size()) : 1);
    columns = std::max(columns, preview.columnCount);
    SGridPreview->clear();
    SGridPreview->clearSpans();
    SGridPreview->setColumnCount(columns + 1);
    SGridPreview->setRowCount(static_cast<int>(preview.lines.size()));
    // The header of each column: its number, name and kind.
    QStringList headers{QStringLiteral("Line is")};
    for (int k = 1; k <= columns; ++k) {
        QString header = QString::number(k);
        if (k <= preview.columnCount) {
            const QString name = displayString(preview.names[static_cast<std::size_t>(k - 1)], fileIsUtf8_);
            if (!name.isEmpty()) header += QStringLiteral(" ") + name;
            header += QStringLiteral("\n") + qs(PreviewKindText(preview, k));
            if (k == preview.dateTimeAxisColumn) header += QStringLiteral(", axis with %1").arg(k + 1);
        }
        headers << header;
    }
    SGridPreview->setHorizontalHeaderLabels(headers);
    QStringList lineNumbers;
    const QColor headerShade = palette().color(QPalette::AlternateBase);
    for (int i = 0; i < static_cast<int>(preview.lines.size()); ++i) {
        const PreviewLine& line = preview.lines[static_cast<std::size_t>(i)];
        lineNumbers << QString::number(line.line);
        auto* role = new QTableWidgetItem(roleText(line.role));
        SGridPreview->setItem(i, 0, role);
        const bool header = line.role != PreviewRole::Row;
        // A line that is no row stands in one cell across the columns.
        if (header && columns > 1 && line.cells.size() == 1 &&
            (line.role == PreviewRole::HeaderText || line.role == PreviewRole::Skipped))
            SGridPreview->setSpan(i, 1, 1, columns);
        for (std::size_t k = 0; k < line.cells.size() && static_cast<int>(k) < columns; ++k) {
            auto* item = new QTableWidgetItem(displayString(line.cells[k], fileIsUtf8_));
            if (header) {
                QFont font = item->font();
                font.setItalic(true);
                item->setFont(font);
            } else if (static_cast<int>(k) < preview.columnCount && preview.numeric[k]) {
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            }
            SGridPreview->setItem(i, static_cast<int>(k) + 1, item);
        }
        if (header)
            for (int c = 0; c <= columns; ++c)
                if (QTableWidgetItem* item = SGridPreview->item(i, c)) item->setBackground(headerShade);
    }
    SGridPreview->setVerticalHeaderLabels(lineNumbers);
    SGridPreview->resizeColumnsToContents();
    SGridPreview->horizontalHeader()->setStretchLastSection(true);

    QStringList note;
    if (!preview.read) note << QStringLiteral("No table: %1.").arg(qs(preview.problem));
    else note << QStringLiteral("%1 columns.").arg(preview.columnCount);
    if (preview.dateTimeAxisColumn != 0)
        note << QStringLiteral("Columns %1 and %2 give one time axis.").arg(preview.dateTimeAxisColumn).arg(preview.dateTimeAxisColumn + 1);
    for (const std::string& message : preview.messages) note << qs(message);
    LabPreviewNote->setText(note.join(QStringLiteral(" ")));
}

} // namespace varnotile
