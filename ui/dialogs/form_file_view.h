#pragma once
// The file text viewer TForm1: the current data file's text as it is stored on disk. What the
// user types into the box stays in the box; nothing is ever written back.
#include <QDialog>

class QPlainTextEdit;
class QPushButton;

namespace varnotile {

class FormFileView : public QDialog {
    Q_OBJECT
public:
    explicit FormFileView(QWidget* parent = nullptr);

    // Replaces the text with the content of `path` when that file exists. A missing file (or no
    // name) leaves the previous text in place. Returns an error text when the file exists but
    // cannot be read, empty otherwise.
    QString FormShow(const QString& path);

    QString text() const;

private:
    QPlainTextEdit* rEdit1_ = nullptr;
    QPushButton* bitBtnOK_ = nullptr;
};

} // namespace varnotile
