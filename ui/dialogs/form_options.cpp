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

    int width = std::max(279, boxesLeft + std::max(ChBoxSeriesTitles->width(), ChBoxChartTitle->width()) + 16);
    // Logarithmic axes, below the controls above; the OK button moves under them.
    GBoxLogScale = new QGroupBox(QStringLiteral(" Logarithmic Axes "), this);
    GBoxLogScale->setObjectName(QStringLiteral("GBoxLogScale"));
    ChBoxLogY = new QCheckBox(QStringLiteral("Logarithmic Y axis"), GBoxLogScale);
    ChBoxLogY->setObjectName(QStringLiteral("ChBoxLogY"));
    ChBoxLogY->setToolTip(QStringLiteral("Y at powers of ten; values of 0 or less are left out (the status bar counts "
                                         "them). Not with the percentage scale."));
    ChBoxLogY->move(14, 20);
    ChBoxLogY->adjustSize();
    ChBoxLogX = new QCheckBox(QStringLiteral("Logarithmic X axis"), GBoxLogScale);
    ChBoxLogX->setObjectName(QStringLiteral("ChBoxLogX"));
    ChBoxLogX->setToolTip(QStringLiteral("X at powers of ten; values of 0 or less are left out. A time axis stays linear."));
    ChBoxLogX->move(14, 44);
    ChBoxLogX->adjustSize();
    width = std::max(width, std::max(ChBoxLogY->width(), ChBoxLogX->width()) + 40);
    GBoxLogScale->setGeometry(6, 112, width - 12, 72);
    connect(ChBoxLogY, &QCheckBox::toggled, this, [this](bool on) {
        if (on) RBtnNumeric->setChecked(true);
    });
    connect(RBtnPercent, &QRadioButton::toggled, this, [this](bool on) {
        if (on) ChBoxLogY->setChecked(false);
    });
    BitBtnOK->move((width - BitBtnOK->width()) / 2, 196);
    setFixedSize(width, 236);

    setTabOrder(BitBtnOK, GBoxYScale);
    setTabOrder(GBoxYScale, RBtnPercent);
    setTabOrder(RBtnPercent, RBtnNumeric);
    setTabOrder(RBtnNumeric, ChBoxChartTitle);
    setTabOrder(ChBoxChartTitle, ChBoxSeriesTitles);
    setTabOrder(ChBoxSeriesTitles, ChBoxLogY);
    setTabOrder(ChBoxLogY, ChBoxLogX);
}

void FormOptions::showLogScales(bool logY, bool logX) {
    ChBoxLogY->setChecked(logY && !RBtnPercent->isChecked());
    ChBoxLogX->setChecked(logX);
}

bool FormOptions::logYChosen() const { return ChBoxLogY->isChecked(); }

bool FormOptions::logXChosen() const { return ChBoxLogX->isChecked(); }

void FormOptions::FormShow(bool percentScale) {
    if (percentScale)
        RBtnPercent->setChecked(true);
    else
        RBtnNumeric->setChecked(true);
}

bool FormOptions::percentScaleChosen() const { return RBtnPercent->isChecked(); }

void FormOptions::BitBtnOKClick() { accept(); }

} // namespace varnotile
