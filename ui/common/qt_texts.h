#pragma once
// Where the data set's bytes and values meet Qt's types: texts as shown and as stored, curve
// colours, the locale's decimal separator. One place for each, so every window and command
// converts alike.
#include "dataset.h"

#include <QColor>
#include <QString>

#include <string>
#include <string_view>

namespace varnotile {

// File bytes as shown: UTF-8 when the file is, else Windows-1252.
QString displayString(std::string_view bytes, bool fileIsUtf8);
// A text the user typed, as the file's bytes.
std::string storedBytes(const QString& text, bool fileIsUtf8);

// A curve colour (red in the lowest byte) as a QColor, and back.
QColor toQColor(Rgb rgb);
Rgb toRgb(const QColor& color);

// The locale's decimal separator when it is one ASCII character, else '.'.
char localeDecimalSeparator();

} // namespace varnotile
