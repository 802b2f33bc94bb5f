#pragma once

// Small helpers shared by the tests of the Qt-free core: byte strings in and out of files, and std::string shown
// as bytes in Qt Test's failure messages.

#include <QByteArray>
#include <QByteArrayList>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QTest>

#include <string>
#include <vector>

namespace coretest {

inline QByteArray qbytes(const std::string& text) {
    return QByteArray(text.data(), qsizetype(text.size()));
}
inline std::string stdbytes(const QByteArray& bytes) {
    return std::string(bytes.constData(), std::size_t(bytes.size()));
}

inline QByteArray readBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<missing ") + path.toUtf8() + ">";
    return file.readAll();
}

inline bool writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// Every name in the directory (hidden ones too), sorted: leftovers such as temporary files show up here.
inline QStringList entries(const QString& directory) {
    QStringList names =
        QDir(directory).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    names.sort();
    return names;
}

// A list of lines as one text, joined by LF, for readable comparisons.
inline QByteArray joined(const std::vector<std::string>& lines) {
    QByteArray text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0)
            text += '\n';
        text += qbytes(lines[i]);
    }
    return text;
}

inline std::vector<std::string> lines(const QByteArrayList& list) {
    std::vector<std::string> result;
    for (const QByteArray& line : list)
        result.push_back(stdbytes(line));
    return result;
}

} // namespace coretest
