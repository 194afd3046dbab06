#pragma once
// The General Settings dialog: the data delimiter, the reading options, whether saving keeps a
// file's date and the curve colours. Closing it by "OK" or by its close box applies what it shows; there is no cancel.
#include "dataset.h"
#include "palettes.h"
#include "read_options.h"

#include <QDialog>

#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace varnotile {

struct ReadingOption;

class FormSetting : public QDialog {
    Q_OBJECT
public:
    explicit FormSetting(QWidget* parent = nullptr);

    // Shows the current settings: the radio button of the delimiter (none is changed for any
    // other delimiter) and the keep-date check box.
    void FormShow(const std::string& listSeparator, bool keepFileDate);
    // Applies the dialog's state: the checked radio button's delimiter (unchanged when none is
    // checked) and the check box.
    void FormClose(std::string& listSeparator, bool& keepFileDate) const;
    // The reading options every file is read with, and whether the detector's proposals are
    // applied without asking.
    void showReading(const ReadOptions& options, bool applyProposals);
    void takeReading(ReadOptions& options, bool& applyProposals) const;
    // The curve colours: shown as a strip of swatches; "Distinct colours" and "All black" set all
    // ten, which apply with the rest of the dialog when it closes.
    void showColors(const Slots<Rgb, 21>& curveColors);
    void takeColors(Slots<Rgb, 21>& curveColors) const;

    QRadioButton* RBtnComma = nullptr;
    QRadioButton* RBtnSemi = nullptr;
    QRadioButton* RBtnSpace = nullptr;
    QRadioButton* RBtnTab = nullptr;
    QCheckBox* ChBoxKeepAge = nullptr;
    QPushButton* BitBtnClose = nullptr;
    // Closes the dialog with every setting as it was shown.
    QPushButton* BtnCancel = nullptr;
    bool cancelled() const { return cancelled_; }

    // The reading options' widgets are built from the option table and named by it.
    QGroupBox* GrBoxReading = nullptr;
    QCheckBox* ChBoxApplyProposals = nullptr;

    QPushButton* BtnDistinctColors = nullptr;
    QPushButton* BtnAllBlack = nullptr;

public slots:
    void BitBtnCloseClick();

private:
    // Builds the reading group at `top`, one row per option of the table; returns its height.
    int buildReadingGroup(int top);
    // Builds the curve colour row at `top`; returns its height.
    int buildColorRow(int top);
    void choosePalette(CurvePalette palette);
    void drawSwatches();

    QLabel* LabFileOpen = nullptr;
    QGroupBox* GrBoxDD = nullptr;
    QLabel* LabFileSave = nullptr;
    QLabel* LabCurveColors = nullptr;
    QLabel* swatches_ = nullptr;
    Slots<Rgb, 21> colors_{};
    // The widgets of one reading option: a check box or a combo box, and the value's line edit.
    struct ReadingWidgets {
        const ReadingOption* option = nullptr;
        QCheckBox* check = nullptr;
        QComboBox* choice = nullptr;
        QSpinBox* number = nullptr;
        QLineEdit* value = nullptr;
    };
    std::vector<ReadingWidgets> reading_;
    bool cancelled_ = false;
};

} // namespace varnotile
