#include "app/ConfigurationDirectory.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace configurationdirectory {

std::function<QString(QWidget*, const QString&)> choose = [](QWidget* parent, const QString& start) {
    return QFileDialog::getExistingDirectory(parent, chooserTitle(), start);
};

QString chooserTitle() {
    return QCoreApplication::translate("TMainWnd", "Open Configuration Directory");
}

bool besideExecutable(const QString& executablePath) {
    return QFileInfo(QFileInfo(executablePath).absoluteDir().filePath(QStringLiteral("glym30.ini"))).isFile();
}

QString lastOrChosen(const QStringList& recentDirectories) {
    for (const QString& directory : recentDirectories)
        if (QFileInfo(directory).isDir())
            return directory;
    return choose(nullptr, QDir::homePath());
}

} // namespace configurationdirectory
