#include "form_file_view.h"

#include "file_lines.h"
#include "qt_texts.h"
#include "text_codec.h"

#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QTimer>

namespace varnotile {
namespace {

// How much text goes into the box at once: the document takes some microseconds per line, so
// the first part shows at once and the later ones keep the window answering between them.
constexpr qsizetype kFirstPart = qsizetype(1) << 20;
constexpr qsizetype kLaterPart = qsizetype(1) << 18;

// The text with a line break after every kPieceLength characters of a line.
QString withLongLinesInPieces(const QString& text) {
    QString out;
    out.reserve(text.size() + text.size() / FormFileView::kPieceLength);
    qsizetype column = 0;
    for (const QChar c : text) {
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r')) {
            column = 0;
        } else if (column >= FormFileView::kPieceLength && !c.isLowSurrogate()) { // a pair stays whole
            out += QLatin1Char('\n');
            column = 1;
        } else {
            ++column;
        }
        out += c;
    }
    return out;
}

// The end of a part that starts at `from`: just after the first line end at or beyond `from` +
// `size` (lines are at most kPieceLength long by now), so that a part never splits a CR LF pair.
qsizetype partEnd(const QString& text, qsizetype from, qsizetype size) {
    for (qsizetype i = from + size; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\n') || (c == QLatin1Char('\r') && (i + 1 == text.size() || text.at(i + 1) != QLatin1Char('\n'))))
            return i + 1;
    }
    return text.size();
}

} // namespace

FormFileView::FormFileView(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TForm1"));
    setWindowTitle(QStringLiteral("Varnotile"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(537, 375);
    move(204, 104);

    rEdit1_ = new QPlainTextEdit(this);
    rEdit1_->setObjectName(QStringLiteral("REdit1"));
    rEdit1_->setGeometry(10, 22, 513, 257);
    rEdit1_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    rEdit1_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    rEdit1_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    bitBtnOK_ = new QPushButton(QStringLiteral("OK"), this);
    bitBtnOK_->setObjectName(QStringLiteral("BitBtnOK"));
    bitBtnOK_->setGeometry(234, 304, 65, 21);
    bitBtnOK_->setDefault(true);
    connect(bitBtnOK_, &QPushButton::clicked, this, &QDialog::accept);

    filler_ = new QTimer(this);
    filler_->setInterval(0);
    connect(filler_, &QTimer::timeout, this, &FormFileView::appendNextPart);
}

QString FormFileView::FormShow(const QString& path) {
    if (path.isEmpty() || !QFileInfo(path).isFile()) return {};
    // A compressed file shows its decompressed text.
    PageBuffer bytes;
    std::size_t size = 0;
    if (const std::string error = readFileContent(QFile::encodeName(path).toStdString(), bytes, size); !error.empty())
        return QStringLiteral("Cannot read the file \"%1\": %2").arg(path, QString::fromStdString(error));
    const std::string_view view(bytes.data(), size);
    filler_->stop();
    pending_ = withLongLinesInPieces(displayString(view, isValidUtf8(view)));
    pendingAt_ = partEnd(pending_, 0, kFirstPart);
    // The parts that follow are not the user's edits: Undo must not take them out again.
    rEdit1_->document()->setUndoRedoEnabled(false);
    rEdit1_->setPlainText(pending_.left(pendingAt_));
    rEdit1_->moveCursor(QTextCursor::Start);
    if (pendingAt_ < pending_.size())
        filler_->start();
    else
        appendNextPart();
    return {};
}

void FormFileView::appendNextPart() {
    if (pendingAt_ < pending_.size()) {
        const qsizetype end = partEnd(pending_, pendingAt_, kLaterPart);
        QTextCursor cursor(rEdit1_->document());
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(pending_.mid(pendingAt_, end - pendingAt_));
        pendingAt_ = end;
    }
    if (pendingAt_ < pending_.size()) return;
    filler_->stop();
    pending_.clear();
    pendingAt_ = 0;
    rEdit1_->document()->setUndoRedoEnabled(true);
}

QString FormFileView::text() const { return rEdit1_->toPlainText(); }

} // namespace varnotile
