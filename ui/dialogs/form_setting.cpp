#include "form_setting.h"

#include "qt_texts.h"
#include "reading_option_table.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStyle>

#include <algorithm>

namespace varnotile {

FormSetting::FormSetting(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("TFormSetting"));
    setWindowTitle(QStringLiteral("Varnotile General Settings"));
    setModal(true);
    move(204, 105);

    auto named = [](QWidget* w, const char* name) {
        w->setObjectName(QString::fromLatin1(name));
        return w;
    };
    LabFileOpen = new QLabel(QStringLiteral("Open File Option"), this);
    named(LabFileOpen, "LabFileOpen")->move(6, 10);
    LabFileOpen->adjustSize();

    GrBoxDD = new QGroupBox(QStringLiteral(" Data delimiter  "), this);
    named(GrBoxDD, "GrBoxDD")->setGeometry(18, 30, 195, 107);
    RBtnComma = new QRadioButton(QStringLiteral("Comma"), GrBoxDD);
    RBtnSemi = new QRadioButton(QStringLiteral("Semicolon"), GrBoxDD);
    RBtnSpace = new QRadioButton(QStringLiteral("Space"), GrBoxDD);
    RBtnTab = new QRadioButton(QStringLiteral("Tab"), GrBoxDD);
    named(RBtnComma, "RBtnComma")->move(16, 18);
    named(RBtnSemi, "RBtnSemi")->move(16, 41);
    named(RBtnSpace, "RBtnSpace")->move(16, 62);
    named(RBtnTab, "RBtnTab")->move(16, 84);
    for (QRadioButton* b : {RBtnComma, RBtnSemi, RBtnSpace, RBtnTab}) b->adjustSize();

    // The reading options are open-file options too: their group stands under the delimiter's,
    // and the save option and the button move down by its height.
    const int shift = buildReadingGroup(144) + 7;

    LabFileSave = new QLabel(QStringLiteral("Save File Option"), this);
    named(LabFileSave, "LabFileSave")->move(8, 148 + shift);
    LabFileSave->adjustSize();
    ChBoxKeepAge = new QCheckBox(QStringLiteral("Keep the file date/time"), this);
    named(ChBoxKeepAge, "ChBoxKeepAge")->move(34, 164 + shift);
    ChBoxKeepAge->adjustSize();
    ChBoxKeepAge->setChecked(true);

    // The curve colours follow the save option; the button moves down by their height.
    const int colorShift = buildColorRow(190 + shift);

    BitBtnClose = new QPushButton(QStringLiteral("OK"), this);
    named(BitBtnClose, "BitBtnClose")->setGeometry(80, 190 + shift + colorShift, 61, 23);
    BitBtnClose->setDefault(true);
    connect(BitBtnClose, &QPushButton::clicked, this, &FormSetting::BitBtnCloseClick);
    BtnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    named(BtnCancel, "BtnCancel")->setGeometry(148, 190 + shift + colorShift, 61, 23);
    BtnCancel->setAutoDefault(false);
    BtnCancel->setToolTip(QStringLiteral("Closes the dialog and keeps every setting as it was"));
    connect(BtnCancel, &QPushButton::clicked, this, [this] {
        cancelled_ = true;
        reject();
    });

    // What each option does, in the words of the files it is about.
    RBtnComma->setToolTip(QStringLiteral("Fields separated by commas: 1.5,2.5"));
    RBtnSemi->setToolTip(QStringLiteral("Fields separated by semicolons, as European files with decimal commas are"));
    RBtnSpace->setToolTip(QStringLiteral("Fields separated by spaces"));
    RBtnTab->setToolTip(QStringLiteral("Fields separated by tabs"));
    ChBoxKeepAge->setToolTip(
        QStringLiteral("A saved file keeps the date and time it had, so folder lists still sort it by when it was measured"));
    ChBoxApplyProposals->setToolTip(QStringLiteral(
        "When a file reads better another way (another delimiter, decimal commas, dates), read it that way at once "
        "instead of offering it in the bar above the table"));

    setTabOrder(ChBoxKeepAge, RBtnComma);
    setTabOrder(RBtnComma, RBtnSemi);
    setTabOrder(RBtnSemi, RBtnSpace);
    setTabOrder(RBtnSpace, RBtnTab);
    std::vector<QWidget*> order;
    for (const ReadingWidgets& row : reading_)
        for (QWidget* w : std::initializer_list<QWidget*>{row.check, row.choice, row.number, row.value})
            if (w) order.push_back(w);
    order.insert(order.end(), {ChBoxApplyProposals, BtnDistinctColors, BtnAllBlack, BitBtnClose, BtnCancel});
    QWidget* previous = RBtnTab;
    for (QWidget* w : order) {
        setTabOrder(previous, w);
        previous = w;
    }
    // As wide as the reading group and the colour buttons need (the classic width when they
    // fit), the original height plus theirs.
    const int widest = std::max(GrBoxReading->geometry().right(), BtnAllBlack->geometry().right());
    setFixedSize(std::max(240, std::max(widest, BtnCancel->geometry().right()) + 27), 249 + shift + colorShift);
}

