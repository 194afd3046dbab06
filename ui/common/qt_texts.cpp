#include "qt_texts.h"

#include "text_codec.h"

#include <QLocale>

namespace varnotile {

QString displayString(std::string_view bytes, bool fileIsUtf8) {
    return QString::fromStdString(displayText(bytes, fileIsUtf8));
}

std::string storedBytes(const QString& text, bool fileIsUtf8) { return storedText(text.toStdString(), fileIsUtf8); }

QColor toQColor(Rgb rgb) {
    return QColor(static_cast<int>(rgb & 0xFF), static_cast<int>((rgb >> 8) & 0xFF), static_cast<int>((rgb >> 16) & 0xFF));
}

Rgb toRgb(const QColor& color) {
    return static_cast<Rgb>(color.red()) | static_cast<Rgb>(color.green()) << 8 | static_cast<Rgb>(color.blue()) << 16;
}

char localeDecimalSeparator() {
    const QString point = QLocale::system().decimalPoint();
    if (point.size() == 1 && point.at(0).unicode() < 0x80) return static_cast<char>(point.at(0).unicode());
    return '.';
}

} // namespace varnotile
