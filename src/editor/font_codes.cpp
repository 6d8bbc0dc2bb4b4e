#include "editor/font_codes.h"

#include "platform/ansi.h"

#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QRawFont>

#include <string>

namespace quill {

namespace {

constexpr int kCodes = 256;
constexpr char16_t kSymbolArea = 0xF000;

} // namespace

bool IsSymbolFont(const QFont& font)
{
    return QFontDatabase::writingSystems(QFontInfo(font).family()).contains(QFontDatabase::Symbol);
}

QString CharactersOfCodes(const QFont& font)
{
    QString characters(kCodes, QChar());
    if (!IsSymbolFont(font)) {
        std::string bytes(kCodes, '\0');
        for (int code = 0; code < kCodes; ++code)
            bytes[static_cast<std::size_t>(code)] = static_cast<char>(code);
        const QString text = FromAnsi(bytes);
        for (int code = 0; code < kCodes; ++code)
            characters[code] = text.size() == kCodes ? text[code] : QChar(static_cast<char16_t>(code));
        return characters;
    }
    const QRawFont raw = QRawFont::fromFont(font);
    for (int code = 0; code < kCodes; ++code) {
        const QChar mapped(static_cast<char16_t>(kSymbolArea + code));
        characters[code] = raw.supportsCharacter(mapped) ? mapped : QChar(static_cast<char16_t>(code));
    }
    return characters;
}

} // namespace quill