int FormSetting::buildColorRow(int top) {
    LabCurveColors = new QLabel(QStringLiteral("Curve Colors"), this);
    LabCurveColors->setObjectName(QStringLiteral("LabCurveColors"));
    LabCurveColors->move(8, top);
    LabCurveColors->adjustSize();
    swatches_ = new QLabel(this);
    swatches_->setObjectName(QStringLiteral("LabColorSwatches"));
    swatches_->setToolTip(QStringLiteral("The colours of curves 1 to 10"));
    swatches_->move(34, LabCurveColors->geometry().bottom() + 4);
    drawSwatches();

    BtnDistinctColors = new QPushButton(QStringLiteral("Distinct colours"), this);
    BtnDistinctColors->setObjectName(QStringLiteral("BtnDistinctColors"));
    BtnDistinctColors->setToolTip(QStringLiteral("Ten colours that stay apart also for colour-blind eyes"));
    BtnAllBlack = new QPushButton(QStringLiteral("All black"), this);
    BtnAllBlack->setObjectName(QStringLiteral("BtnAllBlack"));
    const int buttonsTop = swatches_->geometry().bottom() + 5;
    int left = 34;
    for (QPushButton* button : {BtnDistinctColors, BtnAllBlack}) {
        // Enter keeps pressing "OK".
        button->setAutoDefault(false);
        button->adjustSize();
        button->move(left, buttonsTop);
        left = button->geometry().right() + 7;
    }
    connect(BtnDistinctColors, &QPushButton::clicked, this, [this] { choosePalette(CurvePalette::Distinct); });
    connect(BtnAllBlack, &QPushButton::clicked, this, [this] { choosePalette(CurvePalette::Black); });
    return BtnAllBlack->geometry().bottom() + 10 - top;
}

void FormSetting::choosePalette(CurvePalette palette) {
    ApplyPalette(palette, colors_);
    drawSwatches();
}

void FormSetting::drawSwatches() {
    // Squares as high as a line of text, drawn at the screen's pixel density so they stay sharp.
    const int side = std::max(8, fontMetrics().height() * 3 / 4);
    const int gap = side / 4;
    const QSize size(kCurveCount * (side + gap) - gap, side);
    const qreal ratio = devicePixelRatioF();
    QPixmap strip(size * ratio);
    strip.setDevicePixelRatio(ratio);
    strip.fill(Qt::transparent);
    QPainter painter(&strip);
    painter.setPen(QPen(QColor(96, 96, 96), 0));
    for (int k = 1; k <= kCurveCount; ++k) {
        painter.setBrush(toQColor(colors_[k]));
        painter.drawRect(QRectF((k - 1) * (side + gap) + 0.5, 0.5, side - 1, side - 1));
    }
    painter.end();
    swatches_->setPixmap(strip);
    swatches_->resize(size);
}

void FormSetting::showColors(const Slots<Rgb, 21>& curveColors) {
    colors_ = curveColors;
    drawSwatches();
}

void FormSetting::takeColors(Slots<Rgb, 21>& curveColors) const {
    for (int k = 1; k <= kCurveCount; ++k) curveColors[k] = colors_[k];
    RepeatCurveColors(curveColors);
}

