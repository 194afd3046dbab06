#include "form_setting.h"

#include "qt_texts.h"
#include "settings_file.h"

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

    setTabOrder(ChBoxKeepAge, RBtnComma);
    setTabOrder(RBtnComma, RBtnSemi);
    setTabOrder(RBtnSemi, RBtnSpace);
    setTabOrder(RBtnSpace, RBtnTab);
    QWidget* previous = RBtnTab;
    for (QWidget* w : std::initializer_list<QWidget*>{ChBoxWhitespace, CBoxDecimal, ChBoxQuotes, ChBoxComments,
                                                      EdCommentPrefix, ChBoxMissing, EdMissingTokens,
                                                      ChBoxRobustSample, ChBoxApplyProposals, BtnDistinctColors,
                                                      BtnAllBlack, BitBtnClose}) {
        setTabOrder(previous, w);
        previous = w;
    }
    // As wide as the reading group and the colour buttons need (the classic width when they
    // fit), the original height plus theirs.
    const int widest = std::max(GrBoxReading->geometry().right(), BtnAllBlack->geometry().right());
    setFixedSize(std::max(240, widest + 27), 249 + shift + colorShift);
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
}

int FormSetting::buildReadingGroup(int top) {
    GrBoxReading = new QGroupBox(QStringLiteral("Reading"), this);
    GrBoxReading->setObjectName(QStringLiteral("GrBoxReading"));
    auto* grid = new QGridLayout(GrBoxReading);
    grid->setVerticalSpacing(2);
    auto check = [&](QCheckBox*& box, const char* name, const QString& text) {
        box = new QCheckBox(text, GrBoxReading);
        box->setObjectName(QString::fromLatin1(name));
        box->setAccessibleName(text);
        return box;
    };
    // An edit that belongs to the check box above or beside it: usable only while that is on.
    auto edit = [&](QLineEdit*& line, const char* name, const QString& accessible, QCheckBox* owner) {
        line = new QLineEdit(GrBoxReading);
        line->setObjectName(QString::fromLatin1(name));
        line->setAccessibleName(accessible);
        line->setEnabled(false);
        connect(owner, &QCheckBox::toggled, line, &QWidget::setEnabled);
        return line;
    };

    grid->addWidget(check(ChBoxWhitespace, "ChBoxWhitespace", QStringLiteral("Whitespace")), 0, 0, 1, 2);
    ChBoxWhitespace->setToolTip(QStringLiteral("Runs of spaces and tabs are one delimiter"));
    auto* decimalLabel = new QLabel(QStringLiteral("Decimal separator"), GrBoxReading);
    decimalLabel->setObjectName(QStringLiteral("LabDecimal"));
    CBoxDecimal = new QComboBox(GrBoxReading);
    CBoxDecimal->setObjectName(QStringLiteral("CBoxDecimal"));
    CBoxDecimal->addItems({QStringLiteral("System"), QStringLiteral("Point"), QStringLiteral("Comma")});
    CBoxDecimal->setAccessibleName(decimalLabel->text());
    decimalLabel->setBuddy(CBoxDecimal);
    grid->addWidget(decimalLabel, 1, 0);
    grid->addWidget(CBoxDecimal, 1, 1);
    grid->addWidget(check(ChBoxQuotes, "ChBoxQuotes", QStringLiteral("Quoted texts")), 2, 0, 1, 2);
    grid->addWidget(check(ChBoxComments, "ChBoxComments", QStringLiteral("Comment and blank lines")), 3, 0);
    grid->addWidget(edit(EdCommentPrefix, "EdCommentPrefix", QStringLiteral("Comment prefix"), ChBoxComments), 3, 1);
    EdCommentPrefix->setText(QStringLiteral("#"));
    // A prefix is a character or two: a short field, not one as wide as the combo box.
    EdCommentPrefix->setMaximumWidth(EdCommentPrefix->fontMetrics().horizontalAdvance(QStringLiteral("MMMMM")));
    grid->addWidget(check(ChBoxMissing, "ChBoxMissing", QStringLiteral("Missing values as gaps")), 4, 0, 1, 2);
    // The token list stands under its check box's text and takes the width the group has.
    auto* tokensRow = new QHBoxLayout;
    tokensRow->addSpacing(style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, ChBoxMissing) +
                          style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, ChBoxMissing));
    tokensRow->addWidget(edit(EdMissingTokens, "EdMissingTokens", QStringLiteral("Missing value tokens"), ChBoxMissing));
    EdMissingTokens->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    grid->addLayout(tokensRow, 5, 0, 1, 2);
    EdMissingTokens->setToolTip(QStringLiteral("Separated by blanks; a token holding a blank in double quotes"));
    EdMissingTokens->setText(QString::fromStdString(missingTokensText(ReadOptions().missingTokens)));
    grid->addWidget(check(ChBoxRobustSample, "ChBoxRobustSample", QStringLiteral("Robust sample line")), 6, 0, 1, 2);
    grid->addWidget(check(ChBoxApplyProposals, "ChBoxApplyProposals", QStringLiteral("Apply proposals automatically")),
                    7, 0, 1, 2);

    const QSize hint = GrBoxReading->sizeHint();
    GrBoxReading->setGeometry(18, top, std::max(195, hint.width()), hint.height());
    return hint.height();
}

void FormSetting::FormShow(const std::string& listSeparator, bool keepFileDate) {
    if (listSeparator == ",")
        RBtnComma->setChecked(true);
    else if (listSeparator == ";")
        RBtnSemi->setChecked(true);
    else if (listSeparator == " ")
        RBtnSpace->setChecked(true);
    else if (listSeparator == "\t")
        RBtnTab->setChecked(true);
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
    ChBoxWhitespace->setChecked(options.whitespace);
    CBoxDecimal->setCurrentIndex(static_cast<int>(options.decimal));
    ChBoxQuotes->setChecked(options.quotedTexts);
    ChBoxComments->setChecked(options.commentLines);
    EdCommentPrefix->setText(QString::fromStdString(options.commentPrefix));
    ChBoxMissing->setChecked(options.missingAsGaps);
    EdMissingTokens->setText(QString::fromStdString(missingTokensText(options.missingTokens)));
    ChBoxRobustSample->setChecked(options.robustSample);
    ChBoxApplyProposals->setChecked(applyProposals);
}

void FormSetting::takeReading(ReadOptions& options, bool& applyProposals) const {
    options.whitespace = ChBoxWhitespace->isChecked();
    options.decimal = static_cast<DecimalChoice>(std::clamp(CBoxDecimal->currentIndex(), 0, 2));
    options.quotedTexts = ChBoxQuotes->isChecked();
    options.commentLines = ChBoxComments->isChecked();
    // An emptied prefix goes back to the default rather than leaving only blank lines as comments.
    const std::string prefix = EdCommentPrefix->text().trimmed().toStdString();
    options.commentPrefix = prefix.empty() ? ReadOptions().commentPrefix : prefix;
    options.missingAsGaps = ChBoxMissing->isChecked();
    options.missingTokens = parseMissingTokens(EdMissingTokens->text().toStdString());
    options.robustSample = ChBoxRobustSample->isChecked();
    applyProposals = ChBoxApplyProposals->isChecked();
}

void FormSetting::BitBtnCloseClick() { accept(); }

} // namespace varnotile
