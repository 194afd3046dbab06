#pragma once
// The file text viewer TForm1: the current data file's text as it is stored on disk. What the
// user types into the box stays in the box; nothing is ever written back.
#include <QDialog>
#include <QString>

class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace varnotile {

class FormFileView : public QDialog {
    Q_OBJECT
public:
    // Lines longer than this are shown in pieces of this many characters, one below the other:
    // the box lays out a whole line to show any part of it, which takes minutes for a line of
    // megabytes and only moments for a piece.
    static constexpr qsizetype kPieceLength = 4096;

    explicit FormFileView(QWidget* parent = nullptr);

    // Replaces the text with the content of `path` when that file exists. A missing file (or no
    // name) leaves the previous text in place. Returns an error text when the file exists but
    // cannot be read, empty otherwise. The box shows the start of a large file at once and
    // receives the rest in parts while the event loop runs.
    QString FormShow(const QString& path);

    QString text() const;
    // False while parts of the last file shown are still to come.
    bool isComplete() const { return pending_.isEmpty(); }

private:
    // Appends the next part of the pending text to the box.
    void appendNextPart();

    QPlainTextEdit* rEdit1_ = nullptr;
    QPushButton* bitBtnOK_ = nullptr;
    QTimer* filler_ = nullptr;
    QString pending_;       // the file's text as shown, still to be put into the box from pendingAt_
    qsizetype pendingAt_ = 0;
};

} // namespace varnotile
