#pragma once
// The General Settings dialog: the data delimiter and whether saving keeps a file's date.
// Closing it by "OK" or by its close box applies what it shows; there is no cancel.
#include <QDialog>

#include <string>

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace varnotile {

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

    QRadioButton* RBtnComma = nullptr;
    QRadioButton* RBtnSemi = nullptr;
    QRadioButton* RBtnSpace = nullptr;
    QRadioButton* RBtnTab = nullptr;
    QCheckBox* ChBoxKeepAge = nullptr;
    QPushButton* BitBtnClose = nullptr;

public slots:
    void BitBtnCloseClick();

private:
    QLabel* LabFileOpen = nullptr;
    QGroupBox* GrBoxDD = nullptr;
    QLabel* LabFileSave = nullptr;
};

} // namespace varnotile
