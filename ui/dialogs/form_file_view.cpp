#include "form_file_view.h"

#include "text_codec.h"

#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QPushButton>

namespace varnotile {

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
}

QString FormFileView::FormShow(const QString& path) {
    if (path.isEmpty() || !QFileInfo(path).isFile()) return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("Cannot read the file \"%1\": %2").arg(path, file.errorString());
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return QStringLiteral("Cannot read the file \"%1\": %2").arg(path, file.errorString());
    const std::string_view view(bytes.constData(), static_cast<size_t>(bytes.size()));
    rEdit1_->setPlainText(QString::fromStdString(displayText(view, isValidUtf8(view))));
    rEdit1_->moveCursor(QTextCursor::Start);
    return {};
}

QString FormFileView::text() const { return rEdit1_->toPlainText(); }

} // namespace varnotile
