#pragma once
// The "Reopen as..." dialog: how one file is read (its delimiter, decimal separator, reading
// options, table, date order and a time axis from a date and a time column), with a preview of
// its first lines as they will read. It holds no logic of its own: the reading comes in through
// showFile() and goes out through chosen(); the preview is the core's PreviewReading().
#include "reading_advice.h"

#include <QDialog>

#include <vector>

class QCheckBox;
class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTableWidget;

namespace varnotile {

class FileLines;
struct ReadingOption;

class FormReopen : public QDialog {
    Q_OBJECT
public:
    explicit FormReopen(QWidget* parent = nullptr);

    // Shows `fileName` read with `current`; "Proposed reading" sets `proposed`. `lines` must stay
    // valid while the dialog is open; the System decimal choice stands for `localeDecimal`.
    void showFile(const QString& fileName, const FileLines& lines, const ReadingChoice& current,
                  const ReadingChoice& proposed, char localeDecimal, bool fileIsUtf8);
    // The reading the dialog shows.
    ReadingChoice chosen() const;

    QComboBox* CmbBoxDelimiter = nullptr;
    QLineEdit* EditDelimiter = nullptr; // the "Other" delimiter
    QPushButton* BtnProposed = nullptr;
    QTableWidget* SGridPreview = nullptr;
    QLabel* LabPreviewNote = nullptr;
    QPushButton* BitBtnOK = nullptr;
    QPushButton* BitBtnCancel = nullptr;

private:
    void buildReadingOptions(QGridLayout* grid);
    void setChoice(const ReadingChoice& choice);
    void refreshPreview();

    struct OptionWidgets {
        const ReadingOption* option = nullptr;
        QCheckBox* check = nullptr;
        QComboBox* choice = nullptr;
        QSpinBox* number = nullptr;
        QLineEdit* value = nullptr;
    };
    std::vector<OptionWidgets> options_;
    QLabel* LabFile = nullptr;
    const FileLines* lines_ = nullptr;
    ReadingChoice current_, proposed_;
    char localeDecimal_ = '.';
    bool fileIsUtf8_ = true;
    bool filling_ = false; // setChoice() is setting the widgets: no preview per widget
};

} // namespace varnotile
