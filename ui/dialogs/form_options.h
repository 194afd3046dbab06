#pragma once
// The chart options dialog: the Y-axis scale (percent or plain numbers), the legend and the
// chart title. The check boxes act at once through their signals; the scale is taken over when
// the dialog closes, by "OK" or by its close box alike (there is no cancel).
#include <QDialog>

class QCheckBox;
class QGroupBox;
class QPushButton;
class QRadioButton;

namespace varnotile {

class FormOptions : public QDialog {
    Q_OBJECT
public:
    explicit FormOptions(QWidget* parent = nullptr);

    // Before showing: selects the radio button of the current scale; the check boxes keep
    // whatever state they had.
    void FormShow(bool percentScale);
    // The scale the dialog shows: whether "Percentage" is selected.
    bool percentScaleChosen() const;
    // Logarithmic axes, in their own group after the controls above. A logarithmic Y axis and
    // the percent scale exclude each other: choosing one clears the other.
    void showLogScales(bool logY, bool logX);
    bool logYChosen() const;
    bool logXChosen() const;

    QPushButton* BitBtnOK = nullptr;
    QGroupBox* GBoxYScale = nullptr;
    QRadioButton* RBtnPercent = nullptr;
    QRadioButton* RBtnNumeric = nullptr;
    QCheckBox* ChBoxSeriesTitles = nullptr;
    QCheckBox* ChBoxChartTitle = nullptr;
    QGroupBox* GBoxLogScale = nullptr;
    QCheckBox* ChBoxLogY = nullptr;
    QCheckBox* ChBoxLogX = nullptr;

signals:
    void curveNamesToggled(bool shown);
    void chartTitleToggled(bool shown);

public slots:
    void BitBtnOKClick();
};

} // namespace varnotile
