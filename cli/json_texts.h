#pragma once
// JSON output of the file's own texts. A header line or column name may be hundreds of
// megabytes long: held as a QString, inside a QJsonObject and again in the written document it
// would cost several times the file. Such texts stay out of the object as short stand-ins and
// are written from the data set's bytes, a piece at a time, where their stand-in stands.
#include <QByteArray>
#include <QJsonValue>

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace varnotile::cli {

// Appends UTF-8 text as a JSON string escaped the way QJsonDocument escapes it: quote, backslash
// and control characters; every other character as it is.
void appendJsonString(std::string& out, std::string_view utf8);

class JsonTexts {
public:
    explicit JsonTexts(bool fileIsUtf8) : fileIsUtf8_(fileIsUtf8) {}

    // File bytes as a JSON value: the shown text itself when short, else a stand-in that write()
    // replaces. The bytes must outlive write().
    QJsonValue text(std::string_view bytes);

    // Writes a document made from values of text(), each stand-in replaced by its text.
    void write(const QByteArray& json, std::FILE* stream) const;

private:
    void writeText(std::string_view bytes, std::FILE* stream) const;

    bool fileIsUtf8_;
    std::vector<std::string_view> long_;
};

} // namespace varnotile::cli
