#pragma once
// The Modify dialog: renames and relabels a column and asks for a conditional and a linear
// transformation of a range of its rows. It only collects the user's input; the main window
// applies it when the dialog was closed with "Modify".
#include "modification.h"

#include <QDialog>

#include <functional>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace varnotile {

class FormModify : public QDialog {
    Q_OBJECT
public:
    explicit FormModify(QWidget* parent = nullptr);

    // Where the row-field error goes (the main window's error box); a message box when unset.
    void setErrorSink(std::function<void(const QString&)> sink) { errorSink_ = std::move(sink); }

    // Fills the fields before showing: the column's name and label, the stored row range; the
    // value fields start empty, the factor at "1" and the offset at "0". The condition keeps the
    // text it had. `rowCount` is the table's number of data rows, the range "All" puts in;
    // `decimal` the separator the factor and the offset are read with.
    void FormShow(const QString& name, const QString& label, int fromRow, int toRow, int rowCount,
                  char decimal = '.');

    // The input as the user left it; valid after the dialog was accepted.
    QString columnName() const;
    QString columnLabel() const;
    ModifyRequest request() const;

public slots:
    void BitBtnAllClick();
    void BitBtnModifyClick();
    void BitBtnCancelClick();

private:
    QLineEdit* addEdit(const char* name);
    void reportError(const QString& message, QLineEdit* field);

    std::function<void(const QString&)> errorSink_;
    int rowCount_ = 1;
    char decimal_ = '.';
    int fromRow_ = 1, toRow_ = 1;
    QLineEdit* editColonName_ = nullptr;
    QLineEdit* editColonLabel_ = nullptr;
    QLineEdit* editBegRow_ = nullptr;
    QLineEdit* editEndRow_ = nullptr;
    QPushButton* bitBtnAll_ = nullptr;
    QComboBox* cmbBoxCondition_ = nullptr;
    QLineEdit* editVal1_ = nullptr;
    QLineEdit* editVal2_ = nullptr;
    QLineEdit* editMult_ = nullptr;
    QLineEdit* editAdd_ = nullptr;
    QPushButton* bitBtnModify_ = nullptr;
    QPushButton* bitBtnCancel_ = nullptr;
};

} // namespace varnotile
