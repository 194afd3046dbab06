#include "form_preprint.h"

#include "page_geometry.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace varnotile {

ArrowSpinBox::ArrowSpinBox(QWidget* parent) : QSpinBox(parent) {
    lineEdit()->setReadOnly(true);
    setRange(0, 99);
    setSingleStep(1);
}

PagePreviewBox::PagePreviewBox(const DataSet& ds, QWidget* parent) : QWidget(parent), ds_(ds) {}

void PagePreviewBox::paintEvent(QPaintEvent*) {
    const PagePreview p = pagePreview(ds_.Page.PageMargins, ds_.Page.LandscapeOrientation);
    QPainter painter(this);
    // A rectangle from (a, b) to (c, d) covers the pixels a..c-1 and b..d-1, outline included.
    auto box = [](const PageRect& r) { return QRect(r.Left, r.Top, r.width() - 1, r.height() - 1); };

    painter.setPen(QPen(Qt::black, 0, Qt::SolidLine));
    painter.setBrush(Qt::white);
    painter.drawRect(box({0, 0, p.PageWidth, p.PageHeight}));

    const QColor silver(192, 192, 192);
    painter.setPen(QPen(Qt::black, 0, Qt::DotLine));
    painter.setBrush(silver);
    if (p.Printable.width() > 0 && p.Printable.height() > 0) painter.drawRect(box(p.Printable));
    for (int y : p.GuideY) painter.drawLine(0, y, p.PageWidth - 1, y);
    for (int x : p.GuideX) painter.drawLine(x, 0, x, p.PageHeight - 1);
}