int FormSetting::buildReadingGroup(int top) {
    GrBoxReading = new QGroupBox(QStringLiteral("Reading"), this);
    GrBoxReading->setObjectName(QStringLiteral("GrBoxReading"));
    auto* grid = new QGridLayout(GrBoxReading);
    grid->setVerticalSpacing(2);
    const auto qs = [](std::string_view text) {
        return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    };
    auto check = [&](std::string_view name, const QString& text) {
        auto* box = new QCheckBox(text, GrBoxReading);
        box->setObjectName(qs(name));
        box->setAccessibleName(text);
        return box;
    };

    // Two columns of options, so that the dialog stays lower than a small screen.
    const std::size_t leftCount = (readingOptions().size() + 1) / 2;
    int row = 0, lastRow = 0, column = 0;
    for (const ReadingOption& option : readingOptions()) {
        if (reading_.size() == leftCount) {
            lastRow = row;
            row = 0;
            column = 2;
        }
        ReadingWidgets widgets{&option};
        const ReadingOptionValue* value = option.value;
        const bool valueBeside = value && !value->below;
        if (option.isSwitch()) {
            widgets.check = check(option.widgetName, qs(option.label));
            grid->addWidget(widgets.check, row, column, 1, valueBeside ? 1 : 2);
        } else if (option.isNumber()) {
            auto* caption = new QLabel(qs(option.label), GrBoxReading);
            caption->setObjectName(QStringLiteral("Lab") + qs(option.widgetName).mid(5)); // SEditTable: LabTable
            widgets.number = new QSpinBox(GrBoxReading);
            widgets.number->setObjectName(qs(option.widgetName));
            widgets.number->setRange(0, option.maxNumber);
            widgets.number->setSpecialValueText(QStringLiteral("Whole file"));
            widgets.number->setAccessibleName(caption->text());
            caption->setBuddy(widgets.number);
            grid->addWidget(caption, row, column);
            grid->addWidget(widgets.number, row, column + 1);
        } else {
            auto* caption = new QLabel(qs(option.label), GrBoxReading);
            caption->setObjectName(QStringLiteral("Lab") + qs(option.widgetName).mid(4)); // CBoxDecimal: LabDecimal
            widgets.choice = new QComboBox(GrBoxReading);
            widgets.choice->setObjectName(qs(option.widgetName));
            for (const ReadingChoiceWord& word : option.choices) widgets.choice->addItem(qs(word.word));
            widgets.choice->setAccessibleName(caption->text());
            caption->setBuddy(widgets.choice);
            grid->addWidget(caption, row, column);
            grid->addWidget(widgets.choice, row, column + 1);
        }
        QWidget* optionWidget = widgets.check    ? static_cast<QWidget*>(widgets.check)
                                : widgets.number ? static_cast<QWidget*>(widgets.number)
                                                 : widgets.choice;
        if (!option.toolTip.empty()) optionWidget->setToolTip(qs(option.toolTip));
        if (value) {
            // Usable only while its switch is on.
            QLineEdit* edit = widgets.value = new QLineEdit(GrBoxReading);
            edit->setObjectName(qs(value->widgetName));
            edit->setAccessibleName(qs(value->label));
            edit->setEnabled(false);
            connect(widgets.check, &QCheckBox::toggled, edit, &QWidget::setEnabled);
            if (!value->toolTip.empty()) edit->setToolTip(qs(value->toolTip));
            edit->setText(QString::fromStdString(valueText(*value, ReadOptions())));
            if (valueBeside) {
                // A value beside its switch is a character or two: a short field, not one as wide
                // as the combo box.
                edit->setMaximumWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("MMMMM")));
                grid->addWidget(edit, row, column + 1);
            } else {
                // A value below stands under its check box's text and takes the width the group has.
                auto* valueRow = new QHBoxLayout;
                valueRow->addSpacing(style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, widgets.check) +
                                     style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, widgets.check));
                valueRow->addWidget(edit);
                edit->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
                grid->addLayout(valueRow, ++row, column, 1, 2);
            }
        }
        reading_.push_back(widgets);
        ++row;
    }
    ChBoxApplyProposals = check("ChBoxApplyProposals", QStringLiteral("Apply proposals automatically"));
    grid->addWidget(ChBoxApplyProposals, std::max(row, lastRow), 0, 1, 4);
    grid->setHorizontalSpacing(12);

    const QSize hint = GrBoxReading->sizeHint();
    GrBoxReading->setGeometry(18, top, std::max(195, hint.width()), hint.height());
    return hint.height();
}

void FormSetting::FormShow(const std::string& listSeparator, bool keepFileDate) {
    cancelled_ = false;
    if (listSeparator == ",")
        RBtnComma->setChecked(true);
    else if (listSeparator == ";")
        RBtnSemi->setChecked(true);
    else if (listSeparator == " ")
        RBtnSpace->setChecked(true);
    else if (listSeparator == "\t")
        RBtnTab->setChecked(true);
    else // another delimiter of the settings file ("|"): no button shows it, and closing keeps it
        for (QRadioButton* b : {RBtnComma, RBtnSemi, RBtnSpace, RBtnTab}) {
            b->setAutoExclusive(false); // an exclusive button cannot be unchecked
            b->setChecked(false);
            b->setAutoExclusive(true);
        }
    ChBoxKeepAge->setChecked(keepFileDate);
}

void FormSetting::FormClose(std::string& listSeparator, bool& keepFileDate) const {
    if (RBtnComma->isChecked())
        listSeparator = ",";
    else if (RBtnSemi->isChecked())
        listSeparator = ";";
    else if (RBtnSpace->isChecked())
        listSeparator = " ";
    else if (RBtnTab->isChecked())
        listSeparator = "\t";
    keepFileDate = ChBoxKeepAge->isChecked();
}

void FormSetting::showReading(const ReadOptions& options, bool applyProposals) {
    for (const ReadingWidgets& w : reading_) {
        const int state = w.option->get(options);
        if (w.check) w.check->setChecked(state != 0);
        if (w.choice) w.choice->setCurrentIndex(state);
        if (w.number) w.number->setValue(state);
        if (w.value) w.value->setText(QString::fromStdString(valueText(*w.option->value, options)));
    }
    ChBoxApplyProposals->setChecked(applyProposals);
}

void FormSetting::takeReading(ReadOptions& options, bool& applyProposals) const {
    for (const ReadingWidgets& w : reading_) {
        if (w.check) w.option->set(options, w.check->isChecked() ? 1 : 0);
        if (w.choice) w.option->set(options, std::clamp(w.choice->currentIndex(), 0, w.choice->count() - 1));
        if (w.number) w.option->set(options, w.number->value());
        // An emptied text goes back to the default.
        if (w.value) setValueText(*w.option->value, options, w.value->text().trimmed().toStdString());
    }
    applyProposals = ChBoxApplyProposals->isChecked();
}

void FormSetting::BitBtnCloseClick() { accept(); }

} // namespace varnotile
