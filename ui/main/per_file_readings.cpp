#include "per_file_readings.h"

#include <QFile>
#include <QFileInfo>

namespace varnotile {

std::string PerFileReadings::key(const std::string& path) {
    const QString canonical = QFileInfo(QFile::decodeName(QByteArray::fromStdString(path))).canonicalFilePath();
    return canonical.isEmpty() ? path : QFile::encodeName(canonical).toStdString();
}

} // namespace varnotile