FormPreprint::FormPreprint(DataSet& ds, QWidget* parent) : QDialog(parent), ds_(ds) {
    setObjectName(QStringLiteral("TFormPreprint"));
    setWindowTitle(QStringLiteral("Page Setup"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(407, 319);
    move(191, 104);

    auto label = [this](const char* name, const QString& text, int x, int y) {
        auto* l = new QLabel(text, this);
        l->setObjectName(QString::fromLatin1(name));
        l->move(x, y);
        l->adjustSize();
        return l;
    };
    auto spin = [this](const char* name, int x, int y) {
        auto* s = new ArrowSpinBox(this);
        s->setObjectName(QString::fromLatin1(name));
        s->setGeometry(x, y, 47, 22);
        return s;
    };
    labMargin_ = label("LabMargin", QStringLiteral("Margins, %"), 82, 4);
    labTop_ = label("LabTop", QStringLiteral("Top"), 84, 28);
    sEditTop_ = spin("SEditTop", 82, 44);
    labLeft_ = label("LabLeft", QStringLiteral("Left"), 8, 116);
    sEditLeft_ = spin("SEditLeft", 6, 132);
    labRight_ = label("LabRight", QStringLiteral("Right"), 208, 114);
    sEditRight_ = spin("SEditRight", 208, 130);
    labBottom_ = label("LabBottom", QStringLiteral("Bottom"), 86, 232);
    sEditBottom_ = spin("SEditBottom", 86, 246);

    paintBox1_ = new PagePreviewBox(ds_, this);
    paintBox1_->setObjectName(QStringLiteral("PaintBox1"));
    paintBox1_->move(54, 82);

    grBoxOrientation_ = new QGroupBox(QStringLiteral("Orientation"), this);
    grBoxOrientation_->setObjectName(QStringLiteral("GrBoxOrientation"));
    grBoxOrientation_->setGeometry(274, 22, 99, 55);
    auto* orientationLayout = new QVBoxLayout(grBoxOrientation_);
    orientationLayout->setContentsMargins(6, 2, 6, 2);
    orientationLayout->setSpacing(0);
    rBtnPortrait_ = new QRadioButton(QStringLiteral("Portrait"), grBoxOrientation_);
    rBtnPortrait_->setObjectName(QStringLiteral("RBtnPortrait"));
    rBtnLandscape_ = new QRadioButton(QStringLiteral("Landscape"), grBoxOrientation_);
    rBtnLandscape_->setObjectName(QStringLiteral("RBtnLandscape"));
    orientationLayout->addWidget(rBtnPortrait_);
    orientationLayout->addWidget(rBtnLandscape_);
    // Wider than designed when the system font needs it, so "Landscape" is never cut off.
    const QSize needed = grBoxOrientation_->sizeHint();
    grBoxOrientation_->resize(qMax(99, needed.width()), qMax(55, needed.height()));
    rBtnPortrait_->setChecked(!ds_.Page.LandscapeOrientation);
    rBtnLandscape_->setChecked(ds_.Page.LandscapeOrientation);

    bitBtnPrint_ = new QPushButton(QStringLiteral("Print"), this);
    bitBtnPrint_->setObjectName(QStringLiteral("BitBtnPrint"));
    bitBtnPrint_->setGeometry(294, 136, 59, 23);
    bitBtnPrint_->setAutoDefault(false);
    bitBtnOK_ = new QPushButton(QStringLiteral("OK"), this);
    bitBtnOK_->setObjectName(QStringLiteral("BitBtnOK"));
    bitBtnOK_->setGeometry(296, 224, 59, 23);
    bitBtnOK_->setDefault(true);

    connect(sEditLeft_, &QSpinBox::valueChanged, this, &FormPreprint::SEditLeftChange);
    connect(sEditRight_, &QSpinBox::valueChanged, this, &FormPreprint::SEditRightChange);
    connect(sEditTop_, &QSpinBox::valueChanged, this, &FormPreprint::SEditTopChange);
    connect(sEditBottom_, &QSpinBox::valueChanged, this, &FormPreprint::SEditBottomChange);
    connect(rBtnPortrait_, &QRadioButton::clicked, this, &FormPreprint::RBtnPortraitClick);
    connect(rBtnLandscape_, &QRadioButton::clicked, this, &FormPreprint::RBtnLandscapeClick);
    connect(bitBtnPrint_, &QPushButton::clicked, this, &FormPreprint::printRequested);
    connect(bitBtnOK_, &QPushButton::clicked, this, &QDialog::accept);

    FormCreate();
}

void FormPreprint::FormCreate() {
    // Place the margins in the order Left, Right, Top, Bottom; each placement runs the box's change
    // step, also when the box already shows that value, so the limits and the preview follow.
    const PageMarginSet m = ds_.Page.PageMargins;
    const std::pair<ArrowSpinBox*, int> placements[] = {
        {sEditLeft_, m.Left}, {sEditRight_, m.Right}, {sEditTop_, m.Top}, {sEditBottom_, m.Bottom}};
    for (const auto& [box, value] : placements) {
        if (box->value() == value) {
            if (box == sEditLeft_) SEditLeftChange();
            else if (box == sEditRight_) SEditRightChange();
            else if (box == sEditTop_) SEditTopChange();
            else SEditBottomChange();
        } else {
            box->setValue(value);
        }
    }
    DrawPagePreview();
}

void FormPreprint::SEditLeftChange() {
    ds_.Page.PageMargins.Left = sEditLeft_->value();
    sEditRight_->setMaximum(marginLimit(ds_.Page.PageMargins.Left));
    DrawPagePreview();
}

void FormPreprint::SEditRightChange() {
    ds_.Page.PageMargins.Right = sEditRight_->value();
    sEditLeft_->setMaximum(marginLimit(ds_.Page.PageMargins.Right));
    DrawPagePreview();
}

void FormPreprint::SEditTopChange() {
    ds_.Page.PageMargins.Top = sEditTop_->value();
    sEditBottom_->setMaximum(marginLimit(ds_.Page.PageMargins.Top));
    DrawPagePreview();
}

void FormPreprint::SEditBottomChange() {
    ds_.Page.PageMargins.Bottom = sEditBottom_->value();
    sEditTop_->setMaximum(marginLimit(ds_.Page.PageMargins.Bottom));
    DrawPagePreview();
}

void FormPreprint::RBtnPortraitClick() {
    if (rBtnPortrait_->isChecked()) ds_.Page.LandscapeOrientation = false;
    DrawPagePreview();
}

void FormPreprint::RBtnLandscapeClick() {
    if (rBtnLandscape_->isChecked()) ds_.Page.LandscapeOrientation = true;
    DrawPagePreview();
}

void FormPreprint::DrawPagePreview() {
    const PagePreview p = pagePreview(ds_.Page.PageMargins, ds_.Page.LandscapeOrientation);
    paintBox1_->setGeometry(54, 82, p.PageWidth, p.PageHeight);
    paintBox1_->update();
}

void FormPreprint::done(int result) {
    emit closing();
    QDialog::done(result);
}

} // namespace varnotile
