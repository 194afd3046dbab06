#include "form_options.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>

namespace varnotile {

FormOptions::FormOptions(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("TFormOptions"));
    setWindowTitle(QStringLiteral("Varnotile Chart Options"));
    setModal(true);
    move(227, 137);

    BitBtnOK = new QPushButton(QStringLiteral("OK"), this);
    BitBtnOK->setObjectName(QStringLiteral("BitBtnOK"));
    BitBtnOK->setGeometry(102, 130, 69, 25);
    BitBtnOK->setDefault(true);
    connect(BitBtnOK, &QPushButton::clicked, this, &FormOptions::BitBtnOKClick);

    GBoxYScale = new QGroupBox(QStringLiteral(" Y-Axis Scale   "), this);
    GBoxYScale->setObjectName(QStringLiteral("GBoxYScale"));
    RBtnPercent = new QRadioButton(QStringLiteral("Percentage"), GBoxYScale);
    RBtnPercent->setObjectName(QStringLiteral("RBtnPercent"));
    RBtnPercent->move(14, 20);
    RBtnPercent->adjustSize();
    RBtnNumeric = new QRadioButton(QStringLiteral("Numeric"), GBoxYScale);
    RBtnNumeric->setObjectName(QStringLiteral("RBtnNumeric"));
    RBtnNumeric->move(14, 46);
    RBtnNumeric->adjustSize();
    RBtnPercent->setChecked(true);
    // The designed 109 x 75 box, wider when this platform's font needs it.
    const int boxWidth = std::max({109, RBtnPercent->width() + 24, RBtnNumeric->width() + 24});
    GBoxYScale->setGeometry(6, 24, boxWidth, 80);

    const int boxesLeft = std::max(140, 6 + boxWidth + 16);
    ChBoxSeriesTitles = new QCheckBox(QStringLiteral("Show Curves Names"), this);
    ChBoxSeriesTitles->setObjectName(QStringLiteral("ChBoxSeriesTitles"));
    ChBoxSeriesTitles->move(boxesLeft, 38);
    ChBoxSeriesTitles->adjustSize();
    ChBoxSeriesTitles->setChecked(true);
    ChBoxChartTitle = new QCheckBox(QStringLiteral("Show Chart Title"), this);
    ChBoxChartTitle->setObjectName(QStringLiteral("ChBoxChartTitle"));
    ChBoxChartTitle->move(boxesLeft, 74);
    ChBoxChartTitle->adjustSize();
    ChBoxChartTitle->setChecked(true);
    connect(ChBoxSeriesTitles, &QCheckBox::clicked, this, &FormOptions::curveNamesToggled);
    connect(ChBoxChartTitle, &QCheckBox::clicked, this, &FormOptions::chartTitleToggled);

    const int width = std::max(279, boxesLeft + std::max(ChBoxSeriesTitles->width(), ChBoxChartTitle->width()) + 16);
    BitBtnOK->move((width - BitBtnOK->width()) / 2, 130);
    setFixedSize(width, 170);

    setTabOrder(BitBtnOK, GBoxYScale);
    setTabOrder(GBoxYScale, RBtnPercent);
    setTabOrder(RBtnPercent, RBtnNumeric);
    setTabOrder(RBtnNumeric, ChBoxChartTitle);
    setTabOrder(ChBoxChartTitle, ChBoxSeriesTitles);
}

void FormOptions::FormShow(bool percentScale) {
    if (percentScale)
        RBtnPercent->setChecked(true);
    else
        RBtnNumeric->setChecked(true);
}

bool FormOptions::percentScaleChosen() const { return RBtnPercent->isChecked(); }

void FormOptions::BitBtnOKClick() { accept(); }

} // namespace varnotile
