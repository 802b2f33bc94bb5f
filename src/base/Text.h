#pragma once

#include <QString>
#include <optional>
#include <string>
#include <string_view>

// The one crossing between the files' Windows-1251 bytes and the widgets' text.
QString fromFileBytes(std::string_view bytes);

// The most characters a list cell shows. A longer text shows its start and an ellipsis: drawing a line of many
// megabytes would hold the window for minutes. The line itself keeps every byte.
constexpr qsizetype kMaxShownCharacters = 4096;

// The text of bytes as a list cell shows it: whole, or its first kMaxShownCharacters - 1 characters and "…".
QString shownText(std::string_view bytes);

// The bytes of text, or nothing when Windows-1251 cannot hold one of its characters.
std::optional<std::string> toFileBytes(const QString& text);

// The first character of text that Windows-1251 cannot hold, or a null QChar.
QChar firstUnencodable(const QString& text);
