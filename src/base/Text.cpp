#include "base/Text.h"

#include "common/Cp1251.h"

QString fromFileBytes(std::string_view bytes) {
    QString text(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char byte : bytes)
        *out++ = QChar(cp1251::toUnicode(static_cast<unsigned char>(byte)));
    return text;
}

QString shownText(std::string_view bytes) {
    if (bytes.size() <= static_cast<std::size_t>(kMaxShownCharacters))
        return fromFileBytes(bytes);
    return fromFileBytes(bytes.substr(0, kMaxShownCharacters - 1)) + QChar(0x2026);
}

std::optional<std::string> toFileBytes(const QString& text) {
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(text.size()));
    for (const QChar c : text) {
        const auto byte = cp1251::fromUnicode(c.unicode());
        if (!byte)
            return std::nullopt;
        bytes.push_back(static_cast<char>(*byte));
    }
    return bytes;
}

QChar firstUnencodable(const QString& text) {
    for (const QChar c : text)
        if (!cp1251::fromUnicode(c.unicode()))
            return c;
    return QChar();
}
