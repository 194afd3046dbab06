#include "json_texts.h"

#include "qt_texts.h"
#include "text_codec.h"

#include <QByteArrayView>

namespace varnotile::cli {
namespace {

// Longer texts are written straight from their bytes.
constexpr std::size_t kShortText = 4096;
// A stand-in is this mark, the text's number and the mark again. The mark is a control
// character, which the document writes escaped; any text holding it is a long text itself, so
// no text of the file can look like a stand-in.
constexpr char kMark = '\x01';
constexpr QByteArrayView kMarkInJson = "\\u0001";
constexpr std::size_t kPiece = 1 << 20;

} // namespace

void appendJsonString(std::string& out, std::string_view utf8) {
    static constexpr char kHex[] = "0123456789abcdef";
    out.push_back('"');
    for (const char c : utf8) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x20 && c != '"' && c != '\\') {
            out.push_back(c);
            continue;
        }
        out.push_back('\\');
        switch (c) {
        case '"': out.push_back('"'); break;
        case '\\': out.push_back('\\'); break;
        case '\b': out.push_back('b'); break;
        case '\f': out.push_back('f'); break;
        case '\n': out.push_back('n'); break;
        case '\r': out.push_back('r'); break;
        case '\t': out.push_back('t'); break;
        default:
            out += "u00";
            out.push_back(kHex[u >> 4]);
            out.push_back(kHex[u & 0xf]);
        }
    }
    out.push_back('"');
}

QJsonValue JsonTexts::text(std::string_view bytes) {
    if (bytes.size() <= kShortText && bytes.find(kMark) == std::string_view::npos)
        return displayString(bytes, fileIsUtf8_);
    long_.push_back(bytes);
    return QString(QChar(kMark)) + QString::number(long_.size() - 1) + QChar(kMark);
}

void JsonTexts::writeText(std::string_view bytes, std::FILE* stream) const {
    std::fputc('"', stream);
    std::string piece;
    while (!bytes.empty()) {
        std::size_t n = std::min(bytes.size(), kPiece);
        // A piece of a UTF-8 text ends before a character, not inside one.
        if (fileIsUtf8_ && n < bytes.size())
            for (int back = 0; back < 3 && n > 1 && (static_cast<unsigned char>(bytes[n]) & 0xC0) == 0x80; ++back) --n;
        piece.clear();
        appendJsonString(piece, displayText(bytes.substr(0, n), fileIsUtf8_));
        // Without the quotes around the piece: they stand once around the whole text.
        std::fwrite(piece.data() + 1, 1, piece.size() - 2, stream);
        bytes.remove_prefix(n);
    }
    std::fputc('"', stream);
}

void JsonTexts::write(const QByteArray& json, std::FILE* stream) const {
    qsizetype done = 0;
    for (qsizetype at = json.indexOf('"'); at >= 0; at = json.indexOf('"', at + 1)) {
        // A stand-in: a quote, the mark, digits, the mark and a quote.
        QByteArrayView rest = QByteArrayView(json).sliced(at + 1);
        if (!rest.startsWith(kMarkInJson)) continue;
        rest = rest.sliced(kMarkInJson.size());
        qsizetype digits = 0;
        while (digits < rest.size() && rest[digits] >= '0' && rest[digits] <= '9') ++digits;
        const QByteArrayView after = rest.sliced(digits);
        if (digits == 0 || !after.startsWith(kMarkInJson) || !after.sliced(kMarkInJson.size()).startsWith('"')) continue;
        bool ok = false;
        const qsizetype index = rest.first(digits).toLongLong(&ok);
        if (!ok || index < 0 || static_cast<std::size_t>(index) >= long_.size()) continue;
        std::fwrite(json.constData() + done, 1, static_cast<std::size_t>(at - done), stream);
        writeText(long_[static_cast<std::size_t>(index)], stream);
        done = at + 1 + kMarkInJson.size() + digits + kMarkInJson.size() + 1;
        at = done - 1;
    }
    std::fwrite(json.constData() + done, 1, static_cast<std::size_t>(json.size() - done), stream);
}

} // namespace varnotile::cli
